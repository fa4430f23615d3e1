#include "ports/LptLineservice.h"

#include <string>

#include "Logs.h"
#include "PortIo.h"
#include "platform/PortBackend.h"
#include "platform/Win32Error.h"

using lineserv::devicePath;
using lineserv::lptLog;
using platform::DWORD;

LptLineservice::LptLineservice(const char* name) : Lineservice(name) {}

LptLineservice::~LptLineservice() {
    static_cast<void>(endDocPort());
}

int LptLineservice::getPortState() {
    return getPortName() && hasLine() ? 1 : 0;
}

int LptLineservice::startDocPort() {
    std::lock_guard<std::recursive_mutex> hold(m_openLock);
    const char* name = getPortName();
    if (!name) return 0;
    if (hasLine()) return 1;
    std::shared_ptr<platform::ParallelLine> line =
        platform::CurrentPortBackend().OpenParallel(devicePath(name));
    if (!line) return 0;
    setParallelLine(std::move(line));
    return 1;
}

int LptLineservice::endDocPort() {
    std::lock_guard<std::recursive_mutex> hold(m_openLock);
    std::shared_ptr<platform::ParallelLine> line = parallelLine();
    if (!line) return 1;
    static_cast<void>(lineserv::flushLine(*line, lptLog(), getPortName()));
    line->Cancel();
    setParallelLine(nullptr);
    return 1;
}

int LptLineservice::readPort(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* read) {
    std::shared_ptr<platform::ParallelLine> line = parallelLine();
    if (!line || !read || (!buffer && size)) return 0;
    *read = 0;
    DWORD errors = 0;
    platform::ComStat stat;
    if (!line->ClearCommError(errors, &stat)) {
        lineserv::logLastError(lptLog(), getPortName(), "ClearCommError2 failed retCode");
        return 0;
    }
    // Without a poll limit the read takes what is there; with one it looks for the first
    // byte once a millisecond, up to the limit.
    DWORD count = 0;
    if (size && !line->Read(buffer, size, count, m_readPolls)) {
        count = 0;
        static_cast<void>(clearPortStatusError());
    }
    *read = count;
    return count != 0 ? 1 : 0;
}

int LptLineservice::writePort(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* written) {
    std::uint32_t ignored = 0;
    if (!written) written = &ignored;
    std::shared_ptr<platform::ParallelLine> line = parallelLine();
    if (!line || (!buffer && size)) return 0;
    *written = 0;
    DWORD count = 0;
    const bool ok =
        line->Write(buffer, size, count, m_writePolls == 0 ? platform::MAXDWORD : m_writePolls);
    return lineserv::finishWrite(*this, lptLog(), ok, count, size, written);
}

int LptLineservice::flushBuffer() {
    std::shared_ptr<platform::ParallelLine> line = parallelLine();
    if (!line) return 0;
    return lineserv::flushLine(*line, lptLog(), getPortName()) ? 1 : 0;
}

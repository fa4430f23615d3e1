#include "ports/LptLineservice.h"

#include <string>

#include "Logs.h"
#include "platform/PortBackend.h"
#include "platform/Win32Error.h"

using lineserv::lptLog;
using platform::DWORD;

namespace {

std::string devicePath(const char* name) {
    std::string path(name ? name : "");
    if (!path.empty() && path.back() == ':') path.pop_back();
    return path;
}

unsigned long code(DWORD value) {
    return static_cast<unsigned long>(value);
}

}  // namespace

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
    if (!line->FlushFileBuffers())
        lptLog().logPrint("%s FlushFileBuffers failed: %lu\n", getPortName(),
                          code(platform::GetLastError()));
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
        lptLog().logPrint("%s ClearCommError2 failed retCode: %lu\n", getPortName(),
                          code(platform::GetLastError()));
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
    *written = count;
    if (!ok) {
        static_cast<void>(clearPortStatusError());
        return 0;
    }
    if (count != size)
        lptLog().logPrint("%s Probable Write Timeout: Total of %ld bytes sent\n", getPortName(),
                          static_cast<long>(count));
    return 1;
}

int LptLineservice::flushBuffer() {
    std::shared_ptr<platform::ParallelLine> line = parallelLine();
    if (!line) return 0;
    if (line->FlushFileBuffers()) return 1;
    lptLog().logPrint("%s FlushFileBuffers failed: %lu\n", getPortName(),
                      code(platform::GetLastError()));
    return 0;
}

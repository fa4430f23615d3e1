// The adapter's log slots: the library's log lines go to the provider's logger, and the
// session context follows the session's RID and active host.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "quil2sp/QUIL2Session.h"

namespace QUIL2SessionNS {

namespace {

using P = UTKLogger::CPriority;

constexpr std::size_t kLineBuffer = 1024;

// The logger's level of a library priority.
int LevelOf(EPRIORITY priority) {
    switch (priority) {
        case P::FATAL:
        case P::ALERT:
        case P::CRIT:
            return 3;
        case P::ERROR:
            return 2;
        case P::WARN:
            return 1;
        case P::NOTICE:
        case P::INFO:
        case P::DEBUG:
            return 0;
        default:
            return -1;
    }
}

// A zero-terminated copy of logged bytes.
std::string Terminated(const unsigned char* data, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(data), length);
}

}  // namespace

void QUIL2Session::OnLogVA(EPRIORITY priority, const char* where, const char* format,
                           va_list args) {
    const quilsp::Log log = Logger();
    if (!log.Enabled() || priority == 0 || format == nullptr) return;
    char text[kLineBuffer];
    std::vsnprintf(text, sizeof text, format, args);
    log.Line(LevelOf(priority), where != nullptr ? where : "", 0, "%s", text);
}

void QUIL2Session::Log(EPRIORITY priority, const char* where, const char* format, ...) {
    va_list args;
    va_start(args, format);
    OnLogVA(priority, where, format, args);
    va_end(args);
}

void QUIL2Session::OnLogDbgData(unsigned char* data, int length) {
    if (data == nullptr || length <= 0) return;
    const std::string text = Terminated(data, static_cast<std::size_t>(length));
    Log(P::DEBUG, "OnLogDbgData", "Debug Data:\n%s", text.c_str());
}

void QUIL2Session::OnLogEBCDICData(unsigned char* data, int length) {
    if (data == nullptr || length <= 0) return;
    Logger().Dump(quilsp::kTrace,
                  std::span<const std::uint8_t>(data, static_cast<std::size_t>(length)));
}

void QUIL2Session::OnLogASCIIData(unsigned char* data, int length) {
    OnLogEBCDICData(data, length);
}

void QUIL2Session::OnLogEBCDIC(EPRIORITY, const char*, unsigned long length, unsigned char* data) {
    OnLogEBCDICData(data, static_cast<int>(std::min<unsigned long>(length, 0x7FFFFFFF)));
}

void QUIL2Session::OnLogASCII(EPRIORITY priority, const char* where, unsigned long length,
                              unsigned char* data) {
    OnLogEBCDIC(priority, where, length, data);
}

void QUIL2Session::LogEBCDIC(EPRIORITY priority, const char* where, unsigned long length,
                             const unsigned char* data) {
    if (data == nullptr) return;
    std::string copy = Terminated(data, length);
    OnLogEBCDIC(priority, where, length, reinterpret_cast<unsigned char*>(copy.data()));
}

void QUIL2Session::LogASCII(EPRIORITY priority, const char* where, unsigned long length,
                            const unsigned char* data) {
    if (data == nullptr) return;
    std::string copy = Terminated(data, length);
    Log(priority, where, "ASCII Data:\n");
    OnLogASCII(priority, where, length, reinterpret_cast<unsigned char*>(copy.data()));
}

char* QUIL2Session::SetLocalContext(char* buffer, unsigned int size, const char* text) {
    return const_cast<char*>(BuildLocalContext(buffer, size, text));
}

const char* QUIL2Session::BuildLocalContext(char* buffer, unsigned int size, const char* text) {
    if (buffer == nullptr) return nullptr;
    if (m_terminating.load() != 0) {
        if (size > 0) buffer[0] = '\0';
        return buffer;
    }
    // A text too long for the buffer is cut, so the buffer always holds a terminated text.
    if (size > 0) std::snprintf(buffer, size, "%s", text != nullptr ? text : "");
    return buffer;
}

void QUIL2Session::UpdateContext() {
    IAdapterOwner* owner = m_owner;
    if (owner == nullptr) return;
    const std::string rid = owner->StateValue("RID").substr(0, 32);
    const std::string active = owner->StateValue("ACTIVEHOST").substr(0, 128);
    SetContext(rid.empty() && active.empty() ? "NOT SET" : ":" + rid + ":" + active);
}

void QUIL2Session::ResetSessionContext() {
    if (m_owner.load() != nullptr) SetContext("NOT SET");
}

void QUIL2Session::SetContext(std::string text) {
    std::lock_guard guard(m_contextLock);
    m_context = std::move(text);
}

std::string QUIL2Session::SessionContext() const {
    std::lock_guard guard(m_contextLock);
    return m_context;
}

}  // namespace QUIL2SessionNS

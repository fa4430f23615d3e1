#include "support/DriverHarness.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace support {

namespace {

// Keys compare without regard to case, as configuration keys do.
std::string Upper(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

void Answer(const std::string& value, char* buffer, unsigned int* length) {
    if (buffer == nullptr || length == nullptr || *length == 0) return;
    const std::size_t n = std::min<std::size_t>(value.size(), *length - 1);
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    *length = static_cast<unsigned int>(n);
}

}  // namespace

bool DriverEntryPoints::Bind(platform::DynamicLibrary& module) {
    const platform::SymbolBinding bindings[] = {
        platform::BindSymbol(kDriverExportDLLInit, init),
        platform::BindSymbol(kDriverExportDLLTerminate, terminate),
        platform::BindSymbol(kDriverExportCreate, create),
        platform::BindSymbol(kDriverExportDelete, destroy),
    };
    return module.Bind(bindings);
}

DriverHarness::DriverHarness() = default;
DriverHarness::~DriverHarness() = default;

void DriverHarness::SetRoute(const std::string& key, const std::string& value) {
    std::lock_guard lock(m_mutex);
    m_route[Upper(key)] = value;
}

void DriverHarness::SetGlobal(const std::string& key, const std::string& value) {
    std::lock_guard lock(m_mutex);
    m_global[Upper(key)] = value;
}

std::optional<std::string> DriverHarness::SessionValue(const std::string& key) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_session.find(Upper(key));
    if (it == m_session.end()) return std::nullopt;
    return it->second;
}

void DriverHarness::SetSessionValue(const std::string& key, const std::string& value) {
    std::lock_guard lock(m_mutex);
    m_session[Upper(key)] = value;
}

std::vector<DriverCall> DriverHarness::Calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<std::string> DriverHarness::LogLines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

bool DriverHarness::HasLogLine(const std::string& part) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_lines.begin(), m_lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

bool DriverHarness::WaitForCall(const std::function<bool(const std::vector<DriverCall>&)>& done,
                                std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return done(m_calls); });
}

bool DriverHarness::WaitForCallNamed(const std::string& name, int code,
                                     std::chrono::milliseconds limit) const {
    return WaitForCall(
        [&](const std::vector<DriverCall>& calls) {
            return std::any_of(calls.begin(), calls.end(), [&](const DriverCall& c) {
                return c.name == name && c.code == code;
            });
        },
        limit);
}

bool DriverHarness::WaitForLogLine(const std::string& part, std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] {
        return std::any_of(m_lines.begin(), m_lines.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    });
}

bool DriverHarness::WaitForReceives(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_receives >= count; });
}

void DriverHarness::RecordLogLines(bool on) {
    std::lock_guard lock(m_mutex);
    m_recordLines = on;
}

void DriverHarness::ClearRecords() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
    m_lines.clear();
}

void DriverHarness::Record(DriverCall call) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(call));
    m_changed.notify_all();
}

void DriverHarness::AddLine(std::string line) {
    std::lock_guard lock(m_mutex);
    if (!m_recordLines) return;
    m_lines.push_back(std::move(line));
    m_changed.notify_all();
}

void DriverHarness::OnReceive(int rc) {
    std::lock_guard lock(m_mutex);
    if (rc == 0) ++m_receives;
    m_calls.push_back({"OnReceive", rc, {}});
    m_changed.notify_all();
}

void DriverHarness::OnHostAvailable(bool available) {
    Record({"OnHostAvailable", available ? 1 : 0, {}});
}

void DriverHarness::OnConnect(int rc) {
    Record({"OnConnect", rc, {}});
}

void DriverHarness::OnDisconnect(int rc) {
    Record({"OnDisconnect", rc, {}});
}

void DriverHarness::OnHostAddress(char* address, bool available) {
    Record({"OnHostAddress", available ? 1 : 0, address != nullptr ? address : ""});
}

void DriverHarness::OnStoreSessionChanges(const char* key, const char* value, unsigned int length) {
    const std::string text = value != nullptr ? std::string(value, length) : std::string();
    {
        std::lock_guard lock(m_mutex);
        if (length == 0)
            m_session.erase(Upper(key));
        else
            m_session[Upper(key)] = text;
    }
    Record({"OnStoreSessionChanges", static_cast<int>(length), key});
}

void DriverHarness::OnURLNotification(char* text, int value) {
    Record({"OnURLNotification", value, text != nullptr ? text : ""});
}

void DriverHarness::OnGetSessionData(const char* key, char* buffer, unsigned int* length) {
    std::lock_guard lock(m_mutex);
    const auto it = m_session.find(Upper(key != nullptr ? key : ""));
    if (it == m_session.end()) {
        if (length != nullptr) *length = 0;
        return;
    }
    Answer(it->second, buffer, length);
}

bool DriverHarness::OnGetCfgInfo(const char* section, const char* key, char* buffer,
                                 unsigned int* length) {
    std::lock_guard lock(m_mutex);
    const bool global = section != nullptr && ::strcasecmp(section, "GLOBAL") == 0;
    const auto& table = global ? m_global : m_route;
    const auto it = table.find(Upper(key != nullptr ? key : ""));
    if (it == table.end()) {
        if (length != nullptr) *length = 0;
        return false;
    }
    Answer(it->second, buffer, length);
    return true;
}

bool DriverHarness::OnStoreCfgInfo(const char* section, const char* key, const char* value,
                                   unsigned int length) {
    std::lock_guard lock(m_mutex);
    const bool global = section != nullptr && ::strcasecmp(section, "GLOBAL") == 0;
    auto& table = global ? m_global : m_route;
    table[Upper(key != nullptr ? key : "")] = value != nullptr ? std::string(value, length) : "";
    return true;
}

void DriverHarness::OnLogDbgData(unsigned char* text, int length) {
    AddLine("DBG:" + std::string(reinterpret_cast<const char*>(text),
                                 static_cast<std::size_t>(std::max(length, 0))));
}

void DriverHarness::OnLogEBCDICData(unsigned char* /*bytes*/, int length) {
    AddLine("EBCDICDATA:" + std::to_string(length));
}

void DriverHarness::OnLogASCIIData(unsigned char* /*bytes*/, int length) {
    AddLine("ASCIIDATA:" + std::to_string(length));
}

void DriverHarness::OnLogVA(EPRIORITY priority, const char* context, const char* format,
                            va_list args) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_recordLines) return;
    }
    char text[4096];
    std::vsnprintf(text, sizeof text, format, args);
    AddLine(std::to_string(static_cast<int>(priority)) + " " + (context ? context : "") + ">" +
            text);
}

void DriverHarness::OnLogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                                unsigned char* /*bytes*/) {
    AddLine(std::to_string(static_cast<int>(priority)) + " " + (context ? context : "") +
            ">EBCDIC " + std::to_string(length));
}

void DriverHarness::OnLogASCII(EPRIORITY priority, const char* context, unsigned long length,
                               unsigned char* /*bytes*/) {
    AddLine(std::to_string(static_cast<int>(priority)) + " " + (context ? context : "") +
            ">ASCII " + std::to_string(length));
}

char* DriverHarness::SetLocalContext(char* buffer, unsigned int size, const char* method) {
    if (buffer != nullptr && size > 0)
        std::snprintf(buffer, size, "[harness]%s", method != nullptr ? method : "");
    return buffer;
}

}  // namespace support

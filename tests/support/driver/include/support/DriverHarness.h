// A session as a host protocol driver sees it: the callback interface with route and "GLOBAL"
// settings, per-session values, and a record of every callback and log line, taken from any
// thread. Tests drive a driver (the loaded module or the driver's code linked in) through it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "session/DriverAbi.h"

namespace support {

// The four exports of a driver, from a loaded module or from code linked in.
struct DriverEntryPoints {
    PFN_DLLInit init = nullptr;
    PFN_DLLTerminate terminate = nullptr;
    PFN_CreateHostDrvInterface create = nullptr;
    PFN_DeleteHostDrvInterface destroy = nullptr;

    // Binds them from an open module; false when one is missing.
    bool Bind(platform::DynamicLibrary& module);
};

struct DriverCall {
    std::string name;  // "OnReceive", "OnConnect", "OnDisconnect", "OnHostAddress", ...
    int code = 0;
    std::string text;
};

class DriverHarness : public CApiBaseInterface {
public:
    DriverHarness();
    ~DriverHarness() override;

    void SetRoute(const std::string& key, const std::string& value);
    void SetGlobal(const std::string& key, const std::string& value);
    // A stored session value (as bytes), or nothing.
    std::optional<std::string> SessionValue(const std::string& key) const;
    void SetSessionValue(const std::string& key, const std::string& value);

    std::vector<DriverCall> Calls() const;
    std::vector<std::string> LogLines() const;
    bool HasLogLine(const std::string& part) const;
    // Waits (real time, bounded) until `done` holds for the calls so far.
    bool WaitForCall(const std::function<bool(const std::vector<DriverCall>&)>& done,
                     std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    bool WaitForCallNamed(const std::string& name, int code,
                          std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    bool WaitForLogLine(const std::string& part,
                        std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // Waits until OnReceive(0) has come `count` times in all (ClearRecords leaves the count).
    bool WaitForReceives(std::size_t count,
                         std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // Log lines cost formatting; a benchmark turns their recording off.
    void RecordLogLines(bool on);
    void ClearRecords();

    void OnReceive(int rc) override;
    void OnHostAvailable(bool available) override;
    void OnConnect(int rc) override;
    void OnDisconnect(int rc) override;
    void OnHostAddress(char* address, bool available) override;
    void OnStoreSessionChanges(const char* key, const char* value, unsigned int length) override;
    void OnURLNotification(char* text, int value) override;
    void OnGetSessionData(const char* key, char* buffer, unsigned int* length) override;
    bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                      unsigned int* length) override;
    bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                        unsigned int length) override;
    void OnLogDbgData(unsigned char* text, int length) override;
    void OnLogEBCDICData(unsigned char* bytes, int length) override;
    void OnLogASCIIData(unsigned char* bytes, int length) override;
    [[gnu::format(printf, 4, 0)]] void OnLogVA(EPRIORITY priority, const char* context,
                                               const char* format, va_list args) override;
    void OnLogEBCDIC(EPRIORITY priority, const char* context, unsigned long length,
                     unsigned char* bytes) override;
    void OnLogASCII(EPRIORITY priority, const char* context, unsigned long length,
                    unsigned char* bytes) override;
    char* SetLocalContext(char* buffer, unsigned int size, const char* method) override;
    void UpdateContext() override {}

private:
    void Record(DriverCall call);
    void AddLine(std::string line);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::string, std::string> m_route;
    std::map<std::string, std::string> m_global;
    std::map<std::string, std::string> m_session;
    std::vector<DriverCall> m_calls;
    std::vector<std::string> m_lines;
    bool m_recordLines = true;
    std::size_t m_receives = 0;
};

}  // namespace support

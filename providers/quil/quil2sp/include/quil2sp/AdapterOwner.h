// What the Session-library adapter (QUIL2Session) calls on the session that owns it. The
// worker calls come from the adapter's worker thread, one at a time; the others also come
// from the library's threads and each takes the owner's session lock itself.
#pragma once

#include <atomic>
#include <string>

namespace QUIL2SessionNS {

class IAdapterOwner {
public:
    virtual ~IAdapterOwner() = default;

    // ---- from the worker thread; `stop` is the adapter's stop flag ----
    // A message waits in the library (or receiving failed: value non-zero).
    virtual void ProcessReceive(int value, const std::atomic<bool>& stop) = 0;
    // The connect has ended with this provider code.
    virtual void CompleteConnect(int brxError, const std::atomic<bool>& stop) = 0;
    // Reports the session's RID to the provider (masked while not connected).
    virtual void FireResource(const std::atomic<bool>& stop) = 0;
    virtual void FireDisconnect(int error, const std::atomic<bool>& stop) = 0;

    // ---- from any thread, under the owner's session lock ----
    virtual std::string Rid() const = 0;
    virtual void SetRid(const std::string& rid) = 0;
    virtual std::string RouteName() const = 0;
    virtual std::string ConfigLniata() const = 0;
    virtual std::string ConfigValue(const char* key) const = 0;
    virtual void SetConfigValue(const char* key, const char* value) = 0;
    virtual std::string StateValue(const char* key) const = 0;
};

}  // namespace QUIL2SessionNS

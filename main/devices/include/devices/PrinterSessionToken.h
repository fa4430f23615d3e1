// The one printer session of the device manager, shared by the devices that print through
// it: a token that one device holds from the start of a message's session to its end. It
// may be given back from any thread; a second give-back of the same holding does nothing,
// so every path that ends or abandons a session can give it back without counting.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

namespace devices {

class CPrinterSessionToken {
public:
    // The process's token.
    static CPrinterSessionToken& Shared();

    // Waits until the token is free and takes it for owner; false when stop() said to give
    // up first (checked every 100 ms).
    bool Take(const void* owner, const std::function<bool()>& stop);
    // Gives the token back when owner holds it; true when it did.
    bool Give(const void* owner);
    bool HeldBy(const void* owner) const;

private:
    mutable std::mutex m_cs;
    std::condition_variable m_free;
    const void* m_owner = nullptr;
};

}  // namespace devices

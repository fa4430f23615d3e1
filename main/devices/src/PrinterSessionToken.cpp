#include "devices/PrinterSessionToken.h"

#include <chrono>

namespace devices {

CPrinterSessionToken& CPrinterSessionToken::Shared() {
    static CPrinterSessionToken token;
    return token;
}

bool CPrinterSessionToken::Take(const void* owner, const std::function<bool()>& stop) {
    std::unique_lock lock(m_cs);
    while (m_owner && m_owner != owner) {
        if (stop && stop()) return false;
        m_free.wait_for(lock, std::chrono::milliseconds(100));
    }
    m_owner = owner;
    return true;
}

bool CPrinterSessionToken::Give(const void* owner) {
    {
        std::lock_guard lock(m_cs);
        if (m_owner != owner) return false;
        m_owner = nullptr;
    }
    m_free.notify_all();
    return true;
}

bool CPrinterSessionToken::HeldBy(const void* owner) const {
    std::lock_guard lock(m_cs);
    return m_owner == owner;
}

}  // namespace devices

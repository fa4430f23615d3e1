#include "support/TestDevice.h"

#include <array>
#include <utility>

#include "platform/Time.h"
#include "platform/Wait.h"

namespace support {

CTestDevice::CTestDevice(const std::string& strDeviceKey, const std::string& strSession,
                         std::unique_ptr<core::CHostTrevo> pHost, const std::string& strType) {
    PreCreateDevice(strDeviceKey, "Test device", strSession, strType, std::move(pHost));
}

CTestDevice::~CTestDevice() {
    // The send thread calls this object's members: it ends before they go.
    ReleaseWrites();
    StopThreads();
}

bool CTestDevice::Start() {
    return StartSendThread([this] { SendToDeviceThreadLoop(); });
}

bool CTestDevice::SendToDevice() {
    core::CMessageBuffer* head = TakeHeadBuffer();
    if (!head) return true;
    m_timeSendToDevice = platform::CurrentTime();
    bool bBlock;
    bool bDeaf;
    {
        std::lock_guard lock(m_cs);
        bBlock = m_bBlock;
        bDeaf = m_bDeaf;
        m_bBlocked = bBlock;
    }
    m_cv.notify_all();
    if (bBlock) {
        if (bDeaf) {
            static_cast<void>(platform::WaitForSingleObject(m_eventRelease, platform::INFINITE));
        } else {
            const std::array<platform::Waitable*, 2> wait{&m_eventRelease, &ThreadStopEvent()};
            static_cast<void>(platform::WaitForMultipleObjects(wait, false, platform::INFINITE));
        }
    }
    const auto data = head->Data();
    bool bFail;
    {
        std::lock_guard lock(m_cs);
        m_bBlocked = false;
        bFail = m_bFail;
        if (!bFail) {
            ++m_nWritten;
            if (m_bKeepWritten)
                m_written.emplace_back(reinterpret_cast<const char*>(data.data()), data.size());
        }
    }
    m_cv.notify_all();
    if (!bFail) CountDeviceSent(data.size());
    ReleaseHeadBuffer();
    return !bFail;
}

void CTestDevice::SendToDeviceOutputDone() {
    std::function<void()> step;
    {
        std::lock_guard lock(m_cs);
        ++m_nOutputsDone;
        step.swap(m_onOutputDone);
    }
    if (step) step();
}

void CTestDevice::OnNextOutputDone(std::function<void()> step) {
    std::lock_guard lock(m_cs);
    m_onOutputDone = std::move(step);
}

std::vector<std::string> CTestDevice::Written() const {
    std::lock_guard lock(m_cs);
    return m_written;
}

bool CTestDevice::WaitWritten(std::size_t n, std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_cs);
    return m_cv.wait_for(lock, limit, [&] { return m_nWritten >= n; });
}

void CTestDevice::KeepWritten(bool bKeep) {
    std::lock_guard lock(m_cs);
    m_bKeepWritten = bKeep;
}

std::size_t CTestDevice::OutputsDone() const {
    std::lock_guard lock(m_cs);
    return m_nOutputsDone;
}

void CTestDevice::FailWrites(bool bFail) {
    std::lock_guard lock(m_cs);
    m_bFail = bFail;
}

void CTestDevice::BlockWrites(bool bDeaf) {
    std::lock_guard lock(m_cs);
    m_eventRelease.Reset();
    m_bBlock = true;
    m_bDeaf = bDeaf;
}

void CTestDevice::ReleaseWrites() {
    {
        std::lock_guard lock(m_cs);
        m_bBlock = false;
    }
    m_eventRelease.Set();
}

bool CTestDevice::WaitBlocked(std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_cs);
    return m_cv.wait_for(lock, limit, [&] { return m_bBlocked; });
}

}  // namespace support

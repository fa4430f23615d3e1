// The adapter's life, its worker and the library's event callbacks. The session file and
// the configuration answers are in QUIL2SessionFile.cpp, the log slots in QUIL2SessionLog.cpp.
#include "quil2sp/QUIL2Session.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <chrono>
#include <thread>

#include "quil2sp/ConnectResult.h"

namespace QUIL2SessionNS {

namespace {

using P = UTKLogger::CPriority;

// How often the worker looks at its stop flag when nothing wakes it.
constexpr std::chrono::milliseconds kWorkerWake{1000};

std::uint32_t NextIdentity() {
    static std::atomic<std::uint32_t> next{0};
    return ++next;
}

}  // namespace

QUIL2Session::QUIL2Session(IAdapterOwner* owner) : m_owner(owner), m_identity(NextIdentity()) {}

QUIL2Session::~QUIL2Session() {
    // The worker may be in the owner; it is ended here and cannot end itself.
    assert(!m_worker.Started() || m_worker.Id() != platform::GetCurrentThreadId());
    m_stop = true;
    m_events.Post(kEventStop);
    Terminate();
    m_terminating = 1;
    (void)m_worker.Join();
    m_owner = nullptr;
}

void QUIL2Session::SetLogger(quilsp::Log log) {
    std::lock_guard guard(m_logLock);
    m_log = std::move(log);
}

quilsp::Log QUIL2Session::Logger() const {
    std::lock_guard guard(m_logLock);
    return m_log;
}

void QUIL2Session::StartWorker() {
    if (m_worker.Started()) return;
    if (!m_worker.Start([this] {
            ThreadProc();
            m_workerDone = true;
        })) {
        Logger().Line(quilsp::kError, "\\QUIL2SP\\QUIL2Session", 100,
                      "m_QUIL2Session.Connect thread failed to start");
    }
}

void QUIL2Session::ThreadProc() {
    if (m_stop) return;
    for (;;) {
        const std::optional<WorkerEvent> event = m_events.Take(kWorkerWake);
        if (event && !m_stop) Act(*event);
        if (m_stop) return;
    }
}

void QUIL2Session::Act(const WorkerEvent& event) {
    IAdapterOwner* owner = m_owner;
    switch (event.index) {
        case kEventReceive:
            if (owner != nullptr) owner->ProcessReceive(event.value, m_stop);
            break;
        case kEventConnect:
            if (owner == nullptr) break;
            owner->CompleteConnect(MapConnectResult(event.value), m_stop);
            if (event.value == 0) owner->FireResource(m_stop);
            break;
        case kEventDisconnect:
            if (owner != nullptr) owner->FireDisconnect(event.value, m_stop);
            break;
        case kEventHostAddress: {
            std::string address = event.text;
            std::transform(address.begin(), address.end(), address.begin(), [](char c) {
                return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            });
            if (address == "000000" || owner == nullptr) break;
            owner->SetRid(address);
            owner->FireResource(m_stop);
            break;
        }
        case kEventStop:
            m_stop = true;
            break;
        default:
            break;
    }
}

void QUIL2Session::OnReceive(int value) {
    Log(P::INFO, "QUIL2Session::OnReceive", "ReleaseSemaphore");
    m_events.Post(kEventReceive, value);
    std::this_thread::yield();
}

void QUIL2Session::ReportDisconnected() {
    m_events.Post(kEventDisconnect, 0);
}

void QUIL2Session::OnHostAvailable(bool) {}

void QUIL2Session::OnConnect(int error) {
    Log(P::INFO, "QUIL2Session::OnConnect", "ReleaseSemaphore RetCode %d", error);
    m_events.Post(kEventConnect, error);
}

void QUIL2Session::OnDisconnect(int error) {
    Log(P::INFO, "QUIL2Session::OnDisconnect", "ReleaseSemaphore");
    m_events.Post(kEventDisconnect, error);
}

void QUIL2Session::OnHostAddress(char* address, bool) {
    Log(P::INFO, "QUIL2Session::OnHostAddress", "ReleaseSemaphore");
    m_events.Post(kEventHostAddress, 0, address != nullptr ? address : "");
}

void QUIL2Session::OnURLNotification(char*, int) {}

int QUIL2Session::GetConfigFileName(UTKString::CString&) {
    return 0;
}

}  // namespace QUIL2SessionNS

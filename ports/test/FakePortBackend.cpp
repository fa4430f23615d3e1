#include "FakePortBackend.h"

#include <algorithm>

#include "platform/Win32Error.h"

namespace lineserv_test {

using namespace platform;

void FakeLineState::injectInput(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_input.insert(m_input.end(), bytes.begin(), bytes.end());
    m_events |= EV_RXCHAR;
    m_changed.notify_all();
}

void FakeLineState::setModem(DWORD status) {
    std::lock_guard<std::mutex> hold(m_lock);
    const DWORD changed = status ^ m_modem;
    m_modem = status;
    if (changed & MS_CTS_ON) m_events |= EV_CTS;
    if (changed & MS_DSR_ON) m_events |= EV_DSR;
    if (changed & MS_RLSD_ON) m_events |= EV_RLSD;
    if ((changed & MS_RING_ON) && (status & MS_RING_ON)) m_events |= EV_RING;
    m_changed.notify_all();
}

void FakeLineState::injectErrors(DWORD errors) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_errors |= errors;
    if (errors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY)) m_events |= EV_ERR;
    if (errors & CE_BREAK) m_events |= EV_BREAK;
    m_changed.notify_all();
}

void FakeLineState::raise(DWORD events) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_events |= events;
    m_changed.notify_all();
}

std::vector<std::uint8_t> FakeLineState::written() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_output;
}

platform::Dcb FakeLineState::lastState() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_dcb;
}

platform::CommTimeouts FakeLineState::timeouts() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_timeouts;
}

DWORD FakeLineState::mask() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_mask;
}

bool FakeLineState::open() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_open;
}

void FakeLineState::limitWrites(DWORD bytes) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_writeLimit = bytes;
}

int FakeLineState::writeCalls() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_writeCalls;
}

void FakeLineState::breakLine() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_broken = true;
    m_changed.notify_all();
}

class FakeSerialLine final : public SerialLine {
public:
    explicit FakeSerialLine(std::shared_ptr<FakeLineState> state) : m_state(std::move(state)) {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        m_state->m_open = true;
        m_state->m_cancelled = false;
    }
    ~FakeSerialLine() override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        m_state->m_open = false;
    }

    bool SetCommState(const Dcb& dcb) override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        m_state->m_dcb = dcb;
        if (dcb.fOutxDsrFlow || dcb.fDtrControl == DTR_CONTROL_HANDSHAKE) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return false;
        }
        return true;
    }
    bool GetCommState(Dcb& dcb) override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        dcb = m_state->m_dcb;
        return true;
    }
    bool SetCommTimeouts(const CommTimeouts& timeouts) override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        m_state->m_timeouts = timeouts;
        return true;
    }
    bool SetupComm(DWORD, DWORD) override { return true; }
    bool SetCommMask(DWORD mask) override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        m_state->m_mask = mask;
        ++m_state->m_maskGeneration;
        m_state->m_changed.notify_all();
        return true;
    }
    bool WaitCommEvent(DWORD& events) override {
        std::unique_lock<std::mutex> hold(m_state->m_lock);
        const std::uint64_t generation = m_state->m_maskGeneration;
        events = 0;
        if (m_state->m_mask == 0) return true;  // nothing to wait for, as on a real line
        m_state->m_changed.wait(hold, [&] {
            return m_state->m_cancelled || m_state->m_broken ||
                   m_state->m_maskGeneration != generation ||
                   (m_state->m_events & m_state->m_mask) != 0;
        });
        if (m_state->m_cancelled || m_state->m_broken) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return false;
        }
        events = m_state->m_events & m_state->m_mask;
        m_state->m_events &= ~events;
        return true;
    }
    bool PurgeComm(DWORD) override { return true; }
    bool ClearCommError(DWORD& errors, ComStat* status) override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        if (m_state->m_broken) {
            SetLastError(ERROR_GEN_FAILURE);
            return false;
        }
        errors = m_state->m_errors;
        m_state->m_errors = 0;
        if (status) {
            *status = ComStat{};
            status->cbInQue = static_cast<DWORD>(m_state->m_input.size());
        }
        return true;
    }
    bool GetCommModemStatus(DWORD& status) override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        status = m_state->m_modem;
        return true;
    }
    bool EscapeCommFunction(DWORD) override { return true; }
    bool ReadFile(void* buffer, DWORD size, DWORD& read) override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        read = static_cast<DWORD>(std::min<std::size_t>(size, m_state->m_input.size()));
        std::copy_n(m_state->m_input.begin(), read, static_cast<std::uint8_t*>(buffer));
        m_state->m_input.erase(m_state->m_input.begin(), m_state->m_input.begin() + read);
        return true;
    }
    bool WriteFile(const void* buffer, DWORD size, DWORD& written) override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        written = 0;
        ++m_state->m_writeCalls;
        if (m_state->m_broken) {
            SetLastError(ERROR_GEN_FAILURE);
            return false;
        }
        written = std::min(size, m_state->m_writeLimit);
        const auto* in = static_cast<const std::uint8_t*>(buffer);
        m_state->m_output.insert(m_state->m_output.end(), in, in + written);
        if (written) m_state->m_events |= EV_TXEMPTY;
        m_state->m_changed.notify_all();
        return true;
    }
    bool FlushFileBuffers() override { return true; }
    void Cancel() override {
        std::lock_guard<std::mutex> hold(m_state->m_lock);
        m_state->m_cancelled = true;
        m_state->m_changed.notify_all();
    }

private:
    std::shared_ptr<FakeLineState> m_state;
};

FakePortBackend::FakePortBackend() {
    SetPortBackend(this);
}

FakePortBackend::~FakePortBackend() {
    SetPortBackend(nullptr);
}

std::shared_ptr<FakeLineState> FakePortBackend::line(const std::string& name) {
    std::lock_guard<std::mutex> hold(m_lock);
    auto& state = m_lines[name];
    if (!state) state = std::make_shared<FakeLineState>();
    return state;
}

std::unique_ptr<SerialLine> FakePortBackend::OpenSerial(const std::string& name) {
    auto state = line(name);
    if (state->open()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return std::make_unique<FakeSerialLine>(state);
}

std::unique_ptr<ParallelLine> FakePortBackend::OpenParallel(const std::string&) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

bool FakePortBackend::GetDefaultCommConfig(const std::string& name, Dcb& dcb) {
    auto it = defaults.find(name);
    if (it == defaults.end()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    dcb = it->second;
    return true;
}

bool FakePortBackend::SetDefaultCommConfig(const std::string& name, const Dcb& dcb) {
    defaults[name] = dcb;
    return true;
}

}  // namespace lineserv_test

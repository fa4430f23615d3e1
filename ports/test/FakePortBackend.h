// A port backend for tests: serial lines whose modem lines, line errors, break and input
// the test sets, since a pseudo-terminal has none of them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/PortBackend.h"

namespace lineserv_test {

using platform::DWORD;

// What a test sees and drives of one fake serial port.
class FakeLineState {
public:
    // Bytes for the port to read; raises EV_RXCHAR.
    void injectInput(const std::vector<std::uint8_t>& bytes);
    // New modem lines (MS_ bits); raises the events of the lines that changed.
    void setModem(DWORD status);
    // Line errors (CE_ bits) for ClearCommError; raises EV_ERR and, for a break, EV_BREAK.
    void injectErrors(DWORD errors);
    // Raises events as such.
    void raise(DWORD events);

    std::vector<std::uint8_t> written();
    platform::Dcb lastState();
    // The time-outs last set on the line.
    platform::CommTimeouts timeouts();
    DWORD mask();
    bool open();
    // How many bytes a write takes before it runs out of time (default: all).
    void limitWrites(DWORD bytes);
    // Makes every call fail as a broken line would.
    void breakLine();
    int writeCalls();

private:
    friend class FakeSerialLine;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_cancelled = false;
    bool m_broken = false;
    DWORD m_mask = 0;
    std::uint64_t m_maskGeneration = 0;
    DWORD m_events = 0;
    DWORD m_modem = 0;
    DWORD m_errors = 0;
    DWORD m_writeLimit = 0xFFFFFFFFu;
    int m_writeCalls = 0;
    std::vector<std::uint8_t> m_input;
    std::vector<std::uint8_t> m_output;
    platform::Dcb m_dcb;
    platform::CommTimeouts m_timeouts;
};

class FakePortBackend : public platform::PortBackend {
public:
    FakePortBackend();
    ~FakePortBackend() override;

    std::shared_ptr<FakeLineState> line(const std::string& name);

    std::unique_ptr<platform::SerialLine> OpenSerial(const std::string& name) override;
    std::unique_ptr<platform::ParallelLine> OpenParallel(const std::string& name) override;
    std::vector<std::string> EnumPorts() override { return ports; }
    bool GetDefaultCommConfig(const std::string& name, platform::Dcb& dcb) override;
    bool SetDefaultCommConfig(const std::string& name, const platform::Dcb& dcb) override;

    std::vector<std::string> ports;
    std::map<std::string, platform::Dcb> defaults;

private:
    std::mutex m_lock;
    std::map<std::string, std::shared_ptr<FakeLineState>> m_lines;
};

}  // namespace lineserv_test

// The event-driven serial port: the notification thread fills a receive ring of 4096 bytes
// with what no read takes and signals "data available"; readPortT takes what has come (from
// the ring, else the line) or waits for it, writePortT waits until the output has drained.
// Made with the name alone it has neither ring nor events and serves only opening, closing,
// readPort and writePort.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "ports/CommLineservice.h"

namespace lineserv {
class ReceiveRing;
}
namespace platform {
class Event;
}

class TREVO_EXPORT PDM : public CommLineservice {
public:
    explicit PDM(const char* name);
    PDM(const char* name, std::uint32_t baud, ENUM_DATABITS dataBits, ENUM_STOPBITS stopBits,
        ENUM_FLOWCONTROL flow, ENUM_PARITY parity);
    ~PDM() override;

    [[nodiscard]] int closePort() override;
    [[nodiscard]] int readPortT(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* read,
                                std::uint32_t timeout) override;
    [[nodiscard]] int writePortT(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* written,
                                 std::uint32_t timeout) override;
    int dataAvailableToReceive() override;
    int isOEState() override { return CommLineservice::isOEState(); }
    int isPEState() override { return CommLineservice::isPEState(); }
    int isFEState() override { return CommLineservice::isFEState(); }

    void onCTSevent(int state) override;
    void onDSRevent(int state) override;
    void onCDevent(int state) override;
    void onRIevent(int state) override;
    void onBIevent(int state) override;
    void onOEevent(int state) override;
    void onPEevent(int state) override;
    void onFEevent(int state) override;
    void onOutputEmptyEvent(int state) override;
    void onDataAvailEvent(int state) override;

private:
    void signalEvents();
    // Moves what has been received (the ring's bytes, else the line's) into buffer.
    std::size_t takeReceived(std::uint8_t* buffer, std::uint32_t size);

    std::unique_ptr<lineserv::ReceiveRing> m_ring;
    std::unique_ptr<platform::Event> m_outputEmpty;
    std::unique_ptr<platform::Event> m_dataAvail;
};

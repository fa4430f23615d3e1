// A serial port: settings applied when the port opens, a notification thread that waits
// for the port's communication events and calls the ten event handlers (empty here; a
// subclass gives them a meaning), modem lines, break and the sticky line-error states.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/PortBackend.h"
#include "ports/Lineservice.h"

namespace kdcomm {
class ThreadHandle;
}

class TREVO_EXPORT CommLineservice : public Lineservice {
public:
    // Takes the port's default settings when it opens.
    explicit CommLineservice(const char* name);
    // Applies these settings when it opens.
    CommLineservice(const char* name, std::uint32_t baud, ENUM_DATABITS dataBits,
                    ENUM_STOPBITS stopBits, ENUM_FLOWCONTROL flow, ENUM_PARITY parity);
    ~CommLineservice() override;

    int getPortState() override;
    [[nodiscard]] int startDocPort() override;
    [[nodiscard]] int endDocPort() override;
    [[nodiscard]] int readPort(std::uint8_t* buffer, std::uint32_t size,
                               std::uint32_t* read) override;
    [[nodiscard]] int writePort(std::uint8_t* buffer, std::uint32_t size,
                                std::uint32_t* written) override;
    [[nodiscard]] int readPortT(std::uint8_t*, std::uint32_t, std::uint32_t*,
                                std::uint32_t) override {
        return 0;
    }
    [[nodiscard]] int writePortT(std::uint8_t*, std::uint32_t, std::uint32_t*,
                                 std::uint32_t) override {
        return 0;
    }
    [[nodiscard]] int configurePort() override;
    ENUM_PORTTYPE getPortType() override { return PORTTYPE_SERIAL; }
    [[nodiscard]] int flushBuffer() override;
    int dataAvailableToReceive() override { return 0; }
    int isOEState() override;
    int isPEState() override;
    int isFEState() override;

    // Event handlers, called on the notification thread.
    virtual void onCTSevent(int state);
    virtual void onDSRevent(int state);
    virtual void onCDevent(int state);
    virtual void onRIevent(int state);
    virtual void onBIevent(int state);
    virtual void onOEevent(int state);
    virtual void onPEevent(int state);
    virtual void onFEevent(int state);
    virtual void onOutputEmptyEvent(int state);
    virtual void onDataAvailEvent(int state);

    // The settings dialog for a port; 1 when new default settings were stored.
    [[nodiscard]] static int configurePort(void* owner, const char* name);

    [[nodiscard]] int setCommBreak();
    [[nodiscard]] int clearCommBreak();
    void sendBreak(std::uint32_t ms);
    [[nodiscard]] int setDTR(int on);
    [[nodiscard]] int setRTS(int on);
    int isCD();
    int isCTS();
    int isDSR();
    int isRI();

    // Take effect at the next startDocPort.
    void setErrorCharDetector(int enable, char ch);
    void setAbortReadWriteOnError(int abort);
    void setCommInQBufferSize(std::uint32_t size) { m_inQueueSize = size; }
    std::uint32_t getCommInQBufferSize() const { return m_inQueueSize; }
    void setCommOutQBufferSize(std::uint32_t size) { m_outQueueSize = size; }
    std::uint32_t getCommOutQBufferSize() const { return m_outQueueSize; }
    void setReadIntervalTimeout(std::uint32_t t) { m_timeouts.ReadIntervalTimeout = t; }
    void setReadTotalTimeoutMultiplier(std::uint32_t t) {
        m_timeouts.ReadTotalTimeoutMultiplier = t;
    }
    void setReadTotalTimeoutConstant(std::uint32_t t) { m_timeouts.ReadTotalTimeoutConstant = t; }
    void setWriteTotalTimeoutMultiplier(std::uint32_t t) {
        m_timeouts.WriteTotalTimeoutMultiplier = t;
    }
    void setWriteTotalTimeoutConstant(std::uint32_t t) { m_timeouts.WriteTotalTimeoutConstant = t; }

    void notifyOnCTSevent(int on);
    void notifyOnDSRevent(int on);
    void notifyOnCDevent(int on);
    void notifyOnRIevent(int on);
    void notifyOnBIevent(int on);
    void notifyOnOEevent(int on);
    void notifyOnPEevent(int on);
    void notifyOnFEevent(int on);
    void notifyOnOutputEmptyEvent(int on);
    void notifyOnDataAvailEvent(int on);

protected:
    // False once the port is being closed: long work on the notification thread stops.
    bool notificationsRunning() const { return m_run != 0; }

private:
    static unsigned notificationThread(void* port);
    void notificationLoop();
    bool getInICommValues(platform::Dcb* dcb);
    void setEventBit(std::uint32_t bit, int on);
    void setErrorBit(std::uint32_t bit, int on);
    int escape(std::uint32_t function);
    int modemBit(std::uint32_t bit);
    void stopNotificationThread();

    kdcomm::ThreadHandle* m_thread = nullptr;
    std::atomic<int> m_run{0};
    std::atomic<std::uint32_t> m_eventMask{0};
    std::atomic<std::uint32_t> m_errorMask{0};
    int m_configMode = 1;
    std::uint32_t m_baud = 0;
    ENUM_DATABITS m_dataBits = DATABITS_8;
    ENUM_STOPBITS m_stopBits = STOPBITS_ONE;
    ENUM_FLOWCONTROL m_flowControl = FLOWCONTROL_NONE;
    int m_flowFlags = 0;
    ENUM_PARITY m_parity = PARITY_NONE;
    std::uint32_t m_inQueueSize = 4096;
    std::uint32_t m_outQueueSize = 4096;
    int m_abortOnError = 0;
    int m_errorCharEnabled = 0;
    char m_errorChar = 0;
    platform::CommTimeouts m_timeouts;
    std::atomic<int> m_dtrHandshake{0};
    std::atomic<int> m_rtsHandshake{0};
    std::atomic<int> m_parityErrorSeen{0};
    std::atomic<int> m_framingErrorSeen{0};
    std::atomic<int> m_overrunSeen{0};
};

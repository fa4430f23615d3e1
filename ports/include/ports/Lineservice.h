// The port classes: Lineservice, the common base of a serial or parallel line, with the
// settings enumerations shared by its subclasses.
//
// Lock order in this library (outermost first): the handle table of the handle functions,
// a port's open/close lock, a receive ring's lock (held while the line is read into it),
// the port's handle lock, its status lock. The log file's lock is always the innermost.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/Export.h"

namespace platform {
class SerialLine;
class ParallelLine;
}  // namespace platform
namespace kdcomm {
class CriticalSection;
}

enum ENUM_DATABITS {
    DATABITS_4 = 4,
    DATABITS_5 = 5,
    DATABITS_6 = 6,
    DATABITS_7 = 7,
    DATABITS_8 = 8
};
enum ENUM_STOPBITS { STOPBITS_ONE = 0, STOPBITS_ONE5 = 1, STOPBITS_TWO = 2 };
enum ENUM_FLOWCONTROL { FLOWCONTROL_NONE = 0, FLOWCONTROL_HARDWARE = 1, FLOWCONTROL_XONXOFF = 2 };
enum ENUM_PARITY {
    PARITY_NONE = 0,
    PARITY_ODD = 1,
    PARITY_EVEN = 2,
    PARITY_MARK = 3,
    PARITY_SPACE = 4
};
enum ENUM_PORTTYPE { PORTTYPE_SERIAL = 0, PORTTYPE_PARALLEL = 1 };

class TREVO_EXPORT Lineservice {
public:
    explicit Lineservice(const char* name);
    virtual ~Lineservice();
    Lineservice(const Lineservice&) = delete;
    Lineservice& operator=(const Lineservice&) = delete;

    // Opening a port starts it; closing it ends it.
    [[nodiscard]] virtual int openPort() { return startDocPort(); }
    [[nodiscard]] virtual int closePort() { return endDocPort(); }
    virtual int getPortState() = 0;
    [[nodiscard]] virtual int startDocPort() = 0;
    [[nodiscard]] virtual int endDocPort() = 0;
    [[nodiscard]] virtual int readPort(std::uint8_t* buffer, std::uint32_t size,
                                       std::uint32_t* read) = 0;
    // 1 when the write went out whole or ran out of time (written: the bytes that went
    // out); 0 on a failure of the line.
    [[nodiscard]] virtual int writePort(std::uint8_t* buffer, std::uint32_t size,
                                        std::uint32_t* written) = 0;
    [[nodiscard]] virtual int readPortT(std::uint8_t* buffer, std::uint32_t size,
                                        std::uint32_t* read, std::uint32_t timeout) = 0;
    [[nodiscard]] virtual int writePortT(std::uint8_t* buffer, std::uint32_t size,
                                         std::uint32_t* written, std::uint32_t timeout) = 0;
    [[nodiscard]] virtual int configurePort() = 0;
    virtual ENUM_PORTTYPE getPortType() = 0;
    [[nodiscard]] virtual int flushBuffer() = 0;
    virtual int dataAvailableToReceive() = 0;
    virtual int isOEState() = 0;
    virtual int isPEState() = 0;
    virtual int isFEState() = 0;

    // Adds the ports of the machine to a combo box; 0 when there are none.
    [[nodiscard]] static int enumPorts(void* combo);
    // Shows the calling thread's last system error.
    static void DisplayErrorMessage();

    const char* getPortName() const { return m_portName; }
    // Takes the line errors of the port into the last port status; 1 when there were none.
    [[nodiscard]] int clearPortStatusError();
    // The last line error's text, handed out once; null when none is waiting. The caller
    // frees it with ::operator delete.
    char* getLastPortStatus();

    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, void* place) noexcept;
    static void operator delete(void* object) noexcept;

    // Live port objects.
    static std::atomic<unsigned long> classInstance;

protected:
    // The open line, or null; a copy stays usable after the port is closed meanwhile.
    std::shared_ptr<platform::SerialLine> serialLine() const;
    std::shared_ptr<platform::ParallelLine> parallelLine() const;
    void setSerialLine(std::shared_ptr<platform::SerialLine> line);
    void setParallelLine(std::shared_ptr<platform::ParallelLine> line);
    bool hasLine() const;

    // Serialises opening and closing.
    std::recursive_mutex m_openLock;

private:
    void setLastPortStatus(const char* text);

    char* m_portName = nullptr;
    mutable std::mutex m_handleLock;
    std::shared_ptr<platform::SerialLine> m_serial;
    std::shared_ptr<platform::ParallelLine> m_parallel;
    char m_lastPortStatus[512] = {};
    kdcomm::CriticalSection* m_statusLock = nullptr;
    bool m_counted = false;
};

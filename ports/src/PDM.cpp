#include "ports/PDM.h"

#include <new>

#include "Logs.h"
#include "ReceiveRing.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/PortBackend.h"
#include "platform/Time.h"
#include "platform/Wait.h"

using lineserv::pdmLog;

PDM::PDM(const char* name) : CommLineservice(name) {
    notifyOnOEevent(1);
    notifyOnPEevent(1);
    notifyOnFEevent(1);
}

PDM::PDM(const char* name, std::uint32_t baud, ENUM_DATABITS dataBits, ENUM_STOPBITS stopBits,
         ENUM_FLOWCONTROL flow, ENUM_PARITY parity)
    : CommLineservice(name, baud, dataBits, stopBits, flow, parity),
      m_ring(new (std::nothrow) lineserv::ReceiveRing) {
    m_dataAvail.reset(new (std::nothrow) platform::Event(platform::EventReset::Manual));
    if (!m_dataAvail) {
        pdmLog().logPrint("Error in CreateEvent for dataAvailEvent\n");
        return;
    }
    m_outputEmpty.reset(new (std::nothrow) platform::Event(platform::EventReset::Manual));
    if (!m_outputEmpty) {
        pdmLog().logPrint("Error in CreateEvent for outputEmptyEvent\n");
        return;
    }
    notifyOnOEevent(1);
    notifyOnPEevent(1);
    notifyOnFEevent(1);
    notifyOnDataAvailEvent(1);
    notifyOnOutputEmptyEvent(1);
}

PDM::~PDM() {
    // The notification thread fills the ring and signals the events: it ends before they go.
    static_cast<void>(endDocPort());
    notifyOnOEevent(0);
    notifyOnPEevent(0);
    notifyOnFEevent(0);
    notifyOnDataAvailEvent(0);
    notifyOnOutputEmptyEvent(0);
    signalEvents();
}

void PDM::signalEvents() {
    if (m_dataAvail) m_dataAvail->Set();
    if (m_outputEmpty) m_outputEmpty->Set();
}

int PDM::closePort() {
    const int closed = endDocPort();
    signalEvents();
    return closed ? 1 : 0;
}

int PDM::readPortT(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* read,
                   std::uint32_t timeout) {
    if (!read || (!buffer && size)) return 0;
    *read = 0;
    if (!m_ring || !m_dataAvail) return 0;
    // What has come already is taken without a wait; otherwise the read waits for bytes
    // on the line itself. While reads keep coming the notification thread leaves the
    // line's bytes to them: they come straight from the line, with no hand-off through the
    // thread and no copy through the ring.
    const std::shared_ptr<platform::SerialLine> line = size ? serialLine() : nullptr;
    if (line) line->ReaderComing();
    std::uint64_t taken = line ? line->InputTaken() : 0;
    std::size_t moved = size ? takeReceived(buffer, size) : 0;
    if (moved != 0) {
        *read = static_cast<std::uint32_t>(moved);
        return 1;
    }
    platform::IClock& clock = platform::CurrentClock();
    const std::uint64_t start = clock.NowMs();
    auto remaining = [&]() -> std::uint32_t {
        if (timeout == platform::INFINITE) return timeout;
        const std::uint64_t spent = clock.NowMs() - start;
        return spent < timeout ? static_cast<std::uint32_t>(timeout - spent) : 0;
    };
    // The line tells of bytes that arrive and of bytes the notification thread took into
    // the ring; a line that cannot tell, or is closed meanwhile, leaves the rest of the
    // wait to the data-available event, and so does a clock that moves only when told to
    // (the line's wait runs on real time).
    while (line && !clock.IsManual() && !m_dataAvail->IsSet()) {
        const std::uint32_t left = remaining();
        if (left == 0) break;
        if (line->WaitInput(taken, left) != platform::SerialLine::kInputWoken) break;
        taken = line->InputTaken();
        moved = takeReceived(buffer, size);
        if (moved != 0) {
            *read = static_cast<std::uint32_t>(moved);
            return 1;
        }
    }
    static_cast<void>(platform::WaitForSingleObject(*m_dataAvail, remaining()));
    // Finding nothing and resetting the event is one step under the ring lock, so bytes
    // put in meanwhile always leave the event signalled. A read that asked for nothing
    // leaves the event as it is while bytes wait.
    kdcomm::Guard hold(m_ring->lock());
    moved = takeReceived(buffer, size);
    if (moved == 0 && m_ring->count() == 0) m_dataAvail->Reset();
    *read = static_cast<std::uint32_t>(moved);
    return moved != 0 ? 1 : 0;
}

std::size_t PDM::takeReceived(std::uint8_t* buffer, std::uint32_t size) {
    // The ring first, then the line: under the ring lock, which the notification thread
    // holds while it moves the line into the ring, so no byte overtakes an older one.
    kdcomm::Guard hold(m_ring->lock());
    const std::size_t moved = m_ring->take(buffer, size);
    if (moved != 0 || size == 0 || m_ring->count() != 0) return moved;
    std::uint32_t got = 0;
    return readPort(buffer, size, &got) == 1 ? got : 0;
}

int PDM::writePortT(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* written,
                    std::uint32_t timeout) {
    if (m_outputEmpty) m_outputEmpty->Reset();
    const int result = writePort(buffer, size, written);
    // A line that has sent everything already needs no word from the notification thread.
    const std::shared_ptr<platform::SerialLine> line = serialLine();
    if (m_outputEmpty && !(line && line->OutputDrained()))
        static_cast<void>(platform::WaitForSingleObject(*m_outputEmpty, timeout));
    return result != 0 ? 1 : 0;
}

int PDM::dataAvailableToReceive() {
    if (m_ring) kdcomm::Guard hold(m_ring->lock());
    return 0;
}

void PDM::onCTSevent(int state) {
    pdmLog().logPrint("%s Fired onCTSevent retCode: %lu\n", getPortName(),
                      static_cast<unsigned long>(state));
}
void PDM::onDSRevent(int state) {
    pdmLog().logPrint("%s Fired onDSRevent retCode: %lu\n", getPortName(),
                      static_cast<unsigned long>(state));
}
void PDM::onCDevent(int state) {
    pdmLog().logPrint("%s Fired onCDevent retCode: %lu\n", getPortName(),
                      static_cast<unsigned long>(state));
}
void PDM::onRIevent(int) {
    pdmLog().logPrint("%s Fired onRIevent\n", getPortName());
}
void PDM::onBIevent(int) {
    pdmLog().logPrint("%s Fired onBIevent\n", getPortName());
}
void PDM::onOEevent(int) {
    pdmLog().logPrint("%s Fired onOEevent\n", getPortName());
}
void PDM::onPEevent(int) {
    pdmLog().logPrint("%s Fired onPEevent\n", getPortName());
}
void PDM::onFEevent(int) {
    pdmLog().logPrint("%s Fired onFEevent\n", getPortName());
}

void PDM::onOutputEmptyEvent(int) {
    if (m_outputEmpty) m_outputEmpty->Set();
}

void PDM::onDataAvailEvent(int) {
    if (!m_ring) {
        if (m_dataAvail) m_dataAvail->Set();
        return;
    }
    std::uint8_t chunk[lineserv::ReceiveRing::kCapacity];
    std::uint32_t got = 0;
    kdcomm::Guard hold(m_ring->lock());
    // A line that never falls quiet must not keep a closing port waiting.
    while (notificationsRunning() && readPort(chunk, sizeof chunk, &got) == 1)
        m_ring->put(chunk, got);
    // A reader that took the bytes from the line itself leaves nothing to signal.
    if (m_dataAvail && m_ring->count() != 0) m_dataAvail->Set();
}

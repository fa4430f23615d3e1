// The transport's state machine: SwitchState and the steps it runs (first segment, windows,
// acknowledgements, receiving), the acknowledgement wait and the route values it reads.
#include <algorithm>
#include <cstring>

#include "brxapicfg/BRXConfig.h"
#include "brxbt/BRXBT.h"
#include "brxbt/TransportLog.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"

namespace brxbt {

#define BTLOG(level, ...) TransportTrace(level, "BRXBT::" __VA_ARGS__)

namespace {

// Pumps the calling thread's loop until done() or timeoutMs of the platform clock.
bool PumpFor(const std::function<bool()>& done, std::uint64_t timeoutMs) {
    platform::EventLoop* loop = platform::EventLoop::Current();
    if (done()) return true;
    if (!loop) return false;
    const auto limit = static_cast<platform::DWORD>(std::min<std::uint64_t>(timeoutMs, 0x7FFFFFFF));
    return loop->PumpUntil(done, limit);
}

}  // namespace

bool BRXBT::SwitchState(int target) {
    m_nextState = target;
    BTLOG(0, "SwitchState() Current state is %s, state to transition to is %s",
          GetStateName(m_state), GetStateName(target));
    bool ok = true;
    const int from = m_state;
    switch (target) {
        case CONNECTING:
            m_state = CONNECTING;
            break;
        case CONNECTED:
            if (IsBinaryState(from)) {
                ToConnected();
            } else {
                m_state = CONNECTED;
            }
            break;
        case BTS_IDLE:
            m_nackRepeatCount = 0;
            if (from == CONNECTED) {
                m_state = BTS_IDLE;
                m_segments = std::make_unique<CBTSegmentCluster>();
                m_sendHeader = std::make_unique<CBTHeader>();
                m_ackHeader = std::make_unique<CBTHeader>();
            } else if ((from >= BTS_SENDING_FIRST_SEG && from <= BTS_WAIT_FOR_ACK) ||
                       from == BTS_RECV_FIRST_SEG || from == BTS_WINDOW_RECEIVING) {
                m_state = BTS_IDLE;
                Cleanup();
            } else if (from == BTS_SENDING_ACK) {
                m_state = BTS_IDLE;
                if (m_finalSegmentReceived && m_container) m_container->OnReceive(0);
            } else {
                Cleanup();
            }
            break;
        case BTS_SENDING_FIRST_SEG:
            if (from == BTS_IDLE || from == BTS_WAIT_FOR_ACK) {
                if (from == BTS_IDLE) m_nSegmentSentRepeatCount = 1;
                SendFirstSegment(ok);
            }
            break;
        case BTS_WINDOW_SENDING:
            if (from == BTS_WINDOW_SENDING || from == BTS_SEGMENT_SENDING) {
                m_state = BTS_WINDOW_SENDING;
            } else if (from == BTS_WAIT_FOR_ACK) {
                WindowStep(ok);
            }
            break;
        case BTS_SEGMENT_SENDING:
            if (from >= BTS_SENDING_FIRST_SEG && from <= BTS_SEGMENT_SENDING)
                m_state = BTS_SEGMENT_SENDING;
            break;
        case BTS_WAIT_FOR_ACK:
            if (from >= BTS_SENDING_FIRST_SEG && from <= BTS_WAIT_FOR_ACK) {
                m_state = BTS_WAIT_FOR_ACK;
                if (from != BTS_WAIT_FOR_ACK) StartTimer();
            }
            break;
        case BTS_RECV_FIRST_SEG:
            if (from == BTS_IDLE) {
                ReceiveStep(BTS_RECV_FIRST_SEG, ok);
            } else if (from == BTS_SENDING_ACK) {
                m_state = BTS_RECV_FIRST_SEG;
            }
            break;
        case BTS_WINDOW_RECEIVING:
            if (from == BTS_SENDING_ACK || from == BTS_SENDING_NACK) {
                m_state = BTS_WINDOW_RECEIVING;
                if (from == BTS_SENDING_ACK) m_nOutstandingSegmentsInWindow = m_windowSize;
            }
            break;
        case BTS_RECEIVE_SEG:
            if (from == BTS_IDLE) {
                m_state = BTS_RECEIVE_SEG;
            } else if (from == BTS_WINDOW_RECEIVING || from == BTS_RECEIVE_SEG) {
                ReceiveStep(BTS_RECEIVE_SEG, ok);
            }
            break;
        case BTS_SENDING_ACK:
            if (from == BTS_RECV_FIRST_SEG || from == BTS_RECEIVE_SEG) {
                AckStep(ok);
            } else if (from == BTS_WINDOW_RECEIVING) {
                m_state = BTS_SENDING_ACK;
            }
            break;
        case BTS_SENDING_NACK:
            if (from == BTS_WINDOW_RECEIVING) m_state = BTS_SENDING_NACK;
            break;
        default:
            ToNotConnected(target);
            ok = target == NOT_CONNECTED || target == DISCONNECTING;
            break;
    }
    BTLOG(0, "SwitchState() The state set in SwitchState() is %s", GetStateName(m_state));
    return ok;
}

void BRXBT::ToConnected() {
    m_state = CONNECTED;
    StopTimer();
    PrepareTerminationPacket();
    (void)SendNormal(m_packet, kHeaderLength);
    Cleanup();
    m_sendHeader.reset();
    m_ackHeader.reset();
    m_received.clear();
    BTLOG(0, "SwitchState() SwitchState()to CONNECTED: Setting BinaryMode to False.");
    m_binary = false;
    if (m_provider) {
        char off[] = "false";
        (void)m_provider->SetOption(4, off);
    }
}

void BRXBT::ToNotConnected(int target) {
    TakeProviderError();
    StopTimer();
    m_sendHeader.reset();
    m_ackHeader.reset();
    m_received.clear();
    Cleanup();
    m_binary = false;
    m_state = target;
}

BRXError BRXBT::SendNormal(const std::uint8_t* data, std::size_t length) {
    if (!m_provider) return BRX_NO_CONNECT;
    m_inSend = true;
    const BRXError r =
        m_provider->Send(static_cast<int>(length), reinterpret_cast<const char*>(data));
    m_inSend = false;
    return r;
}

// ---- sending ----

void BRXBT::BuildSegment() {
    const bool last = m_currentSegment == m_segmentCount;
    const std::size_t length =
        last ? m_segments->LastSegmentLength() + kHeaderLength : kMaxSegmentPacket;
    m_segment.assign(length, 0);
    if (!m_segments->GetSegment(static_cast<int>(m_currentSegment),
                                m_segment.data() + kHeaderLength))
        BTLOG(2, "CBTSegmentCluster::GetSegment() :  Error Getting the data at index :%u",
              m_currentSegment);
    std::uint8_t pac[2];
    m_sendHeader->GetPAC(pac);
    m_segment[0] = m_sendHeader->IsOutboundSegment() ? kOutboundSegment : kInboundSegment;
    m_segment[1] = pac[0];
    m_segment[2] = static_cast<std::uint8_t>(m_currentSegment >> 8);
    m_segment[3] = static_cast<std::uint8_t>(m_currentSegment);
    m_segment[4] = static_cast<std::uint8_t>(m_sendHeader->Seq2() >> 8);
    m_segment[5] = static_cast<std::uint8_t>(m_sendHeader->Seq2());
    m_segment[6] = m_sendHeader->WindowSize();
    m_segment[7] = pac[1];
    BTLOG(0, "PrepareSegmentHeader()  finished preparing segment %u", m_currentSegment);
}

void BRXBT::SendFirstSegment(bool& ok) {
    m_currentSegment = 1;
    m_state = BTS_SENDING_FIRST_SEG;
    m_nOutstandingSegmentsInWindow = 1;
    m_firstSegmentOnly = true;
    m_windowSize = SuggestWindowSize();
    if (!m_sendHeader) m_sendHeader = std::make_unique<CBTHeader>();
    if (!m_ackHeader) m_ackHeader = std::make_unique<CBTHeader>();
    (void)m_sendHeader->SetHeader(kOutboundSegment, static_cast<std::uint16_t>(m_currentSegment),
                                  static_cast<std::uint16_t>(m_segmentCount), m_windowSize, m_pac);
    BuildSegment();
    const BRXError result = SendNormal(m_segment.data(), m_segment.size());
    BTLOG(0, "SwitchState(BTS_SENDING_FIRST_SEG): Send Error is %d", result);
    if (result == BRX_WAITING) {
        m_nextState = BTS_SEGMENT_SENDING;
        return;
    }
    if (result != 0) {
        TakeProviderError();
        m_nextState = NOT_CONNECTED;
        ok = false;
        return;
    }
    if (m_currentSegment != m_segmentCount) ++m_currentSegment;
    if (--m_nOutstandingSegmentsInWindow == 0) m_nextState = BTS_WAIT_FOR_ACK;
}

void BRXBT::WindowStep(bool& ok) {
    m_state = BTS_WINDOW_SENDING;
    const std::uint32_t seq1 = m_ackHeader->Seq1();
    bool send = false;
    if (seq1 > m_windowStart) {
        // The receiver has everything before seq1: the next window starts there (also when
        // it asks again for a segment inside the window it had).
        m_nSegmentSentRepeatCount = 0;
        m_windowStart = seq1;
        m_currentSegment = seq1;
        send = true;
    } else if (seq1 == m_windowStart) {
        // The same window once more (after a time-out), from the current segment.
        send = true;
    }
    if (!send) return;
    StopTimer();
    m_firstSegmentOnly = false;
    m_nOutstandingSegmentsInWindow = m_ackHeader->WindowSize();
    const std::uint32_t left =
        m_currentSegment <= m_segmentCount ? m_segmentCount - m_currentSegment + 1 : 0;
    const std::uint32_t w = std::min<std::uint32_t>(left, m_windowSize);
    if (SendWindow(w) != 0) {
        BTLOG(2, "SwitchState SendWindow Failed.");
        TakeProviderError();
        m_nextState = NOT_CONNECTED;
        ok = false;
        return;
    }
    BTLOG(0, "SwitchState()  SendWindow Succeeded ");
    m_nextState = BTS_WAIT_FOR_ACK;
}

BRXError BRXBT::SendWindow(std::uint32_t n) {
    m_nOutstandingSegmentsInWindow = static_cast<int>(n);
    BTLOG(0, "SendWindow()  SegmentsToSend: %u Begin window send :", n);
    bool failed = false;
    while (m_nOutstandingSegmentsInWindow > 0 && !failed) {
        BuildSegment();
        const BRXError r = SendNormal(m_segment.data(), m_segment.size());
        BTLOG(0, "SendWindow(): Send() return value: %d", r);
        if (r == 0) {
            if (m_currentSegment != m_segmentCount) ++m_currentSegment;
            --m_nOutstandingSegmentsInWindow;
            (void)SwitchState(BTS_WINDOW_SENDING);
        } else if (r == BRX_WAITING) {
            m_sendSignalled = false;
            (void)SwitchState(BTS_SEGMENT_SENDING);
            m_inSendWindow = true;
            const bool signalled =
                PumpFor([this] { return m_sendSignalled; }, std::uint64_t{m_timeOut} * 1000);
            m_inSendWindow = false;
            if (!signalled) {
                BTLOG(2, "SendWindow()  Timed out waiting for OnSend().");
                (void)SwitchState(BTS_IDLE);
                failed = true;
            } else {
                (void)SwitchState(BTS_WINDOW_SENDING);
            }
        } else {
            (void)SwitchState(NOT_CONNECTED);
            failed = true;
        }
    }
    BTLOG(0, "SendWindow()  End Window send");
    return failed ? BRX_NO_CONNECT : 0;
}

void BRXBT::StartTimer() {
    BTLOG(0, "StartTimer ");
    m_onReceiveArrived = false;
    if (PumpFor([this] { return m_onReceiveArrived; }, std::uint64_t{m_timeOut} * 1000)) {
        BTLOG(0, "StartTimer  Received OnReceive().");
        return;
    }
    BTLOG(0, "StartTimer  Timedout waiting for OnReceive()");
    OnTimer();
}

void BRXBT::StopTimer() {
    BTLOG(0, "StopTimer OnReceive Received and Stop Timer called.");
    m_onReceiveArrived = true;
}

void BRXBT::OnTimer() {
    BTLOG(0, "OnTimer() : State: %s", GetStateName(m_state));
    if (m_state != BTS_WAIT_FOR_ACK) {
        BTLOG(0, "OnTimer() no action to take  in state %s", GetStateName(m_state));
        return;
    }
    if (m_nSegmentSentRepeatCount >= cnMaxTransmissionCount) {
        BTLOG(0,
              "OnTimer() m_nSegmentSentRepeatCount >= cnMaxTransmissionCount: returning "
              "BRX_TIMEOUT");
        (void)SwitchState(BTS_IDLE);
        if (m_container) m_container->OnSend(BRX_TIMEOUT);
        return;
    }
    ++m_nSegmentSentRepeatCount;
    bool ok;
    if (m_firstSegmentOnly) {
        ok = SwitchState(BTS_SENDING_FIRST_SEG);
        BTLOG(
            ok ? 0 : 2, "%s",
            ok ? "SwitchState(BTS_SENDING_FIRST_SEG) Succeeded."
               : "OnTimer(): SwitchState(BTS_SENDING_FIRST_SEG) Failed. Switch to NOT_CONNECTED.");
    } else {
        m_currentSegment = m_windowStart;
        ok = SwitchState(BTS_WINDOW_SENDING);
        BTLOG(ok ? 0 : 2, "%s",
              ok ? "SwitchState(BTS_WINDOW_SENDING) Succeeded."
                 : "SwitchState(BTS_WINDOW_SENDING) Failed. Switch to NOT_CONNECTED.");
    }
    if (ok) {
        (void)SwitchState(m_nextState);
    } else if (m_nextState == NOT_CONNECTED) {
        TakeProviderError();
        (void)SwitchState(NOT_CONNECTED);
        if (m_container) m_container->OnSend(m_lastError);
    }
}

bool BRXBT::ValidAck(const std::uint8_t* packet, int length, int& result) {
    result = BT_VALID_ACK;
    if (!packet || length != static_cast<int>(kHeaderLength) || packet[0] != kOutboundAck) {
        result = BT_NOT_AN_ACK;
        return false;
    }
    CBTHeader ack;
    (void)ack.Read(std::span<const std::uint8_t>(packet, kHeaderLength));
    BTLOG(0,
          "ValidAck() Received OutBoundAck.  Seq 1 is %u Seq 2 is %u Segment index to send is %u",
          ack.Seq1(), ack.Seq2(), m_currentSegment);
    if (!m_sendHeader || ack.Seq2() != m_sendHeader->Seq2()) {
        result = BT_NOT_CURRENT_ACK;
        return false;
    }
    if (ack.Seq1() != 0 && (ack.Seq1() <= m_windowStart || ack.Seq1() > m_segmentCount)) {
        result = BT_INVALID_ACK;
        return false;
    }
    if (ack.Seq1() == 0) {
        if (m_currentSegment == ack.Seq2()) {
            result = BT_FINAL_ACK;
            return true;
        }
        result = BT_INVALID_ACK;
        return false;
    }
    if (ack.WindowSize() == 0) {
        result = BT_NOT_CURRENT_ACK;
        return false;
    }
    if (!m_ackHeader) m_ackHeader = std::make_unique<CBTHeader>();
    *m_ackHeader = ack;
    return true;
}

// ---- receiving ----

bool BRXBT::ValidSegment(const std::uint8_t* packet, int length) {
    if (!packet || length <= static_cast<int>(kHeaderLength) || packet[0] != kInboundSegment) {
        BTLOG(2, "ValidSegment()  Invalid PAC.");
        return false;
    }
    CBTHeader h;
    (void)h.Read(std::span<const std::uint8_t>(packet, kHeaderLength));
    const std::uint32_t seq1 = h.Seq1();
    // A message's segments run from 1 to SEQ2, and all of them carry the same count.
    const bool countChanged =
        m_expectedSegment > 1 && m_sendHeader && h.Seq2() != m_sendHeader->Seq2();
    if (seq1 != m_expectedSegment || h.Seq2() == 0 || seq1 > h.Seq2() || countChanged) {
        BTLOG(2, "ValidSegment() %s Expecting %u But got %u",
              seq1 + 1 == m_expectedSegment ? "Duplicate packet" : "Invalid SEQ1 ",
              m_expectedSegment, seq1);
        return false;
    }
    BTLOG(0, "ValidSegment()  got expected segment %u", seq1);
    m_pac[0] = packet[1];
    m_pac[1] = packet[7];
    m_segmentCount = h.Seq2();
    // A window of 0 counts as 1.
    m_windowSize = packet[6] != 0 ? packet[6] : 1;
    if (!m_sendHeader) m_sendHeader = std::make_unique<CBTHeader>();
    (void)m_sendHeader->SetHeader(kInboundSegment, h.Seq1(), h.Seq2(), m_windowSize, m_pac);
    return true;
}

void BRXBT::ReceiveStep(int target, bool& ok) {
    m_state = target;
    char* data = nullptr;
    int length = 0;
    const BRXError rc = m_provider ? m_provider->ReceiveMsg(&data, &length) : BRX_NO_CONNECT;
    if (rc != 0) {
        BTLOG(2, "SwitchState(): Current State %s Receive Failed", GetStateName(m_state));
        TakeProviderError();
        ok = false;
        if (m_lastError == 1036) m_nextState = NOT_CONNECTED;
        return;
    }
    const std::vector<std::uint8_t> packet(reinterpret_cast<std::uint8_t*>(data),
                                           reinterpret_cast<std::uint8_t*>(data) + length);
    if (!ValidSegment(packet.data(), length)) {
        BTLOG(2, "SwitchState()  Invalid segment");
        // The tail of the message received last, sent again because its final
        // acknowledgement went astray: acknowledge it once more.
        if (target == BTS_RECV_FIRST_SEG && m_haveLastFinalAck &&
            length > static_cast<int>(kHeaderLength) && packet[0] == kInboundSegment &&
            packet[4] == m_lastFinalAck[4] && packet[5] == m_lastFinalAck[5] &&
            (packet[2] != 0 || packet[3] != 1))
            (void)SendNormal(m_lastFinalAck, kHeaderLength);
        SetError(BT_INVALID_SEGMENT);
        ok = false;
        return;
    }
    if (target == BTS_RECV_FIRST_SEG) {
        // The one-segment message just received, once more and soon: a repeat (the wire
        // carries no message number), answered with its final acknowledgement again.
        const std::uint64_t now = platform::CurrentClock().NowMs();
        if (m_haveLastFinalAck && !m_lastSingle.empty() && packet == m_lastSingle &&
            now - m_lastFinalAt <= std::uint64_t{m_timeOut} * 2000) {
            BTLOG(0, "SwitchState()  Repeated segment of the last message");
            (void)SendNormal(m_lastFinalAck, kHeaderLength);
            SetError(BT_INVALID_SEGMENT);
            ok = false;
            return;
        }
        m_firstPacket = packet;
    }
    m_haveLastFinalAck = false;
    if (!m_segments) m_segments = std::make_unique<CBTSegmentCluster>();
    (void)m_segments->AddSegment(packet.data() + kHeaderLength,
                                 static_cast<std::uint32_t>(length) - kHeaderLength);
    BTLOG(0, "SwitchState()  Got Valid segment of Length %d",
          length - static_cast<int>(kHeaderLength));
    if (target == BTS_RECV_FIRST_SEG) {
        const std::uint8_t s = SuggestWindowSize();
        m_windowSize = std::max<std::uint8_t>(1, std::min(m_windowSize, s));
        m_sendHeader->WindowSize() = m_windowSize;
    }
    ++m_segmentsReceived;
    if (m_segmentsReceived != m_sendHeader->Seq2()) {
        ++m_currentSegment;
        ++m_expectedSegment;
        --m_nOutstandingSegmentsInWindow;
        BTLOG(0, "SwitchState(): The expected segment no is %u the no segs received is %u",
              m_expectedSegment, m_segmentsReceived);
    } else {
        BTLOG(0, "SwitchState(): The last segment in transmission was receieved.");
        m_nOutstandingSegmentsInWindow = 0;
        m_finalSegmentReceived = true;
    }
    m_lastError = 0;
}

void BRXBT::PrepareAck() {
    std::uint8_t pac[2];
    m_sendHeader->GetPAC(pac);
    const std::uint16_t seq1 =
        m_finalSegmentReceived ? 0 : static_cast<std::uint16_t>(m_expectedSegment);
    if (m_finalSegmentReceived)
        BTLOG(0, "PrepareAck() Final Segment is received. Preparing final Ack.");
    const CBTHeader ack(kInboundAck, seq1, m_sendHeader->Seq2(), m_sendHeader->WindowSize(), pac);
    ack.Write(std::span<std::uint8_t, kHeaderLength>(m_packet));
    BTLOG(0, "PrepareAck() Expected segment is %u Total no of segments %u", m_expectedSegment,
          m_sendHeader->Seq2());
}

void BRXBT::AckStep(bool& ok) {
    m_state = BTS_SENDING_ACK;
    PrepareAck();
    const BRXError r = SendNormal(m_packet, kHeaderLength);
    BTLOG(0, "SwitchState(BTS_SENDING_ACK): Send Error is %d", r);
    if (r == 0) {
        if (m_finalSegmentReceived) {
            std::memcpy(m_lastFinalAck, m_packet, kHeaderLength);
            m_haveLastFinalAck = true;
            m_lastFinalAt = platform::CurrentClock().NowMs();
            m_lastSingle = m_segmentsReceived == 1 ? m_firstPacket : std::vector<std::uint8_t>{};
            m_state = BTS_IDLE;
        } else {
            m_state = BTS_WINDOW_RECEIVING;
            m_nOutstandingSegmentsInWindow = m_windowSize;
        }
    } else if (r != BRX_WAITING) {
        TakeProviderError();
        m_nextState = NOT_CONNECTED;
        ok = false;
    }
}

void BRXBT::AfterAckSent(bool ok, bool nackRepeat) {
    if (ok) {
        if (nackRepeat) {
            ++m_nackRepeatCount;
            BTLOG(0, "OnReceive() Successfully Sent NACK repeat #%u", m_nackRepeatCount);
        } else {
            BTLOG(0, "OnReceive() Successfully Sent Ack.");
        }
        if (m_state == BTS_IDLE) {
            BTLOG(0, "OnReceive()  Calling container's OnReceive().");
            if (m_container) m_container->OnReceive(0);
        }
        return;
    }
    BTLOG(2, "%s",
          nackRepeat ? "OnReceive() Error Sending NACK repeat." : "OnReceive() Error sending Ack.");
    if (m_nextState == NOT_CONNECTED) {
        StopTimer();
        (void)SwitchState(NOT_CONNECTED);
        if (m_container) m_container->OnReceive(m_lastError);
    }
}

void BRXBT::OnReceiveData() {
    BTLOG(0, "OnReceive()  Current State is %s", GetStateName(m_state));
    switch (m_state) {
        case BTS_IDLE: {
            if (!m_segments) m_segments = std::make_unique<CBTSegmentCluster>();
            if (!m_sendHeader) m_sendHeader = std::make_unique<CBTHeader>();
            if (!m_ackHeader) m_ackHeader = std::make_unique<CBTHeader>();
            if (SwitchState(BTS_RECV_FIRST_SEG)) {
                m_nackRepeatCount = 0;
                AfterAckSent(SwitchState(BTS_SENDING_ACK), false);
            } else if (m_nextState == NOT_CONNECTED) {
                StopTimer();
                (void)SwitchState(NOT_CONNECTED);
                if (m_container) m_container->OnReceive(m_lastError);
            } else {
                // Not the start of a message: dropped.
                BTLOG(0, "OnReceive()  Error: %s", m_lastErrorText.c_str());
                m_state = BTS_IDLE;
                Cleanup();
            }
            break;
        }
        case BTS_WAIT_FOR_ACK: {
            BTLOG(0, "OnReceive()  Receive Ack.");
            char* data = nullptr;
            int length = 0;
            if (m_provider->ReceiveMsg(&data, &length) != 0) {
                BTLOG(2, "OnReceive()  Error when trying to receive Ack.");
                TakeProviderError();
                StopTimer();
                (void)SwitchState(NOT_CONNECTED);
                if (m_container) m_container->OnReceive(m_lastError);
                return;
            }
            const std::vector<std::uint8_t> packet(reinterpret_cast<std::uint8_t*>(data),
                                                   reinterpret_cast<std::uint8_t*>(data) + length);
            int verdict = 0;
            (void)ValidAck(packet.data(), length, verdict);
            if (verdict == BT_FINAL_ACK) {
                BTLOG(0, "OnReceive() Received Final Ack.");
                StopTimer();
                (void)SwitchState(BTS_IDLE);
                if (m_container) m_container->OnSend(0);
            } else if (verdict == BT_VALID_ACK) {
                if (SwitchState(BTS_WINDOW_SENDING)) {
                    (void)SwitchState(m_nextState);
                } else {
                    BTLOG(2, "OnReceive()  Sendwindow() Failed. ");
                    if (m_nextState == NOT_CONNECTED) {
                        (void)SwitchState(NOT_CONNECTED);
                        if (m_container) m_container->OnSend(m_lastError);
                    }
                }
            } else {
                BTLOG(0, "OnReceive() %s",
                      verdict == BT_NOT_AN_ACK    ? " Not an Ack. Wait for the Ack."
                      : verdict == BT_INVALID_ACK ? " Invalid ACK"
                                                  : " Not a current Ack.");
            }
            break;
        }
        case BTS_WINDOW_RECEIVING:
        case BTS_RECEIVE_SEG: {
            if (SwitchState(BTS_RECEIVE_SEG)) {
                BTLOG(0, "OnReceive()  Out Standing segments to receive in Window: %d",
                      m_nOutstandingSegmentsInWindow);
                if (m_nOutstandingSegmentsInWindow <= 0) {
                    m_nackRepeatCount = 0;
                    AfterAckSent(SwitchState(BTS_SENDING_ACK), false);
                }
            } else if (m_nextState == NOT_CONNECTED) {
                BTLOG(2, "OnReceive()  SwitchState(ReceiveSeg) Failed.");
                (void)SwitchState(NOT_CONNECTED);
                if (m_container) m_container->OnReceive(m_lastError);
            } else if (m_lastError == BT_INVALID_SEGMENT) {
                if (m_nackRepeatCount >= cnMaxNackRepeatCount) {
                    BTLOG(0,
                          "OnReceive() Sent the NACK for Maximum allowed times. Now informing the "
                          "app that it is TIMEOUT.");
                    (void)SwitchState(CONNECTED);
                    if (m_container) m_container->OnReceive(BRX_TIMEOUT);
                } else {
                    AfterAckSent(SwitchState(BTS_SENDING_ACK), true);
                }
            } else {
                BTLOG(2, "OnReceive() Error receiving segment : Unknown Error. Should not happen.");
            }
            break;
        }
        default:
            break;
    }
}

void BRXBT::Cleanup() {
    if (m_segments) BTLOG(0, "Cleanup() Clean SegmentList");
    m_segments.reset();
    m_segmentCount = 0;
    m_windowSize = 1;
    m_expectedSegment = 1;
    m_currentSegment = 0;
    m_nOutstandingSegmentsInWindow = 0;
    m_nSegmentSentRepeatCount = 0;
    m_segmentsReceived = 0;
    m_windowStart = 0;
    m_finalSegmentReceived = false;
    m_firstSegmentOnly = false;
}

void BRXBT::PrepareTerminationPacket() {
    BTLOG(0, "PrepareTerminationPacket() Final Packet.");
    std::memset(m_packet, 0, sizeof m_packet);
    m_packet[0] = kInboundAck;
    m_packet[1] = m_pac[0];
    m_packet[7] = m_pac[1];
}

std::uint8_t BRXBT::SuggestWindowSize() {
    BTLOG(0, "SuggestWindowSize(): Route %s", m_route.c_str());
    unsigned long value = 1;
    BRXConfig cfg;
    if (cfg.GetValue(BRXConfig::kRoutesKey, m_route, "VXTWindowSize", &value) != 0 || value == 0) {
        value = 1;
        if (cfg.SetValue(BRXConfig::kRoutesKey, m_route, "VXTWindowSize", value) != 0)
            BTLOG(0, "SuggestWindowSize() VXT Window Size =%lu But not set in Registry", value);
    }
    const unsigned long s = std::min<unsigned long>({value, m_segmentCount, 255});
    BTLOG(0, "SuggestWindowSize() VXT Window Size =%lu", s);
    return static_cast<std::uint8_t>(std::max<unsigned long>(s, 1));
}

void BRXBT::ReadTimeOut(const std::string& route) {
    unsigned long value = 12;
    BRXConfig cfg;
    if (cfg.GetValue(BRXConfig::kRoutesKey, route, "VXTTimeOut", &value) != 0) {
        value = 12;
        if (cfg.SetValue(BRXConfig::kRoutesKey, route, "VXTTimeOut", value) != 0)
            BTLOG(0, "ReadTimeOut() VXT TimeoutValue =%lu But not set in Registry", value);
    }
    m_timeOut = static_cast<std::uint32_t>(value);
    BTLOG(0, "ReadTimeOut() VXT TimeoutValue =%lu", value);
}

}  // namespace brxbt

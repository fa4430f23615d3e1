// The transport's slots, its callbacks from the socket provider and its state machine. The
// segment, window and acknowledgement steps are in BRXBTSteps.cpp.
#include "brxbt/BRXBT.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "brxbt/TransportLog.h"

namespace brxbt {

#define BTLOG(level, ...) TransportTrace(level, "BRXBT::" __VA_ARGS__)

BRXBT::BRXBT(ITransportContainer* container, const ProviderFactory& makeProvider)
    : m_container(container) {
    if (!container) BTLOG(2, "BRXBT() The container is NULL ");
    if (makeProvider) m_provider = makeProvider(*this);
}

BRXBT::~BRXBT() = default;

BRXError BRXBT::Connect(const char* route, const char* endSystem) {
    if (m_state != NOT_CONNECTED) return 0;
    m_lastError = 0;
    (void)SwitchState(CONNECTING);
    m_route = route ? route : "";
    if (!m_provider) return BRX_INTERNAL_ERROR;
    const BRXError result = m_provider->Connect(m_route.c_str(), endSystem ? endSystem : "");
    ReadTimeOut(m_route);
    if (result != 0 && result != BRX_WAITING) {
        (void)SwitchState(NOT_CONNECTED);
        TakeProviderError();
    }
    return result;
}

BRXError BRXBT::Disconnect() {
    BTLOG(0, "Disconnect() : Calling SPObject::Disconnect().");
    const BRXError result = m_provider ? m_provider->Disconnect() : BRX_NO_CONNECT;
    if (!SwitchState(NOT_CONNECTED)) return 1012;
    return result;
}

BRXError BRXBT::SetOption(int option, char* value) {
    if (!m_provider) return BRX_INTERNAL_ERROR;
    if (option == 4) {
        if (m_state == NOT_CONNECTED) return BRX_NO_CONNECT;
        std::string text = value ? value : "";
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        m_binary = text == "true";
        if (m_binary) {
            BTLOG(0, "SetOption(): Binary Mode : TRUE");
            if (!SwitchState(BTS_IDLE)) BTLOG(2, "SetOption(): SwitchState(IDLE) failed");
        } else {
            BTLOG(0, "SetOption(): Binary Mode : FALSE. Switch to CONNECTED");
            (void)SwitchState(CONNECTED);
        }
    }
    return m_provider->SetOption(option, value);
}

BRXError BRXBT::GetOption(int option, char* value) {
    if (option == 4) {
        if (value) std::strcpy(value, m_binary ? "true" : "false");
        return 0;
    }
    return m_provider ? m_provider->GetOption(option, value) : BRX_INTERNAL_ERROR;
}

bool BRXBT::SetAppHeader(const std::uint8_t header[2]) {
    m_appHeaderSet = false;
    if (!m_binary) {
        SetError(BT_BINARY_MODE_NOT_SET);
        return false;
    }
    m_pac[0] = header[0];
    m_pac[1] = header[1];
    m_appHeaderSet = true;
    return true;
}

BRXError BRXBT::SendData(int length, const char* data) {
    BTLOG(0, "SendData() : Data Length is : %d", length);
    if (!m_binary) {
        BTLOG(0, "SendData() :  Sending in NORMAL mode :");
        if (length < 0 || (!data && length > 0)) return BRX_INVALID_OPTION;
        return SendNormal(reinterpret_cast<const std::uint8_t*>(data),
                          static_cast<std::size_t>(length));
    }
    if (!m_appHeaderSet) {
        SetError(BT_APP_HEADER_NOT_SET);
        BTLOG(2, "SendData() :  App Header Not Set");
        return BT_APP_HEADER_NOT_SET;
    }
    // A message is 1 to 65,535 segments: SEQ2 has 16 bits.
    if (length <= 0 || !data ||
        static_cast<std::size_t>(length) > std::size_t{0xFFFF} * kMaxSegmentData)
        return BRX_INVALID_OPTION;
    BTLOG(0, "SendData() : Current State :%s", GetStateName(m_state));
    if (m_state != BTS_IDLE) return 0;
    m_haveLastFinalAck = false;  // the conversation has moved on
    if (!m_segments) m_segments = std::make_unique<CBTSegmentCluster>();
    (void)m_segments->SplitMessage(reinterpret_cast<const std::uint8_t*>(data),
                                   static_cast<std::uint32_t>(length));
    m_segmentCount = m_segments->SegmentCount();
    m_windowStart = 0;
    if (SwitchState(BTS_SENDING_FIRST_SEG)) {
        BTLOG(2, "SendData() : SwitchState(BTS_SENDING_FIRST_SEG) Succeeded.");
        (void)SwitchState(m_nextState);
    } else {
        BTLOG(2, "SendDate() : SwitchState(BTS_SENDING_FIRST_SEG) Failed. Switch to NOT_CONNECTED");
        if (m_nextState == NOT_CONNECTED) {
            TakeProviderError();
            (void)SwitchState(NOT_CONNECTED);
            if (m_container) m_container->OnSend(m_lastError);
        }
    }
    return 0;
}

BRXError BRXBT::Receive(char** data, int* length) {
    if (!m_provider) return BRX_INTERNAL_ERROR;
    BTLOG(0, "Receive() : State(%s): FinalSegmentRecd: %d", GetStateName(m_state),
          m_finalSegmentReceived ? 1 : 0);
    if (m_binary && m_finalSegmentReceived && m_segments) {
        BTLOG(0, "Receive() :  Final Segment is recd. Accumulate the data.");
        m_received.assign(m_segments->TotalLength(), 0);
        (void)m_segments->AssembleMessage(m_received.data());
        BTLOG(0, "Receive() :  Preparing the binary data and passing it on. Length :%zu",
              m_received.size());
        if (data) *data = reinterpret_cast<char*>(m_received.data());
        if (length) *length = static_cast<int>(m_received.size());
        Cleanup();
        return 0;
    }
    const BRXError rc = m_provider->ReceiveMsg(data, length);
    if (rc == BRX_NO_DATA) BTLOG(0, "Receive() : No Data received");
    return rc;
}

// Outside binary mode the provider's error stands, unless the transport itself refused the
// last call (binary mode not set, no application header).
BRXError BRXBT::LastError() {
    if (!m_binary && m_provider && !OwnErrorText(m_lastError)) TakeProviderError();
    return m_lastError;
}

void BRXBT::LastErrorMessage(std::string& text) {
    if (!m_binary && m_provider && !OwnErrorText(m_lastError)) TakeProviderError();
    text = m_lastErrorText;
}

void BRXBT::TakeProviderError() {
    if (!m_provider) return;
    m_lastError = m_provider->LastError();
    m_provider->LastErrorMessage(m_lastErrorText);
}

void BRXBT::SetError(BRXError code) {
    m_lastError = code;
    if (const char* own = OwnErrorText(code)) {
        m_lastErrorText = own;
    } else if (m_provider) {
        m_provider->LastErrorMessage(m_lastErrorText);
    }
}

// ---- callbacks ----

void BRXBT::OnConnect(BRXError code) {
    BTLOG(0, "OnConnect(): Error Code : %d State %s", code, GetStateName(m_state));
    if (m_state != CONNECTING) return;
    if (code == 0) {
        (void)SwitchState(CONNECTED);
    } else {
        TakeProviderError();
        (void)SwitchState(NOT_CONNECTED);
    }
    if (m_container) m_container->OnConnect(code);
}

void BRXBT::OnDisconnect(BRXError code) {
    BTLOG(0, "OnDisconnect(): ErrorCode : %d", code);
    if (m_container) m_container->OnDisconnect(code);
}

void BRXBT::OnResource(std::string resource, int number) {
    if (m_container) m_container->OnResource(std::move(resource), number);
}

void BRXBT::OnSystemAvailable(int available) {
    if (m_container) m_container->OnSystemAvailable(available);
}

void BRXBT::OnLock(BRXError code) {
    if (m_container) m_container->OnLock(code);
}

void BRXBT::OnSend(BRXError code) {
    BTLOG(0, "OnSend(): retCode :%d Current State :%s", code, GetStateName(m_state));
    if (code != 0) {
        if (m_binary && (code == 1036 || code == BRX_COMM_ERROR)) {
            BTLOG(2, "OnSend():  BRX_COMM_ERROR switching to NOT_CONNECTED state.");
            TakeProviderError();
            (void)SwitchState(NOT_CONNECTED);
            if (m_container) m_container->OnSend(1036);
        } else if (m_container) {
            m_container->OnSend(code);
        }
        return;
    }
    if (!m_binary) {
        if (m_container) m_container->OnSend(0);
        return;
    }
    // A packet that went out within the transport's own send call: its result says so
    // already, and only a send the provider queued (1009) completes here.
    if (m_inSend) return;
    if (m_state == BTS_SEGMENT_SENDING) {
        if (m_sendHeader && m_currentSegment != m_sendHeader->Seq2()) ++m_currentSegment;
        --m_nOutstandingSegmentsInWindow;
        if (m_inSendWindow) {
            // SendWindow waits for this completion and goes on itself.
            m_sendSignalled = true;
        } else if (m_nOutstandingSegmentsInWindow > 0) {
            if (SwitchState(BTS_WINDOW_SENDING)) m_sendSignalled = true;
        } else {
            (void)SwitchState(BTS_WAIT_FOR_ACK);
        }
    } else if (m_state == BTS_SENDING_ACK) {
        if (m_finalSegmentReceived) {
            if (!SwitchState(BTS_IDLE))
                BTLOG(2, "OnSend() : Failed when switching the state to BTS_IDLE");
        } else if (!SwitchState(BTS_WINDOW_RECEIVING)) {
            BTLOG(2, "OnSend() : Failed when switching the state");
        }
    }
}

void BRXBT::OnReceive(BRXError code) {
    BTLOG(0, "OnReceive()  retCode %d state %s", code, GetStateName(m_state));
    if (!m_binary) {
        BTLOG(0, "OnReceive()  Got OnReceive when in non-binary mode. Pass back to App.");
        if (m_container) m_container->OnReceive(code);
        return;
    }
    if (code == BT_TEXT_RECEIVED) {
        if (m_state != CONNECTED && m_state != NOT_CONNECTED) {
            if (m_state == BTS_SENDING_FIRST_SEG || m_state == BTS_WINDOW_SENDING ||
                m_state == BTS_WAIT_FOR_ACK || m_state == BTS_SEGMENT_SENDING) {
                BTLOG(0, "OnReceive()  Send failed. Firing onSend");
                StopTimer();
                if (m_container) m_container->OnSend(1037);
            }
            (void)SwitchState(CONNECTED);
            Cleanup();
        }
        m_binary = false;
        BTLOG(0, "OnReceive()  Got Text Message. Firing onReceive");
        if (m_container) m_container->OnReceive(BT_TEXT_RECEIVED);
        return;
    }
    if (code != 0) {
        TakeProviderError();
        (void)SwitchState(NOT_CONNECTED);
        BTLOG(0, "OnReceive() Calling container's OnReceive().");
        if (m_container) m_container->OnReceive(code);
        return;
    }
    OnReceiveData();
}

}  // namespace brxbt

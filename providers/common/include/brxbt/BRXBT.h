// The binary transport: one per connection, between a provider's export layer and its socket
// provider. In text mode every call passes straight through. With binary mode on (option 4
// "true") each application message goes as a numbered run of segments sent in windows; the
// receiver acknowledges each window (0xFD) and the sender's acknowledgements come as 0xFC.
// A window that is not acknowledged within "VXTTimeOut" seconds is sent again (the first
// segment at most three times in all, later windows four); a receiver that gets a segment
// it did not expect asks again for the one it expects (at most three NACK repeats). The
// transport is half-duplex: one message in one direction at a time.
//
// Everything runs on the thread of the event loop the socket provider reports on; waits
// (for an acknowledgement, for a queued send to complete) pump that loop, so the provider's
// notifications arrive re-entrantly while a send is still on the stack. No lock is taken.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "brxbt/BTHeader.h"
#include "brxbt/BTSegmentCluster.h"
#include "brxbt/BTState.h"
#include "brxbt/SocketProvider.h"

namespace brxbt {

// Where the transport's results go up (the export layer's callback slots).
class ITransportContainer {
public:
    virtual void OnReceive(BRXError code) = 0;
    virtual void OnSend(BRXError code) = 0;
    virtual void OnConnect(BRXError code) = 0;
    virtual void OnDisconnect(BRXError code) = 0;
    virtual void OnLock(BRXError code) = 0;
    virtual void OnResource(std::string resource, int number) = 0;
    virtual void OnSystemAvailable(int available) = 0;

protected:
    ~ITransportContainer() = default;
};

class BRXBT final : public ISocketOwner {
public:
    using ProviderFactory = std::function<std::unique_ptr<ISocketProvider>(ISocketOwner&)>;

    BRXBT(ITransportContainer* container, const ProviderFactory& makeProvider);
    ~BRXBT();
    BRXBT(const BRXBT&) = delete;
    BRXBT& operator=(const BRXBT&) = delete;

    // ---- the export layer's slots ----
    BRXError Connect(const char* route, const char* endSystem);
    BRXError Disconnect();
    BRXError SetOption(int option, char* value);
    BRXError GetOption(int option, char* value);
    bool SetAppHeader(const std::uint8_t header[2]);
    BRXError SendData(int length, const char* data);
    BRXError Receive(char** data, int* length);
    BRXError LastError();
    void LastErrorMessage(std::string& text);

    ISocketProvider* Provider() noexcept { return m_provider.get(); }
    int State() const noexcept { return m_state; }
    bool BinaryMode() const noexcept { return m_binary; }

    // ---- the socket provider's callbacks ----
    void OnConnect(BRXError code) override;
    void OnDisconnect(BRXError code) override;
    void OnSend(BRXError code) override;
    void OnReceive(BRXError code) override;
    void OnResource(std::string resource, int number) override;
    void OnSystemAvailable(int available) override;
    void OnLock(BRXError code) override;

    // The verdict on an inbound acknowledgement (BT_VALID_ACK ... BT_FINAL_ACK); false
    // unless it is valid or final. Exposed for its table of cases.
    bool ValidAck(const std::uint8_t* packet, int length, int& result);
    // Whether a packet is the inbound segment expected next (its header taken over if so).
    bool ValidSegment(const std::uint8_t* packet, int length);

private:
    bool SwitchState(int target);
    void SendFirstSegment(bool& ok);
    void WindowStep(bool& ok);
    void ReceiveStep(int target, bool& ok);
    void AckStep(bool& ok);
    void ToConnected();
    void ToNotConnected(int target);
    // Builds segment `current` (header and data) into m_segment.
    void BuildSegment();
    BRXError SendWindow(std::uint32_t n);
    BRXError SendNormal(const std::uint8_t* data, std::size_t length);
    std::uint8_t SuggestWindowSize();
    void ReadTimeOut(const std::string& route);
    void StartTimer();
    void StopTimer();
    void OnTimer();
    void Cleanup();
    void PrepareAck();
    void PrepareTerminationPacket();
    void TakeProviderError();
    void SetError(BRXError code);
    void AfterAckSent(bool ok, bool nackRepeat);
    void OnReceiveData();

    ITransportContainer* m_container;
    std::unique_ptr<ISocketProvider> m_provider;

    int m_state = NOT_CONNECTED;
    int m_nextState = NOT_CONNECTED;
    bool m_binary = false;
    bool m_appHeaderSet = false;
    std::uint8_t m_windowSize = 1;
    std::unique_ptr<CBTHeader> m_sendHeader;
    std::unique_ptr<CBTHeader> m_ackHeader;
    std::unique_ptr<CBTSegmentCluster> m_segments;
    std::uint8_t m_pac[2] = {0, 0};
    std::uint8_t m_packet[kHeaderLength] = {};
    std::vector<std::uint8_t> m_segment;  // the segment being sent
    std::uint32_t m_currentSegment = 0;
    std::uint32_t m_segmentCount = 0;
    std::uint32_t m_expectedSegment = 1;
    std::uint32_t m_nSegmentSentRepeatCount = 0;
    std::uint32_t m_segmentsReceived = 0;
    int m_nOutstandingSegmentsInWindow = 0;
    std::uint32_t m_windowStart = 0;
    bool m_finalSegmentReceived = false;
    std::vector<std::uint8_t> m_received;  // handed to the caller of Receive
    BRXError m_lastError = 0;
    std::string m_lastErrorText;
    std::uint32_t m_nackRepeatCount = 0;
    std::uint32_t m_timeOut = 12;  // seconds
    std::string m_route;
    bool m_onReceiveArrived = false;
    bool m_sendSignalled = false;
    bool m_inSendWindow = false;
    bool m_inSend = false;            // within the provider's Send
    bool m_firstSegmentOnly = false;  // only the first segment of the message has gone out
    // The final acknowledgement of the last message received, sent again when the sender
    // repeats that message's tail because the acknowledgement went astray.
    std::uint8_t m_lastFinalAck[kHeaderLength] = {};
    bool m_haveLastFinalAck = false;
    std::uint64_t m_lastFinalAt = 0;          // when it was sent (platform clock)
    std::vector<std::uint8_t> m_lastSingle;   // that message's segment, when it had one
    std::vector<std::uint8_t> m_firstPacket;  // the first segment of the message under way
};

}  // namespace brxbt

// The host link's judge: how each message from the host is judged (transmission sequence
// numbers, protected, control and unprotected messages, the printer-series flags), which
// status the device reports, the acknowledgements built from that state, and what a ticket
// printer answered.
//
// The judge is a state machine without I/O: it takes a message's bytes (and the time, where
// a rule stamps it) and answers a verdict plus the effects the host link carries out in the
// order they were produced: the trace entries, the last-error texts, the connection steps
// a control frame or a message asks for, and the temporary-hold record. It takes no lock;
// its owner guards all of it with one lock (the flags are atomic as device threads read and
// clear them without that lock).
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "core/HostMessageHeader.h"

namespace core {

// Status character of a device, as the acknowledgement carries it.
enum eDeviceStatus : char {
    NORMAL_STATUS = '0',
    TSN_OUT_OF_SEQUENCE = '1',
    TRANSMISSION_ERROR = '2',
    COMMUNICATION_LINK_FAILURE = '3',
    DEVICE_UNABLE_TO_ACCEPT_DATA = '4',
    REQUEST_FOR_TEMPORARY_HOLD = '5',
    TRANSMISSION_RETRY = '6',
    UNPROTECTED_MODE = '7',
    DEVICE_NON_EXISTENT = '8',
};

// What the device does with a message it was handed.
enum eDeviceAction : int {
    SEND_BUFFER_TO_DEVICE_AND_ACK_HOST = 0,
    ACK_HOST_ONLY = 1,
    IGNORE_BUFFER_FROM_HOST = 2,
    REPEAT_ACK_TO_HOST = 3,
    CONTROL_MESSAGE_TO_DEVICE = 4,
    DEVICEACTIONONHOST_ACT_ON_CS = 5,
};

enum eHostState : int {
    HOST_AVAIL = 0,
    HOST_AVAIL_TEMP_HOLD = 1,
    HOST_AVAIL_PERM_HOLD = 2,
    HOST_OFFLINE = 3,
};

// One thing the host link does for the judge, in the order the judge produced them.
struct HostLinkEffect {
    enum Kind : std::uint8_t {
        TRACE,            // an entry: m_nValue level, m_pszLabel, m_strText
        TRACE_TEXT,       // the text alone, cut as a log line
        TRACE_DATA,       // the bytes alone, every one of them
        TRACE_EXCEPTION,  // a caught exception: m_pszLabel, m_strText, m_strWhat
        LAST_ERROR,       // m_strText, or the text of string id m_nValue, is the last error
        CONNECTED,        // the control frame "connected" (m_nValue 1) or "not connected" (0)
        RECONNECT,        // retries from 0, back to the last good host, then reconnect
        ADD_HOSTS,        // the host names of the address frame m_strText
        CHANGE_HOST,      // the change-change request to the host
        TEMP_HOLD,        // the temporary-hold record: m_nValue status, m_nLetter TSN letter
    };
    Kind m_eKind = TRACE;
    int m_nValue = 0;
    std::uint8_t m_nLetter = 0;
    const char* m_pszLabel = "";
    const char* m_pszFile = "";
    int m_nLine = 0;
    std::string m_strText;
    std::string m_strWhat;
};
using HostLinkEffects = std::vector<HostLinkEffect>;

// What the device class and the route decide about the link.
struct HostLinkSettings {
    std::string m_strDeviceName;
    bool m_bCRtoCRLF = false;
    bool m_bPassThrough = false;
    std::string m_strEndOfOutput;
    bool m_bSpecialActions = false;
    bool m_bDeliverCT = false;
    bool m_bControlFrames = false;  // the route's provider sends control frames
    bool m_bPlatformTitle = false;  // which host character table the translation uses
    // Trace entries below this level are not made (the log would not write them).
    int m_nLowestTraceLevel = INT_MIN;
};

// Flags the device classes and the application shell read and set.
struct HostMessageFlags {
    // While set, the next message with C1 A, B or E is refused and m_bProtectedRejected set.
    std::atomic<bool> m_bRejectProtected{false};
    std::atomic<bool> m_bProtectedRejected{false};
    // Set by every reset ("CR").
    std::atomic<bool> m_bResetSeen{false};
    // Printer series, read by the ticket printer classes.
    std::atomic<bool> m_bMessagePending{false};
    std::atomic<bool> m_bAPSeen{false};
    std::atomic<bool> m_bAASeen{false};
    std::atomic<bool> m_bNewForm{false};
    std::atomic<bool> m_bNewForm2{false};
    std::atomic<bool> m_bBSeries{false};
    std::atomic<bool> m_bBWithoutAA{false};
    std::atomic<bool> m_bBSeen{false};
    std::atomic<bool> m_bProtectedSeen{false};
    std::atomic<bool> m_bNoNewForm{false};
    // Cleared by the device for each host message; set by a reset ("CR").
    std::atomic<bool> m_bResetReceived{false};
    // Further flags that device kinds take from the classification of a host message
    // belong here, beside these.
    // The printer-session devices' segment flags, set as each delivered message is judged:
    // the message starts a printer message (never cleared here), ends one, is an "A"
    // segment that does not start one; its white space is collected ("A" or "B"); the white
    // space of a first segment is still to be taken.
    std::atomic<bool> g_iFirstSegment{false};
    std::atomic<bool> g_iLastSegment{false};
    std::atomic<bool> g_iEverySegOAB{false};
    std::atomic<bool> m_bCollectWhiteSpace{false};
    std::atomic<bool> m_bFirstSegmentWhiteSpace{false};
    // The ticket run of the numbered-stock printer: a header is expected (both set when "AA"
    // comes while no run is in progress), and a run is in progress.
    std::atomic<bool> m_bTNVHeaderExpected{false};
    std::atomic<bool> m_bTNVHeaderExpected2{false};
    std::atomic<bool> m_bTicketRunInProgress{false};
    // The link belongs to a printer-session device: the judge sets the segment flags.
    std::atomic<bool> m_bPrinterSessionDevice{false};
};

class HostMessageJudge {
public:
    static constexpr std::uint8_t NO_TSN = 0x7C;  // the byte before "A": no TSN yet

    // The store's "ByPassKey" as the form-feed bypass reads it, when it reads it; without
    // one the value is 1.
    using ByPassKeyReader = std::function<std::uint32_t()>;

    explicit HostMessageJudge(HostLinkSettings settings, ByPassKeyReader byPassKey = {});

    // --- Host messages -----------------------------------------------------------------
    // Judges one message from the host (EBCDIC) received at `now`; translates it to ASCII in
    // place and may reformat it for the device. For a printer-session device it also sets
    // the segment and ticket-run flags of a message handed to the device.
    eDeviceAction MsgFromHost(std::string& msg, std::time_t now, HostLinkEffects& out);
    eDeviceAction MsgFromHostProtected(std::string& msg, HostLinkEffects& out);
    eDeviceAction MsgFromHostControl(HostLinkEffects& out);
    eDeviceAction MsgFromHostUnProtected(std::string& msg, HostLinkEffects& out);
    void MsgFromHostReformat(std::string& msg, HostLinkEffects& out);
    void MsgTranslateEbcdicToAscii(std::string& msg, HostLinkEffects& out);
    std::size_t MsgFromHostSpannedDLESequences(std::string& msg, HostLinkEffects& out);

    // What a ticket printer sent (ASCII), received at `now`.
    eDeviceAction MsgFromATB2(std::string& msg, bool bFramed, std::time_t now,
                              HostLinkEffects& out);
    eDeviceAction MsgFromATB2AnswerBack(std::string& msg, std::time_t now, HostLinkEffects& out);

    void MaintainTSN(HostLinkEffects& out);
    // The device dropped this message without writing it: the host's next try of it is a
    // message to write, not a repeat of one written.
    void ForgetMessage(const HostMessageHeader& message);
    void GetLTSN(HostLinkEffects& out);
    void MaintainTSNThenHold(HostLinkEffects& out);
    void SetDeviceStatus(char cStatus, HostLinkEffects& out);
    void SetHostState(int eState, HostLinkEffects& out);
    bool IsCompleteMessage() const noexcept;
    bool IsDeviceControlMessage() const noexcept;
    // Whether trace entries of this level are made.
    bool TraceKept(int level) const noexcept { return level >= m_settings.m_nLowestTraceLevel; }

    // --- Acknowledgements (ASCII; empty when there is nothing to send) -----------------
    std::string MsgAckToHostCreate(char cAckType, HostLinkEffects& out);
    // The acknowledgement of a message written to the device: built from that message's
    // header, whatever the host sent since; the last message's header stays.
    std::string MsgAckToHostCreate(char cAckType, const HostMessageHeader& written,
                                   HostLinkEffects& out);
    // The last host message's header.
    HostMessageHeader Header() const noexcept { return {m_byHostC1, m_byHostC2, m_byHostEOM}; }
    std::string MsgAckToHostCreateATB2(char cStatus, HostLinkEffects& out);
    std::string MsgAckToHostCreateTNV(char cStatus, HostLinkEffects& out);
    std::string MsgAckToHostCreateAsyncMini(char cStatus, HostLinkEffects& out);
    std::string MsgOutOfSequenceToHostCreate(HostLinkEffects& out);
    std::string RequestForHostReset(HostLinkEffects& out) const;
    // The frame written back to a ticket printer after its "D" answer; empty otherwise.
    std::string MsgAckToATB2Create(HostLinkEffects& out);

    HostLinkSettings m_settings;
    HostMessageFlags m_flags;

    // The last host message (EBCDIC) and the sequence numbers.
    std::uint8_t m_byHostC1 = 0;
    std::uint8_t m_byHostC2 = 0;
    std::uint8_t m_byHostEOM = 0;
    std::uint8_t m_byHostLTSN = 0;
    std::uint8_t m_byHostExpectedTSN = NO_TSN;
    std::uint8_t m_byHostLastTSN = 0;
    std::int32_t m_nProtectedReceived = 0;
    bool m_bProtectedMode = false;
    bool m_CRFlag = false;
    char m_eDeviceStatus = NORMAL_STATUS;
    eHostState m_eHostState = HOST_OFFLINE;
    std::time_t m_timeMessage = 0;

    // The judging rules' own state.
    bool m_bSkipSequenceChecks = true;
    bool m_bControlSignalPending = true;
    std::uint8_t m_byLastC1 = 0;
    std::uint8_t m_byLastC2 = 0;
    int m_nSpannedDLEState = 0;
    std::uint8_t m_byPreviousLastByte = 0;  // of the previous message given to the device
    bool m_bPreviousEndedInFormFeed = false;

    // The printer side.
    std::uint8_t m_byDeviceC1 = 0;
    std::uint8_t m_byDeviceC2 = 0;
    std::uint8_t m_byDeviceDS = 0;
    std::uint8_t m_byDeviceExpectedTSN = 'A';
    std::uint8_t m_byDeviceTSN = 0;
    std::string m_strDeviceData;
    std::time_t m_timeDevice = 0;

    // Printer-session devices: the next delivered message starts a printer message (at
    // start, after a reset "CR", after a message that completed an output).
    bool m_bStartsPrinterMessage = true;

private:
    eDeviceAction JudgeHostMessage(std::string& msg, std::time_t now, HostLinkEffects& out);
    // Sets the segment flags of a printer-session device from a message's C1 and C2 (EBCDIC)
    // and its verdict.
    void NoteSegment(std::uint8_t c1, std::uint8_t c2, eDeviceAction verdict);
    bool IsHost(char c1, char c2) const noexcept;
    std::uint8_t AckLetter() const noexcept;
    std::string PrinterAck(const char* pszLabelProtected, const char* pszLabelControl, char cThird,
                           char cStatus, bool bTempHold, HostLinkEffects& out);

    ByPassKeyReader m_byPassKey;
};

}  // namespace core

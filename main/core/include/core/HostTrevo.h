// The host link of one device: how it judges each message the host sends (transmission
// sequence numbers, protected, control and unprotected messages), which status it reports,
// the acknowledgements it builds, and the character translation between the host's EBCDIC
// and the ASCII the devices work on. The rules are its judge's (HostMessageJudge): each
// call runs the judge under m_csState in one section, then carries out the judge's effects
// in their order (trace entries, last errors, the temporary-hold record, connection steps).
//
// It also keeps the link's connection to the host through its host control: the route it
// reads from the configuration store, connect, reconnect after a random delay, disconnect,
// fall-back to another host, the control's events, and taking a message out of the control.
//
// Threads: MsgFromHost, the control's events, connect and disconnect run on the
// user-interface thread; the acknowledgement builders, MsgSendToHost and the readers of
// status, times and states are also called from the device's threads.
// Lock order: m_csState, then m_csLastError; the trace log is always the innermost. No lock
// is held while a connection hook or the host control is called.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/BlockCheck.h"
#include "core/BufferReleased.h"
#include "core/HostMessageJudge.h"
#include "core/HostTrevoSeams.h"
#include "platform/CriticalSection.h"
#include "platform/EventLoop.h"
#include "platform/Mutex.h"

namespace core {

enum eConnectionState : int {
    CONNECTION_CONNECTING = 0,
    CONNECTION_DISCONNECTED = 1,
    CONNECTION_RECONNECTING = 2,
    CONNECTION_CONNECTED = 3,
};

// Messages sent, one counter per device status character "0" to "8".
struct CHostStatistics {
    std::array<std::uint32_t, 9> m_dwCount{};
};

class CHostCtrl;

class CHostTrevo {
public:
    // The application name the link connects with.
    static constexpr const char* kAppName = "TREVO VEKA";
    // The routes, one key per device name below it.
    static constexpr const char* kRoutesKey = "Software\\The TREVO Group\\Common TREVO API\\Routes";
    // The application key; a device's temporary-hold record is below it, under its name.
    static constexpr const char* kApplicationKey =
        "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA";
    static constexpr std::uint8_t NO_TSN = HostMessageJudge::NO_TSN;

    CHostTrevo(const std::string& strDeviceName, const std::string& strHost, bool bCRtoCRLF,
               bool bPassThrough, const std::string& strEndOfOutput, bool bSpecialActions,
               bool bDeliverCT);
    virtual ~CHostTrevo();
    CHostTrevo(const CHostTrevo&) = delete;
    CHostTrevo& operator=(const CHostTrevo&) = delete;

    // Stand-ins for tests: the control is otherwise the one HostConnectionCreate makes, the
    // store the program's registry facade; either may be set to none (nothing is sent;
    // registry reads give their defaults and writes are skipped).
    void SetHostControl(IHostControl* pHostCtrl) noexcept { m_pHostCtrl = pHostCtrl; }
    void SetRegistry(IHostRegistry* pRegistry) noexcept { m_pRegistry = pRegistry; }

    // --- Host messages -----------------------------------------------------------------
    // Judges one message from the host (EBCDIC); translates it to ASCII in place and may
    // reformat it for the device.
    eDeviceAction MsgFromHost(std::string& msg);
    eDeviceAction MsgFromHostProtected(std::string& msg);
    eDeviceAction MsgFromHostControl(std::string& msg);
    eDeviceAction MsgFromHostUnProtected(std::string& msg);
    void MsgFromHostReformat(std::string& msg);

    // Judges what a ticket printer sent (ASCII); bFramed strips the STX STX STX and
    // ETX BCC1 BCC2 of its frame first.
    eDeviceAction MsgFromATB2(std::string& msg, bool bFramed);
    // The answer-back check: a "D" answer loses its first 5 bytes and goes to the host.
    eDeviceAction MsgFromATB2AnswerBack(std::string& msg);

    void MaintainTSN();
    // See HostMessageJudge::ForgetMessage.
    void ForgetMessage(const HostMessageHeader& message);
    void GetLTSN();
    void MaintainTSNThenHold();
    void SetDeviceStatus(char cStatus);
    char GetDeviceStatus() const;
    bool IsCompleteMessage() const;
    bool IsDeviceControlMessage() const;

    void SetHostState(int eState);
    eHostState GetHostState() const;
    void SetConnectionState(int eState);
    eConnectionState GetConnectionState() const;

    // --- Acknowledgements (ASCII; empty when there is nothing to send) -----------------
    // cAckType is the third byte: "2", or "0" for the interface queue.
    std::string MsgAckToHostCreate(char cAckType = '2');
    // The acknowledgement of a message written to the device, from the header it was queued
    // with; without one, as the last message's.
    std::string MsgAckToHostCreate(char cAckType, const std::optional<HostMessageHeader>& written);
    std::string MsgAckToHostCreateATB2(char cStatus);
    std::string MsgAckToHostCreateTNV(char cStatus);
    std::string MsgAckToHostCreateAsyncMini(char cStatus);
    std::string MsgOutOfSequenceToHostCreate();
    std::string RequestForHostReset() const;
    // The frame written back to a ticket printer after its "D" answer; empty otherwise.
    std::string MsgAckToATB2Create();

    // --- Translation -------------------------------------------------------------------
    void MsgTranslateEbcdicToAscii(std::string& msg);
    void MsgTranslateAsciiToEbcdic(std::string& msg);
    // Completes a shift sequence left open by the previous message, holds back one left open
    // at this message's end, and returns how many bytes of msg the translation takes.
    std::size_t MsgFromHostSpannedDLESequences(std::string& msg);

    // --- Sending -----------------------------------------------------------------------
    // Counts, translates and sends one ASCII message; FALSE (with the last error set) when
    // the link is not connected.
    [[nodiscard]] bool MsgSendToHost(const std::string& text, bool bHostStatistics);
    void MsgSendToHostPreProcess(bool bHostStatistics);
    void GetHostStatistics(CHostStatistics* pOut) const;
    void GetDeviceStatistics(CHostStatistics* pOut) const;

    void SetLastError(const std::string& text);
    void SetLastError(std::uint32_t nStringId);
    std::string GetLastError() const;

    // --- Connection side ---------------------------------------------------------------
    // Makes the device's control in the wrapper given (not owned) as a child of hParent.
    [[nodiscard]] bool HostConnectionCreate(CHostCtrl* pHostCtrl, std::uint32_t nControlId,
                                            platform::HWND hParent);
    // Connect on the user's request (disconnecting first unless connected).
    [[nodiscard]] bool HostConnect(const std::string& strSession);
    [[nodiscard]] bool HostConnectUnlessPending(const std::string& strSession);
    // Counts the attempt and connects unless one is pending.
    [[nodiscard]] bool HostConnectRetry(const std::string& strSession);
    [[nodiscard]] bool HostDisconnect();
    // FALSE: the connection translates to ASCII; TRUE: messages come as EBCDIC.
    void MsgTranslateAtHost(bool bEbcdic);
    // The last error from the control: TRUE when the control had a non-zero code.
    bool SetLastErrorFromHostCtrl();
    // Takes the next message out of the control; FALSE when there is no control.
    [[nodiscard]] bool OnReceive(std::string& text);
    // Once this is signalled, a message that a thread other than the control's still has to
    // hand over to the control is dropped (the owning device is being shut down).
    void SetShutDownEvent(platform::Waitable* pEvent) noexcept { m_pShutDownEvent = pEvent; }
    // Runs work on the control's thread (directly when there is no control).
    [[nodiscard]] bool RunOnControlThread(const std::function<void()>& work,
                                          platform::Waitable* pCancel);

    // The control's events, forwarded by the device.
    virtual void OnConnect(long lFlag);
    void OnDisconnect(long lFlag);
    void OnSystemAvailable(long lFlag);
    void OnLock(long lFlag);
    void OnUnLock(long lFlag);
    void OnSend(long lFlag);
    void OnResource(long lFlag);

    // Schedules the next connection attempt after a random delay.
    virtual void HostStartReconnect();
    // Moves the connection to the next host of the route's host list.
    virtual void IssueChangeChange();
    // Adds the host names of an address control frame to the route's host list.
    virtual void AddHostsFromControlFrame(const std::string& frame);
    // Reads (bWrite FALSE) or writes the route's host list ("A/B/").
    void AccessUrlQueue(std::string& strList, bool bWrite);
    void AppendToHostListInRegistry(const std::string& strHost);
    void SendStatusToHost(char cTSN, char cStatus);

    void SetLNIATA(const std::string& strLNIATA);
    std::string GetLNIATA() const;
    std::int64_t GetReconnectAfter() const;
    int GetConnectionRetries() const;
    std::string GetCurrentHost() const;
    std::string GetPrimaryHost() const;
    std::string GetServiceProvider() const { return m_strServiceProvider; }
    std::string GetHostAddress() const { return m_strHostAddress; }
    std::uint32_t GetHostPort() const noexcept { return m_nHostPort; }
    const std::string& GetHost() const noexcept { return m_strHost; }
    bool IsConnectPending() const;
    bool IsPlatformTitle() const noexcept { return Settings().m_bPlatformTitle; }
    bool IsPreventUnicodeConversion() const noexcept { return m_bPreventUnicodeConversion; }

    // Block checks of printer and async-mini frames.
    static std::uint8_t CalculateBCC(std::span<const std::uint8_t> data, bool bSubstitutes) {
        return core::CalculateBCC(data, bSubstitutes);
    }
    static std::uint8_t CalculateBCCRotated(std::span<const std::uint8_t> data, bool bSubstitutes) {
        return core::CalculateBCCRotated(data, bSubstitutes);
    }
    static std::uint8_t CalculateBCCAsyncMini(std::span<const std::uint8_t> data,
                                              bool bSubstitutes) {
        return core::CalculateBCCAsyncMini(data, bSubstitutes);
    }

    const std::string& GetDeviceName() const noexcept { return m_strDeviceName; }
    std::time_t GetMessageTime() const;
    std::time_t GetDeviceTime() const;
    std::uint8_t GetHostLTSN() const;
    // C1 and C2 (EBCDIC) of the host message judged last.
    std::uint8_t GetHostC1() const;
    HostMessageHeader GetHostHeader() const;
    std::uint8_t GetHostC2() const;
    std::uint8_t GetHostExpectedTSN() const;
    std::string GetDeviceData() const;

protected:
    // What a state lock guards; recursive, since the rules call each other under it.
    mutable platform::CriticalSection m_csState;
    // The judge of host messages and printer answers, with the device class's settings and
    // the sequence numbers (under m_csState, but for its atomic flags).
    HostMessageJudge m_judge TREVO_GUARDED_BY(m_csState);
    // The judge's settings: made by the constructor (which reads the route), only read after.
    const HostLinkSettings& Settings() const TREVO_NO_THREAD_SAFETY_ANALYSIS {
        return m_judge.m_settings;
    }

public:
    // --- Flags the device classes and the application shell read and set ---------------
    // They are the judge's (HostMessageFlags), under their names.
    std::atomic<bool>& m_bRejectProtected = m_judge.m_flags.m_bRejectProtected;
    std::atomic<bool>& m_bProtectedRejected = m_judge.m_flags.m_bProtectedRejected;
    std::atomic<bool>& m_bResetSeen = m_judge.m_flags.m_bResetSeen;
    std::atomic<bool>& m_bMessagePending = m_judge.m_flags.m_bMessagePending;
    std::atomic<bool>& m_bAPSeen = m_judge.m_flags.m_bAPSeen;
    std::atomic<bool>& m_bAASeen = m_judge.m_flags.m_bAASeen;
    std::atomic<bool>& m_bNewForm = m_judge.m_flags.m_bNewForm;
    std::atomic<bool>& m_bNewForm2 = m_judge.m_flags.m_bNewForm2;
    std::atomic<bool>& m_bBSeries = m_judge.m_flags.m_bBSeries;
    std::atomic<bool>& m_bBWithoutAA = m_judge.m_flags.m_bBWithoutAA;
    std::atomic<bool>& m_bBSeen = m_judge.m_flags.m_bBSeen;
    std::atomic<bool>& m_bProtectedSeen = m_judge.m_flags.m_bProtectedSeen;
    std::atomic<bool>& m_bNoNewForm = m_judge.m_flags.m_bNoNewForm;
    std::atomic<bool>& m_bResetReceived = m_judge.m_flags.m_bResetReceived;
    std::atomic<bool>& g_iFirstSegment = m_judge.m_flags.g_iFirstSegment;
    std::atomic<bool>& g_iLastSegment = m_judge.m_flags.g_iLastSegment;
    std::atomic<bool>& g_iEverySegOAB = m_judge.m_flags.g_iEverySegOAB;
    std::atomic<bool>& m_bCollectWhiteSpace = m_judge.m_flags.m_bCollectWhiteSpace;
    std::atomic<bool>& m_bFirstSegmentWhiteSpace = m_judge.m_flags.m_bFirstSegmentWhiteSpace;
    std::atomic<bool>& m_bTNVHeaderExpected = m_judge.m_flags.m_bTNVHeaderExpected;
    std::atomic<bool>& m_bTNVHeaderExpected2 = m_judge.m_flags.m_bTNVHeaderExpected2;
    std::atomic<bool>& m_bTicketRunInProgress = m_judge.m_flags.m_bTicketRunInProgress;
    std::atomic<bool>& m_bPrinterSessionDevice = m_judge.m_flags.m_bPrinterSessionDevice;
    // The flush hand-off between a device's send thread and the user-interface thread.
    CBufferReleased m_bBufferReleased;
    // Set by a port printer's write and cleared once a reset's flush ran: a reset flushes
    // only when something was written since the last one (a flush without a write would wait
    // for a release that never comes).
    std::atomic<bool> m_bFlushAllowed{false};

protected:
    const std::string& m_strDeviceName = m_judge.m_settings.m_strDeviceName;
    std::string m_strHost;

    // Connection side used by the control frames.
    int m_nConnectionRetries TREVO_GUARDED_BY(m_csState) = 0;
    std::string m_strCurrentHost TREVO_GUARDED_BY(m_csState);
    std::string m_strLastGoodHost TREVO_GUARDED_BY(m_csState);
    eConnectionState m_eConnectionState TREVO_GUARDED_BY(m_csState) = CONNECTION_DISCONNECTED;

    CHostStatistics m_HostStatistics TREVO_GUARDED_BY(m_csState);
    CHostStatistics m_DeviceStatistics TREVO_GUARDED_BY(m_csState);

    mutable platform::Mutex m_csLastError;
    std::string m_strLastError TREVO_GUARDED_BY(m_csLastError);

    IHostControl* m_pHostCtrl = nullptr;
    IHostRegistry* m_pRegistry = nullptr;
    std::unique_ptr<IHostRegistry> m_pOwnRegistry;  // the program's store, by default
    platform::Waitable* m_pShutDownEvent = nullptr;

    // The route and the connection (under m_csState where other threads read them).
    std::string m_strLNIATA TREVO_GUARDED_BY(m_csState);
    std::string m_strHostAddress;
    std::uint32_t m_nHostPort = 0;
    std::string m_strServiceProvider;
    std::uint32_t m_nControlID = 0;
    bool m_bConnectPending TREVO_GUARDED_BY(m_csState) = false;
    std::int64_t m_timeReconnectAfter TREVO_GUARDED_BY(m_csState) = 0;
    std::string m_strPrimaryHost TREVO_GUARDED_BY(m_csState);
    bool m_bPreventUnicodeConversion = false;

private:
    // Called by the constructor only, before any other thread can see the link.
    void ReadRoute() TREVO_NO_THREAD_SAFETY_ANALYSIS;
    std::string RouteKey() const;
    // The control's error as the last error, logged at level 2 when it had a code.
    void ErrorLine(const char* pszLabel);
    // An event's outcome: pszDone logged when lFlag is set, else the control's error line.
    void TraceOrErrorLine(const char* pszLabel, long lFlag, const char* pszDone);
    void LogConnecting(const char* pszLabel, bool bReconnecting, const std::string& strSession,
                       const char* pszSuffix);

    // Runs one step of the judge under the state lock, then carries out what it asked for.
    template <class Step>
    auto Judge(Step step);
    // Carries out what the judge asked for, in its order.
    void Apply(const HostLinkEffects& effects);
    void WriteTempHold(char cStatus, std::uint8_t byLetter);
    std::uint32_t ReadByPassKey();
};

}  // namespace core

// The abstract device: what every device kind shares. It holds the device's identity, its
// host link, the queue of host messages waiting for its send thread, the sleep and wake-up
// protocol and time-out decisions of its worker threads, its state, statistics, last error
// and status message. The application shell hands it the host control's events; the device
// kinds write to their devices in SendToDevice.
//
// Threads: OnHostReceive, the host-event slots, the connection helpers and ShutDown run on
// the user-interface thread; SendToHost and the state, error, status and statistics
// operations also run on the device's own threads.
// Lock order: m_csSendToHost, then m_csStatistics; each other lock of a device is taken only
// for its own field. The host link's locks and the trace log's come after any of them. No
// lock of the device is held while it waits for a thread or for the user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/HostTrevo.h"
#include "core/MessageBufferQueue.h"
#include "core/VekaStrings.h"
#include "platform/Event.h"
#include "platform/EventLoop.h"
#include "platform/Mutex.h"
#include "platform/Thread.h"

namespace core {

class CHostCtrl;

enum eDeviceState : int {
    DEVICE_ONLINE_AVAILABLE = 0,
    DEVICE_ONLINE_BUSY = 1,
    DEVICE_OFFLINE = 2,
};

// What a worker thread learns from its time-out decision.
enum eTimeOutResult : int {
    TIMEOUT_OFFLINE = 0,
    TIMEOUT_COMPLETE_MSG = 1,
    TIMEOUT_COMPLETE_MSG_IMMEDIATE = 2,
    TIMEOUT_INCOMPLETE_MSG = 3,
    TIMEOUT_NONE = 4,
};

// Messages and bytes taken from and given to the host and the device.
struct CDeviceStatistics {
    std::uint32_t m_dwHostMsgsRcvd = 0;
    std::uint32_t m_dwHostBytesRcvd = 0;
    std::uint32_t m_dwHostMsgsSent = 0;
    std::uint32_t m_dwHostBytesSent = 0;
    std::uint32_t m_dwDeviceMsgsRcvd = 0;
    std::uint32_t m_dwDeviceBytesRcvd = 0;
    std::uint32_t m_dwDeviceMsgsSent = 0;
    std::uint32_t m_dwDeviceBytesSent = 0;
};

// How a device kind's send-thread loop departs from the common one.
struct CSendLoopStyle {
    // The acknowledgement type sent to the host after each write.
    char cAckType = '2';
    // A write that succeeds makes the device available.
    bool bAvailableAfterWrite = false;
    // When the device went offline (TIMEOUT_OFFLINE) the thread only goes to sleep: the
    // output is not closed and the state stays.
    bool bOfflineOnlySleeps = false;
    // The pause between the loop's rounds, ended at once by a shutdown and, when
    // bPauseEndsWhenQueued, by a queued host message.
    platform::DWORD dwPauseMs = 1;
    bool bPauseEndsWhenQueued = true;
};

class CDevice {
public:
    // The device type that has no host link: the program's text of this string-table id
    // (in its own words, kPassportReaderType).
    static constexpr std::uint32_t kPassportReaderTypeId = IDS_PASSPORT_READER;
    static constexpr const char* kPassportReaderType = "Passport Reader";
    // How long ShutDown waits for the device's threads before it gives up the disconnect.
    static constexpr platform::DWORD kShutDownWaitMs = 65000;
    // How long a flush waits for the send thread to let go of the buffer it is writing.
    static constexpr platform::DWORD kFlushReleaseWaitMs = 3000;

    CDevice();
    // Stops and joins the device's threads if they still run. A device kind whose threads
    // call its own members stops them (ShutDown or StopThreads) in its own destructor.
    virtual ~CDevice();
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;

    // --- What the device kinds provide -------------------------------------------------
    // Writes the queue's head to the device (send thread).
    [[nodiscard]] virtual bool SendToDevice() = 0;
    [[nodiscard]] virtual bool ReceiveFromDevice();
    virtual void OnConnect(long lFlag);
    virtual void OnDisconnect(long lFlag);
    virtual void OnSystemAvailable(long lFlag);
    virtual void OnSend(long lFlag);
    virtual void OnResource(long lFlag);
    virtual void OnLock(long lFlag);
    virtual void OnUnLock(long lFlag);
    // Acts on a message the host control has ready (user-interface thread).
    virtual void OnHostReceive() = 0;
    // Stops the device's threads and disconnects a connected host link.
    virtual void ShutDown();

    // Called by the device kind's constructor once it has read its settings and made its
    // host link. The passport reader's host link, if one is given, is not kept.
    void PreCreateDevice(const std::string& strDeviceKey, const std::string& strDeviceName,
                         const std::string& strSession, const std::string& strDeviceType,
                         std::unique_ptr<CHostTrevo> pHost);

    // --- Host messages -----------------------------------------------------------------
    eDeviceAction ReceiveFromHost();
    [[nodiscard]] bool ReceiveMessageFromHost(std::string& text);
    // Sends one ASCII text to the host through the host link (any thread); an empty text
    // is nothing to send and succeeds.
    bool SendToHost(const std::string& text);
    bool DoChangeChange();
    // The common answer to a host message (the file device's, which most kinds share); a
    // device kind that leaves an out-of-sequence message unanswered says so.
    void OnHostReceiveCommon(bool bAnswerOutOfSequence = true);

    // --- Connection helpers of the view ------------------------------------------------
    [[nodiscard]] bool CreateHostConnection(CHostCtrl* pHostCtrl, std::uint32_t nControlId,
                                            platform::HWND hParent);
    [[nodiscard]] bool HostConnect();
    [[nodiscard]] bool HostConnectUnlessPending();
    [[nodiscard]] bool HostConnectRetry();

    // --- State, errors, status, statistics ----------------------------------------------
    void SetDeviceState(int eState);
    // As SetDeviceState, but an offline device stays offline (checked and set in one step):
    // for a send thread's idle bookkeeping, which must not undo an offline state that
    // another thread set after the last write.
    void SetDeviceStateUnlessOffline(int eState);
    eDeviceState GetDeviceState() const;
    void SetLastError(const std::string& text);
    void SetLastError(std::uint32_t nStringId);
    std::string GetLastError() const;
    void SetStatusMessage(std::uint32_t nStringId);
    std::string GetStatusMessage() const;
    void GetStatisticsForDeviceHost();
    void GetStatisticsForDeviceDevice();
    CDeviceStatistics GetStatistics() const;

    // --- Worker threads ----------------------------------------------------------------
    void SendToDeviceThreadGoToSleep();
    void ReceiveFromDeviceThreadGoToSleep();
    void SendToDeviceThreadWakeUp(bool bSetEvent);
    void ReceiveFromDeviceThreadWakeUp(bool bSetEvent);
    bool SendToDeviceThreadIsAsleep() const;
    bool ReceiveFromDeviceThreadIsAsleep() const;
    bool SendToDeviceThreadIsRunning() const;
    bool ReceiveFromDeviceThreadIsRunning() const;
    // True when the current time is strictly later than *pStart + iSeconds.
    bool DeviceTimeOut(const std::int64_t* pStart, int iSeconds);
    eTimeOutResult SendToDeviceThreadTimeOut(bool bMoreToCome, int iSeconds);
    eTimeOutResult ReceiveFromDeviceThreadTimeOut(bool bComplete, bool bWait);
    // Drops the queued message that the send thread has not begun to write (user-interface
    // thread); FALSE when the send thread does not release a buffer within about 3 s.
    bool FlushDeviceBuffer(int);

    // --- Identity ----------------------------------------------------------------------
    std::string GetDeviceKey() const { return m_strDeviceKey; }
    std::string GetDeviceType() const { return m_strDeviceType; }
    std::string GetDeviceName() const { return m_strDeviceName; }
    std::string GetSession() const { return m_strSession; }
    // The host link, or null (the passport reader has none).
    CHostTrevo* GetHost() const noexcept { return m_pHost.get(); }
    CMessageBufferQueue& MessageBufferQueue() noexcept { return m_MessageBufferQueue; }

protected:
    // Starts the device's send or receive thread with its loop (once each).
    [[nodiscard]] bool StartSendThread(std::function<void()> body);
    [[nodiscard]] bool StartReceiveThread(std::function<void()> body);
    // Clears the run flags, wakes and stops the device's threads and joins them.
    void StopThreads();
    // The event that a thread of the device blocked in its device's I/O watches: set when
    // the device's threads are asked to end.
    platform::Event& ThreadStopEvent() noexcept { return m_eventStop; }
    // A host message was queued: ends the send thread's pause between its rounds (at once,
    // or at its next pause when it is busy).
    void NoteQueued() { m_eventQueued.Set(); }
    // The send thread's pause between its rounds, ended at once by a shutdown or a queued
    // host message.
    void PauseUntilQueued(platform::DWORD dwMs);

    // The common send-thread loop: writes every queued message, acknowledges each, and
    // goes back to sleep once the output is over. style holds the device kind's departures.
    void SendToDeviceThreadLoop(const CSendLoopStyle& style = CSendLoopStyle{});
    // Called by the send-thread loop when the output is over or the device went offline,
    // just before the thread goes to sleep: by default it closes the output
    // (SendToDeviceOutputDone) and makes the device available.
    virtual void SendToDeviceOutputOver(eTimeOutResult eResult);
    // Called by the default SendToDeviceOutputOver: the device kind closes what it opened
    // for the output.
    virtual void SendToDeviceOutputDone() {}

    // For SendToDevice: the head of the queue, marked as being written (none when empty),
    // and its removal once written. A flush never drops the buffer being written.
    CMessageBuffer* TakeHeadBuffer();
    void ReleaseHeadBuffer();
    // Ends the write of the head without removing it: a failed write keeps its buffer for
    // the next attempt (the flush may drop it meanwhile).
    void KeepHeadBuffer();
    // Drops the queue's head unless the send thread is writing it (any thread).
    void DropHeadUnlessInUse();
    // Queues a host message just judged, with the header its acknowledgement answers.
    void QueueHostMessage(const std::string& text, bool bComplete);
    // For the send thread: the acknowledgement of the message it took last, built from that
    // message's own header (the host may have sent others since).
    std::string MsgAckForWritten(char cAckType = '2');

    // Device-side counters, for the device kinds' threads.
    void CountDeviceSent(std::size_t nBytes);
    void CountDeviceReceived(std::size_t nBytes);

    std::unique_ptr<platform::Thread> m_pSendThread;
    std::unique_ptr<platform::Thread> m_pReceiveThread;
    platform::Event m_eventSendToDevice{platform::EventReset::Auto};
    platform::Event m_eventReceiveFromDevice{platform::EventReset::Auto};

    std::int64_t m_timeSendToDevice = 0;       // stamped by the send thread
    std::int64_t m_timeReceiveFromDevice = 0;  // stamped by the receive thread

    std::string m_strDeviceKey;
    std::string m_strDeviceType;
    std::string m_strDeviceName;
    std::string m_strSession;

    CMessageBufferQueue m_MessageBufferQueue;
    bool m_bLastMsgComplete = false;
    std::int32_t m_iDeviceFlags = 0;

    std::unique_ptr<CHostTrevo> m_pHost;

private:
    // A worker thread's running or sleeping flag, with its own lock.
    struct CThreadFlag {
        mutable platform::Mutex m_cs;
        bool m_bSet TREVO_GUARDED_BY(m_cs) = false;

        bool Get() const {
            platform::Mutex::Guard lock(m_cs);
            return m_bSet;
        }
        void Set(bool bSet) {
            platform::Mutex::Guard lock(m_cs);
            m_bSet = bSet;
        }
    };

    void GoToSleep(const char* pszLabel, CThreadFlag& asleep);
    void WakeUp(const char* pszLabel, CThreadFlag& asleep, platform::Event& event, bool bSetEvent);
    bool SendToHostNow(const std::string& text);
    // Waits (bounded) for a thread to end and joins it; true when it ended.
    static bool EndThread(platform::Thread* pThread, platform::DWORD ms);
    // One line of the device's own counters, and one of the host link's counters.
    void TraceStatistics(const char* szLabel, const char* szPrefix, std::uint32_t dwMsgsRcvd,
                         std::uint32_t dwBytesRcvd, std::uint32_t dwMsgsSent,
                         std::uint32_t dwBytesSent) const;
    void TraceHostCounts(const char* szLabel, const CHostStatistics& counts) const;

    CThreadFlag m_sendThreadRunning;
    CThreadFlag m_sendThreadAsleep;
    CThreadFlag m_receiveThreadRunning;
    CThreadFlag m_receiveThreadAsleep;
    platform::Event m_eventStop{platform::EventReset::Manual};
    // Set for each queued host message: ends the send thread's pause between its rounds.
    platform::Event m_eventQueued{platform::EventReset::Auto};

    platform::Mutex m_csSendTimeOut;
    platform::Mutex m_csReceiveTimeOut;
    platform::Mutex m_csSendToHost;

    mutable platform::Mutex m_csState;
    // Sets the state; the text of the last error to set (once m_csState is let go) when
    // eState is not a state, else empty.
    std::string SetDeviceStateLocked(int eState) TREVO_REQUIRES(m_csState);
    eDeviceState m_eDeviceState TREVO_GUARDED_BY(m_csState) = DEVICE_ONLINE_AVAILABLE;
    mutable platform::Mutex m_csStatistics;
    CDeviceStatistics m_Statistics TREVO_GUARDED_BY(m_csStatistics);
    mutable platform::Mutex m_csLastError;
    std::string m_strLastError TREVO_GUARDED_BY(m_csLastError);
    mutable platform::Mutex m_csStatus;
    std::string m_strStatusMessage TREVO_GUARDED_BY(m_csStatus);

    // The buffer the send thread is writing.
    platform::Mutex m_csHeadInUse;
    CMessageBuffer* m_pHeadInUse TREVO_GUARDED_BY(m_csHeadInUse) = nullptr;
};

}  // namespace core

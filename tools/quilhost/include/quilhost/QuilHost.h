// A QUIL host on a loopback port, for tests and demonstrations. It plays the host for any
// number of connections and sessions: answers begins with a terminal address and a session
// identifier, keeps sessions by identity, answers keep-alives and confirms terminates, and
// sends what it is told to (host messages, segments, print-address requests, notifications,
// session errors, terminates). Every record a client sends is checked against the protocol
// and recorded with what was found; replies to a client that sent a routing option carry
// that option back.
//
// Threads: one accepting thread and one reader per connection; the accepting thread joins
// and forgets the readers of finished connections as it goes, so a long run holds only the
// connections that are open. Every public operation may be called from any thread. Lock order: a
// connection's turn lock, then m_mutex, then the connection's send lock (m_mutex is never held
// while sending).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Mutex.h"
#include "quilhost/HostRecord.h"

namespace quilhost {

struct HostSettings {
    // Given to begins that ask for a pooled address (000000), counting up.
    std::array<std::uint8_t, 3> firstPooledTerminal{0x1A, 0x2B, 0x01};
    std::uint32_t firstSessionId = 0x00000101;
    std::uint32_t maxRecordLength = 1U << 20;
    // A connection that has sent part of a record and nothing more for this long is closed.
    int recordIdleTimeoutMs = 30000;
    // The most events kept; past it the oldest half is let go (counts and waits stay right).
    std::size_t maxEvents = 100000;
    // Starts a connection's reader; a failure (std::system_error) closes that connection
    // and the host goes on. Empty: a plain std::thread.
    std::function<std::thread(std::function<void()>)> startThread;
};

enum class EventKind { Accepted, Received, Sent, Problem, Closed, Note };

struct HostEvent {
    EventKind kind = EventKind::Note;
    int connection = 0;
    int session = 0;    // the session's number when known, else 0
    HostRecord record;  // Received and Sent
    std::vector<std::string> problems;
    std::optional<Acknowledgement> ack;  // Received data that is an acknowledgement
    std::string line;                    // the trace line
};

struct HostSessionInfo {
    int number = 0;
    int connection = 0;
    std::string terminal;   // six hex digits
    std::string sessionId;  // eight hex digits
    bool active = false;    // false once terminated
};

class QuilHost {
public:
    explicit QuilHost(HostSettings settings = {});
    ~QuilHost();
    QuilHost(const QuilHost&) = delete;
    QuilHost& operator=(const QuilHost&) = delete;

    // Listens on 127.0.0.1, port 0, and starts accepting.
    [[nodiscard]] bool Start();
    // Listens on the loopback address given (127.x.y.z; a second host can sit on 127.0.0.2
    // with the same port) and port (0: any). False for any other address.
    [[nodiscard]] bool Start(std::string_view address, std::uint16_t port);
    std::uint16_t Port() const noexcept { return m_port; }
    // Closes every connection and joins every thread.
    void Stop();

    // Each trace line is also handed to the sink, in the order the lines were made, once the
    // host's lock is released (so the sink may call the host): by the thread that made it, or
    // by another of the host's threads handing over lines at the same time, before the call
    // that made it returns (a line made by the sink's own call into the host follows as soon
    // as the sink returns).
    void SetTraceSink(std::function<void(const std::string&)> sink);
    std::vector<HostEvent> Events() const;
    std::vector<std::string> Trace() const;
    // Waits until `done` holds for the events so far; false when timeoutMs passes first.
    bool WaitFor(const std::function<bool(const std::vector<HostEvent>&)>& done,
                 int timeoutMs) const;
    // Waits until at least `count` records have been received.
    bool WaitForReceived(std::size_t count, int timeoutMs) const;
    // Waits until at least `count` acknowledgements from devices have been received.
    bool WaitForAcknowledgements(std::size_t count, int timeoutMs) const;
    // Waits until session `number` exists.
    bool WaitForSession(int number, int timeoutMs) const;
    // Waits until connection `connection` has closed.
    bool WaitForClosed(int connection, int timeoutMs) const;
    // Connections held (open, or finished and not yet joined), and a wait until at most
    // `count` are.
    std::size_t ConnectionsHeld() const;
    bool WaitForConnectionsHeld(std::size_t count, int timeoutMs) const;

    // Behaviour. Silent: no automatic answer at all. Delay: wait before each automatic answer.
    void SetSilent(bool silent);
    void SetDelay(int milliseconds);
    // Echo: every data message that has no reply queued is answered with its own payload.
    void SetEcho(bool echo);
    // The next begin is answered with this message type and payload instead of the usual empty
    // answer of the begin's own type. With `openSession` the host opens (or resumes) the session
    // as for any begin and the answer carries its terminal address and identifier; without it
    // no session is opened and the answer carries the begin's own identity.
    void AnswerNextBegin(std::uint8_t type, std::vector<std::uint8_t> payload, bool openSession);
    // The next begin is refused with a session error (kind 0). With `keep` the host opens the
    // session all the same (a staging notice, after which the session goes on).
    void RefuseNextBegin(std::string code, std::string text = {}, std::uint8_t type = 4,
                         bool keep = false);
    // Segments sent, each as a record, in answer to the next data message of the session.
    void QueueReply(int session, std::vector<std::vector<std::uint8_t>> segments);

    // Host actions; sessions are numbered from 1 in the order they began.
    bool SendData(int session, std::span<const std::uint8_t> payload, std::uint8_t type = 0);
    bool SendSegments(int session, const std::vector<std::vector<std::uint8_t>>& segments,
                      std::uint8_t type = 0);
    // The host's own keep-alive: message type 3 without data.
    bool SendKeepAlive(int session);
    bool SendPrintAddress(int session, std::span<const std::uint8_t> address);
    // Message type 1 naming a terminal, a host and a code.
    bool SendNotification(int session, std::string_view lniata, std::string_view host,
                          std::string_view code);
    // Message type 4 or 5 with the code's text (a known code's standard text when `text` is
    // empty); kind < 0 takes the session's kind (1 once it has begun).
    bool SendSessionError(int session, std::string_view code, std::string_view text = {},
                          std::uint8_t type = 4, int kind = -1);
    // The host ends the session (kind 2) and forgets it.
    bool TerminateSession(int session);
    bool SendRaw(int connection, std::span<const std::uint8_t> bytes);
    // Closes (or resets) a connection; the close is done by its reader.
    bool CloseConnection(int connection, bool reset);

    std::vector<HostSessionInfo> Sessions() const;

    // The standard text of a session-error code, or empty.
    static std::string StandardErrorText(std::string_view code);

private:
    struct Connection;
    struct Session;
    class EventLock;

    void AcceptLoop();
    // Joins and forgets the readers of connections that have finished.
    void ReapFinished();
    // Records that the connection ended and why.
    void EndConnection(Connection& conn, const std::string& reason) TREVO_REQUIRES(m_mutex);
    void ReadLoop(const std::shared_ptr<Connection>& conn);
    void HandleRecord(const std::shared_ptr<Connection>& conn, std::vector<std::uint8_t> wire);
    // Answers to a record just received; called without the lock.
    void Answer(const std::shared_ptr<Connection>& conn, const HostRecord& rec);

    // Hands the lines made so far to the sink.
    void DeliverTrace() TREVO_EXCLUDES(m_mutex);

    void AddEvent(HostEvent event) TREVO_REQUIRES(m_mutex);
    void Note(int connection, int session, std::string line) TREVO_REQUIRES(m_mutex);
    Session* SessionByIdentity(const HostRecord& rec) TREVO_REQUIRES(m_mutex);
    void TakeReply(Session& s, std::vector<HostRecord>& out) const TREVO_REQUIRES(m_mutex);
    // A queued reply, else the echo of the payload when echoing.
    void ReplyToData(Session& s, const HostRecord& rec, std::vector<HostRecord>& out) const
        TREVO_REQUIRES(m_mutex);
    void CheckPrintAnswer(Session* session, const HostRecord& rec,
                          std::vector<std::string>& problems) TREVO_REQUIRES(m_mutex);
    // Each adds the answers to `out` and returns the session's number (0 for none).
    int AnswerBegin(int connection, const HostRecord& rec, Session* session,
                    std::vector<HostRecord>& out) TREVO_REQUIRES(m_mutex);
    int AnswerMaintain(int connection, const HostRecord& rec, Session* session,
                       std::vector<HostRecord>& out) TREVO_REQUIRES(m_mutex);
    int AnswerTerminate(int connection, const HostRecord& rec, Session* session,
                        std::vector<HostRecord>& out) TREVO_REQUIRES(m_mutex);
    HostRecord ReplyTo(const Session& s, std::uint8_t kind, std::uint8_t type) const
        TREVO_REQUIRES(m_mutex);
    bool SendTo(int session, HostRecord rec);
    bool Transmit(const std::shared_ptr<Connection>& conn, int session, const HostRecord& rec);
    void PauseForDelay() const TREVO_EXCLUDES(m_mutex);
    Session* FindSession(int number) TREVO_REQUIRES(m_mutex);

    HostSettings m_settings;
    std::uint16_t m_port = 0;

    mutable platform::Mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<HostEvent> m_events TREVO_GUARDED_BY(m_mutex);
    // Every Received event so far, kept or let go, and every acknowledgement among them.
    std::size_t m_receivedTotal TREVO_GUARDED_BY(m_mutex) = 0;
    std::size_t m_acksTotal TREVO_GUARDED_BY(m_mutex) = 0;
    std::function<void(const std::string&)> m_sink TREVO_GUARDED_BY(m_mutex);
    std::vector<std::string> m_undelivered TREVO_GUARDED_BY(m_mutex);  // for the sink, in order
    platform::Mutex m_delivering;  // one thread hands lines to the sink at a time
    std::map<int, std::shared_ptr<Connection>> m_connections TREVO_GUARDED_BY(m_mutex);
    std::vector<std::unique_ptr<Session>> m_sessions TREVO_GUARDED_BY(m_mutex);
    std::uint32_t m_nextSessionId TREVO_GUARDED_BY(m_mutex);
    std::array<std::uint8_t, 3> m_nextPooled TREVO_GUARDED_BY(m_mutex);
    bool m_silent TREVO_GUARDED_BY(m_mutex) = false;
    int m_delayMs TREVO_GUARDED_BY(m_mutex) = 0;
    bool m_echo TREVO_GUARDED_BY(m_mutex) = false;
    // Payload and type of the next begin's answer.
    std::optional<HostRecord> m_nextBegin TREVO_GUARDED_BY(m_mutex);
    bool m_nextBeginOpens TREVO_GUARDED_BY(m_mutex) = false;
    int m_nextConnection TREVO_GUARDED_BY(m_mutex) = 1;

    struct ListenerState;
    std::unique_ptr<ListenerState> m_listener;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
};

}  // namespace quilhost

#include "quilhost/QuilHost.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "TextFormat.h"
#include "platform/Socket.h"
#include "platform/WinsockError.h"
#include "quilhost/HostCode.h"

namespace quilhost {

namespace {

constexpr int kPollMs = 100;  // how often blocked reads and accepts look at stop requests
constexpr int kSendTimeoutMs = 5000;

struct StandardText {
    const char* code;
    const char* text;
};

constexpr StandardText kStandardTexts[] = {
    {"7QS07", "7QS07- STAGING IN EFFECT FOR THIS SESSION SERVICE WILL"},
    {"7QS02", "7QS02- UNABLE TO ACCESS HOST SESSION"},
    {"7QS04", "7QS04- UNABLE TO READ HOST SESSION RECORD"},
    {"7QC04", "7QC04- PROXY INTERNAL ERROR"},
    {"7QS06", "7QS06- RA8S"},
    {"7QC06", "7QC06- RA8S"},
    {"7QC01", "7QC01- CENTRAL SITE OUTAGE"},
    {"7QC02", "7QC02- HOST UNAVAILABLE"},
    {"7QS05", "7QS05- SECURITY VIOLATION, CRAS NOT ALLOWED"},
    {"7QP01", "7QP01- SESSION VERSION INCORRECT"},
    {"7QP02", "7QP02- SESSION HEADER INVALID"},
    {"7QS03", "7QS03- UNABLE TO OBTAIN HOST SESSION"},
    {"7QC03", "7QC03- UNABLE TO INSERT OPTION"},
    {"7QS11", "7QS11- OAA IN PROGRESS DUE TO PROTOCOL CHANGE"},
};

std::array<std::uint8_t, 4> SessionIdBytes(std::uint32_t id) {
    return {static_cast<std::uint8_t>(id >> 24), static_cast<std::uint8_t>(id >> 16),
            static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)};
}

bool IsZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace

struct QuilHost::Connection {
    int id = 0;
    platform::Socket socket;
    // Held while a received record is recorded and answered, and while the host sends on its
    // own, so that answers to a record go out before anything sent after it was seen.
    platform::Mutex turnMutex;
    platform::Mutex sendMutex;
    bool open TREVO_GUARDED_BY(sendMutex) = true;
    std::atomic<bool> closeRequested{false};
    std::atomic<bool> reset{false};
    bool finished = false;  // under m_mutex: the reader is done with it
    std::thread reader;
};

struct QuilHost::Session {
    int number = 0;
    int connection = 0;
    std::array<std::uint8_t, 3> terminal{};
    std::array<std::uint8_t, 4> sessionId{};
    std::vector<std::uint8_t> optionArea;  // echoed in everything sent to the session
    bool active = true;
    std::deque<std::vector<std::vector<std::uint8_t>>> replies;
    std::deque<std::vector<std::uint8_t>> printRequests;  // sent, not yet answered
};

// The host's lock; once released, the trace lines made under it go to the sink.
class TREVO_SCOPED_CAPABILITY QuilHost::EventLock {
public:
    explicit EventLock(QuilHost& host) TREVO_ACQUIRE(host.m_mutex) : m_host(host) {
        m_host.m_mutex.Lock();
    }
    ~EventLock() TREVO_RELEASE() {
        const bool deliver = !m_host.m_undelivered.empty();
        m_host.m_mutex.Unlock();
        if (deliver) m_host.DeliverTrace();
    }
    EventLock(const EventLock&) = delete;
    EventLock& operator=(const EventLock&) = delete;

private:
    QuilHost& m_host;
};

struct QuilHost::ListenerState {
    platform::Listener listener;
};

QuilHost::QuilHost(HostSettings settings)
    : m_settings(settings),
      m_nextSessionId(settings.firstSessionId),
      m_nextPooled(settings.firstPooledTerminal) {}

QuilHost::~QuilHost() {
    Stop();
}

bool QuilHost::Start() {
    return Start("127.0.0.1", 0);
}

bool QuilHost::Start(std::string_view address, std::uint16_t port) {
    if (m_listener) return false;
    const auto ip = platform::InetAddr(address);
    if (!ip || (*ip >> 24) != 127) return false;  // loopback only
    auto state = std::make_unique<ListenerState>();
    if (!state->listener.Listen(platform::SocketAddress{*ip, port})) return false;
    m_port = state->listener.Port();
    m_listener = std::move(state);
    {
        EventLock lock(*this);
        HostEvent e;
        e.line = Format("listening on %s:%u", platform::InetNtoa(*ip).c_str(), unsigned(m_port));
        AddEvent(std::move(e));
    }
    try {
        m_acceptThread = std::thread([this] { AcceptLoop(); });
    } catch (const std::system_error&) {
        m_listener->listener.Close();
        m_listener.reset();
        return false;
    }
    return true;
}

void QuilHost::Stop() {
    m_stopping = true;
    if (m_acceptThread.joinable()) m_acceptThread.join();
    std::vector<std::shared_ptr<Connection>> connections;
    {
        EventLock lock(*this);
        for (auto& [id, conn] : m_connections) connections.push_back(conn);
    }
    for (auto& conn : connections) conn->closeRequested = true;
    for (auto& conn : connections)
        if (conn->reader.joinable()) conn->reader.join();
    {
        EventLock lock(*this);
        m_connections.clear();
        m_changed.notify_all();
    }
    if (m_listener) m_listener->listener.Close();
}

void QuilHost::SetTraceSink(std::function<void(const std::string&)> sink) {
    EventLock lock(*this);
    m_sink = std::move(sink);
}

void QuilHost::DeliverTrace() {
    thread_local const QuilHost* t_delivering = nullptr;
    if (t_delivering == this) return;  // a sink's call into the host: the loop below goes on
    platform::Mutex::Guard delivering(m_delivering);
    t_delivering = this;
    struct Done {
        ~Done() { t_delivering = nullptr; }
    } done;
    for (;;) {
        std::vector<std::string> lines;
        std::function<void(const std::string&)> sink;
        {
            platform::Mutex::Guard lock(m_mutex);
            if (m_undelivered.empty()) return;
            lines.swap(m_undelivered);
            sink = m_sink;
        }
        if (sink)
            for (const auto& line : lines) sink(line);
    }
}

void QuilHost::AddEvent(HostEvent event) {
    if (m_sink) m_undelivered.push_back(event.line);
    if (event.kind == EventKind::Received) ++m_receivedTotal;
    if (event.ack) ++m_acksTotal;
    if (m_settings.maxEvents > 0 && m_events.size() >= m_settings.maxEvents)
        m_events.erase(m_events.begin(),
                       m_events.begin() + static_cast<std::ptrdiff_t>(m_events.size() / 2 + 1));
    m_events.push_back(std::move(event));
    m_changed.notify_all();
}

std::vector<HostEvent> QuilHost::Events() const {
    platform::Mutex::Guard lock(m_mutex);
    return m_events;
}

std::vector<std::string> QuilHost::Trace() const {
    platform::Mutex::Guard lock(m_mutex);
    std::vector<std::string> lines;
    for (const auto& e : m_events) lines.push_back(e.line);
    return lines;
}

bool QuilHost::WaitFor(const std::function<bool(const std::vector<HostEvent>&)>& done,
                       int timeoutMs) const {
    platform::Mutex::Guard lock(m_mutex);
    return lock.WaitFor(m_changed, timeoutMs,
                        [&]() TREVO_REQUIRES(m_mutex) { return done(m_events); });
}

bool QuilHost::WaitForReceived(std::size_t count, int timeoutMs) const {
    platform::Mutex::Guard lock(m_mutex);
    return lock.WaitFor(m_changed, timeoutMs,
                        [&]() TREVO_REQUIRES(m_mutex) { return m_receivedTotal >= count; });
}

bool QuilHost::WaitForAcknowledgements(std::size_t count, int timeoutMs) const {
    platform::Mutex::Guard lock(m_mutex);
    return lock.WaitFor(m_changed, timeoutMs,
                        [&]() TREVO_REQUIRES(m_mutex) { return m_acksTotal >= count; });
}

bool QuilHost::WaitForSession(int number, int timeoutMs) const {
    platform::Mutex::Guard lock(m_mutex);
    return lock.WaitFor(m_changed, timeoutMs, [&]() TREVO_REQUIRES(m_mutex) {
        return static_cast<int>(m_sessions.size()) >= number;
    });
}

bool QuilHost::WaitForClosed(int connection, int timeoutMs) const {
    platform::Mutex::Guard lock(m_mutex);
    return lock.WaitFor(m_changed, timeoutMs, [&]() TREVO_REQUIRES(m_mutex) {
        if (connection < 1 || connection >= m_nextConnection) return false;
        const auto it = m_connections.find(connection);
        return it == m_connections.end() || it->second->finished;  // forgotten once finished
    });
}

std::size_t QuilHost::ConnectionsHeld() const {
    platform::Mutex::Guard lock(m_mutex);
    return m_connections.size();
}

bool QuilHost::WaitForConnectionsHeld(std::size_t count, int timeoutMs) const {
    platform::Mutex::Guard lock(m_mutex);
    return lock.WaitFor(m_changed, timeoutMs,
                        [&]() TREVO_REQUIRES(m_mutex) { return m_connections.size() <= count; });
}

void QuilHost::SetSilent(bool silent) {
    EventLock lock(*this);
    m_silent = silent;
}

void QuilHost::SetDelay(int milliseconds) {
    EventLock lock(*this);
    m_delayMs = std::max(0, milliseconds);
}

void QuilHost::SetEcho(bool echo) {
    EventLock lock(*this);
    m_echo = echo;
}

void QuilHost::PauseForDelay() const {
    int delay = 0;
    {
        platform::Mutex::Guard lock(m_mutex);
        delay = m_delayMs;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
}

std::string QuilHost::StandardErrorText(std::string_view code) {
    for (const auto& t : kStandardTexts)
        if (code == t.code) return t.text;
    return {};
}

void QuilHost::AnswerNextBegin(std::uint8_t type, std::vector<std::uint8_t> payload,
                               bool openSession) {
    HostRecord answer;
    answer.type = type;
    answer.payload = std::move(payload);
    EventLock lock(*this);
    m_nextBegin = std::move(answer);
    m_nextBeginOpens = openSession;
}

void QuilHost::RefuseNextBegin(std::string code, std::string text, std::uint8_t type, bool keep) {
    if (text.empty()) text = StandardErrorText(code);
    if (text.empty()) text = code + "- ";
    AnswerNextBegin(type, ToHostCode(text).value_or(std::vector<std::uint8_t>{}), keep);
}

void QuilHost::QueueReply(int session, std::vector<std::vector<std::uint8_t>> segments) {
    EventLock lock(*this);
    if (Session* s = FindSession(session)) s->replies.push_back(std::move(segments));
}

QuilHost::Session* QuilHost::FindSession(int number) {
    if (number < 1 || number > static_cast<int>(m_sessions.size())) return nullptr;
    return m_sessions[static_cast<std::size_t>(number - 1)].get();
}

std::vector<HostSessionInfo> QuilHost::Sessions() const {
    platform::Mutex::Guard lock(m_mutex);
    std::vector<HostSessionInfo> out;
    for (const auto& s : m_sessions) {
        HostRecord r;
        r.terminal = s->terminal;
        r.sessionId = s->sessionId;
        out.push_back({s->number, s->connection, r.TerminalText(), r.SessionIdText(), s->active});
    }
    return out;
}

void QuilHost::ReapFinished() {
    std::vector<std::shared_ptr<Connection>> finished;
    {
        EventLock lock(*this);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            if (it->second->finished) {
                finished.push_back(std::move(it->second));
                it = m_connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& conn : finished)
        if (conn->reader.joinable()) conn->reader.join();
    if (!finished.empty()) {
        EventLock lock(*this);
        m_changed.notify_all();
    }
}

void QuilHost::EndConnection(Connection& conn, const std::string& reason) {
    conn.finished = true;
    HostEvent e;
    e.kind = EventKind::Closed;
    e.connection = conn.id;
    e.line = Format("#%d ", conn.id) + reason;
    AddEvent(std::move(e));
}

void QuilHost::AcceptLoop() {
    while (!m_stopping) {
        ReapFinished();
        platform::Socket client;
        platform::SocketAddress peer;
        if (!m_listener->listener.Accept(client, kPollMs, &peer)) {
            if (platform::WSAGetLastError() == platform::WSAETIMEDOUT) continue;
            EventLock lock(*this);
            HostEvent e;
            e.line =
                Format("accept failed, error %d; no more connections", platform::WSAGetLastError());
            AddEvent(std::move(e));
            return;
        }
        auto conn = std::make_shared<Connection>();
        conn->socket = std::move(client);
        {
            EventLock lock(*this);
            conn->id = m_nextConnection++;
            m_connections[conn->id] = conn;
            HostEvent e;
            e.kind = EventKind::Accepted;
            e.connection = conn->id;
            e.line = Format("#%d accepted %s", conn->id, peer.ToString().c_str());
            AddEvent(std::move(e));
        }
        try {
            auto body = [this, conn] { ReadLoop(conn); };
            conn->reader =
                m_settings.startThread ? m_settings.startThread(body) : std::thread(body);
        } catch (const std::system_error& failure) {
            // No reader for it: the client is told by the close, and the host goes on.
            conn->socket.Close();
            EventLock lock(*this);
            HostEvent e;
            e.kind = EventKind::Problem;
            e.connection = conn->id;
            e.problems.push_back(
                Format("cannot start a reader (error %d); closing", failure.code().value()));
            e.line = Format("#%d !! ", conn->id) + e.problems.back();
            AddEvent(std::move(e));
            EndConnection(*conn, "closed by the host");
        }
    }
}

void QuilHost::ReadLoop(const std::shared_ptr<Connection>& conn) {
    enum Result { Ok, ClosedClean, ClosedInside, Requested, Failed, IdleInside };
    using Clock = std::chrono::steady_clock;
    const auto idleLimit = std::chrono::milliseconds(m_settings.recordIdleTimeoutMs);
    // insideRecord: the bytes continue a record already begun, so silence is limited.
    auto readExact = [&](std::uint8_t* p, std::size_t n, bool insideRecord) {
        std::size_t got = 0;
        auto lastBytes = Clock::now();
        // Each pass either takes bytes or waits at most kPollMs; a close request ends it.
        while (got < n) {
            if (conn->closeRequested || m_stopping) return Requested;
            const int r = conn->socket.Receive(std::span<std::uint8_t>(p + got, n - got), kPollMs);
            if (r > 0) {
                got += static_cast<std::size_t>(r);
                lastBytes = Clock::now();
            } else if (r == 0) {
                return got == 0 && !insideRecord ? ClosedClean : ClosedInside;
            } else if (platform::WSAGetLastError() != platform::WSAETIMEDOUT) {
                return Failed;
            } else if ((insideRecord || got > 0) && Clock::now() - lastBytes >= idleLimit) {
                return IdleInside;
            }
        }
        return Ok;
    };
    auto problem = [&](const std::string& text) {
        EventLock lock(*this);
        HostEvent e;
        e.kind = EventKind::Problem;
        e.connection = conn->id;
        e.problems.push_back(text);
        e.line = Format("#%d !! ", conn->id) + text;
        AddEvent(std::move(e));
    };

    std::string reason;
    for (;;) {
        std::array<std::uint8_t, 8> head{};
        Result r = readExact(head.data(), head.size(), false);
        if (r == ClosedClean) {
            reason = "closed by the client";
            break;
        }
        if (r == IdleInside) {
            problem("idle inside a stream header; closing");
            reason = "closed by the host";
            break;
        }
        if (r != Ok) {
            reason = r == Requested ? "closed by the host"
                     : r == Failed  ? "receive failed"
                                    : "closed inside a record";
            if (r == ClosedInside) problem("connection closed inside a stream header");
            break;
        }
        if (head[0] != 0xFE || head[1] != 1) {
            problem(Format("stream header starts %02X %02X, not FE 01; closing", head[0], head[1]));
            reason = "closed after a bad stream header";
            break;
        }
        const std::uint32_t length = (std::uint32_t{head[4]} << 24) |
                                     (std::uint32_t{head[5]} << 16) |
                                     (std::uint32_t{head[6]} << 8) | head[7];
        if (length < 20 || length > m_settings.maxRecordLength) {
            problem(Format("stream length %u is %s; closing", length,
                           length < 20 ? "below 20" : "above the limit"));
            reason = "closed after a bad stream length";
            break;
        }
        std::vector<std::uint8_t> wire(head.begin(), head.end());
        wire.resize(length);
        r = readExact(wire.data() + 8, length - 8, true);
        if (r != Ok) {
            if (r == ClosedInside) problem("connection closed inside a record");
            if (r == IdleInside) problem("idle inside a record; closing");
            reason = r == Requested || r == IdleInside ? "closed by the host"
                     : r == Failed                     ? "receive failed"
                                                       : "closed inside a record";
            break;
        }
        HandleRecord(conn, std::move(wire));
    }

    {
        platform::Mutex::Guard send(conn->sendMutex);
        conn->open = false;
        if (conn->reset) (void)conn->socket.SetLinger(true, 0);
        conn->socket.Close();
    }
    EventLock lock(*this);
    if (conn->reset) reason = "reset by the host";
    EndConnection(*conn, reason);
}

void QuilHost::HandleRecord(const std::shared_ptr<Connection>& conn,
                            std::vector<std::uint8_t> wire) {
    platform::Mutex::Guard turn(conn->turnMutex);
    DecodedRecord d = DecodeRecord(wire);
    CheckClientRecord(d.record, d.problems);
    const HostRecord& rec = d.record;
    {
        EventLock lock(*this);
        Session* session = SessionByIdentity(rec);
        if (rec.type == 2) CheckPrintAnswer(session, rec, d.problems);
        // Replies carry the routing the client sent last: it is taken before the record is
        // shown as received, so a test that saw it can count on the host's next reply.
        if (session != nullptr && rec.kind == 1 && !rec.optionArea.empty())
            session->optionArea = rec.optionArea;
        HostEvent e;
        e.kind = EventKind::Received;
        e.connection = conn->id;
        if (session != nullptr) e.session = session->number;
        if (rec.type == 0 && rec.kind != 2) e.ack = DecodeAcknowledgement(rec.payload);
        e.record = rec;
        e.problems = d.problems;
        e.line = Format("#%d <- ", conn->id) + Describe(rec);
        if (e.session) e.line += Format(" [session %d]", e.session);
        if (e.ack)
            e.line += Format(" ack tsn=%c %c status=%c", e.ack->tsn, e.ack->third, e.ack->status);
        AddEvent(std::move(e));
        for (const auto& p : d.problems) {
            HostEvent pe;
            pe.kind = EventKind::Problem;
            pe.connection = conn->id;
            pe.problems.push_back(p);
            pe.line = Format("#%d !! ", conn->id) + p;
            AddEvent(std::move(pe));
        }
    }
    if (wire.size() >= 20) Answer(conn, rec);
}

HostRecord QuilHost::ReplyTo(const Session& s, std::uint8_t kind, std::uint8_t type) const {
    HostRecord r;
    r.kind = kind;
    r.type = type;
    r.terminal = s.terminal;
    r.sessionId = s.sessionId;
    r.optionArea = s.optionArea;
    return r;
}

void QuilHost::Note(int connection, int session, std::string line) {
    HostEvent e;
    e.connection = connection;
    e.session = session;
    e.line = std::move(line);
    AddEvent(std::move(e));
}

QuilHost::Session* QuilHost::SessionByIdentity(const HostRecord& rec) {
    for (auto& s : m_sessions)
        if (s->active && s->terminal == rec.terminal && s->sessionId == rec.sessionId)
            return s.get();
    return nullptr;
}

void QuilHost::TakeReply(Session& s, std::vector<HostRecord>& out) const {
    if (s.replies.empty()) return;
    for (auto& segment : s.replies.front()) {
        HostRecord d = ReplyTo(s, 1, 0);
        d.payload = std::move(segment);
        out.push_back(std::move(d));
    }
    s.replies.pop_front();
}

void QuilHost::ReplyToData(Session& s, const HostRecord& rec, std::vector<HostRecord>& out) const {
    if (!s.replies.empty() || !m_echo || rec.payload.empty()) {
        TakeReply(s, out);
        return;
    }
    HostRecord echo = ReplyTo(s, 1, 0);
    echo.payload = rec.payload;
    out.push_back(std::move(echo));
}

int QuilHost::AnswerBegin(int connection, const HostRecord& rec, Session* session,
                          std::vector<HostRecord>& out) {
    std::optional<HostRecord> scripted = std::move(m_nextBegin);
    m_nextBegin.reset();
    if (scripted && !m_nextBeginOpens) {
        HostRecord refusal = std::move(*scripted);
        refusal.kind = 0;
        refusal.terminal = rec.terminal;
        refusal.sessionId = rec.sessionId;
        refusal.optionArea = rec.optionArea;
        Note(connection, 0, Format("#%d begin refused", connection));
        out.push_back(std::move(refusal));
        return 0;
    }
    // A begin that names a live session by its identity resumes it; any other starts one.
    const bool resumed = session != nullptr && !IsZero(rec.sessionId);
    if (!resumed) {
        auto s = std::make_unique<Session>();
        s->number = static_cast<int>(m_sessions.size()) + 1;
        s->sessionId = SessionIdBytes(m_nextSessionId++);
        if (IsZero(rec.terminal)) {
            s->terminal = m_nextPooled;
            for (std::size_t i = m_nextPooled.size(); i-- > 0 && ++m_nextPooled[i] == 0;) {
            }
        } else {
            s->terminal = rec.terminal;
        }
        session = s.get();
        m_sessions.push_back(std::move(s));
    }
    session->connection = connection;
    session->optionArea = rec.optionArea;
    HostRecord ids;
    ids.terminal = session->terminal;
    ids.sessionId = session->sessionId;
    Note(connection, session->number,
         Format("#%d session %d %s ta=%s sid=%s", connection, session->number,
                resumed ? "resumed" : "begun", ids.TerminalText().c_str(),
                ids.SessionIdText().c_str()));
    HostRecord answer = ReplyTo(*session, 0, scripted ? scripted->type : rec.type);
    if (scripted) {
        answer.payload = std::move(scripted->payload);
        // A print-address request in answer to the begin is answered like any other.
        if (answer.type == 2) session->printRequests.push_back(answer.payload);
    }
    out.push_back(std::move(answer));
    if (rec.type == 0 && !rec.payload.empty()) ReplyToData(*session, rec, out);
    return session->number;
}

int QuilHost::AnswerMaintain(int connection, const HostRecord& rec, Session* session,
                             std::vector<HostRecord>& out) {
    if (session == nullptr) {
        HostRecord r;
        r.kind = rec.kind;
        r.type = 4;
        r.terminal = rec.terminal;
        r.sessionId = rec.sessionId;
        r.optionArea = rec.optionArea;
        r.payload = ToHostCode(StandardErrorText("7QS02")).value_or(std::vector<std::uint8_t>{});
        Note(connection, 0,
             Format("#%d no session ta=%s sid=%s", connection, rec.TerminalText().c_str(),
                    rec.SessionIdText().c_str()));
        out.push_back(std::move(r));
        return 0;
    }
    session->connection = connection;
    if (!rec.optionArea.empty()) session->optionArea = rec.optionArea;
    if (rec.type == 3)
        out.push_back(ReplyTo(*session, 1, 3));
    else if (rec.type == 0)
        ReplyToData(*session, rec, out);
    return session->number;
}

int QuilHost::AnswerTerminate(int connection, const HostRecord& rec, Session* session,
                              std::vector<HostRecord>& out) {
    HostRecord r;
    r.kind = 2;
    r.type = 0;
    r.terminal = rec.terminal;
    r.sessionId = rec.sessionId;
    r.optionArea = rec.optionArea;
    out.push_back(std::move(r));
    if (session == nullptr) return 0;
    session->active = false;
    Note(connection, session->number,
         Format("#%d session %d ended by the client", connection, session->number));
    return session->number;
}

void QuilHost::Answer(const std::shared_ptr<Connection>& conn, const HostRecord& rec) {
    {
        EventLock lock(*this);
        if (m_silent) return;
    }
    PauseForDelay();

    std::vector<HostRecord> out;
    int number = 0;
    if (rec.type == 7) {  // the connection's own keep-alive goes back as it came
        HostRecord echo = rec;
        echo.optionArea.clear();
        echo.options.clear();
        out.push_back(std::move(echo));
    } else {
        EventLock lock(*this);
        Session* session = SessionByIdentity(rec);
        if (rec.kind == 0 && (rec.type == 0 || rec.type == 3))
            number = AnswerBegin(conn->id, rec, session, out);
        else if (rec.kind == 0 || rec.kind == 1)
            number = AnswerMaintain(conn->id, rec, session, out);
        else if (rec.kind == 2)
            number = AnswerTerminate(conn->id, rec, session, out);
    }
    for (const auto& r : out) (void)Transmit(conn, number, r);
}

bool QuilHost::Transmit(const std::shared_ptr<Connection>& conn, int session,
                        const HostRecord& rec) {
    const std::vector<std::uint8_t> wire = EncodeRecord(rec);
    {
        EventLock lock(*this);
        HostEvent e;
        e.kind = EventKind::Sent;
        e.connection = conn->id;
        e.session = session;
        // Shown as decoded from the bytes that go out.
        e.record = DecodeRecord(wire).record;
        e.line = Format("#%d -> ", conn->id) + Describe(e.record);
        AddEvent(std::move(e));
    }
    platform::Mutex::Guard send(conn->sendMutex);
    return conn->open && conn->socket.SendAll(wire, kSendTimeoutMs);
}

bool QuilHost::SendTo(int session, HostRecord rec) {
    std::shared_ptr<Connection> conn;
    {
        EventLock lock(*this);
        const Session* s = FindSession(session);
        if (s == nullptr) return false;
        const auto it = m_connections.find(s->connection);
        if (it == m_connections.end()) return false;
        conn = it->second;
        rec.terminal = s->terminal;
        rec.sessionId = s->sessionId;
        if (rec.optionArea.empty()) rec.optionArea = s->optionArea;
    }
    platform::Mutex::Guard turn(conn->turnMutex);
    return Transmit(conn, session, rec);
}

bool QuilHost::SendData(int session, std::span<const std::uint8_t> payload, std::uint8_t type) {
    HostRecord r;
    r.kind = 1;
    r.type = type;
    r.payload.assign(payload.begin(), payload.end());
    return SendTo(session, std::move(r));
}

bool QuilHost::SendSegments(int session, const std::vector<std::vector<std::uint8_t>>& segments,
                            std::uint8_t type) {
    for (const auto& seg : segments)
        if (!(type == 2 ? SendPrintAddress(session, seg) : SendData(session, seg, type)))
            return false;
    return true;
}

bool QuilHost::SendKeepAlive(int session) {
    return SendData(session, {}, 3);
}

bool QuilHost::SendPrintAddress(int session, std::span<const std::uint8_t> address) {
    {
        EventLock lock(*this);
        Session* s = FindSession(session);
        if (s == nullptr) return false;
        s->printRequests.emplace_back(address.begin(), address.end());
    }
    return SendData(session, address, 2);
}

void QuilHost::CheckPrintAnswer(Session* session, const HostRecord& rec,
                                std::vector<std::string>& problems) {
    // The client answers a print-address request by sending its text straight back.
    if (session == nullptr || session->printRequests.empty()) {
        problems.push_back("print-address answer without a request");
        return;
    }
    if (session->printRequests.front() != rec.payload)
        problems.push_back("print-address answer differs from the request \"" +
                           ShowHostCode(session->printRequests.front()) + "\"");
    session->printRequests.pop_front();
}

bool QuilHost::SendNotification(int session, std::string_view lniata, std::string_view host,
                                std::string_view code) {
    // The terminal at offset 7, the host name at offset 15 up to "//", then the code.
    std::string text = "NOTIFY ";
    text += lniata;
    text += "  ";
    text += host;
    text += "//";
    text += code;
    const auto payload = ToHostCode(text);
    if (!payload || lniata.size() != 6) return false;
    std::vector<std::uint8_t> bytes = *payload;
    bytes.push_back(kEomComplete);
    return SendData(session, bytes, 1);
}

bool QuilHost::SendSessionError(int session, std::string_view code, std::string_view text,
                                std::uint8_t type, int kind) {
    std::string full(text);
    if (full.empty()) full = StandardErrorText(code);
    if (full.empty()) full = std::string(code) + "- ";
    const auto payload = ToHostCode(full);
    if (!payload) return false;
    HostRecord r;
    r.kind = static_cast<std::uint8_t>(kind < 0 ? 1 : kind);
    r.type = type;
    r.payload = *payload;
    return SendTo(session, std::move(r));
}

bool QuilHost::TerminateSession(int session) {
    HostRecord r;
    r.kind = 2;
    r.type = 0;
    if (!SendTo(session, std::move(r))) return false;
    EventLock lock(*this);
    if (Session* s = FindSession(session)) s->active = false;
    return true;
}

bool QuilHost::SendRaw(int connection, std::span<const std::uint8_t> bytes) {
    std::shared_ptr<Connection> conn;
    {
        EventLock lock(*this);
        const auto it = m_connections.find(connection);
        if (it == m_connections.end()) return false;
        conn = it->second;
    }
    platform::Mutex::Guard turn(conn->turnMutex);
    {
        EventLock lock(*this);
        HostEvent e;
        e.kind = EventKind::Sent;
        e.connection = connection;
        e.line = Format("#%d -> %u raw bytes", connection, unsigned(bytes.size()));
        AddEvent(std::move(e));
    }
    platform::Mutex::Guard send(conn->sendMutex);
    return conn->open && conn->socket.SendAll(bytes, kSendTimeoutMs);
}

bool QuilHost::CloseConnection(int connection, bool reset) {
    EventLock lock(*this);
    const auto it = m_connections.find(connection);
    if (it == m_connections.end()) return false;
    it->second->reset = reset;
    it->second->closeRequested = true;
    return true;
}

}  // namespace quilhost

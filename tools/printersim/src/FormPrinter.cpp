#include "printersim/FormPrinter.h"

#include "platform/Wait.h"
#include "printersim/LinePrinter.h"

namespace printersim {

FormPrinter::FormPrinter(bool bTicketPrinterFrames) : m_bTicketFrames(bTicketPrinterFrames) {}

FormPrinter::~FormPrinter() {
    m_thread.Stop();
    static_cast<void>(m_thread.Join());
}

bool FormPrinter::Start() {
    if (!m_pty.Open()) return false;
    return m_thread.Start([this] { Run(); });
}

void FormPrinter::SetScript(Script script) {
    std::lock_guard lock(m_cs);
    m_script = std::move(script);
}

void FormPrinter::SetStockCode(const std::string& code) {
    std::lock_guard lock(m_cs);
    m_stockCode = code;
}

void FormPrinter::SetBarCodes(std::deque<std::string> codes) {
    std::lock_guard lock(m_cs);
    m_barCodes = std::move(codes);
}

void FormPrinter::QueueForRead(const std::string& bytes) {
    std::lock_guard lock(m_cs);
    m_readQueue += bytes;
}

std::vector<FormRequest> FormPrinter::Requests() const {
    std::lock_guard lock(m_cs);
    return m_requests;
}

std::string FormPrinter::Letters() const {
    std::lock_guard lock(m_cs);
    std::string letters;
    for (const FormRequest& r : m_requests) letters += r.letter;
    return letters;
}

std::vector<std::string> FormPrinter::Documents() const {
    std::lock_guard lock(m_cs);
    return m_documents;
}

std::string FormPrinter::CurrentDocument() const {
    std::lock_guard lock(m_cs);
    return m_current;
}

bool FormPrinter::InSession() const {
    std::lock_guard lock(m_cs);
    return m_bSession;
}

std::string FormPrinter::Form() const {
    std::lock_guard lock(m_cs);
    return m_form;
}

std::string FormPrinter::Host() const {
    std::lock_guard lock(m_cs);
    return m_host;
}

bool FormPrinter::WaitUntil(const std::function<bool()>& cond,
                            std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(m_cs);
    for (;;) {
        lock.unlock();
        const bool ok = cond();
        lock.lock();
        if (ok) return true;
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout) return cond();
    }
}

bool CutFormRequest(std::vector<std::uint8_t>& in, FormRequest& out, bool& bCheckOk) {
    std::size_t start = 0;
    while (start < in.size() && in[start] != 0x01) ++start;
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(start));
    if (in.size() < 5) return false;
    const std::size_t length = (std::size_t{in[3]} << 8) | in[4];
    if (in.size() < length + 6) return false;
    std::uint8_t check = 0;
    for (std::size_t i = 1; i < length + 5; ++i) check ^= in[i];
    bCheckOk = check == in[length + 5];
    out.letter = static_cast<char>(in[1]);
    out.sequence = in[2];
    out.payload.assign(in.begin() + 5, in.begin() + 5 + static_cast<std::ptrdiff_t>(length));
    in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(length + 6));
    return true;
}

void FormPrinter::Run() {
    std::uint8_t block[1024];
    while (!m_thread.StopRequested()) {
        const long n = m_pty.Read(platform::Pty::Side::Master, block, 50);
        if (n < 0) static_cast<void>(platform::WaitForSingleObject(m_thread.StopEvent(), 10));
        if (n <= 0) continue;
        m_in.insert(m_in.end(), block, block + n);
        FormRequest r;
        bool bCheckOk = false;
        while (CutFormRequest(m_in, r, bCheckOk)) {
            if (bCheckOk) OnFrame(r.letter, r.sequence, std::move(r.payload));  // else unanswered
        }
        m_changed.notify_all();
    }
}

void FormPrinter::OnFrame(char letter, std::uint8_t sequence, std::string payload) {
    FormAnswer answer;
    bool bLost = false;
    {
        std::lock_guard lock(m_cs);
        if (m_bHaveLast && letter == m_lastLetter && sequence == m_lastSequence) {
            answer = m_lastAnswer;  // a repeat: answered again, not done twice
        } else {
            FormRequest r{letter, sequence, std::move(payload)};
            std::optional<FormAnswer> scripted = m_script ? m_script(r) : std::nullopt;
            bLost = scripted && scripted->kind == FormAnswer::Kind::Lost;
            answer = scripted && !bLost ? *scripted : Act(r);
            if (answer.kind == FormAnswer::Kind::Done) m_requests.push_back(std::move(r));
            m_bHaveLast = true;
            m_lastLetter = letter;
            m_lastSequence = sequence;
            m_lastAnswer = answer;
        }
    }
    if (!bLost) Reply(letter, sequence, answer);
}

FormAnswer FormPrinter::Act(const FormRequest& r) {
    FormAnswer answer;
    const bool needsSession = r.letter != 'S';
    if (needsSession && !m_bSession) return {FormAnswer::Kind::Refused, {}, 1};
    switch (r.letter) {
        case 'S':
            m_bSession = true;
            break;
        case 'E':
            m_bSession = false;
            break;
        case 'H':
            m_host = r.payload;
            break;
        case 'F':
            m_form = r.payload;
            break;
        case 'W':
            m_current += r.payload;
            if (m_bTicketFrames) {
                std::vector<LineFrame> frames;
                m_ticketFrames.Feed(
                    std::span(reinterpret_cast<const std::uint8_t*>(r.payload.data()),
                              r.payload.size()),
                    frames);
                for (const LineFrame& f : frames) {
                    if (auto a = LinePrinter::DefaultAnswer(LineKind::Atb2, f))
                        m_readQueue.append(a->begin(), a->end());
                }
            }
            break;
        case 'R': {
            const std::size_t wanted =
                r.payload.size() >= 2
                    ? (std::size_t{static_cast<std::uint8_t>(r.payload[0])} << 8) |
                          static_cast<std::uint8_t>(r.payload[1])
                    : 0;
            answer.data = m_readQueue.substr(0, wanted);
            m_readQueue.erase(0, answer.data.size());
            break;
        }
        case 'K':
            answer.data = m_stockCode;
            break;
        case 'B':
            if (m_barCodes.empty()) return {FormAnswer::Kind::Refused, {}, 2};
            answer.data = m_barCodes.front();
            break;
        case 'J':
            m_documents.push_back(m_current);
            m_current.clear();
            if (!m_barCodes.empty()) m_barCodes.pop_front();
            break;
        default:
            return {FormAnswer::Kind::Refused, {}, 3};
    }
    return answer;
}

void FormPrinter::Reply(char letter, std::uint8_t sequence, const FormAnswer& answer) {
    std::string payload;
    switch (answer.kind) {
        case FormAnswer::Kind::Silent:
        case FormAnswer::Kind::Lost:
            return;
        case FormAnswer::Kind::Done:
            payload = '\0' + answer.data;
            break;
        case FormAnswer::Kind::Busy:
            payload = "\x01";
            break;
        case FormAnswer::Kind::Refused:
            payload = {'\x02', static_cast<char>(answer.code >> 8),
                       static_cast<char>(answer.code & 0xFF)};
            break;
    }
    std::vector<std::uint8_t> out = {0x01, static_cast<std::uint8_t>(letter), sequence,
                                     static_cast<std::uint8_t>(payload.size() >> 8),
                                     static_cast<std::uint8_t>(payload.size() & 0xFF)};
    out.insert(out.end(), payload.begin(), payload.end());
    std::uint8_t check = 0;
    for (std::size_t i = 1; i < out.size(); ++i) check ^= out[i];
    out.push_back(check);
    static_cast<void>(m_pty.Write(platform::Pty::Side::Master, out, 5000));
}

}  // namespace printersim

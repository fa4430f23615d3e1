// A forms printer at the far end of the forms library's line, on a pseudo-terminal. It
// decodes the library's requests with its own code (SOH, letter, sequence, 16-bit
// big-endian length, payload, XOR check of the bytes after SOH), records every one, and
// answers: by default it does what is asked. Writes go to the current document, an eject
// ends the document; the stock code and the bar code of the ticket in the printer are set
// by the test (each eject moves on to the next bar code). In ticket printer mode every
// ticket printer frame written is answered, for the next read, with the default answer of
// that printer. A request repeated with the same sequence is answered again, not done
// twice. A script may answer a request otherwise: busy, refused with a code, silent, or
// done with its answer lost.
//
// Threads: one reader thread of its own; every member may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Pty.h"
#include "platform/Thread.h"
#include "printersim/LineFrames.h"

namespace printersim {

struct FormRequest {
    char letter = 0;
    std::uint8_t sequence = 0;
    std::string payload;
};

struct FormAnswer {
    // Silent: nothing done, no answer; Lost: done as by default, but the answer is lost.
    enum class Kind { Done, Busy, Refused, Silent, Lost };
    Kind kind = Kind::Done;
    std::string data;        // of a done answer
    std::uint16_t code = 0;  // of a refusal
};

// Cuts the first whole request out of the bytes gathered from the line (junk before it
// dropped); false while none is whole.
bool CutFormRequest(std::vector<std::uint8_t>& in, FormRequest& out, bool& bCheckOk);

class FormPrinter {
public:
    // Answers a request otherwise than by default; nothing: the default. Runs on the reader
    // thread and must not call the printer's members.
    using Script = std::function<std::optional<FormAnswer>(const FormRequest&)>;

    explicit FormPrinter(bool bTicketPrinterFrames = false);
    ~FormPrinter();
    FormPrinter(const FormPrinter&) = delete;
    FormPrinter& operator=(const FormPrinter&) = delete;

    [[nodiscard]] bool Start();
    const std::string& LinePath() const { return m_pty.slaveName(); }

    void SetScript(Script script);
    void SetStockCode(const std::string& code);
    // The bar codes of the tickets in the printer, in order.
    void SetBarCodes(std::deque<std::string> codes);
    // Bytes the printer has for the host, handed out by the next reads.
    void QueueForRead(const std::string& bytes);

    // Every request that was acted on (repeats not again), in order.
    std::vector<FormRequest> Requests() const;
    // The letters of those requests, as one string ("SFWJE").
    std::string Letters() const;
    // The documents ended by an eject, and what is written since the last one.
    std::vector<std::string> Documents() const;
    std::string CurrentDocument() const;
    bool InSession() const;
    std::string Form() const;
    std::string Host() const;
    // Waits (bounded) until cond holds over the printer's state.
    bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout) const;

private:
    void Run();
    void OnFrame(char letter, std::uint8_t sequence, std::string payload);
    FormAnswer Act(const FormRequest& r);
    void Reply(char letter, std::uint8_t sequence, const FormAnswer& answer);

    bool m_bTicketFrames;
    platform::Pty m_pty;
    platform::Thread m_thread{"formprinter"};
    mutable std::mutex m_cs;
    mutable std::condition_variable m_changed;
    Script m_script;
    std::string m_stockCode = "05";
    std::deque<std::string> m_barCodes;
    std::string m_readQueue;
    std::vector<FormRequest> m_requests;
    std::vector<std::string> m_documents;
    std::string m_current;
    bool m_bSession = false;
    std::string m_form, m_host;
    // The last request and its answer, for a repeat.
    bool m_bHaveLast = false;
    char m_lastLetter = 0;
    std::uint8_t m_lastSequence = 0;
    FormAnswer m_lastAnswer;
    // The request being gathered from the line.
    std::vector<std::uint8_t> m_in;
    FrameDecoder m_ticketFrames{LineKind::Atb2};
};

}  // namespace printersim

// The print spooler of the machine as the printing devices see it: its queues by name (with
// the device each prints to, its state and its default paper), pausing and resuming a queue,
// and jobs written buffer by buffer. The machine's spooler is the print server the client
// library finds (CUPS_SERVER, the client configuration, else the local one); tests put a
// scripted spooler in its place.
//
// Threads: any. The server's spooler opens a connection per call and per job, so calls from
// several threads never share one; a job belongs to the thread that writes it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace spooler {

// The states a queue reports: ready, printing, paused.
enum class QueueState : int { Idle = 3, Processing = 4, Stopped = 5 };

struct Queue {
    std::string strName;
    std::string strDeviceUri;  // "serial:/dev/ttyS0?baud=9600", "file:/tmp/x", ...
    QueueState eState = QueueState::Idle;
    std::string strMediaDefault;  // "iso_a4_210x297mm", "na_letter_8.5x11in", or ""
};

// What a job carries: bytes for the printer as they are, or a PDF document.
enum class DocumentFormat { Raw, Pdf };

// One spooler job of one document. Destroying a job that was not finished finishes it, so
// what was written still prints.
class IJob {
public:
    virtual ~IJob() = default;
    // Adds bytes to the document; false with the error text when the spooler refused them.
    [[nodiscard]] virtual bool Write(std::span<const std::uint8_t> bytes, std::string& error) = 0;
    // Ends the document; the job then prints. False with the error text when the spooler did
    // not take it. A job is finished once, whatever the result.
    [[nodiscard]] virtual bool Finish(std::string& error) = 0;
    virtual int Id() const = 0;
};

class ISpooler {
public:
    virtual ~ISpooler() = default;
    // The queues in the server's order, each once; none when no server answers.
    virtual std::vector<Queue> ListQueues() = 0;
    // The queue the machine prints to when none is named; "" when it has none.
    virtual std::string DefaultQueue() = 0;
    // Pauses or resumes one queue; false with the error text.
    [[nodiscard]] virtual bool PauseQueue(const std::string& strName, std::string& error) = 0;
    [[nodiscard]] virtual bool ResumeQueue(const std::string& strName, std::string& error) = 0;
    // Creates a job named strTitle on the queue and starts its one document; null with the
    // error text when the queue or the server refused.
    virtual std::unique_ptr<IJob> StartJob(const std::string& strQueue, const std::string& strTitle,
                                           DocumentFormat eFormat, std::string& error) = 0;
};

// The spooler in use: the one installed, else the machine's.
ISpooler& Spooler();
// Installs a spooler in place of the machine's (null gives the machine's back); returns the
// one installed before. For tests, before the devices' threads start.
ISpooler* InstallSpooler(ISpooler* pSpooler);

// The path of a device URI ("serial:/dev/ttyS0?baud=9600" gives "/dev/ttyS0"): what follows
// the scheme's colon (and a "//" host part of none) up to any "?".
std::string DeviceUriPath(const std::string& strUri);

}  // namespace spooler

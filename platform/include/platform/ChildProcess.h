// A program started as a child process, for tests and tools that drive another program: its
// standard output and standard error come back through one pipe, read line by line with a
// deadline; its standard input is empty. Waiting for its end has a deadline too, and a child
// still running when the object goes is killed and reaped, so no child outlives its owner.
//
// One thread uses an object at a time.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program at `path` with `args` after its name, in the environment of the
    // caller. False with the last error when it cannot be started (a program that cannot be
    // executed also fails here, not later), or when a child is already running.
    [[nodiscard]] bool Start(const std::string& path, const std::vector<std::string>& args);
    bool Running() const noexcept { return m_pid > 0; }
    int Pid() const noexcept { return m_pid; }

    // The next line of output, without its line end, waiting at most timeoutMs for it. Nothing
    // at the time-out, or once the output has ended and every line was read (a last line
    // without a line end is given all the same).
    std::optional<std::string> ReadLine(int timeoutMs);
    // Every line still to come, until the output ends or timeoutMs has passed.
    std::vector<std::string> ReadRemaining(int timeoutMs);

    // Waits at most timeoutMs for the child to end: its exit code, or 128 plus the number of
    // the signal that ended it. Nothing at the time-out (the child goes on).
    std::optional<int> Wait(int timeoutMs);
    // Ends the child at once and reaps it; its exit code as Wait gives it.
    std::optional<int> Kill();

private:
    // Reads what the pipe holds into m_pending, waiting until the deadline for the first byte;
    // false once the output has ended or the deadline passed.
    bool Fill(long long deadlineMs);
    void CloseOutput() noexcept;
    // Collects the child's end (waitpid with `flags`); false while it still runs.
    bool Reap(int flags);

    int m_pid = -1;
    int m_pidfd = -1;   // readable once the child has ended, when the system gives one
    int m_output = -1;  // read end of the output pipe
    bool m_outputEnded = false;
    std::string m_pending;  // output read but not yet handed out
    std::optional<int> m_exitCode;
};

}  // namespace platform

// The output side of the file device: either one fixed file that each host message is
// written to (appended or overwriting), or one new file per host message, named by a
// number ("<name>.001") or a time stamp ("<name>20240305140709045.TXT"). A writer thread
// writes what the device's send thread hands over, and reports how the write went.
//
// A new file is written as a temporary file under the machine root and moved to its name
// only once the whole message is in it, so a reader never sees half a message.
//
// Threads: HandOver and FileRelease run on the device's send thread, the writers on the
// writer thread. Lock order: m_csHandOver (held by the writer for a whole write), then the
// program-wide name lock, then m_csDone; the trace log is innermost.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "devices/DeviceReport.h"
#include "platform/Event.h"
#include "platform/File.h"
#include "platform/Thread.h"

namespace devices {

struct CFileSettings {
    std::string strFileLocation;    // folder of the files (a Windows path)
    std::string strFileName;        // base name (single) or prefix (multiple)
    std::string strSingleFileType;  // extension of the single file
    bool bMultipleFiles = false;
    std::int32_t iMultipleFileLimit = 0;  // bound of the numbered extensions
    bool bSingleFileAppend = false;
    std::uint32_t dwMaximumFileSize = 0;  // bytes; checked after each write
    std::uint32_t dwExtnType = 0;         // 1: time-stamped names; otherwise numbered
    std::string strTempFileName;          // "File00.Tmp", under the machine root
};

class CFileOutput {
public:
    enum class eHandOver { WRITTEN, FAILED, TIMED_OUT };

    // How long the send thread waits for the writer.
    static constexpr platform::DWORD kHandOverWaitMs = 10000;
    // How often a name is tried before the search for a free one gives up (names that are
    // not numbered one by one repeat until the clock moves on).
    static constexpr int kMaxNameTries = 1000;

    CFileOutput(IDeviceReport& report, CFileSettings settings);
    // Stops the writer and closes an open file without committing it.
    ~CFileOutput();
    CFileOutput(const CFileOutput&) = delete;
    CFileOutput& operator=(const CFileOutput&) = delete;

    [[nodiscard]] bool StartWriter();
    void StopWriter();

    // Hands one buffer to the writer and waits for it (at most kHandOverWaitMs).
    eHandOver HandOver(const std::string& data, bool bLast);
    // Gives up an output left incomplete: the file is closed without commit and the
    // message gathered so far is dropped.
    void FileRelease();

    // The writers and their steps (writer thread).
    [[nodiscard]] bool SendToMultipleFiles(const std::string& data, bool bLast);
    [[nodiscard]] bool SendToSingleFile(const std::string& data, bool bLast);
    std::string BuildFileName(int iFileNumber) const;
    [[nodiscard]] bool FileFind(const std::string& name);
    [[nodiscard]] bool FileOpen(const std::string& name);
    [[nodiscard]] bool FileClose(bool bCommit);
    [[nodiscard]] bool FileWrite(const std::string& data);

    const CFileSettings& Settings() const noexcept { return m_settings; }

    // The program-wide number of the next numbered file (starts at 1).
    static int FileNumber();
    static void SetFileNumber(int iFileNumber);
    // The next temporary file name: "File%02d.Tmp", or with the instance identifier in
    // front ("%sFile%02d.Tmp"); each call takes a new number, from 0.
    static std::string TakeTemporaryFileName(const std::string& strInstanceId);

private:
    void WriterLoop();
    std::string Key() const { return m_report.ReportKey(); }
    bool FindFreeName(std::string& name);
    void ReleaseName();

    IDeviceReport& m_report;
    const CFileSettings m_settings;

    // Writer-thread state (under m_csHandOver).
    platform::File m_file;
    bool m_bFileOpen = false;
    std::string m_strTarget;        // the full (Windows) name of the file being written
    std::string m_strReserved;      // the new file's name, kept from other devices
    std::string m_strAccumulation;  // buffers of the current message (multiple)
    bool m_bMessageFailed = false;  // a buffer of the current message failed (multiple)

    // The hand-over.
    std::mutex m_csHandOver;
    std::string m_strPending;
    bool m_bPendingLast = false;
    bool m_bPending = false;
    std::uint64_t m_nHandOver = 0;
    platform::Event m_eventData{platform::EventReset::Auto};
    std::mutex m_csDone;
    std::uint64_t m_nDone = 0;  // under m_csDone
    bool m_bDoneResult = false;
    platform::Event m_eventDone{platform::EventReset::Auto};

    platform::Thread m_writer{"FileWriter"};
};

}  // namespace devices

#include "devices/FileOutput.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <set>
#include <span>
#include <system_error>
#include <utility>

#include "core/TraceLog.h"
#include "platform/FileOps.h"
#include "platform/MachineRoot.h"
#include "platform/Path.h"
#include "platform/Time.h"
#include "platform/Wait.h"
#include "platform/Win32Error.h"

namespace devices {

namespace {

namespace fs = std::filesystem;

// The numbered files of all file devices of the program, and the names of the new files
// being written (so that two devices writing to one folder never pick the same name).
std::recursive_mutex g_csNames;
int g_iFileNumber = 1;                  // under g_csNames
std::set<std::string> g_reservedNames;  // mapped paths, under g_csNames
std::atomic<int> g_iTemporaryNumber{0};

std::string WithSeparator(const std::string& folder) {
    return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

std::span<const std::uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

void TraceBytes(const std::string& s) {
    TraceLog().TraceData(0, reinterpret_cast<const std::uint8_t*>(s.data()),
                         static_cast<int>(s.size()));
}

}  // namespace

CFileOutput::CFileOutput(IDeviceReport& report, CFileSettings settings)
    : m_report(report), m_settings(std::move(settings)) {}

CFileOutput::~CFileOutput() {
    StopWriter();
    std::lock_guard lock(m_csHandOver);
    (void)FileClose(false);
}

bool CFileOutput::StartWriter() {
    return m_writer.Start([this] { WriterLoop(); });
}

void CFileOutput::StopWriter() {
    m_writer.Stop();
    m_writer.Join();
}

int CFileOutput::FileNumber() {
    std::lock_guard lock(g_csNames);
    return g_iFileNumber;
}

void CFileOutput::SetFileNumber(int iFileNumber) {
    std::lock_guard lock(g_csNames);
    g_iFileNumber = iFileNumber;
}

std::string CFileOutput::TakeTemporaryFileName(const std::string& strInstanceId) {
    char name[64];
    std::snprintf(name, sizeof name, "File%02d.Tmp", g_iTemporaryNumber++);
    return strInstanceId + name;
}

// --- The hand-over between the send thread and the writer ------------------------------

CFileOutput::eHandOver CFileOutput::HandOver(const std::string& data, bool bLast) {
    std::uint64_t nThis;
    {
        std::lock_guard lock(m_csHandOver);  // waits for a write still under way
        m_strPending = data;
        m_bPendingLast = bLast;
        m_bPending = true;
        nThis = ++m_nHandOver;
    }
    m_eventData.Set();
    const std::uint64_t start = platform::GetTickCount64();
    for (;;) {
        {
            std::lock_guard lock(m_csDone);
            if (m_nDone >= nThis) return m_bDoneResult ? eHandOver::WRITTEN : eHandOver::FAILED;
        }
        const std::uint64_t spent = platform::GetTickCount64() - start;
        if (spent >= kHandOverWaitMs) return eHandOver::TIMED_OUT;
        (void)platform::WaitForSingleObject(m_eventDone,
                                            static_cast<platform::DWORD>(kHandOverWaitMs - spent));
    }
}

void CFileOutput::WriterLoop() {
    const std::array<platform::Waitable*, 2> wake{&m_eventData, &m_writer.StopEvent()};
    while (!m_writer.StopRequested()) {
        if (platform::WaitForMultipleObjects(wake, false, platform::INFINITE) !=
            platform::WAIT_OBJECT_0)
            continue;
        bool bResult;
        {
            std::lock_guard lock(m_csHandOver);  // held through the write
            if (!m_bPending) continue;
            const std::string data = std::move(m_strPending);
            const bool bLast = m_bPendingLast;
            const std::uint64_t nThis = m_nHandOver;
            m_bPending = false;
            bResult = m_settings.bMultipleFiles ? SendToMultipleFiles(data, bLast)
                                                : SendToSingleFile(data, bLast);
            {
                std::lock_guard done(m_csDone);
                m_nDone = nThis;
                m_bDoneResult = bResult;
            }
            m_eventDone.Set();
        }
        if (!bResult) (void)platform::WaitForSingleObject(m_writer.StopEvent(), 1000);
    }
}

void CFileOutput::FileRelease() {
    std::lock_guard lock(m_csHandOver);
    TRACE_FORMAT(0, "CDeviceFile::FileRelease():", "'%s'", Key().c_str());
    if (m_report.ReportIsBusy()) m_report.ReportAvailable();
    (void)FileClose(false);
    // What was gathered of the message is dropped with it, never put in front of the next.
    m_strAccumulation.clear();
    m_bMessageFailed = false;
}

// --- The writers -------------------------------------------------------------------------

bool CFileOutput::SendToSingleFile(const std::string& data, bool bLast) {
    static constexpr const char* kLabel = "CDeviceFile::SendToSingleFile():";
    TRACE_FORMAT(0, kLabel, "'%s'", Key().c_str());
    if (!m_bFileOpen) {
        const std::string name = WithSeparator(m_settings.strFileLocation) +
                                 m_settings.strFileName + "." + m_settings.strSingleFileType;
        if (!FileOpen(name)) return false;
        if (m_settings.bSingleFileAppend ? !m_file.SeekToEnd() : !m_file.Seek(0)) {
            m_report.ReportLastError(
                TRACE_LAST_ERROR("CDeviceFile::SendToSingleFile(): ::SetFilePointer():"));
            (void)FileClose(false);
            return false;
        }
        if (!m_settings.bSingleFileAppend && !m_file.Resize(0)) {
            m_report.ReportLastError(
                TRACE_LAST_ERROR("CDeviceFile::SendToSingleFile(): ::SetEndOfFile():"));
            (void)FileClose(false);
            return false;
        }
    }
    if (bLast) TRACE_FORMAT(0, kLabel, "'%s', Last buffer in message", Key().c_str());
    if (!FileWrite(data)) {
        (void)FileClose(false);
        return false;
    }
    m_report.ReportTime();
    m_report.ReportSent(data.size());
    if (bLast) {
        // The file stays open across the buffers of one message.
        m_report.ReportAvailable();
        if (!FileClose(true)) return false;
    }
    return true;
}

bool CFileOutput::SendToMultipleFiles(const std::string& data, bool bLast) {
    static constexpr const char* kLabel = "CDeviceFile::SendToMultipleFiles():";
    TRACE_FORMAT(0, kLabel, "'%s'", Key().c_str());
    // A message that failed part way is not written at all: its later buffers fail too,
    // and the next message starts afresh.
    const auto fail = [&] {
        m_strAccumulation.clear();
        m_bMessageFailed = !bLast;
        m_report.ReportTime();
        return false;
    };
    if (m_bMessageFailed) {
        TRACE_FORMAT(0, kLabel, "'%s', Rest of a failed message dropped", Key().c_str());
        return fail();
    }
    if (!m_bFileOpen) {
        std::lock_guard names(g_csNames);
        std::string name;
        if (!FindFreeName(name)) return fail();
        if (!FileOpen(name)) {
            TRACE_FORMAT(2, kLabel, "Can not open file: '%s'", name.c_str());
            return fail();
        }
    }
    if (bLast) {
        TRACE_FORMAT(0, kLabel, "'%s', Last buffer in message", Key().c_str());
        m_strAccumulation += data;
        if (!FileWrite(m_strAccumulation)) {
            (void)FileClose(false);
            return fail();
        }
        const std::size_t nBytes = m_strAccumulation.size();
        m_strAccumulation.clear();
        if (!FileClose(true)) return fail();  // the file did not get its name
        m_report.ReportSent(nBytes);
        m_report.ReportAvailable();
    } else {
        m_strAccumulation += data;
        TRACE_FORMAT(0, kLabel, "'%s', Added to accumulation:", Key().c_str());
        TraceBytes(data);
    }
    m_report.ReportTime();
    return true;
}

bool CFileOutput::FindFreeName(std::string& name) {
    static constexpr const char* kLabel = "CDeviceFile::SendToMultipleFiles():";
    bool bWrapped = false;
    name = BuildFileName(g_iFileNumber);
    for (int nTries = 1;; ++nTries) {
        const bool bTaken =
            FileFind(name) || g_reservedNames.count(platform::MapPath(name).string()) != 0;
        if (!bTaken) return true;
        TRACE_FORMAT(0, kLabel, "'%s', Found File FileNumber: %d", Key().c_str(), g_iFileNumber);
        if (m_settings.dwExtnType == 0) {
            TRACE_FORMAT(0, kLabel, "'%s', File Extension Increment mode detected", Key().c_str());
            ++g_iFileNumber;
            if (g_iFileNumber >= m_settings.iMultipleFileLimit) {
                if (bWrapped) {
                    m_report.ReportLastError(TRACE_FORMAT(2, kLabel,
                                                          "m_dwMultipleFileLimit %d exceeded",
                                                          m_settings.iMultipleFileLimit));
                    return false;
                }
                bWrapped = true;
                g_iFileNumber = 0;
                TRACE_FORMAT(0, kLabel, "'%s', Setting FileNumber to 0", Key().c_str());
            }
        } else {
            TRACE_FORMAT(2, kLabel, "'%s', File Extension Increment mode NOT detected",
                         Key().c_str());
            // The name repeats until the clock moves on; the search is bounded.
            if (nTries >= kMaxNameTries) {
                m_report.ReportLastError(TRACE_FORMAT(2, kLabel, "'%s', No free file name: '%s'",
                                                      Key().c_str(), name.c_str()));
                return false;
            }
        }
        name = BuildFileName(g_iFileNumber);
    }
}

void CFileOutput::ReleaseName() {
    if (m_strReserved.empty()) return;
    std::lock_guard names(g_csNames);
    g_reservedNames.erase(m_strReserved);
    m_strReserved.clear();
}

std::string CFileOutput::BuildFileName(int iFileNumber) const {
    std::string name = WithSeparator(m_settings.strFileLocation) + m_settings.strFileName;
    char suffix[64];
    if (m_settings.dwExtnType == 1) {
        const platform::SystemTime t = platform::GetLocalTime();
        std::snprintf(suffix, sizeof suffix, "%04d%02d%02d%02d%02d%02d%03d.TXT", t.wYear, t.wMonth,
                      t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    } else {
        std::snprintf(suffix, sizeof suffix, ".%03d", iFileNumber);
    }
    return name + suffix;
}

bool CFileOutput::FileFind(const std::string& name) {
    TRACE_FORMAT(0, "CDeviceFile::FileFind():", "'%s', szFileLocationNameType=%s", Key().c_str(),
                 name.c_str());
    const fs::path path = platform::MapPath(name);
    std::error_code ec;
    const bool bExists = !path.empty() && fs::exists(path, ec);
    if (path.empty() || ec) {
        const platform::DWORD error =
            path.empty() ? platform::GetLastError() : platform::FromErrno(ec.value());
        m_report.ReportLastError(
            TRACE_ERROR_TEXT("CDeviceFile::FileFind(): ::FindFirstFile():", error));
        return false;
    }
    return bExists;
}

bool CFileOutput::FileOpen(const std::string& name) {
    static constexpr const char* kLabel = "CDeviceFile::FileOpen():";
    TRACE_FORMAT(0, kLabel, "'%s'", Key().c_str());
    m_strTarget = name;
    const fs::path target = platform::MapPath(name);
    const auto failed = [&] {
        m_report.ReportLastError(TRACE_LAST_ERROR("CDeviceFile::FileOpen(): ::CreateFile():"));
        TRACE_FORMAT(2, kLabel, "szFileLocationNameType=%s", name.c_str());
        return false;
    };
    if (target.empty()) return failed();
    if (m_settings.bMultipleFiles) {
        const fs::path temporary = platform::MachineRoot() / m_settings.strTempFileName;
        std::error_code ec;
        fs::remove(temporary, ec);
        // The new name proves that the folder takes files; the data goes to the temporary
        // file, which gets the name once the message is whole.
        platform::File probe;
        if (!probe.Open(target, platform::File::Disposition::CreateNew)) {
            if (platform::GetLastError() == platform::ERROR_FILE_EXISTS) return failed();
            (void)platform::CreateDirectory(target.parent_path());
            if (!probe.Open(target, platform::File::Disposition::CreateNew)) return failed();
        }
        probe.Close();
        fs::remove(target, ec);
        if (!platform::CreateDirectories(temporary.parent_path()) ||
            !m_file.Open(temporary, platform::File::Disposition::CreateAlways))
            return failed();
        std::lock_guard names(g_csNames);
        m_strReserved = target.string();
        g_reservedNames.insert(m_strReserved);
    } else if (!m_file.Open(target, platform::File::Disposition::OpenAlways)) {
        return failed();
    }
    m_bFileOpen = true;
    return true;
}

bool CFileOutput::FileClose(bool bCommit) {
    TRACE_FORMAT(0, "CDeviceFile::FileClose():", "'%s'", Key().c_str());
    bool bResult = true;
    if (m_bFileOpen) {
        if (bCommit && !m_file.Flush()) {
            m_report.ReportLastError(
                TRACE_LAST_ERROR("CDeviceFile::FileClose(): ::FlushFileBuffers():"));
            bResult = false;
        }
        m_file.Close();
        if (bCommit && bResult && m_settings.bMultipleFiles) {
            const fs::path temporary = platform::MachineRoot() / m_settings.strTempFileName;
            if (!platform::MoveFile(temporary, platform::MapPath(m_strTarget), false)) {
                m_report.ReportLastError(
                    TRACE_LAST_ERROR("CDeviceFile::FileClose(): ::MoveFile():"));
                bResult = false;
            }
        }
    }
    ReleaseName();
    m_bFileOpen = false;
    return bResult;
}

bool CFileOutput::FileWrite(const std::string& data) {
    static constexpr const char* kLabel = "CDeviceFile::FileWrite():";
    TRACE_FORMAT(0, kLabel, "'%s', Written %i bytes", Key().c_str(), static_cast<int>(data.size()));
    TraceBytes(data);
    if (!m_file.Write(Bytes(data))) {
        m_report.ReportLastError(TRACE_LAST_ERROR("CDeviceFile::FileWrite(): ::WriteFile():"));
        return false;
    }
    const std::int64_t size = m_file.Size();
    if (size < 0) return true;
    if (static_cast<std::uint64_t>(size) > m_settings.dwMaximumFileSize) {
        m_report.ReportLastError(TRACE_FORMAT(2, kLabel, "Reached maximum file size %d",
                                              static_cast<int>(m_settings.dwMaximumFileSize)));
        return false;
    }
    return true;
}

}  // namespace devices

#include "devices/InterfaceQueueOutput.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <span>
#include <system_error>
#include <utility>

#include "core/TraceLog.h"
#include "platform/FileOps.h"
#include "platform/Path.h"
#include "spoolkit/Spoolkit.h"

namespace devices {

namespace {

namespace fs = std::filesystem;

std::span<const std::uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The name characters come from the host's bytes: anything that would leave the folder or
// that no file name may hold is written as "_".
std::string SafeName(std::string name) {
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || std::string_view("\\/<>:\"|?*").find(c) != std::string_view::npos) c = '_';
    }
    return name;
}

}  // namespace

CInterfaceQueueOutput::CInterfaceQueueOutput(IDeviceReport& report,
                                             CInterfaceQueueSettings settings)
    : m_report(report), m_settings(std::move(settings)) {}

CInterfaceQueueOutput::~CInterfaceQueueOutput() {
    if (m_hQueue != 0) CloseQFile(m_hQueue);
    m_pnr.file.Close();
    m_fil.file.Close();
    m_inp.Close();
}

std::uint16_t CInterfaceQueueOutput::RecordCode(std::uint32_t dwQueueType) {
    switch (dwQueueType) {
        case 1:
            return 30;
        case 2:
            return 27;
        default:
            return static_cast<std::uint16_t>(dwQueueType);
    }
}

void CInterfaceQueueOutput::ConvertFFToCR(std::string& data) {
    std::replace(data.begin(), data.end(), '\xFF', '\r');
}

bool CInterfaceQueueOutput::Write(const std::string& data, int iLast) {
    switch (m_settings.dwNativeFormat) {
        case 0:
            return WriteToQueueFile(data);
        case 1:
            return WriteToPNRFile(data, iLast);
        case 2:
            return WriteToFILFile(data, iLast);
        case 3:
        case 4:
            return WriteToINPFile(data, iLast);
        default:
            return true;  // no format: nothing is written
    }
}

bool CInterfaceQueueOutput::WriteToQueueFile(const std::string& data) {
    if (m_hQueue == 0) {
        const std::uint32_t handle = OpenQFile(m_settings.strQueuePath.c_str());
        if (handle == kQFileInvalidHandle) {
            m_report.ReportLastErrorId(IDS_QUEUE_FILE_IN_USE);
            return false;
        }
        m_hQueue = handle;
    }
    // One record per buffer; a buffer longer than a record holds goes whole, as several
    // records in a row.
    bool bResult = true;
    std::size_t offset = 0;
    do {
        const std::size_t n = std::min(kMaxRecord, data.size() - offset);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data()) + offset;
        if (WriteQFile(m_hQueue, m_settings.wRecordCode, bytes, static_cast<std::uint16_t>(n)) !=
            QFILE_OK) {
            m_report.ReportLastErrorId(IDS_QUEUE_RECORD_LOCKED);
            bResult = false;
            break;
        }
        offset += n;
    } while (offset < data.size());
    m_report.ReportTime();
    return bResult;
}

bool CInterfaceQueueOutput::WriteToPNRFile(const std::string& data, int iLast) {
    const bool bResult = WriteNative(m_pnr, data, iLast);
    m_report.ReportTime();
    return bResult;
}

bool CInterfaceQueueOutput::WriteToFILFile(const std::string& data, int iLast) {
    const bool bResult = WriteNative(m_fil, data, iLast);
    m_report.ReportTime();
    return bResult;
}

bool CInterfaceQueueOutput::WriteNative(NativeFile& f, const std::string& data, int iLast) {
    const std::size_t length = data.size();
    if (iLast == 0) {
        if (f.bOpen) return Put(f, data);
        if (f.iCount == -1) return false;
        const auto count = static_cast<std::size_t>(f.iCount);
        if (count + length < kHeaderMore) {
            f.strHeader += data;
            f.iCount = static_cast<int>(count + length);
            return true;
        }
        const std::size_t take = kHeaderMore - count;
        if (!Begin(f, f.strHeader + data.substr(0, take), 55)) return false;
        return Put(f, data.substr(take));
    }
    if (iLast != 1 && !f.bOpen) {
        f.iCount = 0;
        f.strHeader.clear();
        return true;
    }
    if (f.bOpen) {
        std::string rest = data;
        ConvertFFToCR(rest);
        return Put(f, rest) && Finish(f);
    }
    if (f.iCount == -1) return false;
    const auto count = static_cast<std::size_t>(f.iCount);
    if (count + length < kHeaderLast) {
        f.strHeader += data;
        f.iCount = static_cast<int>(count + length);
        return true;
    }
    // Earlier buffers may have gathered more than this header's 50 bytes already: they are
    // all written, and this buffer after them.
    const std::size_t take = count >= kHeaderLast ? 0 : kHeaderLast - count;
    if (!Begin(f, f.strHeader + data.substr(0, take), 44)) return false;
    std::string rest = data.substr(take);
    ConvertFFToCR(rest);
    // Only a message written whole gets its name; a short write leaves the file open and
    // the next buffer goes behind what was written.
    return Put(f, rest) && Finish(f);
}

bool CInterfaceQueueOutput::Begin(NativeFile& f, const std::string& header, std::size_t nameAt) {
    const std::string name = SafeName(header.substr(nameAt, 6));
    std::string target;
    std::string temporary;
    for (int i = 0; i < 256; ++i) {
        char number[4];
        std::snprintf(number, sizeof number, "%02x", i);
        std::string base = m_settings.strQueueFolder + name + number;
        if (i == 255) {
            // Every number is taken: the last digit becomes "X".
            std::error_code ec;
            if (fs::exists(platform::MapPath(base + f.pszExtension), ec)) base.back() = 'X';
        }
        target = platform::MapPath(base + f.pszExtension).string();
        temporary = platform::MapPath(base + ".TMP").string();
        std::error_code ec;
        if (target.empty() || !fs::exists(target, ec)) break;
    }
    if (target.empty() || temporary.empty() ||
        !f.file.Open(temporary, platform::File::Disposition::CreateAlways)) {
        m_report.ReportLastError(
            TRACE_LAST_ERROR((std::string(f.pszLabel) + " ::CreateFile():").c_str()));
        return false;
    }
    f.bOpen = true;
    f.strTarget = target;
    f.strTemporary = temporary;
    f.strHeader.clear();
    f.iCount = -1;
    TRACE_FORMAT(0, f.pszLabel, "'%s', %s", Key().c_str(), target.c_str());
    return Put(f, header);
}

bool CInterfaceQueueOutput::Put(NativeFile& f, const std::string& bytes) {
    if (f.file.Write(Bytes(bytes))) return true;
    m_report.ReportLastError(
        TRACE_LAST_ERROR((std::string(f.pszLabel) + " ::WriteFile():").c_str()));
    return false;
}

bool CInterfaceQueueOutput::Finish(NativeFile& f) {
    bool bResult = f.file.Flush();
    f.file.Close();
    if (bResult) bResult = platform::MoveFile(f.strTemporary, f.strTarget, false);
    if (!bResult)
        m_report.ReportLastError(
            TRACE_LAST_ERROR((std::string(f.pszLabel) + " ::MoveFile():").c_str()));
    f.bOpen = false;
    f.iCount = 0;
    f.strHeader.clear();
    return bResult;
}

bool CInterfaceQueueOutput::WriteToINPFile(const std::string& data, int iLast) {
    static constexpr const char* kLabel = "CDeviceInterfaceQueue::WriteToINPFile():";
    const auto done = [this](bool b) {
        m_report.ReportTime();
        return b;
    };
    if (iLast != 0 && iLast != 1 && !m_bInpOpen) {
        m_iInpState = 0;
        return done(true);
    }
    if (!m_bInpOpen) {
        if (m_iInpState == -1) return done(false);
        const fs::path path = platform::MapPath(m_settings.strQueueFolder + "INP.FIL");
        if (path.empty() || !m_inp.Open(path, platform::File::Disposition::OpenAlways)) {
            m_report.ReportLastError(
                TRACE_LAST_ERROR((std::string(kLabel) + " ::CreateFile():").c_str()));
            return done(false);
        }
        m_bInpOpen = true;
        m_iInpState = -1;
    }
    std::string bytes = data;
    if (iLast != 0) ConvertFFToCR(bytes);
    if (!m_inp.SeekToEnd() || !m_inp.Write(Bytes(bytes))) {
        m_report.ReportLastError(
            TRACE_LAST_ERROR((std::string(kLabel) + " ::WriteFile():").c_str()));
        return done(false);
    }
    if (iLast != 0) {
        m_inp.Close();
        m_bInpOpen = false;
        m_iInpState = 0;
    }
    return done(true);
}

}  // namespace devices

// The output side of the interface queue device: each buffer goes either as a record into
// the queue file, or into native files in the queue folder: one ".PNR" or ".FIL" file per
// host message, named from the message's own header, or every message appended to
// "INP.FIL". Each device keeps its own header state and files.
//
// Native file names: the header is the first 61 bytes of the message when a buffer that
// does not end the message completes it (the name is header bytes 55 to 60), and the first
// 50 bytes when the message's last buffer does (bytes 44 to 49). A file is
// <folder><6 name characters><two lower-case hex digits>.PNR for the first free number;
// with all 256 taken the last digit is "X". A file is written as ".TMP" and renamed once
// the message is all in it. In native files a byte 0xFF of a message's last buffer is
// written as a carriage return.
//
// Threads: the device's send thread only.
#pragma once

#include <cstdint>
#include <string>

#include "devices/DeviceReport.h"
#include "platform/File.h"

namespace devices {

struct CInterfaceQueueSettings {
    std::string strQueuePath;          // the full queue-file name ("C:\SPL\QWORK.SF")
    std::string strQueueFolder;        // the folder of the native files, ending in "\"
    std::uint32_t dwNativeFormat = 0;  // 0 queue file, 1 ".PNR", 2 ".FIL", 3 and 4 "INP.FIL"
    std::uint16_t wRecordCode = 0;     // the queue type's record code
};

class CInterfaceQueueOutput {
public:
    // String-table ids of the queue file's errors.
    static constexpr std::uint32_t IDS_QUEUE_RECORD_LOCKED = 61221;
    static constexpr std::uint32_t IDS_QUEUE_FILE_IN_USE = 61223;
    // The header of a message, by the kind of buffer that completes it.
    static constexpr std::size_t kHeaderMore = 61;
    static constexpr std::size_t kHeaderLast = 50;
    // The largest record of the queue file; a longer buffer goes as several records.
    static constexpr std::size_t kMaxRecord = 0xFFFF;

    CInterfaceQueueOutput(IDeviceReport& report, CInterfaceQueueSettings settings);
    // Closes the queue file and the open native file.
    ~CInterfaceQueueOutput();
    CInterfaceQueueOutput(const CInterfaceQueueOutput&) = delete;
    CInterfaceQueueOutput& operator=(const CInterfaceQueueOutput&) = delete;

    // Writes one buffer in the configured format; iLast is the buffer's type word (1: the
    // buffer ends its host message).
    [[nodiscard]] bool Write(const std::string& data, int iLast);

    [[nodiscard]] bool WriteToQueueFile(const std::string& data);
    [[nodiscard]] bool WriteToPNRFile(const std::string& data, int iLast);
    [[nodiscard]] bool WriteToFILFile(const std::string& data, int iLast);
    [[nodiscard]] bool WriteToINPFile(const std::string& data, int iLast);

    // Every byte 0xFF becomes a carriage return.
    static void ConvertFFToCR(std::string& data);
    // The queue type as a record code: 1 is 30, 2 is 27, others as they are.
    static std::uint16_t RecordCode(std::uint32_t dwQueueType);

    const CInterfaceQueueSettings& Settings() const noexcept { return m_settings; }

private:
    struct NativeFile {
        NativeFile(const char* extension, const char* label)
            : pszExtension(extension), pszLabel(label) {}
        const char* pszExtension;
        const char* pszLabel;
        platform::File file;
        bool bOpen = false;
        std::string strHeader;  // the message's first bytes while no file is open
        int iCount = 0;         // header bytes held; -1 while a file is open
        std::string strTarget;  // this machine's paths of the open file
        std::string strTemporary;
    };

    bool WriteNative(NativeFile& f, const std::string& data, int iLast);
    bool Begin(NativeFile& f, const std::string& header, std::size_t nameAt);
    bool Put(NativeFile& f, const std::string& bytes);
    bool Finish(NativeFile& f);
    std::string Key() const { return m_report.ReportKey(); }

    IDeviceReport& m_report;
    const CInterfaceQueueSettings m_settings;
    std::uint32_t m_hQueue = 0;  // 0: the queue file is not open
    NativeFile m_pnr{".PNR", "CDeviceInterfaceQueue::WriteToPNRFile():"};
    NativeFile m_fil{".FIL", "CDeviceInterfaceQueue::WriteToFILFile():"};
    platform::File m_inp;
    bool m_bInpOpen = false;
    int m_iInpState = 0;  // -1 while "INP.FIL" is held open for a message
};

}  // namespace devices

// The text printers: device type "System" lays host text out as pages (devices/TextPrintout.h)
// and prints each host message as one PDF job on a spooler queue; "Zeroziro" does the same and
// ends every message with a page eject of its own, a raw job of one form feed.
//
// Threads: OnHostReceive on the user-interface thread; SendToDevice and the release of the
// printout on the send thread, which alone touches the printout.
#pragma once

#include <cstdint>
#include <string>

#include "core/Device.h"
#include "devices/TextPrintout.h"

namespace devices {

class CDeviceSystem : public core::CDevice {
public:
    explicit CDeviceSystem(const std::string& strDeviceKey);
    ~CDeviceSystem() override;

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override;

    // Drops an open printout.
    void PrinterRelease();

    const CTextSettings& Settings() const noexcept { return m_settings; }

protected:
    struct FormFeedAtEnd {};
    CDeviceSystem(const std::string& strDeviceKey, FormFeedAtEnd);

private:
    void Construct(const std::string& strDeviceKey);
    void SendToDeviceOutputOver(core::eTimeOutResult eResult) override;
    [[nodiscard]] bool StartPrinter();
    // Ends the printout and hands the document to the spooler (and the form feed after it).
    [[nodiscard]] bool EndPrinter();
    [[nodiscard]] bool SpoolJob(const std::string& document, bool bPdf);

    const char* m_pszClass;
    const bool m_bFormFeed;
    std::string m_strPrinterName;
    CTextSettings m_settings;
    std::uint32_t m_dwPaperSize = 0;  // kept; the page size is the queue's
    std::int32_t m_iMarginRight = 0;  // kept, not used
    CTextPrintout m_printout;
};

class CDeviceSystemFF final : public CDeviceSystem {
public:
    explicit CDeviceSystemFF(const std::string& strDeviceKey)
        : CDeviceSystem(strDeviceKey, FormFeedAtEnd{}) {}

    // As the other text printer, but an out-of-sequence message is not answered.
    void OnHostReceive() override;
};

}  // namespace devices

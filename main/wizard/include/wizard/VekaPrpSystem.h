// The system printer pages: the machine's printer a "System" device prints its text on
// (dialog 478 "System"), or a "Zeroziro" device (dialog 484 "Zeroziro"), with the font, its
// size, and the page's orientation and margins from the page setup. A new device starts at
// the machine's default printer, "Courier" 10, portrait, with margins of 1000.
#pragma once

#include <cstdint>
#include <string>

#include "uikit/PrintSetup.h"
#include "wizard/WizardIds.h"
#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpSystem : public CWizardPage {
public:
    static constexpr int IDC_PRINTER = 1091;
    static constexpr int IDC_PAGE_SETUP = 1127;
    static constexpr int IDC_FONT = 1128;
    static constexpr int IDC_FONT_SIZE = 1129;

    CVekaPrpSystem() : CVekaPrpSystem(IDD_SYSTEM, "System", kSystem) {}

    void OnInitDialog(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // The printer a new device starts at: the machine's default; "" when it has none.
    static std::string DefaultPrinter();

    [[nodiscard]] const std::string& GetPrinterName() const noexcept { return m_strPrinter; }
    [[nodiscard]] const std::string& GetFont() const noexcept { return m_strFont; }
    [[nodiscard]] const std::string& GetFontSize() const noexcept { return m_strFontSize; }
    [[nodiscard]] std::uint32_t GetOrientation() const noexcept { return m_page.orientation; }
    [[nodiscard]] std::uint32_t GetMarginTop() const noexcept { return m_page.marginTop; }
    [[nodiscard]] std::uint32_t GetMarginBottom() const noexcept { return m_page.marginBottom; }
    [[nodiscard]] std::uint32_t GetMarginLeft() const noexcept { return m_page.marginLeft; }
    [[nodiscard]] std::uint32_t GetMarginRight() const noexcept { return m_page.marginRight; }

protected:
    // (dialog, caption, the device type whose stored values the page loads)
    CVekaPrpSystem(int templateId, const char* caption, const char* deviceType);

private:
    void LoadExistingDevice();
    void FromControls(const uikit::IControlPanel& panel);

    const char* m_pszDeviceType;
    uikit::PageSetup m_page{uikit::DMORIENT_PORTRAIT, 1000, 1000, 1000, 1000};
    std::string m_strPrinter;
    std::string m_strFont = "Courier";
    std::string m_strFontSize = "10";
};

// The same page for the "Zeroziro" device.
class CVekaPrpSystemFF : public CVekaPrpSystem {
public:
    CVekaPrpSystemFF() : CVekaPrpSystem(IDD_SYSTEM_FF, "Zeroziro", kZeroziro) {}
};

}  // namespace wizard

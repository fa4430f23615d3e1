// The device detail pages of the add-device wizard as stand-ins: each has its dialog id and
// caption, goes on as the page order says and offers the values the device list page reads
// at the end of the wizard, with the defaults a new device gets. A test (or a later page of
// its own) sets what the user would have entered. The real pages replace these one by one.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

// A stand-in that goes on to a fixed page.
class CStandInPage : public CWizardPage {
public:
    CStandInPage(int templateId, const char* caption);
    int OnWizardNext(uikit::IControlPanel& panel) override;

protected:
    // The page that follows; -1 stays.
    virtual int NextPage() const;
};

class CVekaPrpQueue : public CStandInPage {
public:
    CVekaPrpQueue() : CStandInPage(240, "Queue") {}
    [[nodiscard]] const std::string& GetQueueName() const noexcept { return m_strQueue; }
    [[nodiscard]] std::uint32_t GetColumnOffset() const noexcept { return m_dwColumnOffset; }

private:
    std::string m_strQueue;
    std::uint32_t m_dwColumnOffset = 0;
};

// The system printer pages ("System" and "Zeroziro") share their values.
class CSystemPrinterStandIn : public CStandInPage {
public:
    using CStandInPage::CStandInPage;
    [[nodiscard]] const std::string& GetPrinterName() const noexcept { return m_strPrinter; }
    [[nodiscard]] const std::string& GetFont() const noexcept { return m_strFont; }
    [[nodiscard]] const std::string& GetFontSize() const noexcept { return m_strFontSize; }
    [[nodiscard]] std::uint32_t GetOrientation() const noexcept { return m_dwOrientation; }
    [[nodiscard]] std::uint32_t GetMarginTop() const noexcept { return m_dwMargin; }
    [[nodiscard]] std::uint32_t GetMarginBottom() const noexcept { return m_dwMargin; }
    [[nodiscard]] std::uint32_t GetMarginLeft() const noexcept { return m_dwMargin; }
    [[nodiscard]] std::uint32_t GetMarginRight() const noexcept { return m_dwMargin; }

private:
    std::string m_strPrinter;
    std::string m_strFont;
    std::string m_strFontSize;
    std::uint32_t m_dwOrientation = 1;
    std::uint32_t m_dwMargin = 1000;
};

class CVekaPrpSystem : public CSystemPrinterStandIn {
public:
    CVekaPrpSystem() : CSystemPrinterStandIn(478, "System") {}
};

class CVekaPrpSystemFF : public CSystemPrinterStandIn {
public:
    CVekaPrpSystemFF() : CSystemPrinterStandIn(484, "Zeroziro") {}
};

}  // namespace wizard

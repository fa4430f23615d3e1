// The extended settings page (dialog 106 "Device Extended Settings"), the common gate before
// the route page: how the end of each host message is written to the device (a line feed
// after each carriage return, the airline ATB2 printer's answer-back, and the trailer: form
// feed, none, a number of line feeds or a custom terminator). A new device gets its type's
// default trailer on every visit; an existing one is loaded once. Next writes the values
// into an existing device's key at once.
#pragma once

#include <cstdint>
#include <string>

#include "wizard/WizardPage.h"

namespace wizard {

class CVekaPrpExtedStyle : public CWizardPage {
public:
    static constexpr int IDC_INSERT_LINE_FEED = 1009;
    static constexpr int IDC_ANSWER_BACK = 1109;
    static constexpr int IDC_FORM_FEED = 1135;
    static constexpr int IDC_NO_FORM_FEED = 1131;
    static constexpr int IDC_LINE_FEEDS = 1132;
    static constexpr int IDC_CUSTOM = 1133;
    static constexpr int IDC_TERMINATOR_FIELD = 1134;
    static constexpr int IDC_FINAL_LINE_FEEDS = 1124;
    static constexpr int IDC_HINT = 1138;
    static constexpr std::uint32_t kMaxFinalLineFeeds = 60;

    CVekaPrpExtedStyle();

    void OnInitDialog(uikit::IControlPanel& panel) override;
    void OnSetActive(uikit::IControlPanel& panel) override;
    bool OnKillActive(uikit::IControlPanel& panel) override;
    int OnWizardNext(uikit::IControlPanel& panel) override;
    void OnCommand(int id, uikit::IControlPanel& panel) override;

    // 1 form feed, 2 no form feed, 3 line feeds, 4 custom; 0 none.
    [[nodiscard]] int GetTerminatorType() const noexcept { return m_nTerminatorType; }
    [[nodiscard]] int GetAnswerBack() const noexcept { return m_nAnswerBack; }
    [[nodiscard]] const std::string& GetTerminatorField() const noexcept { return m_strField; }
    [[nodiscard]] std::uint32_t GetFinalLineFeeds() const noexcept { return m_dwFinalLineFeeds; }
    [[nodiscard]] int GetInsertLineFeed() const noexcept { return m_nInsertLineFeed; }

private:
    void ApplyDefaultTrailer();
    void LoadExistingDevice();
    void ApplyEnabling(uikit::IControlPanel& panel);
    void ApplyTerminatorType(uikit::IControlPanel& panel);
    // The interface queue page's file format (0 without that page).
    int InterfaceQueueFormat() const;
    void ToControls(uikit::IControlPanel& panel) const;
    bool FromControls(uikit::IControlPanel& panel);
    // Writes the values into an existing device's key.
    void Save(const uikit::IControlPanel& panel);

    int m_nFirstActivation = 1;
    int m_nTerminatorType = 1;
    std::string m_strDeviceType;
    int m_nAnswerBack = 0;
    std::string m_strField;
    std::uint32_t m_dwFinalLineFeeds = 0;
    int m_nInsertLineFeed = 1;
};

}  // namespace wizard

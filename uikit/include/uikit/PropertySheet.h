// A property sheet: pages in the order they were added, shown as tabs, or, in wizard mode,
// one at a time with Back, Next, Finish and Cancel. The sheet keeps the wizard's page
// history (the pages from which Next was pressed, at most ten) that pages use to go back.
//
// Whoever shows the sheet (the Qt view, a script, the headless runner) is its site: it
// gives each page a panel and draws the buttons the sheet reports. The sheet is also a
// dialog model, so that the generic dialog view can draw a tabbed sheet as one dialog.
//
// Wizard buttons that pages set are posted, as a window message would be: they take effect
// after the handler that set them (and the activation it belongs to) has returned, in the
// order they were set.
//
// Threads: the user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "uikit/Dialog.h"
#include "uikit/PropertyPage.h"

namespace uikit {

// The modal result of a wizard that ended with Finish.
inline constexpr int ID_WIZFINISH = 12325;

// Wizard buttons.
enum : std::uint32_t {
    PSWIZB_BACK = 1,
    PSWIZB_NEXT = 2,
    PSWIZB_FINISH = 4,
    PSWIZB_DISABLEDFINISH = 8,
};

// Whoever shows a sheet.
class ISheetSite {
public:
    virtual ~ISheetSite() = default;
    // The page's window (made at the first call for that page).
    virtual IControlPanel& PagePanel(int index) = 0;
    // Brings the page to the front.
    virtual void ShowPage(int index) = 0;
    // The buttons, or the Cancel button's text, changed.
    virtual void ButtonsChanged() = 0;
};

class CPropertySheet : public IDialogModel {
public:
    static constexpr std::size_t kHistorySize = 10;

    explicit CPropertySheet(std::string caption, int startPage = 0);

    void AddPage(CPropertyPage& page);
    void SetWizardMode() noexcept { m_bWizard = true; }
    [[nodiscard]] bool IsWizardMode() const noexcept { return m_bWizard; }
    [[nodiscard]] const std::string& Caption() const noexcept { return m_caption; }
    [[nodiscard]] int PageCount() const noexcept { return static_cast<int>(m_pages.size()); }
    [[nodiscard]] CPropertyPage& Page(int index) const;
    // The index of the page with that template id; -1 when none has it.
    [[nodiscard]] int FindPage(int templateId) const;

    // ---- the page history ----
    // Appends the id unless ten are held (then the id is dropped); the count afterwards.
    std::uint32_t PushPage(std::uint32_t pageId);
    // The most recent id, removed; 0 when there is none.
    std::uint32_t PopPage();
    void ClearHistory() noexcept { m_historyCount = 0; }
    [[nodiscard]] std::vector<std::uint32_t> History() const;

    // ---- what pages ask of their sheet ----
    void SetWizardButtons(std::uint32_t flags);
    // Cancel becomes Close: what was done cannot be taken back.
    void CancelToClose();

    // ---- for the site ----
    // The buttons in effect (Back and Next until a page sets them).
    [[nodiscard]] std::uint32_t WizardButtons() const noexcept { return m_buttons; }
    [[nodiscard]] bool CancelIsClose() const noexcept { return m_bCancelToClose; }
    [[nodiscard]] bool CanBack() const noexcept { return (m_buttons & PSWIZB_BACK) != 0; }
    // In a wizard, Next and Finish share their place: Finish when a page asked for it.
    [[nodiscard]] bool ShowsFinish() const noexcept;
    [[nodiscard]] bool CanNext() const noexcept;
    [[nodiscard]] bool CanFinish() const noexcept;
    // Shows the first page.
    void Attach(ISheetSite& site);
    [[nodiscard]] int ActiveIndex() const noexcept { return m_active; }
    [[nodiscard]] CPropertyPage& ActivePage() const { return Page(m_active); }
    // The buttons (each refused while its button is off); true when the page changed or the
    // sheet ended.
    bool Next();
    bool Back();
    bool Finish();
    void Cancel();
    // OK of a tabbed sheet: ends with IDOK once the current page lets go.
    bool Ok();
    // Brings a page of a tabbed sheet to the front once the current page lets go.
    bool SetActivePage(int index);
    // A click, a double-click or an edit's loss of focus on the active page.
    void Command(int id);
    void DoubleClick(int id);
    void KillFocus(int id);

    // ---- the sheet as one dialog (tabs over one panel, for the generic dialog view) ----
    const DialogSpec& Spec() const override;
    void OnInitDialog(IControlPanel& panel) override;
    void OnCommand(int id, IControlPanel& panel) override;

private:
    class OnePanelSite;

    IControlPanel& PanelOf(int index);
    void Activate(int index);
    // Applies the posted buttons and tells the site.
    void Flush();
    void End(int result);

    std::string m_caption;
    int m_startPage;
    bool m_bWizard = false;
    std::vector<CPropertyPage*> m_pages;
    std::array<std::uint32_t, kHistorySize> m_history{};
    std::uint32_t m_historyCount = 0;
    std::vector<std::uint32_t> m_posted;
    std::uint32_t m_buttons = PSWIZB_BACK | PSWIZB_NEXT;
    bool m_bCancelToClose = false;
    ISheetSite* m_pSite = nullptr;
    int m_active = -1;
    mutable DialogSpec m_spec;
    std::unique_ptr<ISheetSite> m_pOwnSite;  // the site of the sheet drawn as one dialog
};

}  // namespace uikit

#include "uikit/PropertySheet.h"

#include <stdexcept>

namespace uikit {

// The site of a sheet drawn as one dialog: every page on the dialog's one panel.
class CPropertySheet::OnePanelSite : public ISheetSite {
public:
    explicit OnePanelSite(IControlPanel& panel) : m_panel(panel) {}
    IControlPanel& PagePanel(int /*index*/) override { return m_panel; }
    void ShowPage(int /*index*/) override {}
    void ButtonsChanged() override {}

private:
    IControlPanel& m_panel;
};

CPropertySheet::CPropertySheet(std::string caption, int startPage)
    : m_caption(std::move(caption)), m_startPage(startPage) {}

void CPropertySheet::AddPage(CPropertyPage& page) {
    page.m_pSheet = this;
    m_pages.push_back(&page);
}

CPropertyPage& CPropertySheet::Page(int index) const {
    if (index < 0 || index >= PageCount()) throw std::out_of_range("CPropertySheet::Page");
    return *m_pages[static_cast<std::size_t>(index)];
}

int CPropertySheet::FindPage(int templateId) const {
    for (int i = 0; i < PageCount(); ++i)
        if (Page(i).TemplateId() == templateId) return i;
    return -1;
}

std::uint32_t CPropertySheet::PushPage(std::uint32_t pageId) {
    if (m_historyCount < kHistorySize) m_history[m_historyCount++] = pageId;
    return m_historyCount;
}

std::uint32_t CPropertySheet::PopPage() {
    if (m_historyCount == 0) return 0;
    return m_history[--m_historyCount];
}

std::vector<std::uint32_t> CPropertySheet::History() const {
    return {m_history.begin(), m_history.begin() + m_historyCount};
}

void CPropertySheet::SetWizardButtons(std::uint32_t flags) {
    m_posted.push_back(flags);
}

void CPropertySheet::CancelToClose() {
    m_bCancelToClose = true;
    if (m_pSite) m_pSite->ButtonsChanged();
}

bool CPropertySheet::ShowsFinish() const noexcept {
    return (m_buttons & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
}

bool CPropertySheet::CanNext() const noexcept {
    return !ShowsFinish() && (m_buttons & PSWIZB_NEXT) != 0;
}

bool CPropertySheet::CanFinish() const noexcept {
    return (m_buttons & PSWIZB_FINISH) != 0;
}

IControlPanel& CPropertySheet::PanelOf(int index) {
    return m_pSite->PagePanel(index);
}

void CPropertySheet::Attach(ISheetSite& site) {
    m_pSite = &site;
    if (PageCount() == 0) return;
    const int start = m_startPage >= 0 && m_startPage < PageCount() ? m_startPage : 0;
    Activate(start);
    Flush();
}

void CPropertySheet::Activate(int index) {
    m_active = index;
    CPropertyPage& page = Page(index);
    IControlPanel& panel = PanelOf(index);
    if (!page.m_created) {
        page.m_created = true;
        page.OnInitDialog(panel);
    }
    m_pSite->ShowPage(index);
    page.OnSetActive(panel);
}

void CPropertySheet::Flush() {
    if (m_posted.empty()) return;
    m_buttons = m_posted.back();
    m_posted.clear();
    if (m_pSite) m_pSite->ButtonsChanged();
}

bool CPropertySheet::Next() {
    if (!m_bWizard || Ended() || !m_pSite || !CanNext()) return false;
    CPropertyPage& page = ActivePage();
    IControlPanel& panel = PanelOf(m_active);
    bool moved = false;
    if (page.OnKillActive(panel)) {
        const int next = page.OnWizardNext(panel);
        const int target = next == CPropertyPage::kStay ? -1
                           : next == 0                  ? m_active + 1
                                                        : FindPage(next);
        if (target >= 0 && target < PageCount()) {
            Activate(target);
            moved = true;
        }
    }
    Flush();
    return moved;
}

bool CPropertySheet::Back() {
    if (!m_bWizard || Ended() || !m_pSite || !CanBack()) return false;
    CPropertyPage& page = ActivePage();
    IControlPanel& panel = PanelOf(m_active);
    bool moved = false;
    if (page.OnKillActive(panel)) {
        const int back = page.OnWizardBack(panel);
        const int target = back == CPropertyPage::kStay ? -1
                           : back == 0                  ? m_active - 1
                                                        : FindPage(back);
        if (target >= 0 && target < PageCount()) {
            Activate(target);
            moved = true;
        }
    }
    Flush();
    return moved;
}

bool CPropertySheet::Finish() {
    if (!m_bWizard || Ended() || !m_pSite || !CanFinish()) return false;
    const bool finished = ActivePage().OnWizardFinish(PanelOf(m_active));
    if (finished)
        End(ID_WIZFINISH);
    else
        Flush();
    return finished;
}

void CPropertySheet::Cancel() {
    if (!Ended()) End(IDCANCEL);
}

bool CPropertySheet::Ok() {
    if (Ended()) return false;
    if (m_active >= 0 && m_pSite && !ActivePage().OnKillActive(PanelOf(m_active))) {
        Flush();
        return false;
    }
    End(IDOK);
    return true;
}

bool CPropertySheet::SetActivePage(int index) {
    if (Ended() || !m_pSite || index < 0 || index >= PageCount()) return false;
    if (index == m_active) return true;
    const bool left = m_active < 0 || ActivePage().OnKillActive(PanelOf(m_active));
    if (left) Activate(index);
    Flush();
    return left;
}

void CPropertySheet::Command(int id) {
    if (Ended() || !m_pSite || m_active < 0) return;
    ActivePage().OnCommand(id, PanelOf(m_active));
    Flush();
}

void CPropertySheet::DoubleClick(int id) {
    if (Ended() || !m_pSite || m_active < 0) return;
    ActivePage().OnDoubleClick(id, PanelOf(m_active));
    Flush();
}

void CPropertySheet::KillFocus(int id) {
    if (Ended() || !m_pSite || m_active < 0) return;
    ActivePage().OnKillFocus(id, PanelOf(m_active));
    Flush();
}

void CPropertySheet::End(int result) {
    for (CPropertyPage* page : m_pages)
        if (page->m_created) page->OnDestroy();
    EndDialog(result);
}

const DialogSpec& CPropertySheet::Spec() const {
    m_spec = {};
    m_spec.caption = m_caption;
    for (const CPropertyPage* page : m_pages) {
        m_spec.controls.push_back({0, ControlKind::Page, page->Title()});
        for (const auto& control : page->Spec().controls) m_spec.controls.push_back(control);
    }
    m_spec.controls.push_back({IDOK, ControlKind::Button, "OK"});
    m_spec.controls.push_back(
        {IDCANCEL, ControlKind::Button, m_bCancelToClose ? "Close" : "Cancel"});
    return m_spec;
}

void CPropertySheet::OnInitDialog(IControlPanel& panel) {
    // Every page's window is made with the dialog; the first one comes to the front.
    m_pOwnSite = std::make_unique<OnePanelSite>(panel);
    m_pSite = m_pOwnSite.get();
    for (int i = 0; i < PageCount(); ++i) {
        CPropertyPage& page = Page(i);
        page.m_created = true;
        page.OnInitDialog(panel);
    }
    if (PageCount() > 0) Activate(m_startPage >= 0 && m_startPage < PageCount() ? m_startPage : 0);
    Flush();
}

void CPropertySheet::OnCommand(int id, IControlPanel& panel) {
    static_cast<void>(panel);
    if (id == IDOK) {
        static_cast<void>(Ok());
        return;
    }
    if (id == IDCANCEL) {
        Cancel();
        return;
    }
    // A control belongs to the page whose list holds it; that page comes to the front.
    for (int i = 0; i < PageCount(); ++i)
        for (const auto& control : Page(i).Spec().controls)
            if (control.id == id) {
                if (i != m_active && !SetActivePage(i)) return;
                Command(id);
                return;
            }
}

}  // namespace uikit

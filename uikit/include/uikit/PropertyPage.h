// A page of a property sheet or of a wizard: a dialog model known by its template id, with
// the page protocol its sheet calls. A page's window exists from its first activation
// (OnInitDialog) until the sheet ends (OnDestroy); the sheet gives the page its panel.
//
// Threads: the user-interface thread.
#pragma once

#include <string>

#include "uikit/Dialog.h"

namespace uikit {

class CPropertySheet;

class CPropertyPage {
public:
    // What OnWizardNext and OnWizardBack return to stay on the page.
    static constexpr int kStay = -1;

    CPropertyPage(int templateId, DialogSpec spec);
    virtual ~CPropertyPage() = default;
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    [[nodiscard]] int TemplateId() const noexcept { return m_templateId; }
    [[nodiscard]] const DialogSpec& Spec() const noexcept { return m_spec; }
    // The tab's title: the dialog caption unless a title of its own was given.
    [[nodiscard]] const std::string& Title() const noexcept;
    void SetTitle(std::string title) { m_title = std::move(title); }
    // The sheet the page was added to (null before).
    [[nodiscard]] CPropertySheet* Sheet() const noexcept { return m_pSheet; }
    // True once the page's window exists.
    [[nodiscard]] bool Created() const noexcept { return m_created; }

    // The page's window was made.
    virtual void OnInitDialog(IControlPanel& panel) { static_cast<void>(panel); }
    // The page comes to the front.
    virtual void OnSetActive(IControlPanel& panel) { static_cast<void>(panel); }
    // The page is about to be left: false keeps it (after showing why, once).
    virtual bool OnKillActive(IControlPanel& panel) {
        static_cast<void>(panel);
        return true;
    }
    // The next page's template id, 0 for the next page in the sheet, kStay to stay.
    virtual int OnWizardNext(IControlPanel& panel) {
        static_cast<void>(panel);
        return 0;
    }
    // The page to go back to, 0 for the page before it in the sheet, kStay to stay.
    virtual int OnWizardBack(IControlPanel& panel) {
        static_cast<void>(panel);
        return 0;
    }
    // False keeps the wizard open.
    virtual bool OnWizardFinish(IControlPanel& panel) {
        static_cast<void>(panel);
        return true;
    }
    // A click, an edit's change or a list's change of selection.
    virtual void OnCommand(int id, IControlPanel& panel) {
        static_cast<void>(id);
        static_cast<void>(panel);
    }
    // An edit lost the focus (also when its sheet closes while the edit has it).
    virtual void OnKillFocus(int id, IControlPanel& panel) {
        static_cast<void>(id);
        static_cast<void>(panel);
    }
    // A double-click on a list's row.
    virtual void OnDoubleClick(int id, IControlPanel& panel) {
        static_cast<void>(id);
        static_cast<void>(panel);
    }
    // The page's window goes with its sheet (only a page that was created).
    virtual void OnDestroy() {}

protected:
    DialogSpec& MutableSpec() noexcept { return m_spec; }

private:
    friend class CPropertySheet;

    int m_templateId;
    DialogSpec m_spec;
    std::string m_title;
    CPropertySheet* m_pSheet = nullptr;
    bool m_created = false;
};

}  // namespace uikit

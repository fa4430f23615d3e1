#include "uikit/PropertyPage.h"

namespace uikit {

CPropertyPage::CPropertyPage(int templateId, DialogSpec spec)
    : m_templateId(templateId), m_spec(std::move(spec)) {}

const std::string& CPropertyPage::Title() const noexcept {
    return m_title.empty() ? m_spec.caption : m_title;
}

}  // namespace uikit

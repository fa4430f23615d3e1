#include "wizard/VekaPrpAddPrp.h"

namespace wizard {

CVekaPrpAddPrp::CVekaPrpAddPrp(std::string caption, int startPage, const std::string& deviceId)
    : uikit::CPropertySheet(std::move(caption), startPage) {
    CWizardPage* const inOrder[] = {
        &m_Device,     &m_File,      &m_FileSngl, &m_FileMult,   &m_Port,        &m_PortCom,
        &m_ExtDevices, &m_Form,      &m_Queue,    &m_System,     &m_Passport,    &m_InterfaceQueue,
        &m_Complete,   &m_NamedPipe, &m_Finish,   &m_ExtedStyle, &m_MitosaForms, &m_SystemFF};
    const std::string deviceKey = deviceId.empty() ? std::string() : "\\" + deviceId;
    for (CWizardPage* page : inOrder) {
        AddPage(*page);
        page->SetDeviceKey(deviceKey);
    }
    m_PortCom.SetPortPage(&m_Port);
    SetWizardMode();
}

}  // namespace wizard

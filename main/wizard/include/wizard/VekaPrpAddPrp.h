// The add-device wizard: one sheet that owns every device page of every device kind, of
// which a device visits the few its type needs. Built for one device id ("Device 03"); its
// pages load that device and the device list page writes it from their values after Finish.
#pragma once

#include <string>

#include "uikit/PropertySheet.h"
#include "wizard/VekaPrpComplete.h"
#include "wizard/VekaPrpDevice.h"
#include "wizard/VekaPrpExtDevices.h"
#include "wizard/VekaPrpExtedStyle.h"
#include "wizard/VekaPrpFile.h"
#include "wizard/VekaPrpFileMult.h"
#include "wizard/VekaPrpFileSngl.h"
#include "wizard/VekaPrpFinish.h"
#include "wizard/VekaPrpForm.h"
#include "wizard/VekaPrpInterfaceQueue.h"
#include "wizard/VekaPrpMitosaForms.h"
#include "wizard/VekaPrpNamedPipe.h"
#include "wizard/VekaPrpPassport.h"
#include "wizard/VekaPrpPort.h"
#include "wizard/VekaPrpPortCom.h"
#include "wizard/VekaPrpQueue.h"
#include "wizard/VekaPrpSystem.h"

namespace wizard {

class CVekaPrpAddPrp : public uikit::CPropertySheet {
public:
    // (caption, first page, device id); the device id may be empty.
    CVekaPrpAddPrp(std::string caption, int startPage, const std::string& deviceId);

    CVekaPrpDevice& GetDevicePage() noexcept { return m_Device; }
    CVekaPrpFile& GetFilePage() noexcept { return m_File; }
    CVekaPrpFileSngl& GetFileSnglPage() noexcept { return m_FileSngl; }
    CVekaPrpFileMult& GetFileMultPage() noexcept { return m_FileMult; }
    CVekaPrpPort& GetPortPage() noexcept { return m_Port; }
    CVekaPrpPortCom& GetPortComPage() noexcept { return m_PortCom; }
    CVekaPrpForm& GetFormPage() noexcept { return m_Form; }
    CVekaPrpExtDevices& GetExtDevicesPage() noexcept { return m_ExtDevices; }
    CVekaPrpQueue& GetQueuePage() noexcept { return m_Queue; }
    CVekaPrpSystem& GetSystemPage() noexcept { return m_System; }
    CVekaPrpComplete& GetCompletePage() noexcept { return m_Complete; }
    CVekaPrpPassport& GetPassportPage() noexcept { return m_Passport; }
    CVekaPrpNamedPipe& GetNamedPipePage() noexcept { return m_NamedPipe; }
    CVekaPrpFinish& GetFinishPage() noexcept { return m_Finish; }
    CVekaPrpInterfaceQueue& GetInterfaceQueuePage() noexcept { return m_InterfaceQueue; }
    CVekaPrpExtedStyle& GetExtedStylePage() noexcept { return m_ExtedStyle; }
    CVekaPrpMitosaForms& GetMitosaFormsPage() noexcept { return m_MitosaForms; }
    CVekaPrpSystemFF& GetSystemFFPage() noexcept { return m_SystemFF; }

private:
    CVekaPrpDevice m_Device;
    CVekaPrpFile m_File;
    CVekaPrpFileSngl m_FileSngl;
    CVekaPrpFileMult m_FileMult;
    CVekaPrpPort m_Port;
    CVekaPrpPortCom m_PortCom;
    CVekaPrpForm m_Form;
    CVekaPrpExtDevices m_ExtDevices;
    CVekaPrpQueue m_Queue;
    CVekaPrpSystem m_System;
    CVekaPrpComplete m_Complete;
    CVekaPrpPassport m_Passport;
    CVekaPrpNamedPipe m_NamedPipe;
    CVekaPrpFinish m_Finish;
    CVekaPrpInterfaceQueue m_InterfaceQueue;
    CVekaPrpExtedStyle m_ExtedStyle;
    CVekaPrpMitosaForms m_MitosaForms;
    CVekaPrpSystemFF m_SystemFF;
};

}  // namespace wizard

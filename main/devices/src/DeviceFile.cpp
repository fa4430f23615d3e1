#include "devices/DeviceFile.h"

#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "platform/Time.h"

namespace devices {

CDeviceFile::CDeviceFile(const std::string& strDeviceKey, const std::string& strInstanceId) {
    std::string strType;
    std::string strName;
    std::string strTerminator;
    CFileSettings s;
    std::uint32_t dwLimit = 0, dwMultiple = 0, dwAppend = 0, dwMaximum = 0, dwInsertLineFeed = 0,
                  dwExtnType = 0;
    bool bFailed;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        key.Read("Device Type", strType);
        key.Read("Device Name", strName);
        key.Read("File Location", s.strFileLocation);
        key.Read("File Name", s.strFileName);
        key.Read("Multiple File Limit", dwLimit);
        key.Read("Multiple Files", dwMultiple);
        key.Read("Single File Append", dwAppend);
        key.Read("Single File Type", s.strSingleFileType);
        key.Read("Maximum File Size", dwMaximum);
        key.Read("Insert Line Feed", dwInsertLineFeed);
        key.BuildTerminator();
        key.Read("Terminator Data", strTerminator);
        key.Read("Extn. Type", dwExtnType);
        bFailed = key.AnyFailed();
    }
    if (bFailed) {
        CDeviceKey defaults(CDeviceKey::DefaultsPath("File"));
        defaults.ReadIfUnset("Device Type", strType);
        defaults.ReadIfUnset("Device Name", strName);
        defaults.ReadIfUnset("File Location", s.strFileLocation);
        defaults.ReadIfUnset("File Name", s.strFileName);
        defaults.ReadIfUnset("Multiple File Limit", dwLimit);
        defaults.ReadIfUnset("Multiple Files", dwMultiple);
        defaults.ReadIfUnset("Single File Append", dwAppend);
        defaults.ReadIfUnset("Single File Type", s.strSingleFileType);
        defaults.ReadIfUnset("Maximum File Size", dwMaximum);
        defaults.ReadIfUnset("Insert Line Feed", dwInsertLineFeed);
        defaults.ReadIfUnset("Terminator Data", strTerminator);
        defaults.ReadIfUnset("Extn. Type", dwExtnType);
    }
    s.iMultipleFileLimit = static_cast<std::int32_t>(dwLimit);
    s.bMultipleFiles = dwMultiple != 0;
    s.bSingleFileAppend = dwAppend != 0;
    s.dwMaximumFileSize = dwMaximum;
    s.dwExtnType = dwExtnType;
    s.strTempFileName = CFileOutput::TakeTemporaryFileName(strInstanceId);

    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, dwInsertLineFeed != 0, strTerminator, strSession);
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    m_pOutput = std::make_unique<CFileOutput>(static_cast<IDeviceReport&>(*this), std::move(s));
    if (!StartSendThread([this] { SendThread(); }))
        SetLastError(TRACE_LAST_ERROR("CDeviceFile::CDeviceFile(): AfxBeginThread():"));
    if (!m_pOutput->StartWriter())
        SetLastError(TRACE_LAST_ERROR("CDeviceFile::CDeviceFile(): AfxBeginThread():"));
}

CDeviceFile::~CDeviceFile() {
    TRACE_FORMAT(0, "CDeviceFile::~CDeviceFile():", "Destruct, '%s'", m_strDeviceKey.c_str());
    StopThreads();
    m_pOutput.reset();  // stops the writer, closes an open file without commit
}

void CDeviceFile::OnHostReceive() {
    OnHostReceiveCommon();
}

bool CDeviceFile::SendToDevice() {
    TRACE_FORMAT(0, "CDeviceFile::SendToDevice():", "'%s'", m_strDeviceKey.c_str());
    std::string text;
    int iType = 0;
    m_MessageBufferQueue.GetHead(text, iType, true);
    TRACE_FORMAT(0, "CDeviceFile::SendToDevice():", "'%s', %i bytes", m_strDeviceKey.c_str(),
                 static_cast<int>(text.size()));
    const CFileOutput::eHandOver result = m_pOutput->HandOver(text, iType != 0);
    m_timeSendToDevice = platform::CurrentTime();
    switch (result) {
        case CFileOutput::eHandOver::WRITTEN:
            return true;
        case CFileOutput::eHandOver::FAILED:
            return false;  // the send thread reports status "4"
        case CFileOutput::eHandOver::TIMED_OUT:
            break;
    }
    // The writer is still at it: the host is asked to hold its output.
    if (m_pHost) {
        m_pHost->SetDeviceStatus(core::REQUEST_FOR_TEMPORARY_HOLD);
        SendToHost(MsgAckForWritten());
    }
    return true;
}

void CDeviceFile::SendThread() {
    core::CSendLoopStyle style;
    style.bOfflineOnlySleeps = true;
    style.bPauseEndsWhenQueued = false;
    SendToDeviceThreadLoop(style);
}

void CDeviceFile::SendToDeviceOutputOver(core::eTimeOutResult eResult) {
    // A message left incomplete gives up its file.
    if (eResult == core::TIMEOUT_INCOMPLETE_MSG) m_pOutput->FileRelease();
    SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
}

}  // namespace devices

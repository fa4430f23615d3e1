#include "devices/DeviceNamedPipe.h"

#include "core/TraceLog.h"
#include "devices/DeviceKey.h"
#include "platform/Time.h"

namespace devices {

CDeviceNamedPipe::CDeviceNamedPipe(const std::string& strDeviceKey) {
    std::string strType;
    std::string strName;
    std::string strPipe;
    std::string strTerminator;
    std::uint32_t dwInsertLineFeed = 0;
    bool bFailed;
    {
        CDeviceKey key(CDeviceKey::DevicePath(strDeviceKey));
        key.Read("Device Type", strType);
        key.Read("Device Name", strName);
        key.Read("Pipe Name", strPipe);
        key.Read("Insert Line Feed", dwInsertLineFeed);
        key.BuildTerminator();
        key.Read("Terminator Data", strTerminator);
        bFailed = key.AnyFailed();
    }
    if (bFailed) {
        CDeviceKey defaults(CDeviceKey::DefaultsPath("Named Pipe"));
        defaults.ReadIfUnset("Device Type", strType);
        defaults.ReadIfUnset("Device Name", strName);
        defaults.ReadIfUnset("Pipe Name", strPipe);
        defaults.ReadIfUnset("Insert Line Feed", dwInsertLineFeed);
        defaults.ReadIfUnset("Terminator Data", strTerminator);
    }
    m_strPipeName = "\\\\.\\PIPE\\" + strPipe;

    std::string strSession;
    std::unique_ptr<core::CHostTrevo> pHost =
        MakeHostLink(strDeviceKey, dwInsertLineFeed != 0, strTerminator, strSession);
    PreCreateDevice(strDeviceKey, strName, strSession, strType, std::move(pHost));
    SetDeviceState(core::DEVICE_OFFLINE);
    m_pPipe = std::make_unique<CPipe>(m_strPipeName);
    m_pPipe->InitializeNamedPipe();
    if (!StartSendThread([this] { SendThread(); }))
        SetLastError(TRACE_LAST_ERROR("CDeviceNamedPipe::CDeviceNamedPipe(): AfxBeginThread():"));
}

CDeviceNamedPipe::~CDeviceNamedPipe() {
    TRACE_FORMAT(0, "CDeviceNamedPipe::~CDeviceNamedPipe():", "Destruct, '%s'",
                 m_strDeviceKey.c_str());
    m_pPipe->Cancel();
    StopThreads();
    m_pPipe.reset();  // closes the pipe
}

void CDeviceNamedPipe::OnHostReceive() {
    switch (ReceiveFromHost()) {
        case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
            SendToDeviceThreadWakeUp(true);
            break;
        case core::ACK_HOST_ONLY:
            if (m_pHost) SendToHost(m_pHost->MsgAckToHostCreate());
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::IGNORE_BUFFER_FROM_HOST:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            break;
        case core::DEVICEACTIONONHOST_ACT_ON_CS:
            SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
            DoChangeChange();
            break;
        default:
            break;
    }
    GetStatisticsForDeviceHost();
}

bool CDeviceNamedPipe::SendToDevice() {
    static constexpr const char* kLabel = "CDeviceNamedPipe::SendToDevice():";
    TRACE_FORMAT(0, kLabel, "'%s'", m_strDeviceKey.c_str());
    std::string text;
    int iType = 0;
    m_MessageBufferQueue.GetHead(text, iType, true);
    TRACE_FORMAT(0, kLabel, "'%s', %i bytes", m_strDeviceKey.c_str(),
                 static_cast<int>(text.size()));
    if (!m_pPipe->WriteToNamedPipe(text, iType != 0)) {
        SetDeviceState(core::DEVICE_OFFLINE);
        return false;
    }
    TRACE_STRING(0, "CDeviceNamedPipe::WriteToNamedPipe():", "Out of if Loop");
    m_timeSendToDevice = platform::CurrentTime();
    CountDeviceSent(text.size());
    SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
    return true;
}

void CDeviceNamedPipe::SendThread() {
    SetDeviceState(core::DEVICE_ONLINE_AVAILABLE);
    if (!StartReceiveThread([this] { ReceiveThread(); }))
        SetLastError(TRACE_LAST_ERROR("CDeviceNamedPipe::SendThread(): AfxBeginThread():"));
    core::CSendLoopStyle style;
    style.bAvailableAfterWrite = true;
    style.bOfflineOnlySleeps = true;
    style.bPauseEndsWhenQueued = false;
    SendToDeviceThreadLoop(style);
}

void CDeviceNamedPipe::SendToDeviceOutputOver(core::eTimeOutResult) {
    // A client's "CLOSE" (or a failed write) keeps the device offline until the next write
    // succeeds, whichever thread gets here first.
    SetDeviceStateUnlessOffline(core::DEVICE_ONLINE_AVAILABLE);
}

void CDeviceNamedPipe::ReceiveThread() {
    while (ReceiveFromDeviceThreadIsRunning()) {
        if (m_pPipe->PipeReceiveAck1()) {
            if (!m_pPipe->ResetNamedPipe())
                TRACE_LAST_ERROR("CDeviceNamedPipe::ReceiveThread(): ::DisconnectNamedPipe():");
            SetDeviceState(core::DEVICE_OFFLINE);
        }
    }
}

void CDeviceNamedPipe::ShutDown() {
    TRACE_FORMAT(2, "CDeviceNamedPipe::ShutDown(): ::WaitForSingleObject():",
                 "'%s', Entering Shutdown", m_strDeviceKey.c_str());
    // Ends the pipe's waits, so both threads see their run flags at once; they are joined.
    m_pPipe->Cancel();
    CDevice::ShutDown();
}

}  // namespace devices

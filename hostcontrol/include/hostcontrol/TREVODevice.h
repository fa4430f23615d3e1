// The device connection each control owns: it resolves an application and a session into an
// end system and a route, opens connections through the connection library (one per end
// system, one of them current), queues what arrives, sends on the current connection, and
// keeps the last error as a code and a text.
//
// The device takes no lock: its operations (called by its control) and the connection
// library's callbacks run on the control's thread, one at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "brxconn/BRXConn.h"
#include "hostcontrol/DeviceMessageQueue.h"
#include "hostcontrol/HostTable.h"

namespace hostcontrol {

class CTREVODevice;

using DevState = std::int32_t;
inline constexpr DevState DEV_NOT_CONNECTED = 0;
inline constexpr DevState DEV_CONNECTING = 1;
inline constexpr DevState DEV_IDLE = 2;
inline constexpr DevState DEV_RECEIVING = 3;
inline constexpr DevState DEV_SENDING = 4;
inline constexpr DevState DEV_DISCONNECTING = 5;

enum DEVICETYPE : std::int32_t { DEVICE_TERMINAL = 1, DEVICE_PRINTER = 2 };

// A connection of the device: its callbacks go to the device.
class CConnImp final : public BRXConn {
public:
    CConnImp();
    explicit CConnImp(CTREVODevice* device) : m_pDevice(device) {}
    void SetPointerToDevice(CTREVODevice* device) noexcept { m_pDevice = device; }

protected:
    void OnReceive(BRXError error) override;
    void OnSend(BRXError error) override;
    void OnConnect(BRXError error) override;
    void OnDisconnect(BRXError error) override;
    void OnLock(BRXError error) override;
    void OnResource(std::string lniata, int isNew) override;
    void OnSystemAvailable(int available) override;

private:
    CTREVODevice* m_pDevice = nullptr;
};

class CTREVODevice {
public:
    static constexpr char CHANGE_CHANGE_CHAR = 0x01;
    static constexpr char C1 = 0x1F;
    static constexpr char C2 = 0x1E;

    CTREVODevice();
    virtual ~CTREVODevice();
    CTREVODevice(const CTREVODevice&) = delete;
    CTREVODevice& operator=(const CTREVODevice&) = delete;

    // ---- callbacks, in their slot order ----
    virtual void OnConnect(BRXError error);
    virtual void OnDisconnect(CConnImp* conn, BRXError error);
    virtual void OnSend(CConnImp* conn, BRXError error);
    virtual void OnReceive(CConnImp* conn, BRXError error, std::string* text);
    virtual void OnUnSolicitedMessage() {}
    virtual void OnSystemAvailable(int available);
    virtual void OnResource(CConnImp* conn, std::string lniata, int isNew);
    virtual void OnLock(BRXError) {}

    // ---- connections ----
    bool Connect(const std::string& appName, const std::string& session);
    bool ConnectEndSystem(const std::string& endSystem);
    bool Disconnect();
    bool DisconnectEndSystem(const std::string& endSystem);
    virtual bool ChangeSystem(const std::string& endSystem);
    bool DoChangeSystem(const std::string& data) const;

    // ---- traffic ----
    bool Send(std::string* data);
    bool Receive(std::string* out);
    bool ReleaseMessageQueue();

    // ---- state and errors ----
    DevState GetStatus();
    static DevState GetDevState(BRXState state) noexcept { return state; }
    bool UpdateErrorStates(CConnImp* conn);
    std::int16_t GetLastError();
    std::int16_t GetProtocolLastError();
    void LastErrorMessage(std::string& text);
    void ProtocolLastErrorMessage(std::string& text);
    // Records a device error code with its text.
    void SetError(int code);

    bool AccumulateMsg(int accumulate);
    bool TranslateMsg(int translate);
    bool SetDeviceType(DEVICETYPE type);

    // ---- host table ----
    void InitialiseHostTable() noexcept { m_HostTable.RemoveAll(); }
    bool AddHost(const std::string* name, _HOSTTABLE* entry);
    bool RemoveHost(const _HOSTTABLE& entry);
    bool IsHostConnected(const std::string& name) const;
    bool UpDateHost(const std::string& name, const _HOSTTABLE* entry);
    bool ActivateConnection(const std::string& name);
    bool GetConnection(CConnImp* conn, const std::string& name);

    bool WaitForConnectSuccess();
    void FindLocaleInfo();

    std::string m_strAppName;
    std::string m_strSession;
    std::string m_strHomeEndSystem;
    CDeviceMessageQueue m_ReceiveQueue;
    CDeviceMessageQueue m_VUVEQueue;
    DEVICETYPE m_nDeviceType = DEVICE_PRINTER;
    CConnImp* m_pConn = nullptr;
    CHostTableMap m_HostTable;
    std::int32_t m_bTranslate = 0;
    std::int32_t m_bAccumulate = 0;
    std::int32_t m_bConnected = 0;
    std::int32_t m_bDisconnected = 0;
    DevState m_nState = DEV_NOT_CONNECTED;
    std::string m_strResource;
    std::int16_t m_nLastError = 0;
    std::int16_t m_nLastProtocolError = 0;
    std::string m_strLastError;
    std::string m_strLastProtocolError;
    _HOSTTABLE m_PendingHost;
    std::int32_t m_bConnectPending = 0;
    CConnImp* m_pParkedConn = nullptr;
    std::string m_strChangeTarget;
    std::int32_t m_bChangePending = 0;
    std::int32_t m_bJapan = 0;

protected:
    // Takes and frees the head of a queue into `out`, as Receive does (without the byte
    // substitution when `substitute` is false).
    bool TakeFrom(CDeviceMessageQueue& queue, std::string* out, bool substitute);

private:
    // A connection to `endSystem` by `route`; false with the error recorded.
    bool Open(const std::string& route, const std::string& endSystem, bool setDeviceType);
    void Park(CConnImp* conn);
    bool SetOption(int option, int value);
    std::string Resolve(const std::string& name) const;
};

// Whether the system's default locale is of Japan (territory JP).
bool IsJapaneseLocale();

}  // namespace hostcontrol

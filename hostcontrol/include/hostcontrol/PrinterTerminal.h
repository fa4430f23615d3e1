// The devices of the two controls: the Printer (device type 2, each host message handed out
// untranslated and by itself) and the Terminal (device type 1, translation and accumulation
// on, VUVE messages on a queue of their own, change of system). Each turns the connection's
// callbacks into its control's events, fired through the control's connection point.
#pragma once

#include <string>

#include "hostcontrol/TREVODevice.h"
#include "platform/ConnectionPoint.h"

namespace hostcontrol {

// Fires an event with one Automation Boolean (VARIANT_TRUE for true), or with none.
void FireFlag(platform::ConnectionPoint& events, platform::DISPID id, bool flag);
void FireEvent(platform::ConnectionPoint& events, platform::DISPID id);

class CPrinter final : public CTREVODevice {
public:
    explicit CPrinter(platform::ConnectionPoint& events);

    void OnConnect(BRXError error) override;
    void OnDisconnect(CConnImp* conn, BRXError error) override;
    void OnSend(CConnImp* conn, BRXError error) override;
    void OnReceive(CConnImp* conn, BRXError error, std::string* text) override;
    void OnUnSolicitedMessage() override {}
    void OnSystemAvailable(int available) override;
    void OnResource(CConnImp* conn, std::string lniata, int isNew) override;

    static bool TranslateToPrinterASCII(const std::string&, std::string&) { return true; }

private:
    platform::ConnectionPoint& m_events;
};

class CTerminal final : public CTREVODevice {
public:
    explicit CTerminal(platform::ConnectionPoint& events);

    void OnConnect(BRXError error) override;
    void OnDisconnect(CConnImp* conn, BRXError error) override;
    void OnSend(CConnImp* conn, BRXError error) override;
    void OnReceive(CConnImp* conn, BRXError error, std::string* text) override;
    void OnUnSolicitedMessage() override {}
    void OnSystemAvailable(int available) override;
    void OnResource(CConnImp* conn, std::string lniata, int isNew) override;

    bool ChangeSystem(const std::string& endSystem) override;
    bool LoopBackMessage(const std::string& data);
    bool ReceiveVUVEMessage(std::string* out);
    // 17 with an empty queue; else the head's first two bytes, code 25 and 1.
    int GetC1C2Type(char* c1, char* c2);
    int Lock() { return 0; }
    bool UnLock(unsigned short) { return true; }

private:
    // The status message of a change of system: C1 C2, the outcome, the end system.
    void QueueChangeStatus(const char* outcome, const std::string& endSystem);

    platform::ConnectionPoint& m_events;
};

}  // namespace hostcontrol

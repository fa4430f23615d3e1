#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "brxconn/BRXConn.h"
#include "brxconn/CMessage.h"
#include "brxprovider/ProviderObject.h"
#include "notify/Notify.h"
#include "support/TempRoot.h"

namespace {

// The provider these tests build from the export layer: it answers with fixed values, can
// be made to throw, and its creation can be refused.
bool g_refuseObject = false;

class Scripted final : public brxprovider::IProviderObject {
public:
    explicit Scripted(BRXConn_& owner) : m_owner(owner) {}
    BRXError LastError() override { return 1003; }
    BRXState Status() override { return BRX_IDLE; }
    int ProtocolLastError() override { return 104; }
    void LastErrorMessage(std::string& text) override { text = "last"; }
    void ProtocolLastErrorMessage(std::string& text) override { text = "protocol"; }
    BRXError SetOption(int option, char*) override { return option; }
    BRXError GetOption(int option, char*) override { return option + 1; }
    BRXError GetServiceProviderOption(int option, char*) override { return option + 2; }
    int SetServiceProviderOption(int option, char*) override { return option + 3; }
    BRXError Connect(char* route, char*) override {
        if (std::string(route) == "THROW") throw std::runtime_error("inside");
        return BRX_WAITING;
    }
    BRXError Send(CMessage& m) override { return m.GetLength(); }
    BRXError Send(std::string& data) override { return static_cast<BRXError>(data.size()); }
    BRXError Send(int length, char*) override { return length; }
    BRXError Receive(CMessage& m) override { return m.AddData("m") == CMessage::MSG_OK ? 0 : 1; }
    BRXError Receive(std::string& data) override {
        data = "s";
        return 0;
    }
    BRXError Receive(char**, int* length) override {
        *length = 1;
        return 0;
    }
    BRXError Disconnect() override { return 1006; }

private:
    [[maybe_unused]] BRXConn_& m_owner;
};

}  // namespace

namespace brxprovider {
IProviderObject* CreateProviderObject(BRXConn_& owner) {
    return g_refuseObject ? nullptr : new Scripted(owner);
}
const ProviderTexts& ProviderDescription() {
    static const ProviderTexts texts{"Version 1.0", "Revision 0.2", "TCP/IP", "Test Provider"};
    return texts;
}
}  // namespace brxprovider

namespace {

// The index of a virtual member in the table (the platform's member pointer keeps the byte
// offset plus one).
template <typename M>
std::ptrdiff_t Slot(M member) {
    struct Raw {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } raw{};
    static_assert(sizeof member == sizeof raw);
    std::memcpy(&raw, &member, sizeof raw);
    return static_cast<std::ptrdiff_t>((raw.ptr - 1) / sizeof(void*));
}

// The slots stand in the boundary's order right after the destructor's entries, so a
// provider and the connection library built apart agree on every call.
TEST(BRXConn_, SlotsInTheirOrder) {
    using C = BRXConn_;
    const std::vector<std::ptrdiff_t> slots{
        Slot(&C::LastError),
        Slot(&C::Status),
        Slot(&C::ProtocolLastError),
        Slot(&C::LastErrorMessage),
        Slot(&C::ProtocolLastErrorMessage),
        Slot(&C::GetVersion),
        Slot(&C::GetRevision),
        Slot(&C::GetProtocol),
        Slot(&C::GetName),
        Slot(&C::SetOption),
        Slot(&C::GetOption),
        Slot(&C::GetServiceProviderOption),
        Slot(&C::SetServiceProviderOption),
        Slot(&C::SetAppHeader),
        Slot(static_cast<BRXError (C::*)(std::string&, std::string&)>(&C::Connect)),
        Slot(static_cast<BRXError (C::*)(char*, char*)>(&C::Connect)),
        Slot(static_cast<BRXError (C::*)(CMessage&)>(&C::Send)),
        Slot(static_cast<BRXError (C::*)(std::string&)>(&C::Send)),
        Slot(static_cast<BRXError (C::*)(int, char*)>(&C::Send)),
        Slot(static_cast<BRXError (C::*)(CMessage&)>(&C::Receive)),
        Slot(static_cast<BRXError (C::*)(std::string&)>(&C::Receive)),
        Slot(static_cast<BRXError (C::*)(char**, int*)>(&C::Receive)),
        Slot(&C::Disconnect),
        Slot(&C::Lock),
        Slot(&C::Unlock),
        Slot(&C::ReleaseWaitingMessages),
        Slot(&C::OnReceive),
        Slot(&C::OnSend),
        Slot(&C::OnConnect),
        Slot(&C::OnDisconnect),
        Slot(&C::OnLock),
        Slot(&C::OnResource),
        Slot(&C::OnSystemAvailable),
    };
    ASSERT_EQ(slots.size(), 33u);  // slots 5 to 37
    for (std::size_t i = 0; i < slots.size(); ++i)
        EXPECT_EQ(slots[i], slots[0] + static_cast<std::ptrdiff_t>(i)) << i;
    // Only the destructor's entries come before them.
    EXPECT_EQ(slots[0], 2);
}

// Each slot with and without a provider object.
TEST(BRXConn_, SlotsWithAndWithoutAProviderObject) {
    support::TempRoot root;
    for (bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "without a provider object" : "with one");
        g_refuseObject = refuse;
        std::unique_ptr<BRXConn_> conn(CreateBRXConn_(nullptr, "unused"));
        g_refuseObject = false;
        ASSERT_NE(conn, nullptr);
        std::string text;
        char value[8] = "x";
        std::string data = "abc";
        CMessage message;
        ASSERT_EQ(message.AddData("12"), CMessage::MSG_OK);
        char* out = nullptr;
        int length = 0;
        std::string route = "R1";
        std::string endSystem = "E1";
        struct Row {
            const char* what;
            long got;
            long with;
            long without;
        };
        const Row rows[] = {
            {"LastError", conn->LastError(), 1003, 1014},
            {"Status", conn->Status(), 2, 7},
            {"ProtocolLastError", conn->ProtocolLastError(), 104, 0},
            {"SetOption", conn->SetOption(3, value), 3, 1014},
            {"GetOption", conn->GetOption(3, value), 4, 1014},
            {"GetServiceProviderOption", conn->GetServiceProviderOption(3, value), 5, 1014},
            {"SetServiceProviderOption", conn->SetServiceProviderOption(3, value), 6, 1014},
            {"SetAppHeader", conn->SetAppHeader(VXTAppHeader{}), 0, 0},
            {"Connect(text)", conn->Connect(route, endSystem), 1009, 1014},
            {"Connect(char*)", conn->Connect(route.data(), endSystem.data()), 1009, 1014},
            {"Send(message)", conn->Send(message), 2, 1014},
            {"Send(text)", conn->Send(data), 3, 1014},
            {"Send(length)", conn->Send(4, data.data()), 4, 1014},
            {"Receive(message)", conn->Receive(message), 0, 1014},
            {"Receive(text)", conn->Receive(text), 0, 1014},
            {"Receive(pointer)", conn->Receive(&out, &length), 0, 1014},
            {"Disconnect", conn->Disconnect(), 1006, 0},
            {"Lock", conn->Lock(), 1008, 1008},
            {"Unlock", conn->Unlock(), 1008, 1008},
            {"ReleaseWaitingMessages", conn->ReleaseWaitingMessages(), 0, 0},
        };
        for (const Row& r : rows) EXPECT_EQ(r.got, refuse ? r.without : r.with) << r.what;

        const std::string internal = BRXErrorText(1014);
        struct TextRow {
            void (BRXConn_::*get)(std::string&);
            const char* with;
            const char* without;
        };
        const TextRow texts[] = {
            {&BRXConn_::GetVersion, "Version 1.0", "Not Available"},
            {&BRXConn_::GetRevision, "Revision 0.2", "Not Available"},
            {&BRXConn_::GetProtocol, "TCP/IP", "Not Available"},
            {&BRXConn_::GetName, "Test Provider", "Not Available"},
            {&BRXConn_::LastErrorMessage, "last", internal.c_str()},
            {&BRXConn_::ProtocolLastErrorMessage, "protocol", internal.c_str()},
        };
        for (const TextRow& t : texts) {
            text = "before";
            ((*conn).*t.get)(text);
            EXPECT_EQ(text, refuse ? t.without : t.with);
        }
    }
}

// An exception inside the provider's Connect is logged and answered as an internal error.
TEST(BRXConn_, ExceptionInConnectIsAnsweredAsInternalError) {
    support::TempRoot root;
    std::unique_ptr<BRXConn_> conn(CreateBRXConn_(nullptr, ""));
    std::string route = "THROW";
    std::string endSystem = "E1";
    EXPECT_EQ(conn->Connect(route, endSystem), BRX_INTERNAL_ERROR);
    std::istringstream log(Notify::ReadLog());
    std::string line;
    ASSERT_TRUE(std::getline(log, line));
    EXPECT_NE(line.find(" 2 "), std::string::npos) << line;
    EXPECT_NE(line.find("Exception :: spimp::Connect(CString&, CString&)"), std::string::npos)
        << line;
}

// The way up: every callback reaches the creator with its arguments unchanged.
class Creator final : public BRXConn {
public:
    std::vector<std::string> calls;

protected:
    void OnReceive(BRXError e) override { calls.push_back("Receive " + std::to_string(e)); }
    void OnSend(BRXError e) override { calls.push_back("Send " + std::to_string(e)); }
    void OnConnect(BRXError e) override { calls.push_back("Connect " + std::to_string(e)); }
    void OnDisconnect(BRXError e) override { calls.push_back("Disconnect " + std::to_string(e)); }
    void OnLock(BRXError e) override { calls.push_back("Lock " + std::to_string(e)); }
    void OnResource(std::string r, int n) override {
        calls.push_back("Resource " + r + " " + std::to_string(n));
    }
    void OnSystemAvailable(int n) override { calls.push_back("Available " + std::to_string(n)); }
};

TEST(BRXConn_, CallbacksReachTheCreatorUnchanged) {
    Creator creator;
    std::unique_ptr<BRXConn_> conn(CreateBRXConn_(&creator, ""));
    conn->OnConnect(0);
    conn->OnResource(std::string("0a1\0b2", 6), 1);
    conn->OnReceive(1028);
    conn->OnSend(1026);
    conn->OnLock(1008);
    conn->OnSystemAvailable(-5);
    conn->OnDisconnect(1003);
    const std::vector<std::string> want{"Connect 0",      std::string("Resource 0a1\0b2 1", 17),
                                        "Receive 1028",   "Send 1026",
                                        "Lock 1008",      "Available -5",
                                        "Disconnect 1003"};
    EXPECT_EQ(creator.calls, want);
}

// The codes' texts: shared ones, the host-initiated group, and codes without a row.
TEST(BRXConn_, ErrorTexts) {
    const std::pair<BRXError, const char*> rows[] = {
        {0, "Function Completed Successfully"},
        {1002, "Buffer full"},
        {1004, "Buffer full"},
        {1013,
         "The Common TREVO API was not able to connect to the Host you requested.  "
         "Contact the Help Desk."},
        {1018, "Host intiated error"},
        {1023, "Host intiated error"},
        {1022,
         "This entry was rejected because the session is not ready for input.  Please "
         "wait for a confirmation of your connection before sending input."},
        {1028, "Vuve Message error"},
        {1035, "No Pooled LNIATAs defined for Pseudo City provided"},
        {1036, "Unknown error"},
        {1000, "Unknown error"},
        {-1, "Unknown error"},
    };
    for (const auto& [code, text] : rows) EXPECT_STREQ(BRXErrorText(code), text) << code;
}

}  // namespace

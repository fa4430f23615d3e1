#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/ComRegistry.h"
#include "platform/EventLoop.h"
#include "support/TempRoot.h"
#include "support/TestPrinterControl.h"

using namespace platform;
using support::EventRecorder;
using support::PrinterState;
using support::TestPrinterHost;
namespace id = support::printer;
namespace ev = support::printer_event;

namespace {

constexpr DWORD kDeadlineMs = 10000;

// A container of one test control: the control made by class id and a sink advised on it.
struct Container {
    ::testing::AssertionResult Make() {
        const HRESULT hr = CreateInstanceByClassId(support::kPrinterControlClassId, &control);
        if (FAILED(hr)) return ::testing::AssertionFailure() << ComLastErrorText();
        host = support::HostSideOf(*control);
        if (!host) return ::testing::AssertionFailure() << "not the test control";
        if (!control->EventSource() || control->EventSource()->Advise(events, &cookie) != S_OK) {
            return ::testing::AssertionFailure() << "no events";
        }
        return ::testing::AssertionSuccess();
    }
    ~Container() {
        if (cookie) {
            EXPECT_EQ(control->EventSource()->Unadvise(cookie), S_OK);
        }
    }

    Variant Call(DISPID member, std::vector<Variant> args = {},
                 DispatchKind kind = DispatchKind::Method) {
        Variant result;
        EXPECT_EQ(control->Invoke(member, kind, args, &result), S_OK) << "member " << member;
        return result;
    }
    bool CallBool(DISPID member, std::vector<Variant> args = {}) {
        bool value = false;
        EXPECT_EQ(Call(member, std::move(args)).ToBool(value), S_OK);
        return value;
    }
    std::int16_t LastError() {
        std::int16_t code = -1;
        EXPECT_EQ(Call(id::LastError, {}, DispatchKind::PropertyGet).GetI2(code), S_OK);
        return code;
    }
    std::string Text(DISPID member, DispatchKind kind = DispatchKind::Method) {
        std::string text;
        EXPECT_EQ(Call(member, {}, kind).GetBStr(text), S_OK);
        return text;
    }
    bool Connect() {
        return CallBool(id::ConnectToHost,
                        {Variant::BStr("TREVO VEKA"), Variant::BStr("PRN1"), Variant::Bool(false)});
    }
    // Connects and has the host complete it with a terminal address.
    void Session() {
        ASSERT_TRUE(Connect());
        ASSERT_TRUE(host->CompleteConnect(true));
        ASSERT_TRUE(host->AssignResource("0A1B2C"));
    }

    std::shared_ptr<IDispatch> control;
    TestPrinterHost* host = nullptr;
    std::shared_ptr<EventRecorder> events = std::make_shared<EventRecorder>();
    DWORD cookie = 0;
};

// Its own store and the container's loop on the test's thread.
class PrinterControlTest : public support::TempRootTest {
protected:
    void SetUp() override {
        ASSERT_EQ(support::RegisterTestPrinterControl(), S_OK) << ComLastErrorText();
        ASSERT_TRUE(box.Make());
    }
    bool WaitForEvents(std::size_t count) {
        return loop.PumpUntil([&] { return box.events->Count() >= count; }, kDeadlineMs);
    }

    EventLoop loop;
    Container box;
};

}  // namespace

// The host acts from a thread of its own, as the connection library does; every event still
// comes on the container's loop thread, in the order the host acted.
TEST_F(PrinterControlTest, ASessionRunsWithEventsInOrderOnTheContainersLoop) {
    ASSERT_TRUE(box.Connect());
    EXPECT_EQ(box.host->State(), PrinterState::Connecting);
    ASSERT_EQ(box.host->Connects().size(), 1u);
    EXPECT_EQ(box.host->Connects()[0].application, "TREVO VEKA");
    EXPECT_EQ(box.host->Connects()[0].session, "PRN1");
    EXPECT_TRUE(box.CallBool(id::Lock));  // fires OnLock(1) at once, on this thread
    ASSERT_EQ(box.events->Ids(), (std::vector<DISPID>{ev::OnLock}));

    const std::string first("\x1F\x1E\xC1\x00\xC2\x15", 6);  // a zero byte inside
    const std::string second("\x1F\xC3\x15", 3);
    std::thread hostThread([&] {
        EXPECT_TRUE(box.host->CompleteConnect(true));
        EXPECT_TRUE(box.host->AssignResource("0A1B2C"));
        EXPECT_TRUE(box.host->SystemAvailable(true));
        EXPECT_TRUE(box.host->Deliver(first));
        EXPECT_TRUE(box.host->Deliver(second));
    });
    ASSERT_TRUE(WaitForEvents(6));
    hostThread.join();
    EXPECT_EQ(box.events->Ids(),
              (std::vector<DISPID>{ev::OnLock, ev::OnConnect, ev::OnResource, ev::OnSystemAvailable,
                                   ev::OnReceive, ev::OnReceive}));
    for (const auto& e : box.events->Events()) {
        EXPECT_EQ(e.thread, std::this_thread::get_id()) << "event " << e.id;
        const std::vector<Variant> expected =
            e.id == ev::OnReceive ? std::vector<Variant>{} : std::vector{Variant::Bool(true)};
        EXPECT_EQ(e.args, expected);
    }
    EXPECT_EQ(box.Text(id::Resource, DispatchKind::PropertyGet), "0A1B2C");
    EXPECT_FALSE(box.host->Translating());  // a resource turns the control's translation off

    // The messages come out whole and in order; the byte array ends with one zero.
    EXPECT_EQ(box.Text(id::ReceiveString), first);
    EXPECT_EQ(box.LastError(), 19);  // more waiting
    Variant out;
    box.Call(id::ReceiveBString, {Variant::ByRef(out)});
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(out.GetByteArray(bytes), S_OK);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), second + std::string(1, '\0'));
    EXPECT_EQ(box.LastError(), 0);
    EXPECT_EQ(box.Text(id::ReceiveString), "");
    EXPECT_EQ(box.LastError(), 17);
    EXPECT_EQ(box.Text(id::GetLastErrorMessage), "There is no data in the receive queue.");
    box.Call(id::ReceiveBString, {Variant::ByRef(out)});
    ASSERT_EQ(out.GetByteArray(bytes), S_OK);
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{0});

    // Sends keep their exact bytes, also from a device's own send thread; the host completes
    // them with OnSend.
    const std::string message("\xC3\x00\x15", 3);
    EXPECT_TRUE(box.CallBool(id::TranslateMessages, {Variant::I4(0)}));
    std::thread sender([&] {
        EXPECT_TRUE(box.CallBool(id::SendString, {Variant::BStr(message)}));
        EXPECT_TRUE(box.host->CompleteSend(true));
        EXPECT_TRUE(box.host->LoseConnection(1012, "Connection dropped"));
    });
    ASSERT_TRUE(WaitForEvents(8));
    sender.join();
    EXPECT_EQ(box.host->Sent(), std::vector<std::string>{message});
    const auto all = box.events->Events();
    EXPECT_EQ(all[6].id, ev::OnSend);
    EXPECT_EQ(all[6].args, std::vector{Variant::Bool(true)});
    EXPECT_EQ(all[7].id, ev::OnDisconnect);
    EXPECT_EQ(all[7].args, std::vector{Variant::Bool(false)});  // lost, not asked for
    EXPECT_EQ(box.LastError(), 1012);
    EXPECT_EQ(box.Text(id::GetLastErrorMessage), "Connection dropped");
    EXPECT_EQ(box.host->State(), PrinterState::NotConnected);
}

// Each request the control must refuse, with the code it leaves; the control's state is as
// the steps before left it.
TEST_F(PrinterControlTest, RefusesWhatItsStateDoesNotAllow) {
    struct Case {
        const char* what;
        std::function<void(Container&)> before;
        DISPID member;
        std::vector<Variant> args;
        std::int16_t code;
    };
    const std::vector<Variant> connectArgs = {Variant::BStr("TREVO VEKA"), Variant::BStr("S"),
                                              Variant::Bool(false)};
    const std::vector<Variant> sendArgs = {Variant::BStr("A")};
    auto connecting = [](Container& t) { ASSERT_TRUE(t.Connect()); };
    auto waitingForResource = [](Container& t) {
        ASSERT_TRUE(t.Connect());
        ASSERT_TRUE(t.host->CompleteConnect(true));
    };
    auto connected = [](Container& t) { t.Session(); };
    auto busy = [](Container& t) {
        t.Session();
        t.host->SetBusy(true);
    };
    auto disconnecting = [](Container& t) {
        t.Session();
        ASSERT_TRUE(t.CallBool(id::DisconnectFromHost));
    };
    auto nothing = [](Container&) {};
    const Case cases[] = {
        {"connect while connecting", connecting, id::ConnectToHost, connectArgs, 20},
        {"connect while connected", connected, id::ConnectToHost, connectArgs, 24},
        {"connect while busy", busy, id::ConnectToHost, connectArgs, 24},
        {"send while not connected", nothing, id::SendString, sendArgs, 14},
        {"send before the resource", waitingForResource, id::SendString, sendArgs, 22},
        {"send while busy", busy, id::SendString, sendArgs, 22},
        {"send while disconnecting", disconnecting, id::SendString, sendArgs, 22},
        {"send nothing", connected, id::SendString, {Variant::BStr("")}, 17},
        {"disconnect while not connected", nothing, id::DisconnectFromHost, {}, 14},
        {"disconnect while connecting", connecting, id::DisconnectFromHost, {}, 20},
        {"disconnect twice", disconnecting, id::DisconnectFromHost, {}, 21},
        {"translate while not connected", nothing, id::TranslateMessages, {Variant::I4(0)}, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Container t;
        ASSERT_TRUE(t.Make());
        c.before(t);
        const PrinterState before = t.host->State();
        EXPECT_FALSE(t.CallBool(c.member, c.args));
        EXPECT_EQ(t.LastError(), c.code);
        EXPECT_FALSE(t.Text(id::GetLastErrorMessage).empty());
        EXPECT_EQ(t.host->State(), before);
        EXPECT_TRUE(t.host->Sent().empty());
    }
}

TEST_F(PrinterControlTest, TheConnectionLibrarysRefusalsReachTheContainer) {
    // A connect refused at once leaves the control closed, and the next one may go ahead.
    box.host->RefuseNextConnect(1010, "Route not found");
    EXPECT_FALSE(box.Connect());
    EXPECT_EQ(box.LastError(), 1010);
    EXPECT_EQ(box.Text(id::GetLastErrorMessage), "Route not found");
    EXPECT_EQ(box.host->State(), PrinterState::NotConnected);
    EXPECT_TRUE(box.Connect());

    // A connect that fails later comes as OnConnect(false) and closes it again.
    ASSERT_TRUE(box.host->CompleteConnect(false, 1015));
    EXPECT_EQ(box.LastError(), 1015);
    EXPECT_EQ(box.host->State(), PrinterState::NotConnected);
    EXPECT_TRUE(box.Connect());
    ASSERT_TRUE(box.host->CompleteConnect(true));
    ASSERT_TRUE(box.host->AssignResource("ABCDEF"));

    // A send the library refuses is not recorded as sent.
    box.host->RefuseSends(1020, "Send failed");
    EXPECT_FALSE(box.CallBool(id::SendString, {Variant::BStr("X")}));
    EXPECT_EQ(box.LastError(), 1020);
    box.host->RefuseSends(0, "");
    EXPECT_TRUE(box.CallBool(id::SendString, {Variant::BStr("Y")}));
    EXPECT_EQ(box.host->Sent(), std::vector<std::string>{"Y"});

    // A disconnect asked for ends with OnDisconnect(true); the queue is emptied.
    ASSERT_TRUE(box.host->Deliver("M"));
    EXPECT_TRUE(box.CallBool(id::DisconnectFromHost));
    EXPECT_EQ(box.host->State(), PrinterState::Disconnecting);
    ASSERT_TRUE(box.host->CompleteDisconnect());
    EXPECT_EQ(box.host->Waiting(), 0u);
    EXPECT_EQ(box.host->State(), PrinterState::NotConnected);
    EXPECT_EQ(box.events->Ids(), (std::vector<DISPID>{ev::OnConnect, ev::OnConnect, ev::OnResource,
                                                      ev::OnReceive, ev::OnDisconnect}));
    EXPECT_EQ(box.events->Events().back().args, std::vector{Variant::Bool(true)});
    EXPECT_EQ(box.events->Events()[0].args, std::vector{Variant::Bool(false)});

    // Receiving on a closed control does not open the way to sending or block a reconnect.
    EXPECT_EQ(box.Text(id::ReceiveString), "");
    EXPECT_EQ(box.host->State(), PrinterState::NotConnected);
    EXPECT_TRUE(box.Connect());
}

TEST_F(PrinterControlTest, AnswersOnlyItsMembersWithTheirArguments) {
    struct Case {
        const char* what;
        DISPID member;
        DispatchKind kind;
        std::vector<Variant> args;
        HRESULT expected;
    };
    Variant out;
    const Case cases[] = {
        {"unknown member", 99, DispatchKind::Method, {}, DISP_E_MEMBERNOTFOUND},
        {"read-only property",
         id::Resource,
         DispatchKind::PropertyPut,
         {Variant::BStr("X")},
         DISP_E_MEMBERNOTFOUND},
        {"property called as a method",
         id::LastError,
         DispatchKind::Method,
         {},
         DISP_E_MEMBERNOTFOUND},
        {"method read as a property",
         id::Lock,
         DispatchKind::PropertyGet,
         {},
         DISP_E_MEMBERNOTFOUND},
        {"too few arguments",
         id::ConnectToHost,
         DispatchKind::Method,
         {Variant::BStr("A")},
         DISP_E_BADPARAMCOUNT},
        {"too many arguments",
         id::Lock,
         DispatchKind::Method,
         {Variant::I4(1)},
         DISP_E_BADPARAMCOUNT},
        {"number for a string",
         id::SendString,
         DispatchKind::Method,
         {Variant::I4(1)},
         DISP_E_TYPEMISMATCH},
        {"string for a flag",
         id::TranslateMessages,
         DispatchKind::Method,
         {Variant::BStr("1")},
         DISP_E_TYPEMISMATCH},
        {"value where a reference is needed",
         id::ReceiveBString,
         DispatchKind::Method,
         {Variant()},
         DISP_E_TYPEMISMATCH},
        {"flag as a 32-bit integer",
         id::TranslateMessages,
         DispatchKind::Method,
         {Variant::I4(1)},
         S_OK},
        {"shared flag as a 16-bit integer",
         id::ConnectToHost,
         DispatchKind::Method,
         {Variant::BStr("A"), Variant::BStr("S"), Variant::I2(0)},
         S_OK},
        {"out argument by reference",
         id::ReceiveBString,
         DispatchKind::Method,
         {Variant::ByRef(out)},
         S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Variant result = Variant::I4(7);
        EXPECT_EQ(box.control->Invoke(c.member, c.kind, c.args, &result), c.expected);
        if (FAILED(c.expected)) {
            EXPECT_EQ(result, Variant::I4(7));
        }
    }
    EXPECT_EQ(out.vt(), VT_ARRAY | VT_UI1);
    EXPECT_EQ(support::HostSideOf(*box.control), box.host);
}

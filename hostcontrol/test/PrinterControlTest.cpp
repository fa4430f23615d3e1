#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ControlFixture.h"
#include "hostcontrol/ControlIds.h"
#include "hostcontrol/Registration.h"
#include "platform/ComRegistry.h"
#include "platform/DynamicLibrary.h"
#include "platform/Registry.h"
#include "support/FakeClockScope.h"
#include "uikit/Dialog.h"

namespace hostcontrol_test {
namespace {

namespace id = hostcontrol::printer;
namespace ev = hostcontrol::printer_event;
using hostcontrol::CPrinterCtrl;
using platform::Variant;

using PrinterTest = ControlTest<CPrinterCtrl>;

// The container's typical session, on the control made by class id after the module
// registered itself into the store.
TEST(PrinterModule, TypicalSessionThroughTheRegisteredControl) {
    support::TempRoot root;
    platform::EventLoop loop;
    support::Loopback()->Reset();
    support::WriteLoopbackSession(kApp, kSession, "HOST A", "Route A");
    const auto module = platform::MapLibraryName("BRXAPI.DLL");
    ASSERT_EQ(platform::RegisterServer(module), platform::S_OK) << platform::ComLastErrorText();
    std::shared_ptr<platform::IDispatch> control;
    ASSERT_EQ(platform::CreateInstanceByClassId(hostcontrol::kPrinterClassId, &control),
              platform::S_OK)
        << platform::ComLastErrorText();
    auto events = std::make_shared<support::EventRecorder>();
    platform::DWORD cookie = 0;
    ASSERT_EQ(control->EventSource()->Advise(events, &cookie), platform::S_OK);
    auto call = [&](platform::DISPID member, std::vector<Variant> args) {
        Variant result;
        EXPECT_EQ(control->Invoke(member, platform::DispatchKind::Method, args, &result),
                  platform::S_OK);
        return result;
    };
    auto flag = [](const Variant& v) {
        bool b = false;
        EXPECT_EQ(v.ToBool(b), platform::S_OK);
        return b;
    };

    ASSERT_TRUE(flag(
        call(id::ConnectToHost, {Variant::BStr(kApp), Variant::BStr(kSession), Variant::I4(0)})));
    support::LoopbackConnection* host = support::Loopback()->Last();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->Route(), "Route A");
    EXPECT_EQ(host->EndSystem(), "HOST A");
    host->CompleteConnect(0);
    host->AssignResource("0A1B2C");
    std::vector<std::pair<int, std::string>> options;
    for (const auto& o : host->Options()) {
        options.emplace_back(o.option, o.option == 3 ? std::to_string(o.number) : o.text);
    }
    const std::vector<std::pair<int, std::string>> wantOptions{
        {3, "2"}, {3, "2"}, {1, "FALSE"}, {2, "FALSE"}};
    EXPECT_EQ(options, wantOptions);
    EXPECT_TRUE(host->Options()[0].beforeConnect);

    ASSERT_TRUE(flag(call(id::SendString, {Variant::BStr("C?20\x15")})));
    EXPECT_EQ(host->Sent(), std::vector<std::string>{"C?20\x15"});
    host->CompleteSend(0);
    host->Deliver("AB");
    Variant bytes;
    call(id::ReceiveBString, {Variant::ByRef(bytes)});
    std::vector<std::uint8_t> array;
    ASSERT_EQ(bytes.GetByteArray(array), platform::S_OK);
    EXPECT_EQ(array, (std::vector<std::uint8_t>{0x41, 0x42, 0x00}));
    std::string resource;
    EXPECT_EQ(call(id::Resource, {}).ToBStr(resource), platform::S_OK);
    EXPECT_EQ(resource, "0A1B2C");

    ASSERT_TRUE(flag(call(id::DisconnectFromHost, {})));
    host->Drop(0);
    std::int16_t status = -1;
    EXPECT_EQ(call(id::Status, {}).ToI2(status), platform::S_OK);
    EXPECT_EQ(status, 0);

    // Each event on the container's thread, every flag an Automation Boolean true.
    const std::vector<platform::DISPID> want{ev::OnConnect, ev::OnResource, ev::OnSend,
                                             ev::OnReceive, ev::OnDisconnect};
    EXPECT_EQ(events->Ids(), want);
    for (const auto& e : events->Events()) {
        EXPECT_EQ(e.thread, std::this_thread::get_id());
        if (e.id != ev::OnReceive) {
            ASSERT_EQ(e.args.size(), 1u);
            EXPECT_EQ(e.args[0], Variant::Bool(true));
        }
    }
    EXPECT_EQ(platform::FreeUnusedModules(), 0u);  // the control lives
    static_cast<void>(control->EventSource()->Unadvise(cookie));
    control.reset();

    // Registration: the classes, their ProgIDs, status bits and the type library.
    auto read = [](const std::string& key) {
        platform::HKEY handle = nullptr;
        std::string value;
        if (platform::RegOpenKeyEx(platform::HKEY_CLASSES_ROOT, key.c_str(), 0, platform::KEY_READ,
                                   &handle) != platform::ERROR_SUCCESS)
            return std::string("<missing>");
        char buffer[512] = {};
        platform::DWORD size = sizeof buffer - 1;
        if (platform::RegQueryValueEx(handle, "", nullptr, nullptr,
                                      reinterpret_cast<platform::BYTE*>(buffer),
                                      &size) == platform::ERROR_SUCCESS)
            value.assign(buffer, size);
        platform::RegCloseKey(handle);
        return std::string(value.c_str());
    };
    const std::string printer = "CLSID\\{5A17C0D7-9B2E-4C61-A3F4-2D8E6B10C7A5}";
    const std::string terminal = "CLSID\\{5A17C0D3-9B2E-4C61-A3F4-2D8E6B10C7A5}";
    const std::pair<std::string, std::string> keys[] = {
        {printer, "Printer Control"},
        {printer + "\\ProgID", "BRXAPI.PrinterCtrl.1"},
        {printer + "\\MiscStatus\\1", "131473"},
        {printer + "\\TypeLib", "{5A17C0D0-9B2E-4C61-A3F4-2D8E6B10C7A5}"},
        {printer + "\\Insertable", "<missing>"},
        {terminal, "Terminal Control"},
        {terminal + "\\MiscStatus\\1", "132241"},
        {terminal + "\\Insertable", ""},
        {"BRXAPI.TerminalCtrl.1\\CLSID", "{5A17C0D3-9B2E-4C61-A3F4-2D8E6B10C7A5}"},
        {"CLSID\\{5A17C0D8-9B2E-4C61-A3F4-2D8E6B10C7A5}\\ProgID", "BRXAPI.PrinterPropPage.1"},
        {"CLSID\\{5A17C0D4-9B2E-4C61-A3F4-2D8E6B10C7A5}", "Terminal Property Page"},
        {"TypeLib\\{5A17C0D0-9B2E-4C61-A3F4-2D8E6B10C7A5}\\1.0", "brxapi OLE Control module"},
        {"TypeLib\\{5A17C0D0-9B2E-4C61-A3F4-2D8E6B10C7A5}\\1.0\\409\\linux", module.string()},
    };
    for (const auto& [key, value] : keys) EXPECT_EQ(read(key), value) << key;
    EXPECT_EQ(read(printer + "\\InprocServer32"), module.string());

    // The property pages make no object; removal takes every entry away.
    std::shared_ptr<platform::IDispatch> page;
    EXPECT_EQ(platform::CreateInstanceByClassId(hostcontrol::kPrinterPropPageId, &page),
              platform::CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(platform::UnregisterServer(module), platform::S_OK);
    EXPECT_EQ(read(printer), "<missing>");
    EXPECT_EQ(read("BRXAPI.PrinterCtrl.1"), "<missing>");
    EXPECT_EQ(read("TypeLib\\{5A17C0D0-9B2E-4C61-A3F4-2D8E6B10C7A5}"), "<missing>");
}

// The members' answers in the states that refuse them, with the codes and texts they leave.
TEST_F(PrinterTest, MembersRefusedInTheirStates) {
    EXPECT_FALSE(CallBool(id::SendString, Text("X")));
    EXPECT_EQ(CallShort(id::LastError), 14);
    EXPECT_FALSE(CallBool(id::DisconnectFromHost));
    EXPECT_EQ(CallShort(id::LastError), 14);
    EXPECT_FALSE(CallBool(id::TranslateMessages, Variant::I4(1)));
    EXPECT_EQ(CallText(id::GetLastErrorMessage), "There is no valid connection at present.");
    // An empty queue: empty text, 17, and the state is 2 afterwards.
    EXPECT_EQ(CallText(id::ReceiveString), "");
    EXPECT_EQ(CallShort(id::LastError), 17);
    EXPECT_EQ(control->Device().m_nState, hostcontrol::DEV_IDLE);
    control->Device().m_nState = hostcontrol::DEV_NOT_CONNECTED;

    ASSERT_TRUE(CallBool(id::ConnectToHost, Text(kApp), Text(""), Variant::Bool(false)));
    EXPECT_FALSE(CallBool(id::ConnectToHost, Text(kApp), Text(""), Variant::Bool(false)));
    EXPECT_EQ(CallShort(id::LastError), 20);
    EXPECT_FALSE(CallBool(id::DisconnectFromHost));
    EXPECT_EQ(CallShort(id::LastError), 20);
    Host()->CompleteConnect(0);
    Host()->AssignResource("0A1B2C");
    EXPECT_FALSE(CallBool(id::ConnectToHost, Text(kApp), Text(""), Variant::Bool(false)));
    EXPECT_EQ(CallShort(id::LastError), 24);
    EXPECT_EQ(CallText(id::GetLastErrorMessage), "Host connection lost. Please reconnect again...");

    control->Device().m_nState = hostcontrol::DEV_RECEIVING;
    EXPECT_FALSE(CallBool(id::SendString, Text("X")));
    EXPECT_EQ(CallShort(id::LastError), 22);
    EXPECT_EQ(CallText(id::GetLastErrorMessage), "The Device Object is busy.");
    control->Device().m_nState = hostcontrol::DEV_IDLE;

    // The container's earlier choice does not survive a resource: both options are FALSE.
    ASSERT_TRUE(CallBool(id::TranslateMessages, Variant::Bool(true)));
    ASSERT_TRUE(CallBool(id::AccumulateMessages, Variant::Bool(true)));
    Host()->AssignResource("0A1B2D", 0);
    const auto options = Host()->Options();
    ASSERT_GE(options.size(), 2u);
    EXPECT_EQ(options[options.size() - 2].text, "FALSE");
    EXPECT_EQ(options.back().text, "FALSE");
    EXPECT_EQ(CallText(id::Resource), "0A1B2D");

    ASSERT_TRUE(CallBool(id::DisconnectFromHost));
    EXPECT_FALSE(CallBool(id::DisconnectFromHost));
    EXPECT_EQ(CallShort(id::LastError), 21);
    EXPECT_FALSE(CallBool(id::SendString, Text("X")));

    // Puts and unknown members are refused.
    const std::array<Variant, 1> value{Text("x")};
    EXPECT_EQ(control->Invoke(id::Resource, platform::DispatchKind::PropertyPut, value, nullptr),
              platform::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(control->Invoke(99, platform::DispatchKind::Method, {}, nullptr),
              platform::DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(control->Invoke(id::SendString, platform::DispatchKind::Method, {}, nullptr),
              platform::DISP_E_BADPARAMCOUNT);
}

// Received messages: queued with OnReceive, read as text, as bytes (zeros kept, an empty
// queue giving one zero), codes 19 and 0; an error standing for a message is queued with
// its text; a message of a connection that is not current is dropped.
TEST_F(PrinterTest, ReceivedMessages) {
    ASSERT_TRUE(CallBool(id::ConnectToHost, Text(kApp), Text(kSession), Variant::Bool(false)));
    Host()->CompleteConnect(0);
    Host()->AssignResource("0A1B2C");
    TakeEvents();
    Host()->Deliver(std::string("A\0B", 3));
    Host()->Deliver("CD");
    Host()->Fail(1029, "A Protocol Error has occurred");
    Host()->Deliver("VU", 1028);  // not a message for a printer
    EXPECT_EQ(TakeEvents(),
              (std::vector<platform::DISPID>{ev::OnReceive, ev::OnReceive, ev::OnReceive}));
    EXPECT_EQ(CallBytes(id::ReceiveBString), (std::vector<std::uint8_t>{'A', 0, 'B', 0}));
    EXPECT_EQ(CallShort(id::LastError), 19);
    EXPECT_EQ(CallText(id::Data), "CD");
    EXPECT_EQ(CallText(id::ReceiveString), "A Protocol Error has occurred");
    EXPECT_EQ(CallShort(id::LastError), 0);
    EXPECT_EQ(CallBytes(id::BData), (std::vector<std::uint8_t>{0}));
    EXPECT_EQ(CallShort(id::LastError), 17);

    // The host drops the line: queued messages go with it.
    Host()->Deliver("EF");
    Host()->Drop(1003);
    EXPECT_EQ(TakeEvents(), (std::vector<platform::DISPID>{ev::OnReceive, ev::OnDisconnect}));
    EXPECT_EQ(CallText(id::ReceiveString), "");
    EXPECT_EQ(CallShort(id::Status), 0);
    EXPECT_EQ(CallShort(id::LastError), 17);
}

// Lock, UnLock, MonitorConnection and AboutBox.
TEST_F(PrinterTest, LockUnlockAndAboutBox) {
    EXPECT_TRUE(CallBool(id::Lock));
    EXPECT_TRUE(CallBool(id::UnLock));
    EXPECT_TRUE(CallBool(id::MonitorConnection, Variant::I4(0)));
    EXPECT_EQ(TakeEvents(), (std::vector<platform::DISPID>{ev::OnLock, ev::OnUnLock}));
    std::string shown;
    uikit::SetMessageSink([&](const std::string& text, uikit::MessageIcon) { shown = text; });
    Call(id::AboutBox);
    uikit::SetMessageSink(nullptr);
    EXPECT_EQ(shown, "Printer Control, Version 1.0");
}

// A control that goes while connected disconnects and waits, running the loop, for the
// disconnect to be handled; a host that never answers is waited for 120 s of the clock.
TEST_F(PrinterTest, DestroyWaitsForTheDisconnect) {
    const std::size_t live = support::Loopback()->Live();
    for (bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "host answers" : "host silent");
        control = std::make_unique<CPrinterCtrl>();
        ASSERT_TRUE(CallBool(id::ConnectToHost, Text(kApp), Text(kSession), Variant::Bool(false)));
        support::LoopbackConnection* host = Host();
        host->CompleteConnect(0);
        host->AssignResource("0A1B2C");
        support::FakeClockScope clock;
        host->FromOwnThread(true);
        std::atomic<bool> gone{false};
        std::thread hostThread([&] {
            if (!support::Eventually([&] { return host->Disconnects() == 1; })) return;
            if (answered) {
                host->Drop(0);
                return;
            }
            // The clock runs on in tenths of the wait until the control has gone.
            for (int i = 0; i < 1000 && !gone; ++i) {
                clock.Advance(hostcontrol::kPrinterDestroyWaitMs / 10);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        const std::uint64_t before = clock.Clock().NowMs();
        control.reset();
        gone = true;
        hostThread.join();
        const std::uint64_t waited = clock.Clock().NowMs() - before;
        if (answered) {
            EXPECT_LT(waited, hostcontrol::kPrinterDestroyWaitMs);
        } else {
            EXPECT_GE(waited, hostcontrol::kPrinterDestroyWaitMs);
        }
        EXPECT_EQ(support::Loopback()->Live(), live);
    }
}

}  // namespace
}  // namespace hostcontrol_test

// A session over the fake host driver: a CSessionBase that keeps its log lines, and a
// fixture that points the plug-in folder at the fake drivers and holds their controls.
#pragma once

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "session/QUILSessionConfig.h"
#include "session/QUILSessionState.h"
#include "session/SessionBase.h"
#include "support/FakeDriver.h"

namespace sessiontest {

class TestSession : public SessionNS::CSessionBase {
public:
    using CSessionBase::NeedToReconnect;
    using CSessionBase::OnGetCfgInfo;
    using CSessionBase::OnGetSessionData;
    using CSessionBase::OnStoreCfgInfo;
    using CSessionBase::OnStoreSessionChanges;

    // The driver's callbacks end before this class's parts go.
    ~TestSession() override { Terminate(); }

    void OnStoreSessionChanges(const char*, const char*, unsigned int) override {}
    void OnGetSessionData(const char*, char*, unsigned int* length) override {
        if (length != nullptr) {
            *length = 0;
        }
    }
    bool OnGetCfgInfo(const char*, const char*, char*, unsigned int*) override { return false; }
    bool OnStoreCfgInfo(const char*, const char*, const char*, unsigned int) override {
        return false;
    }

    // The QUIL state's options data of the active host.
    std::string OptionsData() {
        UTKTools::CGuard guard(m_StateLock);
        auto* state = dynamic_cast<SessionNS::CQUILSessionState*>(m_pState);
        if (state == nullptr) {
            return {};
        }
        const SessionNS::CStream data = state->GetOptionsData();
        return data.empty()
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(data.data()), data.length());
    }

    std::vector<std::string> Lines() {
        std::lock_guard lock(m_linesMutex);
        return m_lines;
    }
    bool Logged(const std::string& text) {
        for (const std::string& line : Lines()) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

protected:
    [[gnu::format(printf, 4, 5)]] void Log(EPRIORITY priority, const char* context,
                                           const char* format, ...) override {
        char text[2048];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        std::lock_guard lock(m_linesMutex);
        m_lines.push_back(std::to_string(priority) + " " + context + ">" + text);
    }

private:
    std::mutex m_linesMutex;
    std::vector<std::string> m_lines;
};

// One family's fake driver, loaded by the test itself so that its counts outlive the
// session's unloading.
struct FakeDriverHandle {
    platform::DynamicLibrary library;
    support::IFakeDriverControl* (*control)() = nullptr;

    support::IFakeDriverControl& Open(const char* family) {
        const std::string path = std::string(TREVO_FAKE_DRIVER_DIR) + "/" + family + "DRV.so";
        const platform::SymbolBinding bindings[] = {
            platform::BindSymbol("FakeDriverControl", control)};
        EXPECT_TRUE(library.Open(path) && library.Bind(bindings)) << library.error();
        return *control();
    }
};

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TREVO_PLUGIN_DIR", TREVO_FAKE_DRIVER_DIR, 1);
        quil = &quilHandle.Open("QUIL");
        zel = &zelHandle.Open("ZEL");
        quil->Reset();
        zel->Reset();
        config.SetLNIATA("ABC123");
        config.SetDefaultHost("host1");
    }
    void TearDown() override {
        quil->JoinCallbacks();
        zel->JoinCallbacks();
    }

    FakeDriverHandle quilHandle;
    FakeDriverHandle zelHandle;
    support::IFakeDriverControl* quil = nullptr;
    support::IFakeDriverControl* zel = nullptr;
    SessionNS::CQUILSessionConfig config{"R1"};
};

}  // namespace sessiontest

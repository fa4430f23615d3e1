#include "shell/App.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShellFixture.h"
#include "core/Version.h"

using namespace shelltest;
using shell::CVekaApp;
using Start = CVekaApp::Start;

namespace {

class Window final : public shell::IMainWindow {
public:
    void Hide() override { hidden = true; }
    void SetTitle(const std::string& text) override { title = text; }
    bool hidden = false;
    std::string title = "Trevo Printing Module";
};

class App : public ShellTest {
protected:
    shell::AppHooks Hooks() {
        shell::AppHooks hooks;
        hooks.restoreFirstInstance = [this](const std::string& cls) {
            restored.push_back(cls);
            return true;
        };
        hooks.removeService = [this](const std::string& name) { removed.push_back(name); };
        hooks.serviceStartup = [this] {
            ++serviceStarts;
            return true;
        };
        hooks.createDocument = [this]() -> shell::IMainWindow* {
            ++documents;
            return &window;
        };
        return hooks;
    }

    shell::AppState state;
    Window window;
    std::vector<std::string> restored, removed;
    int serviceStarts = 0;
    int documents = 0;
};

}  // namespace

TEST_F(App, ANormalStartRecordsItHidesTheWindowAndBrandsTheTitle) {
    root.WriteFile("windows/VEKACFG.ini", "[NAMETYPE]\nVEKANAME=Trevo Veka\n");
    CVekaApp app(state, Hooks());
    ASSERT_EQ(app.InitInstance({"001"}), Start::Run);
    EXPECT_EQ(documents, 1);
    EXPECT_EQ(app.WindowClassName(), "VEKA001");
    EXPECT_EQ(state.instanceId, "001");
    EXPECT_EQ(state.deviceCountValueName, "001Devices Selected");
    EXPECT_EQ(app.DeviceTypeNames().size(), 17u);
    EXPECT_EQ(app.DeviceTypeNames()[5], "Printer (TNV/KDM)");
    EXPECT_EQ(Get(kKeyRoot + "\\State", "Startup Window State"), "0");
    EXPECT_EQ(state.startupWindowState, 0u);
    EXPECT_TRUE(window.hidden);
    EXPECT_EQ(window.title, "Trevo Quorvix");
    EXPECT_FALSE(state.serviceMode);
    // The automation class is entered, never a document file opened.
    EXPECT_TRUE(std::filesystem::exists(root / "run/VEKA001.lock"));
    platform::HKEY key = nullptr;
    EXPECT_EQ(platform::RegOpenKeyEx(platform::HKEY_CLASSES_ROOT,
                                     "CLSID\\{7C3E91A4-2F6B-4D8E-9A05-61B4C2D7E390}", 0,
                                     platform::KEY_READ, &key),
              platform::ERROR_SUCCESS);
    platform::RegCloseKey(key);
}

TEST_F(App, TheTitleFollowsTheBrandingExactlyAndTheOldSystemKeepsTheWindowShown) {
    root.WriteFile("windows/VEKACFG.ini", "[NAMETYPE]\nVEKANAME=trevo print\n");
    shell::AppHooks hooks = Hooks();
    hooks.osVersion = CVersion::VERSION_NT351;
    CVekaApp app(state, hooks);
    ASSERT_EQ(app.InitInstance({}), Start::Run);
    EXPECT_EQ(window.title, "Trevo Printing Module");
    EXPECT_FALSE(window.hidden);
}

TEST_F(App, ASecondStartOfAnInstanceRestoresTheFirstAndEnds) {
    CVekaApp first(state, Hooks());
    ASSERT_EQ(first.InitInstance({"001"}), Start::Run);
    shell::AppState otherState;
    CVekaApp other(otherState, Hooks());
    EXPECT_EQ(other.InitInstance({"002"}), Start::Run);

    shell::AppState secondState;
    CVekaApp second(secondState, Hooks());
    EXPECT_EQ(second.InitInstance({"001", "/?"}), Start::End);
    EXPECT_EQ(restored, std::vector<std::string>{"VEKA001"});
    EXPECT_EQ(documents, 2);
    EXPECT_TRUE(boxes.empty());

    // Removing the service of a running instance reaches the removal.
    shell::AppState removalState;
    CVekaApp removal(removalState, Hooks());
    EXPECT_EQ(removal.InitInstance({"001", "/remove", "/001"}), Start::End);
    EXPECT_EQ(removed, std::vector<std::string>{"001TrevoPrint"});
    EXPECT_EQ(restored.size(), 1u);

    first.ExitInstance();  // lets go of the instance
    shell::AppState thirdState;
    CVekaApp third(thirdState, Hooks());
    EXPECT_EQ(third.InitInstance({"001"}), Start::Run);
}

TEST_F(App, RemovalHelpAndRefusalEndWithoutAWindow) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> removed;
        std::vector<std::string> boxes;
    } cases[] = {
        {{"001", "/remove", "/001"}, {"001TrevoPrint"}, {}},
        {{"/remove"}, {"TrevoPrint"}, {}},
        {{"/?"}, {}, {core::LoadVekaString(61237)}},
        {{std::string(100, '1')}, {}, {"The instance id may have at most 99 characters"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        removed.clear();
        boxes.clear();
        shell::AppState caseState;
        CVekaApp app(caseState, Hooks());
        EXPECT_EQ(app.InitInstance(c.args), Start::End);
        EXPECT_EQ(removed, c.removed);
        EXPECT_EQ(boxes, c.boxes);
    }
    removed.clear();
    CVekaApp all(state, Hooks());
    EXPECT_EQ(all.InitInstance({"/remove", "all"}), Start::End);
    ASSERT_EQ(removed.size(), 100u);
    EXPECT_EQ(removed.front(), "TrevoPrint");
    EXPECT_EQ(removed[1], "001TrevoPrint");
    EXPECT_EQ(removed.back(), "099TrevoPrint");
    EXPECT_EQ(documents, 0);
}

TEST_F(App, StartAsServiceStartsTheServiceSideWhenItsLowestByteIsOne) {
    for (const std::uint32_t value : {257u, 2u}) {
        SCOPED_TRACE(value);
        support::TempRoot caseRoot;
        CRegistry::ForgetAccessMethod();
        PutDword(kKeyRoot, "StartAsService", value);
        shell::AppState caseState;
        serviceStarts = 0;
        window = Window{};
        CVekaApp app(caseState, Hooks());
        ASSERT_EQ(app.InitInstance({"001", "/ns", "/001 ", "/Trevo Print Module001"}), Start::Run);
        const bool service = value == 257;
        EXPECT_EQ(serviceStarts, service ? 1 : 0);
        EXPECT_EQ(caseState.serviceMode, service);
        EXPECT_EQ(caseState.useInstanceServiceName, service);
        EXPECT_EQ(caseState.serviceName, service ? "001TrevoPrint" : "");
        EXPECT_EQ(caseState.serviceDisplayName, service ? "Trevo Print Module001" : "");
        EXPECT_EQ(window.title, service ? CVekaApp::kServiceTitle : "Trevo Printing Module");
    }
    core::SetServiceMode(0);
}

TEST_F(App, AnAutomationStartMakesNoDocumentAndAFailedDocumentEnds) {
    CVekaApp embedded(state, Hooks());
    EXPECT_EQ(embedded.InitInstance({"/Embedding"}), Start::Embedded);
    EXPECT_EQ(documents, 0);
    embedded.ExitInstance();

    shell::AppHooks hooks = Hooks();
    hooks.createDocument = [] { return nullptr; };
    shell::AppState failedState;
    CVekaApp failed(failedState, hooks);
    EXPECT_EQ(failed.InitInstance({}), Start::End);
    EXPECT_FALSE(Get(kKeyRoot + "\\State", "Startup Window State"));
}

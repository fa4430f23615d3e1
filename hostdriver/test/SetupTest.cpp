// The driver's setup: the settings a route opens with, the sheet's pages driven through a
// scripted modal runner, the order and ports of what OK writes, and a refused page that writes
// nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "hostdriver/DriverSetup.h"
#include "hostdriver/SetupSheet.h"
#include "support/DriverHarness.h"
#include "uikit/Dialog.h"

namespace quildrv {
namespace {

using namespace setup;

// A configuration interface that keeps the order of what is written.
class RecordingConfig : public support::DriverHarness {
public:
    bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                        unsigned int length) override {
        writes.emplace_back(key, value != nullptr ? std::string(value, length) : "");
        return DriverHarness::OnStoreCfgInfo(section, key, value, length);
    }
    std::string Written(const std::string& key) const {
        for (const auto& [k, v] : writes)
            if (k == key) return v;
        return "(none)";
    }
    std::vector<std::pair<std::string, std::string>> writes;
};

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        uikit::SetMessageSink(
            [this](const std::string& text, uikit::MessageIcon) { messages.push_back(text); });
    }
    void TearDown() override {
        uikit::SetModalRunner(nullptr);
        uikit::SetMessageSink(nullptr);
    }

    // Runs the sheet with the script; the runner answers `answer` (or the model's result).
    void Script(std::function<void(uikit::IControlPanel&, uikit::IDialogModel&)> script,
                int answer = 0) {
        uikit::SetModalRunner([script, answer](uikit::IDialogModel& model) {
            uikit::MemoryPanel panel(model.Spec());
            model.OnInitDialog(panel);
            script(panel, model);
            return answer != 0 ? answer : model.Result();
        });
    }

    RecordingConfig config;
    std::vector<std::string> messages;
};

TEST_F(SetupTest, AnEmptyRouteOpensWithTheDefaults) {
    std::string lniata, logFile, size, tracing;
    Script([&](uikit::IControlPanel& panel, uikit::IDialogModel& model) {
        lniata = panel.GetText(kLniata);
        logFile = panel.GetText(kLogFile);
        size = panel.GetText(kMaxLogSize);
        tracing = panel.GetText(kSessionTracing) + "/" + panel.GetText(kSocketTracing);
        EXPECT_FALSE(panel.IsEnabled(kBasePcc));
        EXPECT_EQ(model.Spec().caption, "QUIL Protocol Driver Setup");
        model.OnCommand(uikit::IDCANCEL, panel);
    });
    EXPECT_EQ(ConfigureDriverWith(&config), 0);
    EXPECT_EQ(lniata, "000000");
    EXPECT_EQ(logFile, "C:\\NARLODRV.TXT");
    EXPECT_EQ(size, "1000");
    EXPECT_EQ(tracing, "OFF/OFF");
    EXPECT_EQ(ReadSetupSettings(config).port, "30031");
    EXPECT_EQ(ReadSetupSettings(config).defaultHost, "");
    EXPECT_TRUE(config.writes.empty());
    EXPECT_EQ(ConfigureDriverWith(nullptr), -1);
}

TEST_F(SetupTest, OkWritesEverythingAfterRemoveAllWithThePortLast) {
    struct Case {
        const char* devType;
        const char* lniata;
        int pool;  // 0 none, kAgencyPooling, kHostPooling
        const char* branch;
        const char* key;
        const char* city;
        const char* poolType;
        const char* port;
    };
    const Case cases[] = {
        {"PRINTER", "1A2B01", 0, "", "", "", "(none)", "30051"},
        {"TERMINAL", "1A2B01", 0, "", "", "", "(none)", "30031"},
        {"TERMINAL", "000000", kAgencyPooling, "", "", "", "AGENCY", "30032"},
        {"TERMINAL", "000000", kAgencyPooling, "B2", "", "", "EXTAGENCY", "30032"},
        {"TERMINAL", "000000", kHostPooling, "", "", "", "HOST9", "30030"},
        {"TERMINAL", "000000", kHostPooling, "", "K1", "", "EXTHOST9", "30030"},
        {"TERMINAL", "000000", kHostPooling, "", "K1", "NYC", "TOTALHOST9", "30030"},
    };
    for (const Case& c : cases) {
        RecordingConfig route;
        route.SetRoute("DEVTYPE", c.devType);
        route.SetRoute("MAXLOGFILESIZE", "250000");
        Script([&](uikit::IControlPanel& panel, uikit::IDialogModel& model) {
            EXPECT_EQ(panel.GetText(kMaxLogSize), "250");
            panel.SetText(kLniata, c.lniata);
            model.OnCommand(kLniata, panel);
            if (c.pool != 0) {
                panel.SetCheck(c.pool, true);
                model.OnCommand(c.pool, panel);
                EXPECT_EQ(panel.IsEnabled(kBasePcc), c.pool == kAgencyPooling);
                EXPECT_EQ(panel.IsEnabled(kPoolName), c.pool == kHostPooling);
            }
            panel.SetText(kBasePcc, "ABC");
            panel.SetText(kBranchPcc, c.branch);
            panel.SetText(kPoolName, "POOL1");
            panel.SetText(kKeyName, c.key);
            panel.SetText(kCityCode, c.city);
            panel.SetCheck(kKeepAlive, true);
            model.OnCommand(uikit::IDOK, panel);
        });
        EXPECT_EQ(ConfigureDriverWith(&route), 1) << c.poolType;
        ASSERT_GE(route.writes.size(), 3u);
        EXPECT_EQ(route.writes[0].first, "REMOVEALL");
        EXPECT_EQ(route.writes[1], std::make_pair(std::string("PROTOCOL"), std::string("QUIL")));
        EXPECT_EQ(route.writes.back(), std::make_pair(std::string("PORT"), std::string(c.port)))
            << c.poolType;
        EXPECT_EQ(route.Written("POOLTYPE"), c.poolType);
        EXPECT_EQ(route.Written("KEEPALIVE"), "1");
        EXPECT_EQ(route.Written("MAXLOGFILESIZE"), "250000");
        EXPECT_EQ(route.Written("DEVTYPE"), c.devType);
    }
}

TEST_F(SetupTest, ARefusedPageKeepsTheSheetOpenAndWritesNothing) {
    struct Case {
        std::function<void(uikit::IControlPanel&)> change;
        const char* message;
    };
    const Case cases[] = {
        {[](uikit::IControlPanel&) {}, kSetupNoDevType},
        {[](uikit::IControlPanel& p) {
             p.SetCheck(kTerminal, true);
             p.SetText(kLniata, "1A2B");
         },
         kSetupBadLniata},
        {[](uikit::IControlPanel& p) {
             p.SetCheck(kTerminal, true);
             p.SetCheck(kAgencyPooling, true);
         },
         kSetupNoBasePcc},
        {[](uikit::IControlPanel& p) {
             p.SetCheck(kTerminal, true);
             p.SetCheck(kHostPooling, true);
         },
         kSetupNoPoolName},
        {[](uikit::IControlPanel& p) {
             p.SetCheck(kPrinter, true);
             p.SetText(kSessionTracing, "DEBUG");
             p.SetText(kLogFile, "");
         },
         kSetupNoLogFile},
    };
    for (const Case& c : cases) {
        messages.clear();
        bool ended = true;
        // The runner closes the sheet with OK even though the page refused.
        Script(
            [&](uikit::IControlPanel& panel, uikit::IDialogModel& model) {
                c.change(panel);
                model.OnCommand(uikit::IDOK, panel);
                ended = model.Ended();
            },
            uikit::IDOK);
        EXPECT_EQ(ConfigureDriverWith(&config), 1);
        EXPECT_FALSE(ended) << c.message;
        ASSERT_EQ(messages.size(), 1u) << c.message;
        EXPECT_NE(messages[0].find(c.message), std::string::npos) << messages[0];
        EXPECT_TRUE(config.writes.empty()) << c.message;
    }
}

}  // namespace
}  // namespace quildrv

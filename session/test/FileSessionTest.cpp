#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SessionFixture.h"
#include "session/Session.h"
#include "support/TempRoot.h"

namespace {

using namespace SessionNS;

class Lines final : public UTKLogger::CLogMedia {
public:
    void Write(UTKLogger::CPriority::EPRIORITY, const char* text) override {
        std::lock_guard lock(m_mutex);
        m_lines.emplace_back(text);
    }
    bool Has(const std::string& part) {
        std::lock_guard lock(m_mutex);
        for (const std::string& line : m_lines) {
            if (line.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

// Completes the file-driven session the way a provider would: the driver's storage
// callbacks go to the session's own file storage.
class FileSession final : public CSession {
public:
    explicit FileSession(UTKLogger::CLogger& logger) : CSession(logger) {}
    ~FileSession() override { Terminate(); }
    using CSession::OnGetCfgInfo;
    using CSession::OnGetSessionData;
    using CSession::OnLogDbgData;
    using CSession::OnStoreCfgInfo;
    using CSession::OnStoreSessionChanges;
    using CSession::SetLocalContext;

    void OnStoreSessionChanges(const char* key, const char* value, unsigned int length) override {
        CSession::OnStoreSessionChanges(key, value, static_cast<unsigned long>(length));
    }
    void OnGetSessionData(const char* key, char* buffer, unsigned int* length) override {
        unsigned long size = length != nullptr ? *length : 0;
        CSession::OnGetSessionData(key, buffer, length != nullptr ? &size : nullptr);
        if (length != nullptr) {
            *length = static_cast<unsigned int>(size);
        }
    }
    bool OnGetCfgInfo(const char* section, const char* key, char* buffer,
                      unsigned int* length) override {
        unsigned long size = length != nullptr ? *length : 0;
        const bool answered =
            CSession::OnGetCfgInfo(section, key, buffer, length != nullptr ? &size : nullptr);
        if (length != nullptr) {
            *length = static_cast<unsigned int>(size);
        }
        return answered;
    }
    bool OnStoreCfgInfo(const char* section, const char* key, const char* value,
                        unsigned int length) override {
        return CSession::OnStoreCfgInfo(section, key, value, static_cast<unsigned long>(length));
    }

    std::string Ask(const char* key, unsigned int size = 64) {
        std::string buffer(size, 'x');
        OnGetSessionData(key, buffer.data(), &size);
        return buffer.substr(0, size);
    }
    std::string Cfg(const char* section, const char* key) {
        char buffer[64];
        unsigned int size = sizeof buffer;
        EXPECT_TRUE(OnGetCfgInfo(section, key, buffer, &size));
        return std::string(buffer, size);
    }
};

class FileSessionTest : public sessiontest::SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        ::unsetenv("SESSION_CFG_FILE");
        logger.AddLogMedia(lines);
    }
    void TearDown() override {
        SessionTest::TearDown();
        ::unsetenv("SESSION_CFG_FILE");
    }
    void WriteIni(const std::string& global) {
        root.WriteFile("windows/SESSION.INI",
                       "[GLOBAL]\n" + global +
                           "\n[R1]\nPROTOCOL=QUIL\nDEFAULTHOST=host1\nPORT=30031\n"
                           "DEVTYPE=TERMINAL\n[OTHER]\nKEY=other\n");
    }

    support::TempRoot root;
    Lines lines;
    UTKLogger::CLogger logger{UTKLogger::CPriority::DEBUG};
};

TEST_F(FileSessionTest, WithoutItsConfigurationFileNoSessionIsMade) {
    struct Case {
        const char* name;
        bool ini;
        const char* variable;
    };
    const Case cases[] = {{"no file at all", false, nullptr},
                          {"the variable names a missing file", true, "C:\\CFG\\NONE.INI"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.ini) {
            WriteIni("");
        }
        if (c.variable != nullptr) {
            ::setenv("SESSION_CFG_FILE", c.variable, 1);
        }
        try {
            FileSession session(logger);
            ADD_FAILURE() << "made";
        } catch (const CAPIException& e) {
            EXPECT_EQ(e.error(), COMM_ERR_NOCFGFILE);
            EXPECT_STREQ(e.what(),
                         "CSession::OnReadSessionConfig: Unable to locate configuration file!");
        }
    }
    root.WriteFile("drive_c/CFG/MY.INI", "[R1]\nPROTOCOL=QUIL\n");
    ::setenv("SESSION_CFG_FILE", "C:\\CFG\\MY.INI", 1);
    EXPECT_NO_THROW(FileSession session(logger));
}

TEST_F(FileSessionTest, PooledSessionKeepsItsValuesInTheSessionFile) {
    WriteIni("SESSFILE=sess.ini;old");
    FileSession session(logger);
    config.SetLNIATA("000000");
    session.Connect(config, nullptr, 0);
    EXPECT_TRUE(lines.Has(":?????????????:?????:??????]CSessionBase::Connect>called!"));
    const std::string section = std::to_string(session.GetSessionID());
    session.OnStoreSessionChanges("STATE", "0", 1u);
    session.OnStoreSessionChanges("LID", "0A0B0C0DXX", 8u);
    const auto file = root.ReadFile("windows/sess.ini");
    ASSERT_TRUE(file.has_value());
    EXPECT_NE(file->find("[" + section + "]"), std::string::npos) << *file;
    EXPECT_NE(file->find("LID=0A0B0C0D\n"), std::string::npos) << *file;
    EXPECT_EQ(session.Ask("LID"), "0A0B0C0D");
    EXPECT_EQ(session.Ask("STATE", 2), "0");

    session.Disconnect();
    EXPECT_EQ(root.ReadFile("windows/sess.ini")->find("[" + section + "]"), std::string::npos);
    EXPECT_TRUE(lines.Has(":host1:30031:000000]CSessionBase::Disconnect>called!"));
}

TEST_F(FileSessionTest, AnswersAreCutToTheCallersBuffer) {
    WriteIni("");
    FileSession session(logger);
    session.Connect(config, nullptr, 0);
    session.OnStoreSessionChanges("STATE", "10", 2u);
    EXPECT_EQ(session.Ask("STATE", 2), "1");
    session.OnStoreSessionChanges("STATE", "0", 1u);
    EXPECT_EQ(session.Ask("STATE", 2), "0");
    EXPECT_EQ(session.Ask("NOTHING"), "");
}

TEST_F(FileSessionTest, ConfigurationQuestionsAndWrites) {
    WriteIni("LDAPADDR=dir");
    FileSession session(logger);
    config.SetDevType("PRINTER");
    session.Connect(config, nullptr, 0);
    EXPECT_EQ(session.Cfg(nullptr, "DEVTYPE"), "PRINTER");  // the program's value wins
    EXPECT_EQ(session.Cfg("global", "PORT"), "30031");
    EXPECT_EQ(session.Cfg("GLOBAL", "LDAPADDR"), "dir");
    EXPECT_EQ(session.Cfg("OTHER", "KEY"), "other");

    EXPECT_TRUE(session.OnStoreCfgInfo("OTHER", "KEY", "changed", 7u));
    EXPECT_EQ(session.Cfg("OTHER", "KEY"), "changed");
    EXPECT_TRUE(session.OnStoreCfgInfo(nullptr, "IDLETIMEOUT", "600", 3u));
    EXPECT_STREQ(session.GetConfiguration()->GetString("IDLETIMEOUT"), "600");
    const auto ini = root.ReadFile("windows/SESSION.INI");
    EXPECT_NE(ini->find("IDLETIMEOUT=600"), std::string::npos);
    EXPECT_NE(ini->find("KEY=changed"), std::string::npos);
    EXPECT_FALSE(session.OnStoreCfgInfo(nullptr, nullptr, "x", 1u));

    // A session without identifier and session file keeps its values under its route.
    session.OnStoreSessionChanges("ACTIVEHOST", "host2", 5u);
    EXPECT_NE(root.ReadFile("windows/SESSION.INI")->find("ACTIVEHOST=host2"), std::string::npos);
}

TEST_F(FileSessionTest, DriverLogLinesReachTheLogger) {
    WriteIni("");
    FileSession session(logger);
    session.Connect(config, nullptr, 0);
    unsigned char line[] = "E CHostDrvInt::SendToHost>a finished line with %s\n";
    session.OnLogDbgData(line, static_cast<int>(sizeof line - 1));
    EXPECT_TRUE(lines.Has("a finished line with %s"));
    char context[256];
    EXPECT_EQ(session.SetLocalContext(context, sizeof context, "CHostDrvInt::X"), context);
    EXPECT_NE(std::string(context).find(":host1:30031:ABC123]CHostDrvInt::X"), std::string::npos);
    char tiny[8];
    session.SetLocalContext(tiny, sizeof tiny, "CHostDrvInt::X");
    EXPECT_EQ(std::string(tiny).size(), 7u);
}

}  // namespace

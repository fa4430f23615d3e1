#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "session/ARLOSessionConfig.h"
#include "session/ARLOSessionState.h"
#include "session/Exceptions.h"
#include "session/QUILSessionConfig.h"
#include "session/QUILSessionState.h"
#include "session/ZELSessionConfig.h"
#include "session/ZELSessionState.h"
#include "support/TempRoot.h"

namespace {

using namespace SessionNS;

std::string Text(const CStream& stream) {
    return stream.data() == nullptr
               ? std::string()
               : std::string(reinterpret_cast<const char*>(stream.data()), stream.length());
}

CStream Record(const std::string& text) {
    return CStream(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

// Serialises, rebuilds from the record and serialises again: both records are the same.
template <typename T>
std::string RoundTrip(T& object) {
    const std::string first = Text(object.Serialize());
    CStream record = Record(first);
    T back(record);
    EXPECT_EQ(Text(back.Serialize()), first);
    return first;
}

TEST(RecordTest, EveryClassRoundTripsWithAndWithoutItsBaseTerminator) {
    for (const bool terminated : {false, true}) {
        SCOPED_TRACE(terminated ? "with 59/77" : "without 59/77");
        CQUILSessionConfig quil("R1");
        quil.SetLNIATA("ABC123");
        quil.SetHostPort(30031);
        quil.SetDevType("PRINTER");
        quil.SetAutoBid(true);
        quil.SetDefaultConxVerify(true);
        quil.SetSocketLoggingThreshold(static_cast<CSessionConfigBase::EPRIORITY>(0));
        if (terminated) {
            quil.SetServerMode(true);
        }
        EXPECT_EQ(RoundTrip(quil), std::string("301002R1026ABC123") + (terminated ? "7711" : "") +
                                       "10000004754F4111647PRINTER66115611");

        CARLOSessionConfig arlo("R2");
        arlo.SetLB1("lb-one");
        arlo.SetLBPort(3000);
        arlo.SetKeepAlive(true);
        arlo.SetPoolClass("PC");
        arlo.SetDrvLogInterface(CSessionConfigBase::PRIORITIZED);
        if (terminated) {
            arlo.SetServerMode(false);
        }
        EXPECT_EQ(RoundTrip(arlo), std::string("201002R204205") + (terminated ? "7710" : "") +
                                       "30006lb-one32000003BB811113302PC");

        CZELSessionConfig zel("R3");
        zel.SetHostAddress("gw");
        zel.SetPortA(4000);
        if (terminated) {
            zel.SetServerMode(true);
        }
        RoundTrip(zel);

        CQUILSessionState quilState;
        quilState.SetActiveHost("HOSTB");
        quilState.SetDefaultHost("HOSTA");
        quilState.SetPortA(30031);
        quilState.SetLNIATA("ABC123");
        quilState.SetLockID(255);
        quilState.SetState('1');
        quilState.SetTranslation(true);
        if (terminated) {
            quilState.SetEncoding(CSessionStateBase::ANSI);
        }
        const unsigned char options[] = {0x01, 0xAB, 0x00};
        quilState.SetOptionsData(CStream(options, sizeof options));
        quilState.SetActiveHost("HOSTA");
        quilState.SetOptionsData(CStream(options, 1));
        EXPECT_EQ(RoundTrip(quilState), std::string("35811") + (terminated ? "5911" : "") +
                                            "40005HOSTA60005HOSTA10000004754F741102" +
                                            "6ABC12375000002FF" + "63005HOSTA7600201" +
                                            "63005HOSTB7600601AB00");
        CStream record = quilState.Serialize();
        CQUILSessionState back(record);
        EXPECT_EQ(back.GetLockID(), 255u);
        EXPECT_EQ(Text(back.GetOptionsData()), std::string("\x01", 1));

        CARLOSessionState arloState;
        arloState.SetARLOName("FE1");
        arloState.SetPortA(9);
        if (terminated) {
            arloState.SetEncoding(CSessionStateBase::ASCII);
        }
        RoundTrip(arloState);

        CZELSessionState zelState;
        zelState.SetHostAddress("gw");
        zelState.SetPortA(4000);
        zelState.SetLNIATA("ABC123");
        if (terminated) {
            zelState.SetMessageAccumulation(false);
            zelState.SetEncoding(CSessionStateBase::ANSI);
        }
        EXPECT_EQ(RoundTrip(zelState), std::string("1") + (terminated ? "57105911" : "") +
                                           "20002gw10000003FA0026ABC123");
    }
}

TEST(RecordTest, ZelConfigurationVector) {
    CZELSessionConfig zel("R2");
    zel.SetHostAddress("10.0.0.250");
    zel.SetPortA(4000);
    EXPECT_EQ(Text(zel.Serialize()), "101002R22000A10.0.0.25010000003FA0");
    CStream record = zel.Serialize();
    CZELSessionConfig back(record);
    EXPECT_EQ(back.GetPort(), 4000u);
    EXPECT_STREQ(back.GetHostAddress(), "10.0.0.250");
    EXPECT_STREQ(back.GetString("PROTOCOL"), "ZEL");
}

struct ReadFailure {
    const char* name;
    std::string record;
    std::function<void(CStream&)> read;
    COMMError code;
    std::string message;
};

TEST(RecordTest, ReaderFailuresNameTheirPlace) {
    const auto quilConfig = [](CStream& r) { CQUILSessionConfig c(r); };
    const auto zelConfig = [](CStream& r) { CZELSessionConfig c(r); };
    const auto zelState = [](CStream& r) { CZELSessionState s(r); };
    const auto quilState = [](CStream& r) { CQUILSessionState s(r); };
    const ReadFailure cases[] = {
        {"empty", "", quilConfig, COMM_ERR_BAD_CONFIG_VALUE,
         "SerializedStream too short to contain PROTOCOL entry"},
        {"bad entry", "9", quilConfig, COMM_ERR_BAD_CONFIG_VALUE,
         "PROTOCOL entry is unrecognized. 9"},
        {"other family", "2", quilConfig, COMM_ERR_BAD_CONFIG_VALUE,
         "PROTOCOL is 1 when 0 was expected"},
        {"arlo for zel state", "2", zelState, COMM_ERR_BAD_CONFIG_VALUE,
         "PROTOCOL is 1 when 2 was expected"},
        {"cut identifier", "30", quilConfig, COMM_ERR_BADINPUT,
         "Error parsing FieldID from Stream at byte 1. \"30\""},
        {"cut length", "3010", quilConfig, COMM_ERR_BADINPUT,
         "Unable to parse ROUTENAME FieldLength from Stream at byte 3. \"3010\""},
        {"cut value", "301005R1", quilConfig, COMM_ERR_BADINPUT,
         "Unable to parse ROUTENAME FieldValue from Stream at byte 6. \"301005R1\""},
        {"unknown quil field", "301002R199", quilConfig, COMM_ERR_BADINPUT,
         "CQUILSessionConfig::Deserialize. Unrecognized FieldID \"99\" at byte 2. \"99\""},
        {"arlo field in zel", "130003LB1", zelConfig, COMM_ERR_BADINPUT,
         "CZELSessionConfig::Deserialize. Unrecognized FieldID \"30\" at byte 2. \"30003LB1\""},
        {"unknown state field", "358119901", quilState, COMM_ERR_BADINPUT,
         "CQUILSessionState::Deserialize. Unrecognized FieldID \"99\" at byte 2. \"9901\""},
        {"cut port", "31000", quilConfig, COMM_ERR_BADINPUT,
         "Unable to parse PORT FieldLength from Stream at byte 2. \"1000\""},
        {"value over 1023", "301400" + std::string(1024, 'x'), quilConfig, COMM_ERR_BADINPUT,
         "Unable to parse ROUTENAME FieldValue from Stream at byte 6."},
    };
    for (const ReadFailure& c : cases) {
        SCOPED_TRACE(c.name);
        CStream record = Record(c.record);
        try {
            c.read(record);
            ADD_FAILURE() << "no failure";
        } catch (const CExceptionBase& e) {
            EXPECT_EQ(e.error(), c.code);
            EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
        }
    }
}

TEST(RecordTest, ReadersKeepWhatTheyReadBeforeAFailure) {
    CQUILSessionConfig config("X");
    CStream record = Record("301002R1026ABC123411199");
    EXPECT_THROW(config.Deserialize(record), CAPIException);
    EXPECT_STREQ(config.GetRouteName(), "R1");
    EXPECT_STREQ(config.GetLNIATA(), "ABC123");
    EXPECT_TRUE(config.GetAutoBid());
}

TEST(RecordTest, FamilyFieldsAfterAnOpenBaseSectionAreRead) {
    // Neither "59" nor "77" ends the base part: the family's reader takes over.
    CStream state = Record("3581140003abc");
    CQUILSessionState quil(state);
    EXPECT_TRUE(quil.GetTranslation());
    EXPECT_STREQ(quil.GetDefaultHost(), "abc");
    // A three-digit length that is not hex reads as 0: the value is empty.
    CStream config = Record("301Z0010000004754F");
    CQUILSessionConfig c(config);
    EXPECT_STREQ(c.GetRouteName(), "");
    EXPECT_EQ(c.GetPort(), 30031u);
}

TEST(RecordTest, WritersRefuseValuesTheirWidthCannotState) {
    CQUILSessionConfig config("R1");
    config.SetLNIATA("0123456789ABCDEF");  // 16 characters, width 1
    try {
        config.Serialize();
        ADD_FAILURE() << "written";
    } catch (const CArgumentException& e) {
        EXPECT_EQ(e.error(), COMM_ERR_BADINPUT);
    }
    config.SetLNIATA("0123456789ABCDE");  // 15 fit
    EXPECT_NO_THROW(config.Serialize());
}

TEST(RecordTest, OptionsDataRecordsAreReadSafely) {
    struct Case {
        const char* name;
        std::string record;
        std::string hostA;  // expected options data of HOSTA, as hex
    };
    const std::string hex121(121, 'A');
    const Case cases[] = {
        {"host without data is dropped", "363005HOSTA60005HOSTA", ""},
        {"data without its host is refused later", "363005HOSTB63005HOSTA76002FF60005HOSTA", "FF"},
        {"data cut to 60 bytes", "363005HOSTA76079" + hex121 + "60005HOSTA", std::string(120, 'A')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CStream record = Record(c.record);
        CQUILSessionState state(record);
        EXPECT_STREQ(state.GetActiveHost(), "HOSTA");
        CStream data = state.GetOptionsData();
        EXPECT_EQ(std::string(data.hex()), c.hostA);
    }
    // No "63" for a host whose options data are empty.
    CQUILSessionState state;
    state.SetActiveHost("H");
    state.SetOptionsData(CStream());
    EXPECT_EQ(Text(state.Serialize()), "360001H");
    CQUILSessionState none;
    none.SetOptionsData(Record("x"));
    EXPECT_TRUE(none.GetOptionsData().empty());
}

TEST(RecordTest, KeyedAccessMapsTheFamilyNames) {
    CQUILSessionConfig quil("R1");
    quil.SetString("port", "30031", 5);
    EXPECT_STREQ(quil.GetString("PORTBASE"), "30031");
    EXPECT_STREQ(quil.GetString("DefaultHost"), "");
    EXPECT_STREQ(quil.GetString("PROTOCOL"), "");
    CARLOSessionConfig arlo("R2");
    arlo.SetLB1("lb");
    EXPECT_STREQ(arlo.GetString("LB1"), "lb");
    EXPECT_STREQ(arlo.GetString("PROTOCOL"), "");
    CZELSessionState zel;
    EXPECT_STREQ(zel.GetString("protocol"), "ZEL");
    CQUILSessionState state;
    state.SetString("RID", "ABCDEFGH", 6);
    EXPECT_STREQ(state.GetLNIATA(), "ABCDEF");
    state.SetString("TRANSLATE", "1", -1);
    EXPECT_TRUE(state.GetTranslation());
    state.SetEncoding(CSessionStateBase::ANSI);
    EXPECT_STREQ(state.GetString("ENCODING"), "ANSII");
    state.SetString("ENCODING", "ansi", 4);
    EXPECT_EQ(state.GetEncoding(), CSessionStateBase::ASCII);
}

class FillTest : public support::TempRootTest {
protected:
    void Load(const std::string& text) {
        root.WriteFile("windows/SESSION.INI", text);
        adapter.SetFileName("SESSION.INI");
        ASSERT_EQ(adapter.Read(), 1);
    }
    UTKTools::CConfigFileAdapter adapter;
};

TEST_F(FillTest, ConfigurationsFillFromTheirSectionsAndTheGlobalOne) {
    Load(
        "[GLOBAL]\nSESSFILE=sess.ini\nLDAPADDR=dir.example\nCN=globalcn\nOU=globalou\n"
        "DEFAULTCONXVERIFY=true\n"
        "[R1]\nPROTOCOL=QUIL\nDEFAULTHOST=host1\nPORT=30031\nDEVTYPE=PRINTER\n"
        "LDAPADDR=ignored\nCN=routecn\nAUTOBID=TRUE\n"
        "[R2]\nPROTOCOL=ARLO\nLB1=lb1\nLBPORT=3000\nLNIATA=ABC123\n"
        "[R3]\nPROTOCOL=quil\n");
    CQUILSessionConfig quil("R1");
    quil.Fill(adapter);
    EXPECT_STREQ(quil.GetDefaultHost(), "host1");
    EXPECT_EQ(quil.GetPort(), 30031u);
    EXPECT_STREQ(quil.GetDevType(), "PRINTER");
    EXPECT_STREQ(quil.GetLDAPAddr(), "dir.example");
    EXPECT_STREQ(quil.GetSessionFile(), "sess.ini");
    EXPECT_STREQ(quil.GetCN(), "routecn");
    EXPECT_STREQ(quil.GetOU(), "globalou");  // the route lacks it: the global value stays
    EXPECT_TRUE(quil.GetDefaultConxVerify());
    EXPECT_FALSE(quil.GetAutoBid());  // "TRUE" is kept as text; only "1" is true
    EXPECT_EQ(quil.GetDrvLogInterface(), CSessionConfigBase::SIMPLE);
    EXPECT_NE(Text(quil.Serialize()).find("6611"), std::string::npos);

    CARLOSessionConfig arlo("R2");
    arlo.Fill(adapter);
    EXPECT_EQ(arlo.GetLBPort(), 3000u);
    EXPECT_STREQ(arlo.GetSessionFile(), "");  // a route with its LNIATA reads no SESSFILE
    CStream record = arlo.Serialize();
    EXPECT_EQ(CARLOSessionConfig(record).GetLBPort(), 3000u);

    CQUILSessionConfig lower("R3");
    try {
        lower.Fill(adapter);
        ADD_FAILURE() << "filled";
    } catch (const CArgumentException& e) {
        EXPECT_STREQ(e.what(),
                     "CSessionConfigBase::Fill RouteName=R3 PROTOCOL=QUIL expected, "
                     "PROTOCOL=quil found");
    }
}

TEST_F(FillTest, OverrideCarriesOnlyWhatTheProgramSet) {
    Load("[R1]\nPROTOCOL=QUIL\nDEFAULTHOST=filehost\nPORT=1\nLNIATA=FILE01\n");
    CQUILSessionConfig session("R1");
    session.Fill(adapter);
    CQUILSessionConfig caller("R1");
    caller.SetLNIATA("PROG01");
    session.Override(caller);
    EXPECT_STREQ(session.GetLNIATA(), "PROG01");
    EXPECT_STREQ(session.GetDefaultHost(), "filehost");
    caller.SetDefaultHost("");
    caller.ForceOverrides();
    session.Override(caller);
    EXPECT_STREQ(session.GetDefaultHost(), "");

    // States: Fill stores clean values, so a freshly filled state overrides nothing.
    CQUILSessionState state;
    state.Fill(session);
    EXPECT_STREQ(state.GetActiveHost(), "");
    CQUILSessionState filled;
    filled.Fill(session);
    filled.SetTranslation(true);
    state.SetActiveHost("kept");
    state.Override(filled);
    EXPECT_STREQ(state.GetActiveHost(), "kept");
    EXPECT_TRUE(state.GetTranslation());
    CZELSessionState zel;
    EXPECT_THROW(zel.Fill(session), CArgumentException);
    CARLOSessionConfig arlo("R1");
    EXPECT_THROW(session.Override(arlo), CArgumentException);
}

}  // namespace

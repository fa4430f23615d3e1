// The judge alone: exact bytes in, verdict, text for the device, acknowledgement and the
// effects it asks the host link for.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <string>
#include <vector>

#include "core/HostMessageJudge.h"
#include "support/Hex.h"

namespace {

using core::HostLinkEffect;
using core::HostLinkEffects;
using core::HostLinkSettings;
using core::HostMessageJudge;

std::string Bytes(const char* hex) {
    const auto bytes = support::FromHex(hex);
    return {bytes.begin(), bytes.end()};
}

// The effects other than trace entries, one word each.
std::string Steps(const HostLinkEffects& effects) {
    std::string out;
    for (const HostLinkEffect& e : effects) {
        std::string step;
        switch (e.m_eKind) {
            case HostLinkEffect::CONNECTED:
                step = "connected " + std::to_string(e.m_nValue);
                break;
            case HostLinkEffect::RECONNECT:
                step = "reconnect";
                break;
            case HostLinkEffect::ADD_HOSTS:
                step = "add-hosts " + std::to_string(e.m_strText.size());
                break;
            case HostLinkEffect::CHANGE_HOST:
                step = "change-host";
                break;
            case HostLinkEffect::TEMP_HOLD:
                step = std::string("hold ") + static_cast<char>(e.m_nValue) +
                       static_cast<char>(e.m_nLetter);
                break;
            default:
                continue;
        }
        out += (out.empty() ? "" : "; ") + step;
    }
    return out;
}

struct Step {
    const char* in;  // host message, EBCDIC hex
    int verdict;
    std::string ack;  // acknowledgement built (ASCII), empty for none
    char cStatusAfterWrite = '0';
    const char* steps = "";  // what judging and answering ask of the host link
};

// Each message judged and answered as a device does: status "0" first, the message written
// (verdict 0) with the status given, then the acknowledgement the verdict calls for. Every
// protected message is acknowledged once, so none stays counted as awaiting one.
void RunSteps(const HostLinkSettings& settings, const std::vector<Step>& steps, const char* name) {
    HostMessageJudge judge(settings);
    HostLinkEffects effects;
    int row = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(name) + " row " + std::to_string(++row) + ": " + s.in);
        judge.SetDeviceStatus('0', effects);
        effects.clear();
        std::string msg = Bytes(s.in);
        const int verdict = judge.MsgFromHost(msg, 1, effects);
        EXPECT_EQ(verdict, s.verdict);
        std::string ack;
        if (verdict == core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST) {
            judge.SetDeviceStatus(s.cStatusAfterWrite, effects);
        }
        if (verdict == core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST || verdict == core::ACK_HOST_ONLY) {
            ack = judge.MsgAckToHostCreate('2', effects);
        } else if (verdict == core::REPEAT_ACK_TO_HOST) {
            ack = judge.MsgOutOfSequenceToHostCreate(effects);
        }
        EXPECT_EQ(
            support::ToHex({reinterpret_cast<const std::uint8_t*>(ack.data()), ack.size()}),
            support::ToHex({reinterpret_cast<const std::uint8_t*>(s.ack.data()), s.ack.size()}));
        EXPECT_EQ(Steps(effects), s.steps);
        EXPECT_EQ(judge.m_nProtectedReceived, 0);
    }
}

HostLinkSettings Settings(bool bPassThrough = false) {
    HostLinkSettings settings;
    settings.m_strDeviceName = "Device 01";
    settings.m_bPassThrough = bPassThrough;
    return settings;
}

const std::string kNoTsn =
    "C\x01"
    "20\x15";

TEST(HostMessageJudgeTest, HostRules) {
    const HostLinkSettings plain = Settings();
    RunSteps(plain,
             {
                 {"C3 D9 4E", 1, kNoTsn},
                 {"C5 C1 C8 4E", 2, "", '0', "change-host"},  // C1 E is in range after a reset
                 {"C3 D9", 1, kNoTsn},                        // two bytes are a message
                 {"C1 C1", 0, "CA20\x15", '0', "hold 0A"},
                 {"C3 D9 4E", 1, kNoTsn},  // a reset forgets the acknowledged A ...
                 {"C3 D8 4E", 1, kNoTsn},  // ... so CQ carries no TSN
                 {"C1 C1 C8 4E", 0, "CA20\x15", '0', "hold 0A"},
                 {"C2 C1 C8 4E", 1, "CA21\x15"},  // BA after AA: out of sequence
                 {"C1 E3 C8 4E", 1, "CA21\x15"},  // C2 "T" is never taken for a copy
                 {"C1 E3 C8 4E", 1, "CA21\x15"},
                 {"C3 E3 4E", 1, kNoTsn},  // CT, and CT again
                 {"C3 E3 4E", 1, kNoTsn},
                 {"C3 C1 4E", 1, kNoTsn},  // protected mode off
                 {"C4 C1 C8 4E", 0, ""},   // after CT no message is taken for a copy
                 {"C4 C1 C8 4E", 0, ""},
             },
             "plain");
    const HostLinkSettings passThrough = Settings(true);
    RunSteps(passThrough,
             {
                 {"C3 D9 4E", 0, kNoTsn},
                 // A failed write repeats the TSN before the message's own.
                 {"C1 C3 C8 4E", 0, "CB26\x15", '6'},
                 {"C1 C4 C8 4E", 0, "CC24\x15", '4'},
                 {"C1 C5 C8 4E", 0, "CD22\x15", '2'},
             },
             "pass-through");
    HostLinkSettings frames = Settings();
    frames.m_bControlFrames = true;
    RunSteps(frames,
             {
                 {"FF FF 01", 2, "", '0', "connected 1"},
                 {"FF FF 02", 2, "", '0', "connected 0"},
                 {"FF FF 03", 2, "", '0', "reconnect"},
                 {"FF FF 04 C1 C2", 5, "", '0', "add-hosts 5"},
             },
             "control frames");
}

// The trace of a message keeps its entries and their order, the connection steps among them.
TEST(HostMessageJudgeTest, EffectsInTheirOrder) {
    HostMessageJudge judge(Settings());
    HostLinkEffects effects;
    std::string reset = Bytes("C3 D9 4E");
    ASSERT_EQ(judge.MsgFromHost(reset, 1, effects), core::ACK_HOST_ONLY);
    effects.clear();
    std::string msg = Bytes("C5 C1 C8 4E");
    EXPECT_EQ(judge.MsgFromHost(msg, 1, effects), core::IGNORE_BUFFER_FROM_HOST);
    std::vector<std::string> lines;
    for (const HostLinkEffect& e : effects) {
        if (e.m_eKind == HostLinkEffect::TRACE) {
            lines.push_back(std::string(e.m_pszLabel) + " " + e.m_strText);
        } else if (e.m_eKind == HostLinkEffect::CHANGE_HOST) {
            lines.push_back("change-host");
        }
    }
    const std::vector<std::string> expected = {
        "CHostTrevo::MsgFromHost(): 'Device 01', Ebcdic: C1C2=0xc50xc1 EOM=0x4e",
        "CHostTrevo::MsgFromHost(): 'Device 01',  Ascii: C1C2=E   A    EOMC",
        "CHostTrevo::MsgTranslateEbcdicToAscii(): 'Device 01', Before translation: 4 bytes",
        "CHostTrevo::MsgTranslateEbcdicToAscii(): 'Device 01', After translation: 1 bytes",
        "change-host",
        "CHostTrevo::MsgFromHostUnProtected(): 'Device 01', In protected mode, unprotected "
        "message ignored",
    };
    EXPECT_EQ(lines, expected);
}

// A judge that makes no entry below level 1 judges, answers and asks the host link for
// exactly what one that makes them all does; only the level-0 entries are missing, and an
// error's last-error text is there whether or not its entry is.
TEST(HostMessageJudgeTest, EntriesBelowTheLowestLevelAreNotMade) {
    // The effects but the entries below `lowest` (and the level-0 text and data dumps).
    const auto kept = [](const HostLinkEffects& effects, int lowest) {
        std::vector<std::string> out;
        for (const HostLinkEffect& e : effects) {
            const bool below = (e.m_eKind == HostLinkEffect::TRACE && e.m_nValue < lowest) ||
                               e.m_eKind == HostLinkEffect::TRACE_TEXT ||
                               e.m_eKind == HostLinkEffect::TRACE_DATA;
            if (!below) {
                out.push_back(std::to_string(e.m_eKind) + " " + std::to_string(e.m_nValue) + " " +
                              e.m_strText);
            }
        }
        return out;
    };
    for (const int lowest : {1, 3}) {
        HostLinkSettings settings = Settings();
        settings.m_bCRtoCRLF = true;
        HostMessageJudge all(settings);
        settings.m_nLowestTraceLevel = lowest;
        HostMessageJudge quiet(settings);
        // Resets, protected and unprotected text (a carriage return after a byte without a
        // character is spaced out), out of sequence, change-change, and a printer's answers,
        // one of them invalid.
        const char* const host[] = {"C3 D9 4E",       "C1 C1 C8 0D C5 4E", "C2 C1 C8 4E",
                                    "C1 C2 05 0D 4E", "C3 E3 4E",          "C5 C1 C8 4E",
                                    "C4 C1 C8 4E",    "C1 C3 15 4E"};
        for (const char* hex : host) {
            SCOPED_TRACE(std::string(hex) + " lowest " + std::to_string(lowest));
            HostLinkEffects a;
            HostLinkEffects q;
            std::string msgA = Bytes(hex);
            std::string msgQ = msgA;
            ASSERT_EQ(all.MsgFromHost(msgA, 1, a), quiet.MsgFromHost(msgQ, 1, q));
            EXPECT_EQ(msgA, msgQ);
            EXPECT_EQ(all.MsgAckToHostCreate('2', a), quiet.MsgAckToHostCreate('2', q));
            EXPECT_EQ(kept(a, lowest), kept(q, lowest));
            EXPECT_EQ(kept(q, lowest).size(), q.size());
        }
        for (const char* answer : {"D0A0\x03", "DA0Z\x03", "XYZ"}) {
            HostLinkEffects a;
            HostLinkEffects q;
            std::string msgA = answer;
            std::string msgQ = msgA;
            ASSERT_EQ(all.MsgFromATB2(msgA, false, 1, a), quiet.MsgFromATB2(msgQ, false, 1, q));
            EXPECT_EQ(kept(a, lowest), kept(q, lowest));
        }
    }
}

// The frame back to a ticket printer carries the TSN of its "D" answer; the TSN the judge
// expects next runs A to P and starts again at A.
TEST(HostMessageJudgeTest, PrinterFrameAndDeviceTsnWrap) {
    HostMessageJudge judge(Settings());
    HostLinkEffects effects;
    std::string answer = "DKAW*PEMRSOK1ASC";
    ASSERT_EQ(judge.MsgFromATB2(answer, false, 1, effects), core::ACK_HOST_ONLY);
    std::string expected;
    for (int i = 0; i < 16; ++i) {
        const std::string frame = judge.MsgAckToATB2Create(effects);
        ASSERT_EQ(frame.size(), 8u);
        EXPECT_EQ(frame.substr(0, 6),
                  "\x02\x02\x02"
                  "EK\x03");
        expected += static_cast<char>(judge.m_byDeviceExpectedTSN);
    }
    EXPECT_EQ(expected, "BCDEFGHIJKLMNOPA");
    judge.SetDeviceStatus('4', effects);
    static_cast<void>(judge.MsgAckToATB2Create(effects));
    EXPECT_EQ(judge.m_byDeviceExpectedTSN, 'A');  // only status "0" advances it
}

}  // namespace

// A printer-session device's segment flags as each message is judged (the device takes
// them before the next): F first segment (and its white space), L last segment, O white
// space restored on every segment, W white space collected, H a ticket header expected.
TEST(HostMessageJudgeTest, SegmentFlagsOfAPrinterSessionDevice) {
    struct Row {
        const char* in;
        int verdict;
        const char* flags;
        bool bRunInProgress = false;
    };
    const Row rows[] = {
        {"C3 D9 4E", 1, ""},              // a reset starts the next printer message
        {"C1 C1 C8 4E", 0, "F W H"},      // AA starts it, a header is expected
        {"C1 C2 C8 4E", 0, "O W"},        // AB goes on with it
        {"C2 C3 C8 4E", 0, "L W"},        // BC ends it ...
        {"C1 C4 C8 4E", 0, "F W", true},  // ... so AD starts the next; no header in a run
        {"C2 C4 C8 4E", 1, ""},           // a repeat of D is not delivered: nothing set
    };
    for (const bool bPrinterSession : {true, false}) {
        HostMessageJudge judge(Settings());
        core::HostMessageFlags& f = judge.m_flags;
        f.m_bPrinterSessionDevice = bPrinterSession;
        HostLinkEffects effects;
        int n = 0;
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(bPrinterSession ? "session" : "other") + " row " +
                         std::to_string(++n));
            f.m_bTicketRunInProgress = row.bRunInProgress;
            judge.SetDeviceStatus('0', effects);
            std::string msg = Bytes(row.in);
            EXPECT_EQ(judge.MsgFromHost(msg, 1, effects), row.verdict);
            if (row.verdict <= 1) static_cast<void>(judge.MsgAckToHostCreate('2', effects));
            std::string flags;
            auto note = [&flags](std::atomic<bool>& flag, const char* name) {
                if (flag.exchange(false)) flags += (flags.empty() ? "" : " ") + std::string(name);
            };
            const bool bFirstWhiteSpace = f.m_bFirstSegmentWhiteSpace.exchange(false);
            EXPECT_EQ(bFirstWhiteSpace, f.g_iFirstSegment.load());
            note(f.g_iFirstSegment, "F");
            note(f.g_iLastSegment, "L");
            note(f.g_iEverySegOAB, "O");
            note(f.m_bCollectWhiteSpace, "W");
            const bool bHeader2 = f.m_bTNVHeaderExpected2.exchange(false);
            EXPECT_EQ(bHeader2, f.m_bTNVHeaderExpected.load());
            note(f.m_bTNVHeaderExpected, "H");
            EXPECT_EQ(flags, bPrinterSession ? row.flags : "");
        }
    }
}

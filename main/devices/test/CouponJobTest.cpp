#include "devices/CouponJob.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "devices/CouponStore.h"

namespace devices {
namespace {

// The device's side of a job, scripted: the store in memory, letters from 'A' on, the
// operator's answers in order.
struct FakeSide : ICouponJobSide {
    std::string ReadScn() override { return scn; }
    void AdvanceScn() override {
        scn = std::to_string(ReadDecimal64(scn) + 1);
        ++advances;
    }
    void StoreScnFromReply(const std::string& reply) override {
        if (ScnInReply(reply) > 0) scn = std::to_string(ScnInReply(reply) + 1);
    }
    std::string RetrievePectabCode(char c) override {
        pectabLetters += c;
        return c == 'B' ? "PTB01" : kDefaultPectabCode;
    }
    char NextSequenceLetter() override { return devices::NextSequenceLetter(letter); }
    std::optional<int> Ask(std::uint32_t id, std::uint32_t) override {
        asked.push_back(id);
        if (answers.empty()) return std::nullopt;  // the job was reset meanwhile
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    void PrintCoupon(const std::string& coupon) override { printed.push_back(coupon); }
    void FinishJob(char s, const std::string& d, bool hold) override {
        finished.push_back({s, d, hold});
    }

    struct Finished {
        char status;
        std::string dmessage;
        bool holdAck;
    };
    std::string scn = kDefaultScn;
    int advances = 0;
    std::string pectabLetters;
    char letter = 'A';
    std::deque<int> answers;
    std::vector<std::uint32_t> asked;
    std::vector<std::string> printed;
    std::vector<Finished> finished;
};

// A good coupon reply of the printer, its stock text "TKT1" and the number n.
std::string Good(const char* number) {
    return std::string("TOK00SRxTKT1SC") + number;
}

const std::string kHeader = "TK:A123B:";
const std::string kDefault = "TK:S:AAd1:BBd2:";

TEST(CouponJobTest, TheHostTextIsCutAtRecordMarkers) {
    FakeSide side;
    CCouponJob job;
    job.SplitHostText(kHeader + kDefault + "TK:CC:AAvTK:x:TK:1F:", side);
    EXPECT_EQ(job.HeaderRecord(), kHeader);
    EXPECT_EQ(job.DefaultRecord(), kDefault);
    EXPECT_EQ(job.Records(), (std::vector<std::string>{"TK:CC:AAvTK:x:", "TK:1F:"}));
    EXPECT_EQ(side.pectabLetters, "B");
    EXPECT_EQ(job.PectabCode(), "PTB01");

    job.SplitHostText("TK:A12:TK:CC:", side);  // a header of 7 characters or fewer: '?'
    EXPECT_EQ(side.pectabLetters, "B?");
    EXPECT_EQ(job.PectabCode(), kDefaultPectabCode);
}

TEST(CouponJobTest, CouponsAreBuiltByTypeAndMergedInCodeOrder) {
    struct Case {
        const char* defaultRecord;
        const char* record;
        const char* coupon;  // after the header; nullptr: none
    };
    const Case cases[] = {
        {"TK:S:AAd1:BBd2:", "TK:XU1:AAr1:CCr3", "TK:XU1:AAr1:BBd2:CCr3"},
        {"TK:S:AAd1:BBd2:", "TK:XC1:CCr3", "TK:XC1:CCr3"},  // unchanged
        {"", "TK:XI1:CCr3:", "TK:XI1:CCr3:"},
        {"TK:S:AAd1:BBd2:", "TK:XR1", "TK:XR1:AAd1:BBd2:"},  // no field: the default's
        {"TK:S:", "TK:XR1:ZZr:", "TK:XR1:ZZr:"},             // no default field
        {"TK:S:BBd2:", "TK:XI1:AAr1:ZZr9", "TK:XI1:AAr1:BBd2:ZZr9"},
        {"TK:S:AAd1:", "TK:XQ1:AAr1", nullptr},  // an invalid type
    };
    for (const Case& c : cases) {
        FakeSide side;
        CCouponJob job;
        job.SplitHostText(kHeader + c.defaultRecord + c.record, side);
        job.BuildCoupons(side);
        EXPECT_EQ(job.CouponTypes(), std::string(1, c.record[4])) << c.record;
        if (c.coupon) {
            EXPECT_EQ(job.Coupons(), std::vector<std::string>{kHeader + c.coupon}) << c.record;
        } else {
            EXPECT_TRUE(job.Coupons().empty()) << c.record;
        }
    }
}

// A job of n coupons (types "CUUU..."), built and not yet printed.
CCouponJob JobOf(FakeSide& side, int coupons) {
    CCouponJob job;
    std::string text = kHeader;
    for (int i = 0; i < coupons; ++i) text += i == 0 ? "TK:1C:AA:" : "TK:1U:AA:";
    job.SplitHostText(text, side);
    job.BuildCoupons(side);
    return job;
}

TEST(CouponJobTest, TheSummaryReplyOfAJob) {
    struct Case {
        const char* name;
        std::vector<std::string> answers;  // kept by the job as given
        const char* dmessage;
    };
    const Case cases[] = {
        {"none", {}, "W*DBAPTB01ERR5"},
        {"consecutive",
         {Good("9545000314712"), Good("9545000314713")},
         "W*DCAPTB01PROK:102:200:300:VSR:TKT1SC9545000314712CU"},
        {"gap",
         {Good("9545000314712"), Good("9545000314715")},
         "W*DCAPTB01PROK:102:200:300:VSR:TKT1SC9545000314712C:9545000314715U"},
        {"three voided",
         {Good("9545000314712"), "xxERR5yyyyy", "xxERR5yyyyy", "xxERR5yyyyy"},
         "W*DBAPTB01ERR5:104:200:300:3SR:TKT1SC9545000314712CVVV"},
        {"error form", {Good("9545000314712"), "xxERR6abcdef"}, "W*DBAPTB01ERR6abcdef"},
        {"no reply", {"ERR5"}, "W*DBAPTB01ERR5"},
    };
    for (const Case& c : cases) {
        FakeSide side;
        CCouponJob job;
        job.SplitHostText(kHeader + "TK:1C:AA:TK:1U:AA:TK:1U:AA:TK:1U:AA:", side);
        job.BuildCoupons(side);
        // The answers as the job keeps them, without the printing around them.
        for (const std::string& a : c.answers) {
            FakeSide quiet;
            quiet.answers = {1};
            if (a == "ERR5") {
                job.OnNoReply(quiet);
            } else if (CCouponJob::IsGood(a)) {
                job.OnReply(a, quiet);
            } else {
                const_cast<std::vector<std::string>&>(job.Answers()).push_back(a);
            }
        }
        EXPECT_EQ(job.GenerateDMessageForPrinting(side), c.dmessage) << c.name;
    }
}

TEST(CouponJobTest, RepliesToCouponsDriveTheJob) {
    {  // two good coupons, the first out of stock: the operator is told, printing goes on
        FakeSide side;
        side.answers = {1};
        CCouponJob job = JobOf(side, 2);
        ASSERT_TRUE(job.PrintCurrentCoupon(side));
        job.OnReply("TOK00SRxTKOSC9545000314712", side);  // 'O' at index 10
        EXPECT_EQ(side.asked, std::vector<std::uint32_t>{IDS_OUT_OF_STOCK});
        EXPECT_EQ(side.scn, "9545000314713");
        EXPECT_EQ(side.printed.size(), 2u);
        job.OnReply(Good("9545000314713"), side);
        ASSERT_EQ(side.finished.size(), 1u);
        EXPECT_EQ(side.finished[0].status, '0');
        EXPECT_TRUE(side.finished[0].holdAck);
    }
    {  // error 5: the operator retries once, the second error ends the job with '4'
        FakeSide side;
        side.answers = {1};
        CCouponJob job = JobOf(side, 1);
        ASSERT_TRUE(job.PrintCurrentCoupon(side));
        job.OnReply("xxERR5yyyyy", side);
        EXPECT_EQ(side.asked, std::vector<std::uint32_t>{IDS_RETRY_PRINTING});
        EXPECT_EQ(side.printed.size(), 2u);
        job.OnReply("xxERR5yyyyy", side);
        EXPECT_EQ(side.asked.size(), 1u);
        ASSERT_EQ(side.finished.size(), 1u);
        EXPECT_EQ(side.finished[0].status, '4');
        EXPECT_EQ(side.advances, 2);
    }
    {  // out of stock with error 5 gives the attempt back and prints again without asking
        FakeSide side;
        side.answers = {1};
        CCouponJob job = JobOf(side, 1);
        ASSERT_TRUE(job.PrintCurrentCoupon(side));
        job.OnReply("xxERR5yyyyO", side);
        EXPECT_EQ(side.asked, std::vector<std::uint32_t>{IDS_OUT_OF_STOCK});
        EXPECT_EQ(job.Attempts(), 1);
        EXPECT_EQ(side.printed.size(), 2u);
        EXPECT_TRUE(job.Answers().empty());
        EXPECT_EQ(side.advances, 0);
    }
    struct End {
        const char* reply;
        char status;
        std::vector<std::uint32_t> asked;
        int advances;
    };
    const End ends[] = {
        {"xxERR2yyyyy", '0', {}, 1}, {"xxERRSyyyyy", '0', {}, 1},
        {"xxERR8yyyyy", '0', {}, 0}, {"xxERR6yyyyy", '4', {IDS_NO_PECTAB}, 0},
        {"xxERRZyyyyy", '4', {}, 0},  // a code the printer is not known to give
        {"xxERR", '4', {}, 0},
    };
    for (const End& e : ends) {
        FakeSide side;
        side.answers = {1};
        CCouponJob job = JobOf(side, 2);
        ASSERT_TRUE(job.PrintCurrentCoupon(side));
        job.OnReply(e.reply, side);
        ASSERT_EQ(side.finished.size(), 1u) << e.reply;
        EXPECT_EQ(side.finished[0].status, e.status) << e.reply;
        EXPECT_EQ(side.asked, e.asked) << e.reply;
        EXPECT_EQ(side.advances, e.advances) << e.reply;
    }
    {  // neither OK nor ERR after the first character: nothing; a reset while asking: stop
        FakeSide side;
        CCouponJob job = JobOf(side, 1);
        job.OnReply("ERR5OOOOOOO", side);
        job.OnReply("xxERR6yyyyy", side);  // no answer comes: the job was reset
        EXPECT_TRUE(side.finished.empty());
        EXPECT_TRUE(side.printed.empty());
    }
}

TEST(CouponJobTest, NoReplyAsksOnceThenGivesUpWithTheAcknowledgementSent) {
    FakeSide side;
    side.answers = {1};
    CCouponJob job = JobOf(side, 1);
    ASSERT_TRUE(job.PrintCurrentCoupon(side));
    job.OnNoReply(side);
    EXPECT_EQ(side.asked, std::vector<std::uint32_t>{IDS_DEVICE_NOT_RESPONDING});
    EXPECT_EQ(side.printed.size(), 2u);
    job.OnNoReply(side);
    ASSERT_EQ(side.finished.size(), 1u);
    EXPECT_EQ(side.finished[0].status, '4');
    EXPECT_FALSE(side.finished[0].holdAck);
    EXPECT_EQ(side.finished[0].dmessage, "W*DBAPTB01ERR5");
}

}  // namespace
}  // namespace devices

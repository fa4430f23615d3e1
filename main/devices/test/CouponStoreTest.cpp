#include "devices/CouponStore.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/HostTrevo.h"
#include "core/HostTrevoRegistry.h"
#include "core/Registry.h"
#include "support/TempRoot.h"

namespace devices {
namespace {

TEST(CouponStoreTest, TheNumberInAReply) {
    struct Case {
        const char* reply;
        std::int64_t number;
    };
    const Case cases[] = {
        {"xxSC9545000314712", 9545000314712},
        {"OKSR1SC9545000314712tail", 9545000314712},
        {"OKSC95450003147129999", 9545000314712},  // 13 characters at most
        {"OKSC123", 123},                          // as far as they go
        {"OKSC", 0},
        {"SC9545000314712", 0},                  // "SC" at the start
        {"xERR5SC9545000314712", 0},             // an error
        {"ERRxSC9545000314712", 9545000314712},  // "ERR" only at the start
        {"", 0},
        {"xSC-12", -12},
    };
    for (const Case& c : cases) EXPECT_EQ(ScnInReply(c.reply), c.number) << c.reply;
}

TEST(CouponStoreTest, DecimalTextIsReadWithinRange) {
    EXPECT_EQ(ReadDecimal64(" 42x"), 42);
    EXPECT_EQ(ReadDecimal64("abc"), 0);
    EXPECT_EQ(ReadDecimal64("99999999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ReadDecimal64("-7"), -7);
}

TEST(CouponStoreTest, SequenceLettersRunAToPAndAgain) {
    char c = 'A';
    EXPECT_EQ(NextSequenceLetter(c), 'B');
    c = 'P';
    EXPECT_EQ(NextSequenceLetter(c), 'A');
    c = '\0';  // never set: starts over
    EXPECT_EQ(NextSequenceLetter(c), 'A');
}

class CouponStoreKeyTest : public support::TempRootTest {
protected:
    void SetUp() override {
        CRegistryBase::SetAccessLevel(CRegistryBase::ACCESS_UNDECIDED);
        ASSERT_TRUE(registry.SetString(KeyPath(), "Device Name", "Coupons"));
    }
    static std::string KeyPath() {
        return std::string(core::CHostTrevo::kApplicationKey) + "\\Device 01";
    }
    std::string Stored(const char* name) {
        std::string value = "<none>";
        static_cast<void>(registry.QueryString(KeyPath(), name, value));
        return value;
    }
    core::CHostTrevoRegistry registry;
    CCouponStore store{registry, "Device 01"};
};

TEST_F(CouponStoreKeyTest, TheNumberIsReadAdvancedAndTakenFromReplies) {
    EXPECT_EQ(store.ReadScn(), kDefaultScn);
    store.AdvanceScn();
    EXPECT_EQ(Stored(kCurrentScnValue), "9545000314713");
    store.StoreScnFromReply("OKSC9545000314712");
    EXPECT_EQ(store.ReadScn(), "9545000314713");
    store.StoreScnFromReply("SC9545000400000");  // "SC" at the start: nothing
    store.StoreScnFromReply("xERR5SC9545000400000");
    EXPECT_EQ(store.ReadScn(), "9545000314713");
    store.StoreScnFromReply("OKSR1SC9545000400000");
    EXPECT_EQ(store.ReadScn(), "9545000400001");
}

TEST_F(CouponStoreKeyTest, PectabCodesPerLetter) {
    EXPECT_EQ(store.RetrievePectabCode('A'), kDefaultPectabCode);
    store.StorePectabCode('A', "ABCDE");
    EXPECT_EQ(store.RetrievePectabCode('A'), "ABCDE");
    EXPECT_EQ(Stored("Pectab Transaction A"), "ABCDE");
    EXPECT_EQ(store.RetrievePectabCode('?'), kDefaultPectabCode);
}

TEST_F(CouponStoreKeyTest, AKeyThatCannotBeOpenedChangesNothing) {
    CCouponStore missing(registry, "Device 09");
    missing.AdvanceScn();
    missing.StorePectabCode('A', "ABCDE");
    missing.StoreScnFromReply("OKSC9545000400000");
    EXPECT_FALSE(
        registry.KeyExists(std::string(core::CHostTrevo::kApplicationKey) + "\\Device 09"));
    EXPECT_EQ(missing.ReadScn(), kDefaultScn);
    EXPECT_EQ(missing.RetrievePectabCode('A'), kDefaultPectabCode);
}

}  // namespace
}  // namespace devices

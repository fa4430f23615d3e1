#include "res/VekaStringTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/VekaStrings.h"

namespace {

class VekaStringTableTest : public ::testing::Test {
protected:
    void TearDown() override { platform::StringTable::Unregister(res::kModuleName); }
};

// Once the program's table is registered, the core loads the program's texts by id,
// including those the core itself has no copy of.
TEST_F(VekaStringTableTest, RegisteredTableServesTheCore) {
    EXPECT_STREQ(res::kModuleName, core::kVekaModule);
    struct Case {
        std::uint32_t id;
        const char* text;
    };
    const Case cases[] = {
        {61206, "Waiting  for incoming message."},
        {61208, "Check if there is any new block."},
        {61209, "Process the incoming message block."},
        {61223,
         "QWORK.SF is opened by other process,close the other process, and reload Interface "
         "Queue again."},
        {1251, "Trevo Veka"},
        {1253, "Trevo Veka Properties"},
        {61245, "Zeroziro"},
        {424, "Unable to send to host."},
        {999, ""},
    };
    EXPECT_EQ(core::LoadVekaString(61208), "");
    res::RegisterVekaStrings();
    for (const Case& c : cases) EXPECT_EQ(core::LoadVekaString(c.id), c.text) << c.id;
}

// Every id the core names has a text in the program's table, and the core loads that text
// once the table is registered.
TEST_F(VekaStringTableTest, EveryIdTheCoreNamesHasItsText) {
    const std::uint32_t coreIds[] = {
        core::IDS_PRINTING_MODULE,
        core::IDS_PASSPORT_READER,
        core::IDS_TSN_OUT_OF_SEQUENCE,
        core::IDS_TRANSMISSION_ERROR,
        core::IDS_COMMUNICATION_LINK_FAILURE,
        core::IDS_DEVICE_UNABLE_TO_ACCEPT_DATA,
        core::IDS_REQUEST_FOR_TEMPORARY_HOLD,
        core::IDS_TRANSMISSION_RETRY,
        core::IDS_NOT_A_PROTECTED_DEVICE,
        core::IDS_DEVICE_NON_EXISTENT,
        core::IDS_UNABLE_TO_SEND_TO_HOST,
        core::IDS_INCOMPLETE_MESSAGE,
        core::IDS_TITLE_PRINT,
        core::IDS_TITLE_VEKA,
    };
    res::RegisterVekaStrings();
    for (const std::uint32_t id : coreIds) {
        const auto text = res::VekaStringTable().Find(id);
        ASSERT_TRUE(text.has_value()) << id;
        EXPECT_FALSE(text->empty()) << id;
        EXPECT_EQ(core::LoadVekaString(id), *text) << id;
    }
}

}  // namespace

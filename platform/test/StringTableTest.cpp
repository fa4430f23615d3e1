#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/StringTable.h"

using namespace platform;

TEST(StringTable, LoadsTextsAsStringResourcesDo) {
    const StringTable table{{1202, "Trevo Print"},
                            {104, "Trevo Printing Module"},
                            {122, "Interface Queue"},
                            {104, "second text of an id"},
                            {7, ""}};
    EXPECT_EQ(table.size(), 4u);

    struct Case {
        std::uint32_t id;
        std::uint32_t size;
        std::uint32_t result;
        const char* text;
    };
    const Case cases[] = {
        {1202, 64, 11, "Trevo Print"},
        {104, 64, 21, "Trevo Printing Module"},
        {1202, 6, 5, "Trevo"},
        {1202, 1, 0, ""},
        {122, 16, 15, "Interface Queue"},
        {121, 64, 0, ""},
        {7, 64, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        char buffer[80];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(table.Load(c.id, buffer, c.size), c.result);
        EXPECT_STREQ(buffer, c.text);
        EXPECT_EQ(buffer[c.size], '#') << "wrote past the buffer";
    }

    std::string text = "stale";
    EXPECT_TRUE(table.Load(104, text));
    EXPECT_EQ(text, "Trevo Printing Module");
    EXPECT_FALSE(table.Load(999, text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(table.Load(7, text)) << "an empty text is there";
}

TEST(StringTable, ModulesRegisterTheirOwnTables) {
    StringTable::Register("veka-test", StringTable{{1, "one"}});
    StringTable::Register("other-test", StringTable{{1, "uno"}});
    const auto veka = StringTable::ForModule("veka-test");
    ASSERT_NE(veka, nullptr);
    EXPECT_EQ(veka->Find(1), "one");
    EXPECT_EQ(StringTable::ForModule("other-test")->Find(1), "uno");
    EXPECT_EQ(StringTable::ForModule("none-test"), nullptr);

    // Replacing or removing a table leaves a table in hand intact.
    StringTable::Register("veka-test", StringTable{{1, "replaced"}});
    StringTable::Unregister("veka-test");
    EXPECT_EQ(veka->Find(1), "one");
    EXPECT_EQ(StringTable::ForModule("veka-test"), nullptr);

    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t)
        readers.emplace_back([] {
            for (int i = 0; i < 200; ++i) {
                StringTable::Register("racing-test", StringTable{{1, "x"}});
                const auto table = StringTable::ForModule("racing-test");
                ASSERT_NE(table, nullptr);
                EXPECT_EQ(table->Find(1), "x");
            }
        });
    for (auto& r : readers) r.join();
    StringTable::Unregister("other-test");
    StringTable::Unregister("racing-test");
}

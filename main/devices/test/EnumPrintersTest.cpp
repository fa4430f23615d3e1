#include <gtest/gtest.h>

#include "devices/EnumPrinters.h"
#include "support/FakeSpooler.h"

namespace {

std::vector<std::string> AllNames(devices::CEnumPrinters& list) {
    std::vector<std::string> names;
    list.ResetCursor();
    for (std::string name = list.GetNext(); !name.empty(); name = list.GetNext())
        names.push_back(name);
    return names;
}

TEST(EnumPrinters, EachQueueOnceInTheSpoolersOrderAndExactNames) {
    support::FakeSpooler fake;
    fake.AddQueue("Zeta");
    fake.AddQueue("alpha");
    fake.AddQueue("Zeta");
    devices::CEnumPrinters list;
    list.LoadQueueList();
    EXPECT_EQ(AllNames(list), (std::vector<std::string>{"Zeta", "alpha"}));
    EXPECT_EQ(list.GetNext(), "");
    EXPECT_EQ(list.GetNext(), "");
    EXPECT_TRUE(list.FindPrinterName("alpha"));
    EXPECT_FALSE(list.FindPrinterName("Alpha"));
    EXPECT_FALSE(list.FindPrinterName("alph"));

    // A new load starts over.
    fake.RemoveQueue("alpha");
    list.LoadQueueList();
    EXPECT_EQ(AllNames(list), (std::vector<std::string>{"Zeta"}));
}

TEST(EnumPrinters, NoServerGivesAnEmptyList) {
    support::FakeSpooler fake;
    fake.AddQueue("A");
    fake.SetNoServer(true);
    devices::CEnumPrinters list;
    list.LoadQueueList();
    EXPECT_EQ(list.GetCount(), 0u);
    EXPECT_EQ(list.GetNext(), "");
    EXPECT_FALSE(list.FindPrinterName("A"));
    EXPECT_FALSE(list.FindPrinterName(""));
}

}  // namespace

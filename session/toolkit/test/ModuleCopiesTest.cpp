#include <gtest/gtest.h>

#include <set>

#include "platform/DynamicLibrary.h"
#include "toolkit/String.h"

namespace {

// A mangled name of the toolkit (UTKString::CString::c_str() const).
constexpr const char* kToolkitSymbol = "_ZNK9UTKString7CString5c_strEv";

struct Probe {
    platform::DynamicLibrary library;
    const void* (*emptyText)() = nullptr;
    int (*random)() = nullptr;
    void (*failAllocations)(int) = nullptr;
    int (*holdsText)() = nullptr;

    bool Load(const char* name) {
        const platform::SymbolBinding bindings[] = {
            platform::BindSymbol("ToolkitProbeEmptyText", emptyText),
            platform::BindSymbol("ToolkitProbeRandom", random),
            platform::BindSymbol("ToolkitProbeFailAllocations", failAllocations),
            platform::BindSymbol("ToolkitProbeHoldsText", holdsText)};
        return library.Open(platform::MapLibraryName(name)) && library.Bind(bindings);
    }
};

TEST(ModuleCopiesTest, EveryModuleKeepsItsOwnHiddenToolkit) {
    Probe a;
    Probe b;
    ASSERT_TRUE(a.Load("ToolkitProbeA.DLL")) << a.library.error();
    ASSERT_TRUE(b.Load("ToolkitProbeB.DLL")) << b.library.error();

    // Each copy has its own statics: here the static empty text.
    const std::set<const void*> statics = {a.emptyText(), b.emptyText(),
                                           UTKString::CString().c_str()};
    EXPECT_EQ(statics.size(), 3u);
    // Each copy's generator was seeded and works on its own.
    (void)a.random();
    (void)b.random();

    // The heap of one copy failing leaves the other copies' heaps alone.
    a.failAllocations(1);
    EXPECT_EQ(a.holdsText(), 0);
    EXPECT_EQ(b.holdsText(), 1);
    EXPECT_EQ(UTKString::CString("abc").length(), 3u);
    a.failAllocations(0);
    EXPECT_EQ(a.holdsText(), 1);

    // The modules keep the toolkit to themselves; the Session library exports it.
    EXPECT_EQ(a.library.Symbol(kToolkitSymbol), nullptr);
    EXPECT_EQ(b.library.Symbol(kToolkitSymbol), nullptr);
    platform::DynamicLibrary session;
    ASSERT_TRUE(session.Open(TOOLKIT_SESSION_LIBRARY)) << session.error();
    EXPECT_NE(session.Symbol(kToolkitSymbol), nullptr);
    EXPECT_NE(session.Symbol("_ZN9QorTranNS8CQorTran17GetResultCodeTextENS0_10RESULTCODEE"),
              nullptr);
}

}  // namespace

// Waiting on the simulator: a condition that asks the simulator's own state is answered at
// the deadline too (the wait lets go of the simulator's lock first).
#include <gtest/gtest.h>

#include "arlohost/ArloHost.h"

namespace arlohost {
namespace {

TEST(ArloHostWaitTest, AConditionAskingTheHostIsAnsweredAtTheDeadline) {
    ArloHost host;
    EXPECT_FALSE(host.WaitFor([&] { return host.IsClosed(1) || !host.Problems().empty(); }, 50));
}

}  // namespace
}  // namespace arlohost

#include <gtest/gtest.h>

#include "spooler/Spooler.h"

namespace {

TEST(DeviceUriPath, PathOfTheLocalDeviceSchemesUpToTheOptions) {
    const struct {
        const char* uri;
        const char* path;
    } cases[] = {
        {"serial:/dev/ttyS0?baud=9600+bits=8", "/dev/ttyS0"},
        {"parallel:/dev/lp0", "/dev/lp0"},
        {"file:/tmp/out.prn", "/tmp/out.prn"},
        {"file:///tmp/out.prn", "/tmp/out.prn"},
        {"file://host", ""},
        {"ipp://server/printers/x", ""},
        {"socket://10.0.0.1:9100", ""},
        {"/dev/ttyS0", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(spooler::DeviceUriPath(c.uri), c.path) << c.uri;
}

}  // namespace

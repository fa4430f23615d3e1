#include "quil2sp/ConnectResult.h"

namespace QUIL2SessionNS {

namespace {

struct Range {
    int first;
    int last;
    int brxError;
};

// Connect results and the provider codes they complete the connect with; any other
// result is 1012.
constexpr Range kTable[] = {
    {0, 0, 0},          {1001, 1001, 1007}, {1002, 1002, 1037}, {1003, 1003, 1009},
    {1004, 1005, 1003}, {1006, 1006, 1007}, {1008, 1009, 1007}, {1011, 1012, 1017},
    {1013, 1014, 1015}, {1016, 1016, 1013}, {1017, 1017, 1016}, {1021, 1021, 1005},
    {1022, 1022, 1001}, {1023, 1023, 1010}, {1024, 1024, 1007}, {1025, 1025, 1027},
    {1026, 1027, 0},    {1029, 1029, 1037}, {1031, 1031, 1010}, {1032, 1033, 1029},
    {1034, 1044, 1030}, {1045, 1045, 1013},
};

constexpr int kOther = 1012;

}  // namespace

int MapConnectResult(int commError) noexcept {
    for (const Range& r : kTable)
        if (commError >= r.first && commError <= r.last) return r.brxError;
    return kOther;
}

}  // namespace QUIL2SessionNS

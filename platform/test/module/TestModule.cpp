// A module with one exported entry point and one that stays hidden.
#include "platform/Export.h"

extern "C" {

TREVO_EXPORT int TrevoTestTwiceAndOne(int value) {
    return value * 2 + 1;
}

int TrevoTestHidden(int value) {
    return value;
}
}

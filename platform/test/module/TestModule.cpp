// A module with exported entry points and one that stays hidden.
#include "platform/Export.h"

extern "C" {

TREVO_EXPORT int TrevoTestTwiceAndOne(int value) {
    return value * 2 + 1;
}

// Counts its calls since the module was loaded.
TREVO_EXPORT int TrevoTestCount() {
    static int count = 0;
    return ++count;
}

int TrevoTestHidden(int value) {
    return value;
}
}

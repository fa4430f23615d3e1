// The program's string table registered before main(), for the programs that run the core
// without the program's start-up: the tests and benchmarks of the core, the devices and the
// host road.
#include "res/VekaStringTable.h"

namespace {

struct RegisterAtStart {
    RegisterAtStart() { res::RegisterVekaStrings(); }
};

const RegisterAtStart registered;

}  // namespace

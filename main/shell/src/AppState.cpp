#include "shell/AppState.h"

namespace shell {

AppState& TheAppState() {
    static AppState state;
    return state;
}

}  // namespace shell

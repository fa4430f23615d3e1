// The sources shared by the two QUIL providers (the provider object, the session options,
// the message collection and the timer window) are built into each provider module; this
// picks the session and the session pool of the module being built. QUIL2SP builds them
// with QUIL2SP defined.
#pragma once

#if defined(QUIL2SP)
#include "quil2sp/Session.h"
#include "quil2sp/SessionPool.h"
#else
#include "quilsp/Session.h"
#include "quilsp/SessionPool.h"
#endif

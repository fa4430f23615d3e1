// Visibility of the Session library's classes: exported from the library, so that the
// provider built on it can derive from them.
#pragma once

#include <platform/Export.h>

#define SESSION_API TREVO_EXPORT

#if defined(__GNUC__)
#define SESSION_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define SESSION_PRINTF(fmt, args)
#endif

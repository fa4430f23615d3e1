// Visibility of the toolkit's classes and functions. The same source is built into the
// Session library, where UTK_API exports it, and into modules that carry their own copy,
// where it stays hidden so that each module keeps its own statics.
#pragma once

#include <platform/Export.h>

#if defined(TREVO_TOOLKIT_HIDDEN)
#define UTK_API TREVO_HIDDEN
#else
#define UTK_API TREVO_EXPORT
#endif

#if defined(__GNUC__)
#define UTK_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define UTK_PRINTF(fmt, args)
#endif

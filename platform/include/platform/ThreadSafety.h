// Clang's thread-safety annotations under our own names: a lock type is a capability, a guard
// a scoped capability, and a member says which lock guards it. Clang builds check them with
// -Wthread-safety (warnings as errors); other compilers ignore them.
#pragma once

#if defined(__clang__)
#define TREVO_TS_ATTRIBUTE(x) __attribute__((x))
#else
#define TREVO_TS_ATTRIBUTE(x)
#endif

#define TREVO_CAPABILITY(name) TREVO_TS_ATTRIBUTE(capability(name))
#define TREVO_SCOPED_CAPABILITY TREVO_TS_ATTRIBUTE(scoped_lockable)
#define TREVO_GUARDED_BY(lock) TREVO_TS_ATTRIBUTE(guarded_by(lock))
#define TREVO_PT_GUARDED_BY(lock) TREVO_TS_ATTRIBUTE(pt_guarded_by(lock))
#define TREVO_REQUIRES(...) TREVO_TS_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define TREVO_EXCLUDES(...) TREVO_TS_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define TREVO_ACQUIRE(...) TREVO_TS_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define TREVO_RELEASE(...) TREVO_TS_ATTRIBUTE(release_capability(__VA_ARGS__))
#define TREVO_TRY_ACQUIRE(...) TREVO_TS_ATTRIBUTE(try_acquire_capability(__VA_ARGS__))
#define TREVO_NO_THREAD_SAFETY_ANALYSIS TREVO_TS_ATTRIBUTE(no_thread_safety_analysis)

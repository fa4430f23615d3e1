// The one export macro: marks the entry points a shared library or module makes visible.
// Everything else in a module is hidden (-fvisibility=hidden).
#pragma once

#define TREVO_EXPORT __attribute__((visibility("default")))
#define TREVO_HIDDEN __attribute__((visibility("hidden")))

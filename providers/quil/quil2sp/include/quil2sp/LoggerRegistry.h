// The loggers of QUIL2SP's provider objects, kept for the process until its last provider
// object goes: each object registers the logger it makes on its first Connect, and the
// count of live objects decides when the registry lets all of them go.
//
// Lock order: its own lock only.
#pragma once

#include <cstddef>
#include <memory>

class Notify;

namespace quilsp {

class LoggerRegistry {
public:
    static void ProviderCreated();
    // The last object gone: every registered logger is released.
    static void ProviderGone();
    static void Register(std::shared_ptr<Notify> logger);
    static std::size_t Size();
};

}  // namespace quilsp

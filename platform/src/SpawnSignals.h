// Spawn attributes that give a started program the signals its starter may have blocked
// (TerminationSignal blocks SIGTERM and SIGINT for the whole process): an empty signal mask
// and the default actions of those two.
#pragma once

#include <spawn.h>

#include <csignal>

namespace platform {

class SpawnSignals {
public:
    SpawnSignals() noexcept {
        m_ok = ::posix_spawnattr_init(&m_attr) == 0;
        if (!m_ok) return;
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGTERM);
        sigaddset(&defaults, SIGINT);
        ::posix_spawnattr_setsigmask(&m_attr, &none);
        ::posix_spawnattr_setsigdefault(&m_attr, &defaults);
        ::posix_spawnattr_setflags(&m_attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSignals() {
        if (m_ok) ::posix_spawnattr_destroy(&m_attr);
    }
    SpawnSignals(const SpawnSignals&) = delete;
    SpawnSignals& operator=(const SpawnSignals&) = delete;

    // The attributes, or null (the system's defaults) when they could not be made.
    const posix_spawnattr_t* Get() const noexcept { return m_ok ? &m_attr : nullptr; }

private:
    posix_spawnattr_t m_attr;
    bool m_ok = false;
};

}  // namespace platform

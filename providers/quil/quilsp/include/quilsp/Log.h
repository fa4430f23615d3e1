// The log of a provider object and the sessions it configures: one Notify logger shared by
// them, or none (nothing is written then). Level 0 is tracing, written only while the route's
// tracing is active; level 2 is an error, always written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class Notify;

namespace quilsp {

inline constexpr int kTrace = 0;
inline constexpr int kError = 2;

class Log {
public:
    Log() = default;
    Log(std::shared_ptr<Notify> notify, bool tracing)
        : m_notify(std::move(notify)), m_tracing(tracing) {}

    void Line(int level, const char* file, int line, const char* format, ...) const noexcept
        __attribute__((format(printf, 5, 6)));
    // A dump of message bytes.
    void Dump(int level, std::span<const std::uint8_t> bytes) const noexcept;
    bool Enabled() const noexcept { return m_notify != nullptr; }

private:
    std::shared_ptr<Notify> m_notify;
    bool m_tracing = false;
};

}  // namespace quilsp

#define QLOG(log, level, ...) (log).Line((level), __FILE__, __LINE__, __VA_ARGS__)

// Letters and sequence numbers of host messages, shared by the host link's sources.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "core/HostMessageJudge.h"

namespace core::hostlink {

// EBCDIC capital letters.
constexpr std::uint8_t E(char c) {
    if (c >= 'A' && c <= 'I') return static_cast<std::uint8_t>(0xC1 + (c - 'A'));
    if (c >= 'J' && c <= 'R') return static_cast<std::uint8_t>(0xD1 + (c - 'J'));
    if (c >= 'S' && c <= 'Z') return static_cast<std::uint8_t>(0xE2 + (c - 'S'));
    return 0;
}

// Transmission sequence numbers run A to P (EBCDIC C1-C9, D1-D7) in cycle.
constexpr bool IsTsnLetter(std::uint8_t b) {
    return (b >= 0xC1 && b <= 0xC9) || (b >= 0xD1 && b <= 0xD7);
}

constexpr std::uint8_t NextTsn(std::uint8_t b) {
    if (!IsTsnLetter(b)) return b;
    if (b == 0xC9) return 0xD1;
    if (b == 0xD7) return 0xC1;
    return static_cast<std::uint8_t>(b + 1);
}

constexpr std::uint8_t PreviousTsn(std::uint8_t b) {
    if (!IsTsnLetter(b)) return b;
    if (b == 0xD1) return 0xC9;
    if (b == 0xC1) return 0xD7;
    return static_cast<std::uint8_t>(b - 1);
}

inline std::span<const std::uint8_t> Bytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

inline std::uint8_t At(const std::string& s, std::size_t i) {
    return i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0;
}

// A byte for a %c in a log line: a zero byte would cut the line short.
inline char Printable(std::uint8_t b) {
    return b ? static_cast<char>(b) : '?';
}

// Adds a trace entry (level, label and the formatted text, cut as the trace log cuts it)
// to the effects and returns the text.
std::string Trace(HostLinkEffects& out, int level, const char* file, int line, const char* label,
                  const char* format, ...) __attribute__((format(printf, 6, 7)));

// Adds a last-error text to the effects.
inline void LastError(HostLinkEffects& out, std::string text) {
    HostLinkEffect effect;
    effect.m_eKind = HostLinkEffect::LAST_ERROR;
    effect.m_strText = std::move(text);
    out.push_back(std::move(effect));
}

// Adds the text or the bytes alone (HostLinkEffect::TRACE_TEXT or TRACE_DATA).
inline void TraceBare(HostLinkEffects& out, HostLinkEffect::Kind kind, const std::string& text) {
    HostLinkEffect effect;
    effect.m_eKind = kind;
    effect.m_strText = text;
    out.push_back(std::move(effect));
}

}  // namespace core::hostlink

// A trace entry of the judge, with the place in the source it comes from, made only when the
// log keeps its level (in the judge's own methods).
#define JUDGE_TRACE(out, level, label, ...)                                            \
    do {                                                                               \
        if (TraceKept(level))                                                          \
            (void)::core::hostlink::Trace((out), (level), __FILE__, __LINE__, (label), \
                                          __VA_ARGS__);                                \
    } while (false)

// The same entry, always made, giving back its text (for a last error, which needs the text
// whether or not the log keeps the entry).
#define JUDGE_TRACE_TEXT(out, level, label, ...) \
    ::core::hostlink::Trace((out), (level), __FILE__, __LINE__, (label), __VA_ARGS__)

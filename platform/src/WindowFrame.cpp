#include "platform/WindowFrame.h"

#include <utility>

#include "platform/ByteReader.h"
#include "platform/ByteWriter.h"

namespace platform {

namespace {

enum : std::uint8_t { kKindNumbered = 0, kKindRegistered = 1 };

bool ValidName(std::string_view name) noexcept {
    if (name.empty() || name.size() > WindowFrame::kMaxNameLength) return false;
    for (const char c : name)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

void Put64(ByteWriter& w, std::uint64_t v) {
    w.u32le(static_cast<std::uint32_t>(v));
    w.u32le(static_cast<std::uint32_t>(v >> 32));
}

bool Get64(ByteReader& r, std::uint64_t& v) noexcept {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    if (!r.u32le(low) || !r.u32le(high)) return false;
    v = (static_cast<std::uint64_t>(high) << 32) | low;
    return true;
}

}  // namespace

WindowFrame WindowFrame::Numbered(UINT number, WPARAM wParam, LPARAM lParam) {
    WindowFrame f;
    f.number = number;
    f.wParam = wParam;
    f.lParam = lParam;
    return f;
}

WindowFrame WindowFrame::Registered(std::string name, WPARAM wParam, LPARAM lParam) {
    WindowFrame f;
    f.name = std::move(name);
    f.wParam = wParam;
    f.lParam = lParam;
    return f;
}

bool WindowFrame::Encode(std::vector<std::uint8_t>& out) const {
    if (sender == 0) return false;
    if (name.empty() ? number >= kFirstRegisteredId : !ValidName(name)) return false;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kMaxSize);
    ByteWriter w(bytes, kMaxSize);
    w.u8(kMagic);
    w.u8(kVersion);
    if (name.empty()) {
        w.u8(kKindNumbered);
        w.u32le(number);
    } else {
        w.u8(kKindRegistered);
        w.u8(static_cast<std::uint8_t>(name.size()));
        w.bytes({reinterpret_cast<const std::uint8_t*>(name.data()), name.size()});
    }
    Put64(w, wParam);
    Put64(w, static_cast<std::uint64_t>(lParam));
    Put64(w, sender);
    if (!w.ok()) return false;
    out.insert(out.end(), bytes.begin(), bytes.end());
    return true;
}

bool WindowFrame::Decode(std::span<const std::uint8_t> bytes, WindowFrame& out) {
    if (bytes.size() > kMaxSize) return false;
    ByteReader r(bytes);
    std::uint8_t magic = 0;
    std::uint8_t version = 0;
    std::uint8_t kind = 0;
    if (!r.u8(magic) || magic != kMagic || !r.u8(version) || version != kVersion || !r.u8(kind))
        return false;
    WindowFrame f;
    if (kind == kKindNumbered) {
        if (!r.u32le(f.number) || f.number >= kFirstRegisteredId) return false;
    } else if (kind == kKindRegistered) {
        std::uint8_t length = 0;
        std::span<const std::uint8_t> text;
        if (!r.u8(length) || !r.bytes(length, text)) return false;
        f.name.assign(reinterpret_cast<const char*>(text.data()), text.size());
        if (!ValidName(f.name)) return false;
    } else {
        return false;
    }
    std::uint64_t lParam = 0;
    if (!Get64(r, f.wParam) || !Get64(r, lParam) || !Get64(r, f.sender)) return false;
    if (f.sender == 0 || !r.empty()) return false;
    f.lParam = static_cast<LPARAM>(lParam);
    out = std::move(f);
    return true;
}

UINT WindowFrame::MessageId() const {
    return name.empty() ? number : RegisterWindowMessage(name);
}

}  // namespace platform

// The program's tray icons by resource id (250, 251, 450, 451, 473, 474): each a whole
// 16 by 16 PNG file.
#pragma once

#include <cstdint>
#include <span>

namespace res {

// The icon's PNG bytes; empty for an id that is no tray icon.
[[nodiscard]] std::span<const std::uint8_t> TrayIconPng(std::uint32_t resourceId) noexcept;

}  // namespace res

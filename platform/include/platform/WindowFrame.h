// One window message between processes, as it travels between window endpoints
// (platform/WindowEndpoint.h): the message, by its registered name or by its number, both
// parameters and the handle of the sending window. Free of I/O.
//
// Wire form (little-endian), one datagram per message:
//   'W', version 1, kind (0 numbered, 1 registered name),
//   kind 0: the number (u32, below 0xC000: ids from there on are registered names and mean
//           nothing in another process); kind 1: the name's length (u8, 1 to 255) and its
//           printable characters,
//   first parameter (u64), second parameter (u64, two's complement), sender's handle (u64,
//   not 0). Nothing follows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/EventLoop.h"

namespace platform {

// A window between processes: a number that names its endpoint (0 is no window). Passed in
// a message parameter it hands that window over.
using WindowHandle = std::uint64_t;

struct WindowFrame {
    static constexpr std::uint8_t kMagic = 'W';
    static constexpr std::uint8_t kVersion = 1;
    static constexpr std::size_t kMaxNameLength = 255;
    static constexpr UINT kFirstRegisteredId = 0xC000;
    // Larger than any frame; a datagram beyond it is no frame.
    static constexpr std::size_t kMaxSize = 3 + 1 + kMaxNameLength + 3 * 8;

    // The registered message name; empty for a numbered message.
    std::string name;
    // The message number when name is empty.
    UINT number = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    WindowHandle sender = 0;

    [[nodiscard]] static WindowFrame Numbered(UINT number, WPARAM wParam, LPARAM lParam);
    [[nodiscard]] static WindowFrame Registered(std::string name, WPARAM wParam, LPARAM lParam);

    // Appends the wire form to out; false (out untouched) when the frame cannot travel: a
    // number from 0xC000, a name empty, too long or not printable, no sender.
    [[nodiscard]] bool Encode(std::vector<std::uint8_t>& out) const;
    // Reads one whole datagram; false (out untouched) when it is no well-formed frame.
    [[nodiscard]] static bool Decode(std::span<const std::uint8_t> bytes, WindowFrame& out);

    // The message id in this process: the number, or the registered name's id
    // (RegisterWindowMessage).
    [[nodiscard]] UINT MessageId() const;

    bool operator==(const WindowFrame&) const = default;
};

}  // namespace platform

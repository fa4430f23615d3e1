// Reading a dispatch call's arguments and writing its out arguments.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/Dispatch.h"

namespace hostcontrol {

// Whether the call passes `count` arguments; else the result to give.
inline platform::HRESULT CheckCount(std::span<const platform::Variant> args, std::size_t count) {
    return args.size() == count ? platform::S_OK : platform::DISP_E_BADPARAMCOUNT;
}

inline platform::HRESULT TextArg(std::span<const platform::Variant> args, std::size_t i,
                                 std::string& out) {
    return args[i].ToBStr(out);
}

// A flag: any non-zero value is true.
inline platform::HRESULT FlagArg(std::span<const platform::Variant> args, std::size_t i,
                                 bool& out) {
    return args[i].ToBool(out);
}

// An out argument: the caller's value behind a reference.
inline platform::Variant* OutArg(std::span<const platform::Variant> args, std::size_t i) {
    return args[i].Referenced();
}

// The message and one zero after it, as an array of bytes from index 0.
inline platform::Variant ByteArrayOf(const std::string& message) {
    std::vector<std::uint8_t> bytes(message.begin(), message.end());
    bytes.push_back(0);
    return platform::Variant::ByteArray(std::move(bytes));
}

}  // namespace hostcontrol

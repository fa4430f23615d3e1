// The ticket run header over any text: the cut takes at most 20 bytes and leaves the rest
// as it was, and a header found valid holds ten digits, a blank, two digits and a blank.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devices/DevicePrinterTNVKDM.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    std::string text = original;
    const devices::CTNVHeader h = devices::CTNVHeader::Cut(text);
    const std::size_t taken = original.size() - text.size();
    if (taken > 20 || original.compare(taken, std::string::npos, text) != 0) std::abort();
    if (h.bWhole != (original.size() >= 20)) std::abort();
    if (h.IsValid()) {
        for (std::size_t i = 0; i < 13; ++i) {
            const auto c = static_cast<unsigned char>(original[i]);
            const bool digit = std::isdigit(c) != 0;
            if ((i == 10) ? !std::isspace(c) : !digit) std::abort();
        }
        if (!std::isspace(static_cast<unsigned char>(original[13]))) std::abort();
    }
    return 0;
}

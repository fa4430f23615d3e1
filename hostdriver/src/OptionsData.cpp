#include "hostdriver/OptionsData.h"

#include <cstdio>

namespace quildrv {

namespace {

constexpr int kWarn = 500;
constexpr int kInfo = 700;
constexpr int kError = 400;

void Say(const OptionsLog& log, int priority, const char* text) {
    if (log) log(priority, text);
}

}  // namespace

bool ValidateOptionsData(const std::uint8_t* data, std::size_t length, const OptionsLog& log) {
    if (length == 0) {
        Say(log, kInfo, "empty options data, returning true");
        return true;
    }
    if (data == nullptr) {
        Say(log, kError, "options data is NULL, returning false");
        return false;
    }
    if (length % 4 != 0 || length > kMaxOptionsData) {
        char text[80];
        std::snprintf(text, sizeof text, "Invalid options data length = %d, returning false",
                      static_cast<int>(length));
        Say(log, kError, text);
        return false;
    }
    std::size_t pos = 0;
    while (pos < length) {
        if (length - pos < 4) {
            Say(log, kError, "Remaining options data too short, returning false");
            return false;
        }
        const std::size_t optionLength = data[pos + 1];
        if (optionLength == 0) {
            Say(log, kError, "Option length is 0, returning false");
            return false;
        }
        if (optionLength % 4 != 0) {
            Say(log, kError, "Option length not a multiple of 4, returning false");
            return false;
        }
        if (optionLength > length - pos) {
            Say(log, kError, "Option runs past the options data, returning false");
            return false;
        }
        pos += optionLength;
    }
    Say(log, kInfo, "option is valid, returning true");
    return true;
}

std::size_t CorrectOptionsData(const std::uint8_t* data, std::size_t length,
                               const OptionsLog& log) {
    if (data == nullptr) return 0;
    if (length > kMaxOptionsData) length = kMaxOptionsData;
    std::size_t pos = 0;
    while (pos < length) {
        if (length - pos < 4) {
            Say(log, kWarn, "Option data exceeds options data length, Removing option.");
            return pos;
        }
        const std::size_t optionLength = data[pos + 1];
        if (optionLength == 0) {
            Say(log, kWarn, "Option data length is 0, Removing remaining options data.");
            return pos;
        }
        if (optionLength % 4 != 0) {
            char text[96];
            std::snprintf(text, sizeof text,
                          "Invalid option length = %d. Removing remaining options data.",
                          static_cast<int>(optionLength));
            Say(log, kWarn, text);
            return pos;
        }
        if (optionLength > length - pos) {
            Say(log, kWarn, "Option data exceeds options data length, Removing option.");
            return pos;
        }
        pos += optionLength;
    }
    return pos;
}

int FindOptionOffset(const std::uint8_t* data, std::size_t length, std::uint8_t type) {
    if (data == nullptr) return -1;
    std::size_t pos = 0;
    while (pos + 2 <= length) {
        const std::size_t optionLength = data[pos + 1];
        if (optionLength < 2 || optionLength > length - pos) return -1;
        if (data[pos] == type) return static_cast<int>(pos);
        pos += optionLength;
    }
    return -1;
}

}  // namespace quildrv

// Both translators over any bytes: the length scans agree with what is written, no write
// leaves the output it is given, and whole-message translation keeps its shift carry sound.
//
// Input: one byte of options (pass-through, platform titles, output capacity), the rest is
// the text.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "core/HostTrevo.h"
#include "core/Translation.h"
#include "fuzz/OwnMachineRoot.h"

namespace {

class FuzzHostTrevo : public core::CHostTrevo {
public:
    FuzzHostTrevo(bool bPassThrough, bool bPlatform)
        : CHostTrevo("Device 01", "HOST", false, bPassThrough, "", false, false) {
        m_judge.m_settings.m_bPlatformTitle = bPlatform;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    fuzz::UseOwnMachineRoot();
    const std::uint8_t options = data[0];
    const bool bPassThrough = options & 0x01;
    const bool bPlatform = options & 0x02;
    const std::span<const std::uint8_t> text(data + 1, size - 1);

    core::CHostLengthScanner scanner(bPassThrough, bPlatform);
    const std::size_t toAscii = scanner.EbcdicToAsciiLength(text);
    std::vector<std::uint8_t> ascii(toAscii + 1);
    const std::size_t written = scanner.TranslateEbcdicToAscii(text, ascii);
    if (written != toAscii && written != toAscii + 1) std::abort();
    if (text.size() >= 2 && (ascii[written - 1] < 0x14 || ascii[written - 1] > 0x17)) std::abort();

    const std::size_t toEbcdic = scanner.AsciiToEbcdicLength(text);
    std::vector<std::uint8_t> ebcdic(toEbcdic);
    std::size_t dropped = 0;
    if (scanner.TranslateAsciiToEbcdic(text, ebcdic, dropped) != toEbcdic) std::abort();
    for (std::uint8_t b : ebcdic) {
        if (b == 0) std::abort();  // an unmapped byte is left out, never sent as 0
    }

    // Short outputs: every write stays inside (the sanitizers watch the heap block).
    const std::size_t capacity = options >> 2;
    std::vector<std::uint8_t> small(capacity);
    if (scanner.TranslateEbcdicToAscii(text, small) > capacity) std::abort();
    if (scanner.TranslateAsciiToEbcdic(text, small, dropped) > capacity) std::abort();

    // Whole messages, the text split in two so a shift sequence can span them.
    FuzzHostTrevo host(bPassThrough, bPlatform);
    const std::size_t half = text.size() / 2;
    std::string first(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(half));
    std::string second(text.begin() + static_cast<std::ptrdiff_t>(half), text.end());
    host.MsgTranslateEbcdicToAscii(first);
    host.MsgTranslateEbcdicToAscii(second);
    for (const std::string* s : {&first, &second}) {
        for (char c : *s) {
            const auto b = static_cast<std::uint8_t>(c);
            if (b == 0 || (b >= 0x14 && b <= 0x17)) std::abort();
        }
    }
    std::string out(text.begin(), text.end());
    host.MsgTranslateAsciiToEbcdic(out);
    return 0;
}

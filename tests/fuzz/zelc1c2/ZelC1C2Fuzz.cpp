// The printer forms of a received message (substitutions, host-table pass, both C1 C2
// forms, zero removal) and the code both ways over the same bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "zel/ZelTranslate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> in(data, size);
    zel::Bytes substituted(in.begin(), in.end());
    zel::SubstituteIncoming(substituted);
    zel::HostTablePass(substituted);
    if (substituted.size() != size) __builtin_trap();
    for (const auto form : {zel::C1C2Form::First, zel::C1C2Form::Second}) {
        zel::Bytes b = substituted;
        zel::TranslateC1C2(b, form);
        // Only C1 and C2 change.
        for (std::size_t i = 0; i < size; ++i)
            if (i != 3 && i != 4 && b[i] != substituted[i]) __builtin_trap();
        zel::RemoveZeros(b);
        if (b.size() > size) __builtin_trap();
    }
    for (const bool printer : {false, true}) {
        const zel::Bytes coded = zel::TranslateToEbcdic(in, printer);
        if (coded.size() != zel::TranslatedLength(in, printer)) __builtin_trap();
        if (coded.size() > 2 * size + 1) __builtin_trap();
    }
    const zel::Bytes ascii = zel::TranslateToAscii(in);
    if (ascii.size() > size * 26 + 1) __builtin_trap();
    return 0;
}

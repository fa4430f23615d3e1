// The passport reader's zone parser over any text: a parse either fails with one of its
// codes or gives fields within their lengths, whose short text is made of them.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devices/PassportZone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 250) return 0;  // the reader keeps no more of a document
    const std::string buffer(reinterpret_cast<const char*>(data), size);
    devices::CPassportFields f;
    const int result = devices::ParsePassportZone(buffer, f);
    if (result != 0 && result != -1 && result != -3 && result != -6 && result != -8 &&
        result != -9) {
        std::abort();
    }
    if (result != 0) return 0;
    if (f.strNumber.size() > 9 || f.strSurname.empty() || f.strSurname.size() > 30 ||
        f.strGiven1.size() > 26 || f.strGiven2.size() > 26 || f.strBirth.size() != 7 ||
        f.strCountry.size() > 3) {
        std::abort();
    }
    const std::string text = devices::FormatPassport(f);
    if (text.size() > 120 || text.find(f.strSurname) == std::string::npos) std::abort();
    if (devices::RawPassport(buffer).find('<') != std::string::npos) std::abort();
    return 0;
}

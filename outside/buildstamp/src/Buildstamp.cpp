#include "buildstamp/Buildstamp.h"

#include <cstring>
#include <iterator>

namespace {

constexpr const char* kVersion = "4.6.0.19";

// The program and the libraries and modules it is delivered with.
constexpr const char* kParts[] = {
    "veka",       "libLineserv.so", "libSession.so", "libkdapi.so", "BRXAPI.so",   "QUILSP.so",
    "QUIL2SP.so", "ARLO.so",        "ZELSP.so",      "QUILDRV.so",  "VekaUtil.so",
};

}  // namespace

int QueryForAllVersionsNum() {
    return static_cast<int>(std::size(kParts));
}

int QueryForAllVersions(void* buffer, int count) {
    if (buffer == nullptr || count < QueryForAllVersionsNum()) return 1;
    auto* out = static_cast<unsigned char*>(buffer);
    for (const char* part : kParts) {
        std::memset(out, 0, buildstamp::kRecordSize);
        std::strncpy(reinterpret_cast<char*>(out), part, buildstamp::kFileNameSize - 1);
        std::strncpy(reinterpret_cast<char*>(out + buildstamp::kVersionOffset), kVersion,
                     buildstamp::kRecordSize - buildstamp::kVersionOffset - 1);
        out += buildstamp::kRecordSize;
    }
    return 0;
}

#include "quilsp/LockID.h"

#include "platform/Clock.h"

namespace quilsp {

void CLockID::Generate(std::string& text, RanrotGenerator::FaultSink sink) {
    const std::int64_t wallMs = platform::CurrentClock().WallMs();
    const std::int64_t seconds = wallMs / 1000;
    std::uint32_t value =
        static_cast<std::uint32_t>(seconds * 1000) + static_cast<std::uint32_t>(wallMs % 1000);

    RanrotGenerator generator(0xFFFFFFFF, std::move(sink));
    generator.Init(static_cast<std::uint32_t>(seconds));
    generator.SetRange(0x10000000, 0x7FFFFFFF);
    value ^= generator.Draw();
    m_value = value;

    text.clear();
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<char>((value >> (8 * i)) & 0xFF);
        if (byte == 0) break;
        text.push_back(byte);
    }
}

}  // namespace quilsp

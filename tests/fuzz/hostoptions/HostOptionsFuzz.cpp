// Walks over received records and option areas: the routing option's look-up, the end-to-end
// stamps before sending and after receiving, and the options data's check, repair and search.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "hostdriver/HostSocket.h"
#include "hostdriver/OptionsData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> record(data, data + size);  // session header first
    std::uint16_t sequenceId = 0;
    std::uint32_t index = 0;
    (void)quildrv::GetIndexFromOpt3Data(sequenceId, index, record.data(), record.size());
    (void)quildrv::StampEndToEnd(record.data(), record.size(), 6, 77);
    (void)quildrv::StampEndToEnd(record.data(), record.size(), 20, 99);

    const std::size_t area = size > 12 ? size - 12 : 0;
    const std::uint8_t* options = area > 0 ? record.data() + 12 : nullptr;
    (void)quildrv::ValidateOptionsData(options, area, {});
    const std::size_t kept = quildrv::CorrectOptionsData(options, area, {});
    if (kept > area || kept % 4 != 0 || kept > quildrv::kMaxOptionsData) __builtin_trap();
    if (!quildrv::ValidateOptionsData(options, kept, {})) __builtin_trap();  // a repair is valid
    for (std::uint8_t type : {3, 7, 8}) {
        const int at = quildrv::FindOptionOffset(options, kept, type);
        if (at >= 0 && static_cast<std::size_t>(at) + 2 > kept) __builtin_trap();
    }
    return 0;
}

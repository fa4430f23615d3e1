// The program's user texts that the host link and the devices load by their string-table id.
// The program's table (main/res) is their one source: the application registers it under
// kVekaModule when it starts, and a text loaded before that (or in a process that never
// registers it) is empty. Tests and benchmarks that run the core without the program's
// start-up register it with veka_res_at_start.
#pragma once

#include <cstdint>
#include <string>

namespace core {

inline constexpr const char* kVekaModule = "Veka";

// The string-table ids of the texts the core loads.
enum : std::uint32_t {
    IDS_PRINTING_MODULE = 104,  // the program's title when no other is configured
    IDS_PASSPORT_READER = 114,  // the device type of the passport reader
    // The status texts of an acknowledgement, status "1" to "8" in turn.
    IDS_TSN_OUT_OF_SEQUENCE = 416,
    IDS_TRANSMISSION_ERROR = 417,
    IDS_COMMUNICATION_LINK_FAILURE = 418,
    IDS_DEVICE_UNABLE_TO_ACCEPT_DATA = 419,
    IDS_REQUEST_FOR_TEMPORARY_HOLD = 420,
    IDS_TRANSMISSION_RETRY = 421,
    IDS_NOT_A_PROTECTED_DEVICE = 422,
    IDS_DEVICE_NON_EXISTENT = 423,
    IDS_UNABLE_TO_SEND_TO_HOST = 424,
    IDS_INCOMPLETE_MESSAGE = 430,
    IDS_TITLE_PRINT = 1202,
    IDS_TITLE_VEKA = 1252,
};

// The text of a string-table id ("" when there is none).
std::string LoadVekaString(std::uint32_t id);

}  // namespace core

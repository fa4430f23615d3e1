#include "core/VekaStrings.h"

#include "platform/StringTable.h"

namespace core {

namespace {

const platform::StringTable& CoreTexts() {
    static const platform::StringTable table{
        {104, "Trevo Printing Module"},
        {114, "Passport Reader"},
        {416, "TSN out of sequence."},
        {417, "Transmission error."},
        {418, "Communication link failure."},
        {419, "Device is unable to accept data."},
        {420, "Request for temporary hold of output queue."},
        {421, "Transmission completed, but require retries."},
        {422, "Device is not a protected device."},
        {423, "Protected message sent to non-existent device."},
        {424, "Unable to send to host."},
        {430, "Incomplete message received from host."},
        {1202, "Trevo Print"},
        {1252, "Trevo Quorvix"},
    };
    return table;
}

}  // namespace

std::string LoadVekaString(std::uint32_t id) {
    std::string text;
    if (const auto table = platform::StringTable::ForModule(kVekaModule)) {
        if (table->Load(id, text)) return text;
    }
    static_cast<void>(CoreTexts().Load(id, text));
    return text;
}

}  // namespace core

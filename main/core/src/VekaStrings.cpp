#include "core/VekaStrings.h"

#include "platform/StringTable.h"

namespace core {

namespace {

const platform::StringTable& CoreTexts() {
    static const platform::StringTable table{
        {IDS_PRINTING_MODULE, "Trevo Printing Module"},
        {IDS_PASSPORT_READER, "Passport Reader"},
        {IDS_TSN_OUT_OF_SEQUENCE, "TSN out of sequence."},
        {IDS_TRANSMISSION_ERROR, "Transmission error."},
        {IDS_COMMUNICATION_LINK_FAILURE, "Communication link failure."},
        {IDS_DEVICE_UNABLE_TO_ACCEPT_DATA, "Device is unable to accept data."},
        {IDS_REQUEST_FOR_TEMPORARY_HOLD, "Request for temporary hold of output queue."},
        {IDS_TRANSMISSION_RETRY, "Transmission completed, but require retries."},
        {IDS_NOT_A_PROTECTED_DEVICE, "Device is not a protected device."},
        {IDS_DEVICE_NON_EXISTENT, "Protected message sent to non-existent device."},
        {IDS_UNABLE_TO_SEND_TO_HOST, "Unable to send to host."},
        {IDS_INCOMPLETE_MESSAGE, "Incomplete message received from host."},
        {IDS_TITLE_PRINT, "Trevo Print"},
        {IDS_TITLE_VEKA, "Trevo Quorvix"},
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

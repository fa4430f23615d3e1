#include "hostcontrol/DeviceErrors.h"

namespace hostcontrol {
namespace {

// String ids of the codes that have a text of their own.
struct CodeText {
    int code;
    std::uint32_t id;
};
constexpr CodeText kCodeTexts[] = {
    {0, 149},  {1, 126},  {2, 125},  {3, 127},  {4, 128},  {5, 129},  {6, 130},  {7, 131},
    {8, 132},  {9, 133},  {10, 134}, {11, 135}, {12, 136}, {13, 137}, {14, 138}, {15, 139},
    {17, 140}, {18, 141}, {19, 142}, {20, 143}, {21, 144}, {22, 145}, {24, 146}, {25, 150},
    {26, 147}, {31, 152}, {32, 153}, {39, 154}, {45, 151},
};
constexpr std::uint32_t kUnknownErrorId = 148;

}  // namespace

const platform::StringTable& ModuleStrings() {
    static const platform::StringTable table{
        {1, "Terminal Control"},
        {2, "Terminal Property Page"},
        {3, "Printer Control"},
        {4, "Printer Property Page"},
        {100, "General"},
        {101, "General"},
        {121, "Route Name"},
        {122, "Default EndSystem"},
        {123, "Default Session"},
        {125, "The Configuration Entry specified was not found."},
        {126, "Configuration Error."},
        {127, "Bad parameter passed."},
        {128, "The Application Name specified for opening the Connection was not found."},
        {129, "The Session Name is invalid."},
        {130, "The EndSystem Name specified was invalid."},
        {131, "There is no  Application Name specified The connection cannot be opened."},
        {132, "The specified Application has no Default Session."},
        {133, "The EndSystem specified has no Route."},
        {134, "There is no Default EndSystem for this Session."},
        {135, "Could not create the Connection Object."},
        {136, "The Connection has been brought down."},
        {137, "The line is currently down."},
        {138, "There is no valid connection at present."},
        {139, "The Connection timed out."},
        {140, "There is no data in the receive queue."},
        {141, "There was an error retreiving data from the queue."},
        {142, "There is data in the queue."},
        {143, "There is a connection in progress."},
        {144, "There is a disconnect in progress."},
        {145, "The Device Object is busy."},
        {146, "Host connection lost. Please reconnect again..."},
        {147, "An error has occured in the Device object ."},
        {148, "There has been an unknown error in the device object."},
        {149, "There is no error"},
        {150, "No Error."},
        {151, "This functionality has not yet been Implemented."},
        {152, "Socket Error!"},
        {153, "The Socket has been shut down."},
        {154, "The network is down."},
    };
    return table;
}

bool GetErrorText(int code, std::string& text) {
    if (code > 1000) return false;
    std::uint32_t id = kUnknownErrorId;
    for (const CodeText& c : kCodeTexts) {
        if (c.code == code) id = c.id;
    }
    return ModuleStrings().Load(id, text);
}

}  // namespace hostcontrol

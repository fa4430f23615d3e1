#include "res/VekaStringTable.h"

namespace res {

const platform::StringTable& VekaStringTable() {
    static const platform::StringTable table{
        // Product names without branding.
        {103, "Trevo Printing Module"},
        {104, "Trevo Printing Module"},
        {105, "Trevo Printing Module Properties"},
        // Device types, and the legacy names converted when the device list is read.
        {110, "Printer"},
        {111, "Printer (ATB2)"},
        {112, "File"},
        {113, "Queue"},
        {114, "Passport Reader"},
        {115, "Printer (TNV)"},
        {116, "Printer (Ext ATB2)"},
        {117, "Printer (System)"},
        {118, "Printer (KDM)"},
        {119, "Async-Mini"},
        {122, "Interface Queue"},
        {123, "Printer (ATB2/Airline)"},
        {127, "Printer (TNV/KDM)"},
        {128, "Printer (ATB2/KDM)"},
        {129, "System"},
        {136, "Named Pipe"},
        {137, "Printer (ATB2-BAGTAG/Airline-TQX)"},
        // Application messages.
        {220,
         "OLE initialization failed.  Make sure that the O \nOLE libraries are the correct "
         "version."},
        // The status list: column titles, then the cells' texts.
        {300, "Device Name"},
        {301, "Device Type"},
        {302, "Trevo Address"},
        {303, "Device Status"},
        {304, "Host Status"},
        {305, "AVAILABLE"},
        {306, "BUSY"},
        {307, "OFFLINE"},
        {309, "OFFLINE"},
        {313, "CONNECTED"},
        {314, "CONNECTING"},
        {315, "RECONNECTING"},
        {316, "DISCONNECTED"},
        {317, "Connection Status"},
        {318, "Message"},
        {319, "AVAILABLE"},
        {320, "TEMP HOLD"},
        {321, "HOLD"},
        {332, "Scroll right for message(s)."},
        // Host link errors.
        {416, "TSN out of sequence."},
        {417, "Transmission error."},
        {418, "Communication link failure."},
        {419, "Device is unable to accept data."},
        {420, "Request for temporary hold of output queue."},
        {421, "Transmission completed, but require retries."},
        {422, "Device is not a protected device."},
        {423, "Protected message sent to non-existent device."},
        {424, "Unable to send to host."},
        {425, "Unable to obtain desired access to system registry."},
        {430, "Incomplete message received from host."},
        {431, "About"},
        {433, "Port"},
        {445, "File Name"},
        {446, "Version"},
        // Branded product names: title, tray tip, product name, properties caption.
        {1200, "Trevo Print"},
        {1201, "Trevo Print"},
        {1202, "Trevo Print"},
        {1203, "Trevo Print Properties"},
        {1250, "Trevo Quorvix"},
        {1251, "Trevo Veka"},
        {1252, "Trevo Quorvix"},
        {1253, "Trevo Veka Properties"},
        // Device status texts.
        {61204, "Try to Connect to Gateway."},
        {61205, "Wait to Connect to Gateway."},
        {61206, "Waiting  for incoming message."},
        {61207, "Gateway is down."},
        {61208, "Check if there is any new block."},
        {61209, "Process the incoming message block."},
        {61210, "Waiting for AsyncMini to acknowledge."},
        // Interface queue errors.
        {61221, "Queue Record is locked."},
        {61223,
         "QWORK.SF is opened by other process,close the other process, and reload Interface "
         "Queue again."},
        // Command-line help.
        {61237,
         "Command Line Help Syntax\n Here is the syntax to Add another instance of Veka as a "
         "Service\n Instance Identifier /ns (specifies a new instance of the service) "
         "/(InstanceNumber) /(DisplayName to Appear in the Service Manager)\nAn Example would "
         "be 001 /ns /001 /Trevo Print Module001\nHere is the Syntax to Remove the Main "
         "Instance of Veka\n/remove\nSyntax To Remove a specific Instance\n InstanceNumber "
         "/remove /InstanceNumber\nHere is an example: 001 /remove /001\nTo Remove All "
         "Instances the syntax is:\n/remove all"},
        {61239, "Printer Mitosa SCN"},
        {61240, "Printer Mitosa Hardcopy"},
        // Coupon printer questions.
        {61241, "OUT OF STOCK : Please Load new Stock"},
        {61242, "No PECTAB :\nManually restore PECTAB"},
        {61243, "Retry Printing ?"},
        {61244,
         "Device not responding \nPress [OK] to continue printing\nPress [CANCEL] to abort the "
         "job"},
        {61245, "Zeroziro"},
        // Status-bar prompts of the commands.
        {32771, "Add a new device"},
        {32772, "Device properties"},
        {32773, "Device reconnect"},
        {32774, "Minimize VEKA"},
        {32775, "Minimize VEKA"},
        {32776, "Restore VEKA to Normal Size"},
        {32778, "Stop and Restart the service"},
    };
    return table;
}

void RegisterVekaStrings() {
    platform::StringTable::Register(kModuleName, VekaStringTable());
}

}  // namespace res

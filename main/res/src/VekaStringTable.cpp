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
        // The file pages' choices.
        {120, "Single"},
        {121, "Multiple"},
        {125, "Append"},
        {126, "Overwrite"},
        {210, "VEKA"},
        {212, "000"},
        {213, "999"},
        {214, "1024000"},
        // The COM port page's lists.
        {140, "75"},
        {141, "110"},
        {142, "150"},
        {143, "300"},
        {144, "600"},
        {145, "1200"},
        {146, "1800"},
        {147, "2400"},
        {148, "4800"},
        {149, "7200"},
        {150, "9600"},
        {151, "14400"},
        {152, "19200"},
        {153, "38400"},
        {154, "57600"},
        {160, "4"},
        {161, "5"},
        {162, "6"},
        {163, "7"},
        {164, "8"},
        {170, "Even"},
        {171, "Odd"},
        {172, "None"},
        {173, "Mark"},
        {174, "Space"},
        {180, "1"},
        {181, "1.5"},
        {182, "2"},
        {190, "Hardware"},
        {191, "Xon/Xoff"},
        {192, "None"},
        {200, "DTR"},
        // Application messages.
        {220,
         "OLE initialization failed.  Make sure that the O \nOLE libraries are the correct "
         "version."},
        // Remote hosts whose routes get default settings.
        {221, "ZEL Gateway"},
        {222, "NLM Gateway"},
        {223, "ARLO"},
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
        // The device list's own columns.
        {312, "Device Id"},
        {331, "Enabled"},
        {332, "Scroll right for message(s)."},
        // The configuration pages' messages.
        {400, "A device name is required."},
        {411, "Select a device first."},
        {412,
         "The selected device will be removed.\nChanges will take effect only after this "
         "application is restarted."},
        {414, "The maximum number of devices has already been selected."},
        // The file pages' checks.
        {403, "A location for output of file(s) is required."},
        {404, "A file name is required."},
        {405, "A 3 character file type is required."},
        {406, "The maximum allowed number of files is required."},
        {407, "The maximum size, in characters, for each file is required."},
        {408, "The maximum number of files specified is invalid."},
        {409, "The maximum file size specified is invalid."},
        {429, "The file location entered does not exist."},
        // The port, printer and named pipe pages' messages.
        {410, "A queue name is required for this device."},
        {413, "A port is required for this device."},
        {434, "A system printer name is required for this device."},
        {444, "A Pipe name is required for this device"},
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
        {426,
         "The device name entered has already\nbeen assigned to another device.\nChoose a "
         "unique name for this device."},
        {430, "Incomplete message received from host."},
        {431, "About"},
        {432, "Name"},
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
        // Folder checks.
        {61212, "No path specified! \nPlease specify a valid path."},
        {61213, "%1 is not a valid drive!\nPlease select a valid drive."},
        {61214, "Directory %1 not found, create? "},
        {61215, "Failed to create directory %1!\nPlease specify another path. "},
        {61216, "%1 is not a directory!\nPlease specify a valid directory."},
        {61217, "Browse for Existing Directories"},
        {61218, "Directory %1 already exist!"},
        {61219, "Failed to create SPL directory."},
        {61220, "Failed to create KBO directory."},
        // Interface queue errors.
        {61221, "Queue Record is locked."},
        {61223,
         "QWORK.SF is opened by other process,close the other process, and reload Interface "
         "Queue again."},
        // The device types' descriptions.
        {61224,
         "Select \"Printer\" if your printer is attached to a COM port and you are not using the "
         "Trevo Device Manager (KDM). This is the standard Trevo printer protocol.\nExample: "
         "Bagtag, Pectab Lite, Hardcopy, I/I, Optat, and ATB1"},
        {61225,
         "Select \"Printer (ATB2)\" if your printer is ATB2, attached to a COM port and uses "
         "travel agency (subscriber) Pectabs, and you are not using the Trevo Device Manager "
         "(KDM). ATB2 is a full Bi-directional printing between the host and the printer."},
        {61226,
         "Select \"File\" if you wish to write the data to a file or files in a text format. "
         "This allows you to print the data at a later time in text format.\nNote: Don't "
         "forget to select Single or Multiple files, the file name, and the directory where "
         "you would like the file to be stored."},
        {61227,
         "Select \"Queue\" if you are going to use a network printer. You must also enter the "
         "proper path to the network print queue. Example: \\\\PRINTSRV01\\TICKETS this is an "
         "example only! You must be attached to a network to be able to select an existing "
         "queue name."},
        {61228,
         "Select \"Passport Reader\" for transferring information from a passport reading "
         "device to the emulator. The Passport Reader will attach to a COM port."},
        {61229,
         "Select \"Printer (TNV/KDM)\" if your printer is attached to a COM port, and you are "
         "using the Trevo Device Manager (KDM), and your printer is configured for Ticket "
         "Number Verification. This option allows for various form types. All the workstations "
         "must be on the same LAN to be able to run this application."},
        {61230,
         "Select \"Printer (ATB2/KDM)\" if your printer is ATB2, attached to a COM port, and "
         "you are configuring your printer through KDM. KDM must be loaded on additional "
         "workstations to enable access for additional printers; all the workstations must be "
         "on the same LAN to be able to run this application."},
        {61231,
         "Select \"System\" if you are going to use a system or network printer.\nNote: You "
         "must have previously installed the system or network printer."},
        {61232,
         "Select \"Printer (KDM)\" if your printer is attached to a COM port and you are "
         "configuring your printer through KDM. All the workstations must be on the same LAN to "
         "be able to run this application.\nExample: Hardcopy and I/I"},
        {61233,
         "\"Async-Mini\" is a Bi-directional interface to a down line system through a COM "
         "port. It is commonly used with KBO, or any third party vendor (Example: TALLYX). The "
         "data from Trevo is transmitted via the COM port to the back office system. When "
         "configuring IFQX or Async-Mini ensure the field on the device screen \"INSERT LINE "
         "FEED AFTER CARRIAGE RETURN\" is disabled. Host interface vendors DO NOT except a line "
         "feed after the carriage return in the interface records."},
        {61234,
         "Select \"Interface Queue\" if you are using KBO, any third party vendor, or back "
         "office system. (Example: TRANSFER). The data from Trevo will be written to the "
         "directory (C:\\SPL) on the hard drive of the PC.\nNote: If you change the path from "
         "C:\\SPL the data transfer may not work properly."},
        {61235,
         "Select \"Printer (ATB2/Airline)\" if your printer is used for ATB2 Airline printing "
         "and uses Airline Pectabs. You must be connected to a COM port. ATB2 is a full "
         "Bi-directional printing between the host and the printer."},
        {61236,
         "Select \"Named Pipe\" to talk with the client if both the pipe and the client are "
         "configured for the same friendly name.\nNote: Used with Windows NT only"},
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
        {61246,
         "Select \"Zeroziro\" if you are going to use a system or network printer. This "
         "selection forces a form feed at the end of each document for those printer/driver "
         "combinations that require it to maintain top-of-forms alignment.\nNote: You must have "
         "previously installed the system or network printer."},
        // The alias page with no device manager printer chosen.
        {61250, "Select the device manager's printer for this device first."},
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

// The configuration pages' store places, dialog template ids and string-table ids.
#pragma once

#include <cstdint>
#include <string>

namespace wizard {

// Below HKEY_LOCAL_MACHINE.
inline const std::string kCommonKey = "Software\\The TREVO Group\\Common TREVO API";
inline const std::string kApplicationKey = kCommonKey + "\\Applications\\TREVO VEKA";
inline const std::string kRoutesKey = kCommonKey + "\\Routes";
inline const std::string kSessionsKey = kCommonKey + "\\Sessions";
inline const std::string kProvidersKey =
    "SOFTWARE\\The TREVO Group\\Common TREVO API\\Service Providers";
// Below the application key.
inline const std::string kTempKey = "\\Temp";
inline const std::string kDefaultsDeviceKey = "\\Defaults\\Device";
inline constexpr std::uint32_t kDefaultMaxDevices = 16;

// The wizard's pages by dialog template id.
enum PageId : int {
    IDD_DEVICE = 233,
    IDD_FILE = 237,
    IDD_FILE_SINGLE = 238,
    IDD_FILE_MULTIPLE = 239,
    IDD_PORT = 235,
    IDD_PORT_COM = 236,
    IDD_EXT_DEVICES = 102,
    IDD_FORM = 476,
    IDD_QUEUE = 240,
    IDD_SYSTEM = 478,
    IDD_PASSPORT = 244,
    IDD_INTERFACE_QUEUE = 107,
    IDD_COMPLETE = 241,
    IDD_NAMED_PIPE = 480,
    IDD_FINISH = 481,
    IDD_EXTED_STYLE = 106,
    IDD_MITOSA_FORMS = 483,
    IDD_SYSTEM_FF = 484,
    // The configuration sheet's pages.
    IDD_DEVICES = 232,
    IDD_VEKA = 242,
};

// Texts the pages load.
enum StringId : std::uint32_t {
    IDS_FILE_SINGLE = 120,
    IDS_FILE_MULTIPLE = 121,
    IDS_APPEND = 125,
    IDS_OVERWRITE = 126,
    IDS_DEFAULT_FILE_NAME = 210,
    IDS_DEFAULT_FILE_TYPE = 212,
    IDS_DEFAULT_MAX_FILES = 213,
    IDS_DEFAULT_MAX_FILE_SIZE = 214,
    IDS_REMOTEHOST_ZEL = 221,
    IDS_REMOTEHOST_NLM = 222,
    IDS_REMOTEHOST_ARLO = 223,
    IDS_COLUMN_NAME = 300,
    IDS_COLUMN_TYPE = 301,
    IDS_COLUMN_ID = 312,
    IDS_COLUMN_ENABLED = 331,
    IDS_NAME_REQUIRED = 400,
    IDS_LOCATION_REQUIRED = 403,
    IDS_FILE_NAME_REQUIRED = 404,
    IDS_FILE_TYPE_REQUIRED = 405,
    IDS_MAX_FILES_REQUIRED = 406,
    IDS_MAX_FILE_SIZE_REQUIRED = 407,
    IDS_MAX_FILES_INVALID = 408,
    IDS_MAX_FILE_SIZE_INVALID = 409,
    IDS_QUEUE_REQUIRED = 410,
    IDS_SELECT_DEVICE = 411,
    IDS_REMOVE_DEVICE = 412,
    IDS_MAX_DEVICES = 414,
    IDS_NAME_TAKEN = 426,
    IDS_LOCATION_MISSING = 429,
    IDS_QUEUE_NAME = 432,
    IDS_QUEUE_PORT = 433,
    IDS_PRINTER_REQUIRED = 434,
    IDS_NOT_A_DIRECTORY = 61216,
    IDS_SELECT_ALIAS = 61250,
};

// Device type names as the store holds them.
inline constexpr const char* kPrinter = "Printer";
inline constexpr const char* kPrinterAtb2 = "Printer (ATB2)";
inline constexpr const char* kFile = "File";
inline constexpr const char* kQueue = "Queue";
inline constexpr const char* kPassportReader = "Passport Reader";
inline constexpr const char* kPrinterTnvKdm = "Printer (TNV/KDM)";
inline constexpr const char* kPrinterAtb2Kdm = "Printer (ATB2/KDM)";
inline constexpr const char* kSystem = "System";
inline constexpr const char* kPrinterKdm = "Printer (KDM)";
inline constexpr const char* kAsyncMini = "Async-Mini";
inline constexpr const char* kInterfaceQueue = "Interface Queue";
inline constexpr const char* kPrinterAtb2Airline = "Printer (ATB2/Airline)";
inline constexpr const char* kNamedPipe = "Named Pipe";
inline constexpr const char* kPrinterBagtag = "Printer (ATB2-BAGTAG/Airline-TQX)";
inline constexpr const char* kPrinterMitosaScn = "Printer Mitosa SCN";
inline constexpr const char* kPrinterMitosaHardcopy = "Printer Mitosa Hardcopy";
inline constexpr const char* kZeroziro = "Zeroziro";

}  // namespace wizard

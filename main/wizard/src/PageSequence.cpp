#include "wizard/PageSequence.h"

#include <cstring>

#include "wizard/WizardIds.h"

namespace wizard {

namespace {

constexpr int kStay = -1;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

int NextAfterDeviceType(const std::string& type) {
    struct Row {
        const char* type;
        int next;
    };
    static constexpr Row kTable[] = {
        {kPrinter, IDD_PORT},
        {kPrinterAtb2, IDD_PORT},
        {kPrinterAtb2Airline, IDD_PORT},
        {kPrinterBagtag, IDD_PORT},
        {kPassportReader, IDD_PORT},
        {kAsyncMini, IDD_PORT},
        {kPrinterMitosaScn, IDD_PORT},
        {kPrinterMitosaHardcopy, IDD_PORT},
        {kPrinterAtb2Kdm, IDD_EXT_DEVICES},
        {kPrinterTnvKdm, IDD_EXT_DEVICES},
        {kPrinterKdm, IDD_EXT_DEVICES},
        {kSystem, IDD_SYSTEM},
        {kZeroziro, IDD_SYSTEM_FF},
        {kFile, IDD_FILE},
        {kQueue, IDD_QUEUE},
        {kInterfaceQueue, IDD_INTERFACE_QUEUE},
        {kNamedPipe, IDD_NAMED_PIPE},
    };
    for (const Row& row : kTable)
        if (type == row.type) return row.next;
    return kStay;
}

int NextAfterPort(const std::string& port) {
    if (StartsWith(port, "COM")) return IDD_PORT_COM;
    if (StartsWith(port, "LPT")) return IDD_EXTED_STYLE;
    return kStay;
}

int NextAfterComPort(bool passportDataToFile) {
    return passportDataToFile ? IDD_PASSPORT : IDD_EXTED_STYLE;
}

int NextAfterAlias(const std::string& type) {
    return type == kPrinterAtb2Kdm || type == kPrinterTnvKdm || type == kPrinterKdm
               ? IDD_FORM
               : IDD_EXTED_STYLE;
}

int NextAfterFile(int fileTypeIndex) {
    switch (fileTypeIndex) {
        case 0:
            return IDD_FILE_SINGLE;
        case 1:
            return IDD_FILE_MULTIPLE;
        default:
            return kStay;
    }
}

int NextAfterExtendedSettings(const std::string& type) {
    return type == kPrinterMitosaHardcopy ? IDD_MITOSA_FORMS : IDD_COMPLETE;
}

int NextAfter(int pageId) {
    switch (pageId) {
        case IDD_FORM:
        case IDD_SYSTEM:
        case IDD_SYSTEM_FF:
        case IDD_QUEUE:
        case IDD_INTERFACE_QUEUE:
        case IDD_NAMED_PIPE:
        case IDD_FILE_SINGLE:
        case IDD_FILE_MULTIPLE:
            return IDD_EXTED_STYLE;
        case IDD_MITOSA_FORMS:
        case IDD_PASSPORT:
            return IDD_COMPLETE;
        case IDD_COMPLETE:
            return IDD_FINISH;
        default:
            return kStay;
    }
}

}  // namespace wizard

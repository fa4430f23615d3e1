// Formjet: the forms printer library. It owns printers that hold forms: it opens a printer
// by name, runs a printer session on the printer's line, selects the form, writes and reads,
// reads the stock and bar codes of the loaded form and ejects it.
//
// A printer is a key of the configuration store,
// "Software\The TREVO Group\TREVODeviceManager\Printers\<name>", with "Port" (the port its
// line is on, "COM3") and "Class" (1 or 2, which printers PrinterEnum lists).
//
// Forms are keys of the store too, shared by the printers,
// "Software\The TREVO Group\TREVODeviceManager\Devices\QT5200 Printer\Forms\<form>": the
// record's texts as "Prompt" and "Description", its numbers as "Field 3" to "Field 19".
//
// Every call returns non-zero on success and 0 on failure, with the reason in the calling
// thread's last error of the library (FormjetGetLastError), whose text FormjetFormatMessage
// gives. A write that the printer could not take yet fails with FORMJET_IO_PENDING and
// nothing printed, so that the same write may simply be tried again; a printer that does
// not answer within 5 s gives FORMJET_TIMEOUT, and a call repeated after a time-out is
// answered by the printer without being done twice.
//
// Threads: any; calls on one printer handle are taken one at a time.
#pragma once

#include <cstdint>

#include "platform/Export.h"

extern "C" {

typedef void* FORMJET_HANDLE;

// The record of PrinterSetForm and AEASetHost: its first member points to the name.
struct FORMJET_NAME_RECORD {
    const char* pName;
};

// One printer as PrinterEnum lists it.
struct FORMJET_PRINTER_RECORD {
    std::uintptr_t dwClass;
    const char* pPort;
    const char* pDescription;
    const char* pName;
};

// A form as PrinterAddForm takes it and PrinterGetForm gives it: field 0 is the form's name,
// fields 1 and 2 its prompt and description texts, and fields 3 to 19 numbers (dwField is
// indexed by the field's number; its first three are unused).
struct FORMJET_FORM_RECORD {
    const char* pName;
    const char* pPrompt;
    const char* pDescription;
    std::uint32_t dwField[20];
};

// Last error codes (besides those of the printer itself, which it gives with a refusal).
enum : std::uint32_t {
    FORMJET_INVALID_HANDLE = 6,
    FORMJET_INVALID_PARAMETER = 87,
    FORMJET_FILE_EXISTS = 80,
    FORMJET_INSUFFICIENT_BUFFER = 122,
    FORMJET_IO_PENDING = 997,
    FORMJET_INVALID_PRINTER_NAME = 1801,
    FORMJET_INVALID_FORM_NAME = 1902,
    FORMJET_TIMEOUT = 1460,
    FORMJET_NO_SESSION = 0x20000001,
    FORMJET_LINE_FAILED = 0x20000002,
    FORMJET_BAD_ANSWER = 0x20000003,
    // A refusal of the printer: this base plus the printer's own code.
    FORMJET_PRINTER_CODE = 0x20010000,
};

TREVO_EXPORT int PrinterOpen(const char* pPrinterName, FORMJET_HANDLE* phPrinter);
TREVO_EXPORT int PrinterStartSession(FORMJET_HANDLE hPrinter);
TREVO_EXPORT int AEASetHost(FORMJET_HANDLE hPrinter, const FORMJET_NAME_RECORD* pHost);
TREVO_EXPORT int PrinterSetForm(FORMJET_HANDLE hPrinter, std::uint32_t dwLevel,
                                const FORMJET_NAME_RECORD* pForm);
TREVO_EXPORT int PrinterWrite(FORMJET_HANDLE hPrinter, const void* pData, std::uint32_t dwLength);
TREVO_EXPORT int PrinterRead(FORMJET_HANDLE hPrinter, void* pBuffer, std::uint32_t dwSize,
                             std::uint32_t* pdwRead);
TREVO_EXPORT int PrinterReadStockCode(FORMJET_HANDLE hPrinter, char* pBuffer, std::uint32_t dwSize);
TREVO_EXPORT int PrinterReadBarCode(FORMJET_HANDLE hPrinter, char* pBuffer, std::uint32_t dwSize);
TREVO_EXPORT int PrinterEjectForm(FORMJET_HANDLE hPrinter);
TREVO_EXPORT int PrinterEndSession(FORMJET_HANDLE hPrinter);
TREVO_EXPORT int PrinterClose(FORMJET_HANDLE hPrinter);
// Lists the printers of the class given: first with no buffer, for the bytes needed, then
// with a buffer of that size, which receives the records followed by their texts.
TREVO_EXPORT int PrinterEnum(std::uint32_t dwClass, void* pBuffer, std::uint32_t dwSize,
                             std::uint32_t* pdwNeeded, std::uint32_t* pdwCount);

// The record of the form named, followed by its texts. With a buffer too small (none, size
// 0) it fails with FORMJET_INSUFFICIENT_BUFFER and *pdwNeeded the size; a form that does not
// exist fails with FORMJET_INVALID_FORM_NAME.
TREVO_EXPORT int PrinterGetForm(FORMJET_HANDLE hPrinter, const char* pFormName, void* pBuffer,
                                std::uint32_t dwSize, std::uint32_t* pdwNeeded);
// Adds a form (level 1); one of the same name fails with FORMJET_FILE_EXISTS.
TREVO_EXPORT int PrinterAddForm(FORMJET_HANDLE hPrinter, const FORMJET_FORM_RECORD* pForm,
                                std::uint32_t dwLevel);
// The names of every form: as many pointers as *pdwCount says, followed by the texts; first
// with no buffer, for the bytes needed.
TREVO_EXPORT int PrinterEnumForms(FORMJET_HANDLE hPrinter, void* pBuffer, std::uint32_t dwSize,
                                  std::uint32_t* pdwNeeded, std::uint32_t* pdwCount);

// The calling thread's last error of the library, and its text (the bytes written, 0 for
// an unknown code).
TREVO_EXPORT std::uint32_t FormjetGetLastError();
TREVO_EXPORT std::uint32_t FormjetFormatMessage(std::uint32_t dwCode, char* pBuffer,
                                                std::uint32_t dwSize);
}

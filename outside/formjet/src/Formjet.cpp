#include "formjet/Formjet.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FormjetCommon.h"
#include "formjet/FormjetWire.h"
#include "platform/PortBackend.h"
#include "platform/Registry.h"
#include "platform/Time.h"

namespace {

using formjet::detail::Done;
using formjet::detail::Fail;
using formjet::detail::QueryDword;
using formjet::detail::QueryString;
using platform::DWORD;
namespace wire = formjet::wire;

constexpr const char* kPrintersKey = "Software\\The TREVO Group\\TREVODeviceManager\\Printers";
constexpr std::uint64_t kAnswerMs = 5000;

// Sequence bytes run on across handles, so that a printer never takes a new handle's
// request for a repeat of the last one it answered.
std::atomic<std::uint8_t> g_sequence{0};

// One open printer: its line and the sequence of its requests.
class Printer {
public:
    explicit Printer(std::unique_ptr<platform::SerialLine> line) : m_line(std::move(line)) {}

    // Sends one request and waits for its answer; the data of a done answer in `data`.
    int Exchange(std::uint8_t letter, std::span<const std::uint8_t> payload,
                 std::vector<std::uint8_t>& data) {
        std::lock_guard lock(m_cs);
        // A request repeated after a time-out goes with the sequence it had, so that the
        // printer answers it without doing it twice.
        const bool bRepeat =
            m_bTimedOut && letter == m_lastLetter &&
            std::equal(payload.begin(), payload.end(), m_lastPayload.begin(), m_lastPayload.end());
        if (!bRepeat) m_sequence = ++g_sequence;
        m_bTimedOut = false;
        m_lastLetter = letter;
        m_lastPayload.assign(payload.begin(), payload.end());
        std::vector<std::uint8_t> frame;
        if (!wire::Encode(letter, m_sequence, payload, frame))
            return Fail(FORMJET_INVALID_PARAMETER);
        DWORD written = 0;
        if (!m_line->WriteFile(frame.data(), static_cast<DWORD>(frame.size()), written) ||
            written != frame.size()) {
            return Fail(FORMJET_LINE_FAILED);
        }
        const std::uint64_t deadline = platform::GetTickCount64() + kAnswerMs;
        std::vector<wire::Frame> frames;
        for (;;) {
            for (wire::Frame& f : frames) {
                if (f.checkOk && f.letter == letter && f.sequence == m_sequence) {
                    return Answer(f.payload, data);
                }
            }
            frames.clear();
            const std::uint64_t now = platform::GetTickCount64();
            if (now >= deadline) {
                m_bTimedOut = true;
                return Fail(FORMJET_TIMEOUT);
            }
            platform::CommTimeouts t;
            t.ReadIntervalTimeout = 0xFFFFFFFF;
            t.ReadTotalTimeoutMultiplier = 0xFFFFFFFF;
            t.ReadTotalTimeoutConstant = static_cast<DWORD>(deadline - now);
            std::uint8_t block[512];
            DWORD read = 0;
            if (!m_line->SetCommTimeouts(t) || !m_line->ReadFile(block, sizeof block, read)) {
                return Fail(FORMJET_LINE_FAILED);
            }
            m_reader.Feed(std::span<const std::uint8_t>(block, read), frames);
        }
    }

    bool bSession = false;

private:
    static int Answer(const std::vector<std::uint8_t>& payload, std::vector<std::uint8_t>& data) {
        if (payload.empty()) return Fail(FORMJET_BAD_ANSWER);
        switch (payload[0]) {
            case wire::DONE:
                data.assign(payload.begin() + 1, payload.end());
                return Done();
            case wire::BUSY:
                return Fail(FORMJET_IO_PENDING);
            case wire::REFUSED:
                if (payload.size() < 3) return Fail(FORMJET_BAD_ANSWER);
                return Fail(FORMJET_PRINTER_CODE + ((std::uint32_t{payload[1]} << 8) | payload[2]));
            default:
                return Fail(FORMJET_BAD_ANSWER);
        }
    }

    std::mutex m_cs;
    std::unique_ptr<platform::SerialLine> m_line;
    wire::Reader m_reader;
    std::uint8_t m_sequence = 0;
    bool m_bTimedOut = false;
    std::uint8_t m_lastLetter = 0;
    std::vector<std::uint8_t> m_lastPayload;
};

std::mutex g_csHandles;
std::map<std::uintptr_t, std::shared_ptr<Printer>> g_printers;
std::uintptr_t g_nextHandle = 0x100;

std::shared_ptr<Printer> Find(FORMJET_HANDLE h) {
    std::lock_guard lock(g_csHandles);
    const auto it = g_printers.find(reinterpret_cast<std::uintptr_t>(h));
    return it == g_printers.end() ? nullptr : it->second;
}

// A request that needs an open session; data receives the done answer's data.
int SessionCall(FORMJET_HANDLE h, std::uint8_t letter, std::span<const std::uint8_t> payload,
                std::vector<std::uint8_t>& data) {
    const std::shared_ptr<Printer> printer = Find(h);
    if (!printer) return Fail(FORMJET_INVALID_HANDLE);
    if (!printer->bSession) return Fail(FORMJET_NO_SESSION);
    return printer->Exchange(letter, payload, data);
}

int NameCall(FORMJET_HANDLE h, std::uint8_t letter, const FORMJET_NAME_RECORD* record,
             std::size_t maxLength) {
    if (!record || !record->pName) return Fail(FORMJET_INVALID_PARAMETER);
    const std::size_t n = ::strnlen(record->pName, maxLength);
    std::vector<std::uint8_t> data;
    return SessionCall(h, letter,
                       std::span(reinterpret_cast<const std::uint8_t*>(record->pName), n), data);
}

int TextCall(FORMJET_HANDLE h, std::uint8_t letter, char* buffer, std::uint32_t size) {
    if (!buffer || size == 0) return Fail(FORMJET_INVALID_PARAMETER);
    std::vector<std::uint8_t> data;
    if (!SessionCall(h, letter, {}, data)) return 0;
    if (data.size() + 1 > size) return Fail(FORMJET_INSUFFICIENT_BUFFER);
    if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
    buffer[data.size()] = '\0';
    return Done();
}

}  // namespace

namespace formjet::detail {

thread_local std::uint32_t t_lastError = 0;

int Fail(std::uint32_t code) {
    t_lastError = code;
    return 0;
}

int Done() {
    t_lastError = 0;
    return 1;
}

bool IsOpenHandle(FORMJET_HANDLE h) {
    return Find(h) != nullptr;
}

std::string QueryString(platform::HKEY key, const char* name) {
    char value[512] = {};
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    if (platform::RegQueryValueEx(key, name, nullptr, &type,
                                  reinterpret_cast<platform::BYTE*>(value),
                                  &size) != platform::ERROR_SUCCESS ||
        type != platform::REG_SZ) {
        return {};
    }
    return std::string(value, ::strnlen(value, size));
}

DWORD QueryDword(platform::HKEY key, const char* name) {
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    if (platform::RegQueryValueEx(key, name, nullptr, &type,
                                  reinterpret_cast<platform::BYTE*>(&value),
                                  &size) != platform::ERROR_SUCCESS ||
        type != platform::REG_DWORD) {
        return 0;
    }
    return value;
}

}  // namespace formjet::detail

extern "C" {

int PrinterOpen(const char* pPrinterName, FORMJET_HANDLE* phPrinter) {
    try {
        if (!pPrinterName || !phPrinter) return Fail(FORMJET_INVALID_PARAMETER);
        *phPrinter = nullptr;
        platform::HKEY key = nullptr;
        const std::string path = std::string(kPrintersKey) + "\\" + pPrinterName;
        if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                   platform::KEY_READ, &key) != platform::ERROR_SUCCESS) {
            return Fail(FORMJET_INVALID_PRINTER_NAME);
        }
        const std::string port = QueryString(key, "Port");
        platform::RegCloseKey(key);
        if (port.empty()) return Fail(FORMJET_INVALID_PRINTER_NAME);
        std::unique_ptr<platform::SerialLine> line =
            platform::CurrentPortBackend().OpenSerial(port);
        if (!line) return Fail(FORMJET_LINE_FAILED);
        platform::Dcb dcb;
        if (line->GetCommState(dcb)) {
            dcb.fBinary = 1;
            static_cast<void>(line->SetCommState(dcb));
        }
        std::lock_guard lock(g_csHandles);
        const std::uintptr_t h = g_nextHandle++;
        g_printers[h] = std::make_shared<Printer>(std::move(line));
        *phPrinter = reinterpret_cast<FORMJET_HANDLE>(h);
        return Done();
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterStartSession(FORMJET_HANDLE hPrinter) {
    try {
        const std::shared_ptr<Printer> printer = Find(hPrinter);
        if (!printer) return Fail(FORMJET_INVALID_HANDLE);
        std::vector<std::uint8_t> data;
        if (!printer->Exchange('S', {}, data)) return 0;
        printer->bSession = true;
        return Done();
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int AEASetHost(FORMJET_HANDLE hPrinter, const FORMJET_NAME_RECORD* pHost) {
    try {
        return NameCall(hPrinter, 'H', pHost, 260);
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterSetForm(FORMJET_HANDLE hPrinter, std::uint32_t dwLevel,
                   const FORMJET_NAME_RECORD* pForm) {
    try {
        if (dwLevel != 1) return Fail(FORMJET_INVALID_PARAMETER);
        return NameCall(hPrinter, 'F', pForm, 260);
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterWrite(FORMJET_HANDLE hPrinter, const void* pData, std::uint32_t dwLength) {
    try {
        // One request carries the whole write, so that a busy printer takes none of it.
        if ((!pData && dwLength) || dwLength > wire::kMaxPayload) {
            return Fail(FORMJET_INVALID_PARAMETER);
        }
        std::vector<std::uint8_t> data;
        return SessionCall(hPrinter, 'W',
                           std::span(static_cast<const std::uint8_t*>(pData), dwLength), data);
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterRead(FORMJET_HANDLE hPrinter, void* pBuffer, std::uint32_t dwSize,
                std::uint32_t* pdwRead) {
    try {
        if (!pBuffer || !pdwRead || dwSize == 0) return Fail(FORMJET_INVALID_PARAMETER);
        *pdwRead = 0;
        const std::uint32_t wanted = dwSize > wire::kMaxPayload ? wire::kMaxPayload : dwSize;
        const std::uint8_t count[2] = {static_cast<std::uint8_t>(wanted >> 8),
                                       static_cast<std::uint8_t>(wanted & 0xFF)};
        std::vector<std::uint8_t> data;
        if (!SessionCall(hPrinter, 'R', count, data)) return 0;
        if (data.size() > dwSize) return Fail(FORMJET_BAD_ANSWER);
        if (!data.empty()) std::memcpy(pBuffer, data.data(), data.size());
        *pdwRead = static_cast<std::uint32_t>(data.size());
        return Done();
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterReadStockCode(FORMJET_HANDLE hPrinter, char* pBuffer, std::uint32_t dwSize) {
    try {
        return TextCall(hPrinter, 'K', pBuffer, dwSize);
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterReadBarCode(FORMJET_HANDLE hPrinter, char* pBuffer, std::uint32_t dwSize) {
    try {
        return TextCall(hPrinter, 'B', pBuffer, dwSize);
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterEjectForm(FORMJET_HANDLE hPrinter) {
    try {
        std::vector<std::uint8_t> data;
        return SessionCall(hPrinter, 'J', {}, data);
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterEndSession(FORMJET_HANDLE hPrinter) {
    try {
        const std::shared_ptr<Printer> printer = Find(hPrinter);
        if (!printer) return Fail(FORMJET_INVALID_HANDLE);
        if (!printer->bSession) return Fail(FORMJET_NO_SESSION);
        std::vector<std::uint8_t> data;
        if (!printer->Exchange('E', {}, data)) return 0;
        printer->bSession = false;
        return Done();
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterClose(FORMJET_HANDLE hPrinter) {
    try {
        std::shared_ptr<Printer> printer;
        {
            std::lock_guard lock(g_csHandles);
            const auto it = g_printers.find(reinterpret_cast<std::uintptr_t>(hPrinter));
            if (it == g_printers.end()) return Fail(FORMJET_INVALID_HANDLE);
            printer = std::move(it->second);
            g_printers.erase(it);
        }
        return Done();
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

int PrinterEnum(std::uint32_t dwClass, void* pBuffer, std::uint32_t dwSize,
                std::uint32_t* pdwNeeded, std::uint32_t* pdwCount) {
    try {
        if (!pdwNeeded || !pdwCount) return Fail(FORMJET_INVALID_PARAMETER);
        struct Found {
            std::string name, port;
        };
        std::vector<Found> found;
        platform::HKEY key = nullptr;
        if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, kPrintersKey, 0,
                                   platform::KEY_READ, &key) == platform::ERROR_SUCCESS) {
            for (DWORD i = 0; i < 4096; ++i) {
                char name[256];
                DWORD length = sizeof name;
                if (platform::RegEnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr,
                                           nullptr) != platform::ERROR_SUCCESS) {
                    break;
                }
                platform::HKEY printer = nullptr;
                if (platform::RegOpenKeyEx(key, name, 0, platform::KEY_READ, &printer) !=
                    platform::ERROR_SUCCESS) {
                    continue;
                }
                if (QueryDword(printer, "Class") == dwClass)
                    found.push_back({name, QueryString(printer, "Port")});
                platform::RegCloseKey(printer);
            }
            platform::RegCloseKey(key);
        }
        std::size_t needed = found.size() * sizeof(FORMJET_PRINTER_RECORD);
        for (const Found& f : found) needed += f.name.size() + f.port.size() + 3;
        *pdwNeeded = static_cast<std::uint32_t>(needed);
        *pdwCount = 0;
        if (!pBuffer || dwSize < needed) return Fail(FORMJET_INSUFFICIENT_BUFFER);
        auto* records = static_cast<FORMJET_PRINTER_RECORD*>(pBuffer);
        char* text = static_cast<char*>(pBuffer) + found.size() * sizeof(FORMJET_PRINTER_RECORD);
        auto put = [&](const std::string& s) {
            std::memcpy(text, s.c_str(), s.size() + 1);
            const char* at = text;
            text += s.size() + 1;
            return at;
        };
        for (std::size_t i = 0; i < found.size(); ++i) {
            records[i].dwClass = dwClass;
            records[i].pPort = put(found[i].port);
            records[i].pDescription = put("");
            records[i].pName = put(found[i].name);
        }
        *pdwCount = static_cast<std::uint32_t>(found.size());
        return Done();
    } catch (...) {
        return Fail(FORMJET_LINE_FAILED);
    }
}

std::uint32_t FormjetGetLastError() {
    return formjet::detail::t_lastError;
}

std::uint32_t FormjetFormatMessage(std::uint32_t dwCode, char* pBuffer, std::uint32_t dwSize) {
    struct Text {
        std::uint32_t code;
        const char* text;
    };
    static const Text kTexts[] = {
        {FORMJET_INVALID_HANDLE, "The printer handle is invalid."},
        {FORMJET_INVALID_PARAMETER, "The parameter is incorrect."},
        {FORMJET_FILE_EXISTS, "The form already exists."},
        {FORMJET_INSUFFICIENT_BUFFER, "The data area passed is too small."},
        {FORMJET_IO_PENDING, "The printer is busy; the request was not carried out."},
        {FORMJET_INVALID_PRINTER_NAME, "The printer name is invalid."},
        {FORMJET_INVALID_FORM_NAME, "The form name is invalid."},
        {FORMJET_TIMEOUT, "The printer did not answer in time."},
        {FORMJET_NO_SESSION, "No printer session is open."},
        {FORMJET_LINE_FAILED, "The printer line failed."},
        {FORMJET_BAD_ANSWER, "The printer's answer could not be understood."},
    };
    char text[128] = {};
    bool found = false;
    for (const Text& t : kTexts) {
        if (t.code == dwCode) {
            std::snprintf(text, sizeof text, "%s", t.text);
            found = true;
        }
    }
    if (!found && dwCode >= FORMJET_PRINTER_CODE && dwCode <= FORMJET_PRINTER_CODE + 0xFFFF) {
        std::snprintf(text, sizeof text, "The printer refused the request (code %u).",
                      dwCode - FORMJET_PRINTER_CODE);
        found = true;
    }
    if (!found || !pBuffer || dwSize == 0) return 0;
    const std::size_t n = std::min<std::size_t>(std::strlen(text), dwSize - 1);
    std::memcpy(pBuffer, text, n);
    pBuffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

}  // extern "C"

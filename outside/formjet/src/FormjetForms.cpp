// The library's forms: records of the store that the configuration pages look up, add and
// list; printing only names them.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FormjetCommon.h"
#include "formjet/Formjet.h"
#include "platform/Registry.h"

namespace {

using formjet::detail::Done;
using formjet::detail::Fail;
using platform::DWORD;

constexpr const char* kFormsKey =
    "Software\\The TREVO Group\\TREVODeviceManager\\Devices\\QT5200 Printer\\Forms";
constexpr std::size_t kMaxFormName = 260;
constexpr DWORD kMaxForms = 4096;
constexpr int kFirstNumber = 3;
constexpr int kFields = 20;

std::string FieldName(int field) {
    return "Field " + std::to_string(field);
}

// A form name that can be a key of its own: not empty, not too long, no backslash.
bool IsFormName(const char* name) {
    if (name == nullptr) return false;
    const std::size_t n = ::strnlen(name, kMaxFormName + 1);
    return n > 0 && n <= kMaxFormName && std::memchr(name, '\\', n) == nullptr;
}

class Key {
public:
    ~Key() {
        if (m_key != nullptr) platform::RegCloseKey(m_key);
    }
    bool Open(const std::string& path) {
        return platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                      platform::KEY_READ, &m_key) == platform::ERROR_SUCCESS;
    }
    bool Create(const std::string& path, bool& created) {
        DWORD disposition = 0;
        const bool ok = platform::RegCreateKeyEx(platform::HKEY_LOCAL_MACHINE, path.c_str(), 0, "",
                                                 0, platform::KEY_ALL_ACCESS, nullptr, &m_key,
                                                 &disposition) == platform::ERROR_SUCCESS;
        created = disposition == platform::REG_CREATED_NEW_KEY;
        return ok;
    }
    platform::HKEY Get() const { return m_key; }

private:
    platform::HKEY m_key = nullptr;
};

bool PutString(platform::HKEY key, const char* name, const char* value) {
    const std::string text = value == nullptr ? std::string() : std::string(value);
    return platform::RegSetValueEx(key, name, 0, platform::REG_SZ,
                                   reinterpret_cast<const platform::BYTE*>(text.c_str()),
                                   static_cast<DWORD>(text.size() + 1)) == platform::ERROR_SUCCESS;
}

bool PutDword(platform::HKEY key, const std::string& name, DWORD value) {
    return platform::RegSetValueEx(key, name.c_str(), 0, platform::REG_DWORD,
                                   reinterpret_cast<const platform::BYTE*>(&value),
                                   sizeof value) == platform::ERROR_SUCCESS;
}

// Texts laid after the records of a buffer.
class TextArea {
public:
    explicit TextArea(char* at) : m_at(at) {}
    const char* Put(const std::string& s) {
        std::memcpy(m_at, s.c_str(), s.size() + 1);
        const char* placed = m_at;
        m_at += s.size() + 1;
        return placed;
    }

private:
    char* m_at;
};

}  // namespace

extern "C" {

int PrinterGetForm(FORMJET_HANDLE hPrinter, const char* pFormName, void* pBuffer,
                   std::uint32_t dwSize, std::uint32_t* pdwNeeded) {
    try {
        if (!formjet::detail::IsOpenHandle(hPrinter)) return Fail(FORMJET_INVALID_HANDLE);
        if (pdwNeeded == nullptr || (pBuffer == nullptr && dwSize != 0))
            return Fail(FORMJET_INVALID_PARAMETER);
        *pdwNeeded = 0;
        Key key;
        if (!IsFormName(pFormName) || !key.Open(std::string(kFormsKey) + "\\" + pFormName))
            return Fail(FORMJET_INVALID_FORM_NAME);
        const std::string name = pFormName;
        const std::string prompt = formjet::detail::QueryString(key.Get(), "Prompt");
        const std::string description = formjet::detail::QueryString(key.Get(), "Description");
        const std::size_t needed =
            sizeof(FORMJET_FORM_RECORD) + name.size() + prompt.size() + description.size() + 3;
        *pdwNeeded = static_cast<std::uint32_t>(needed);
        if (dwSize < needed) return Fail(FORMJET_INSUFFICIENT_BUFFER);
        FORMJET_FORM_RECORD record{};
        for (int field = kFirstNumber; field < kFields; ++field)
            record.dwField[field] =
                formjet::detail::QueryDword(key.Get(), FieldName(field).c_str());
        TextArea texts(static_cast<char*>(pBuffer) + sizeof record);
        record.pName = texts.Put(name);
        record.pPrompt = texts.Put(prompt);
        record.pDescription = texts.Put(description);
        std::memcpy(pBuffer, &record, sizeof record);
        return Done();
    } catch (...) {
        return Fail(FORMJET_INVALID_PARAMETER);
    }
}

int PrinterAddForm(FORMJET_HANDLE hPrinter, const FORMJET_FORM_RECORD* pForm,
                   std::uint32_t dwLevel) {
    try {
        if (!formjet::detail::IsOpenHandle(hPrinter)) return Fail(FORMJET_INVALID_HANDLE);
        if (pForm == nullptr || dwLevel != 1) return Fail(FORMJET_INVALID_PARAMETER);
        if (!IsFormName(pForm->pName)) return Fail(FORMJET_INVALID_FORM_NAME);
        Key key;
        bool created = false;
        if (!key.Create(std::string(kFormsKey) + "\\" + pForm->pName, created))
            return Fail(FORMJET_INVALID_PARAMETER);
        if (!created) return Fail(FORMJET_FILE_EXISTS);
        bool written = PutString(key.Get(), "Prompt", pForm->pPrompt) &&
                       PutString(key.Get(), "Description", pForm->pDescription);
        for (int field = kFirstNumber; written && field < kFields; ++field)
            written = PutDword(key.Get(), FieldName(field), pForm->dwField[field]);
        if (!written) {
            // Half a form is no form: the next look finds it missing and adds it again.
            Key forms;
            if (forms.Open(kFormsKey)) (void)platform::RegDeleteKey(forms.Get(), pForm->pName);
            return Fail(FORMJET_INVALID_PARAMETER);
        }
        return Done();
    } catch (...) {
        return Fail(FORMJET_INVALID_PARAMETER);
    }
}

int PrinterEnumForms(FORMJET_HANDLE hPrinter, void* pBuffer, std::uint32_t dwSize,
                     std::uint32_t* pdwNeeded, std::uint32_t* pdwCount) {
    try {
        if (!formjet::detail::IsOpenHandle(hPrinter)) return Fail(FORMJET_INVALID_HANDLE);
        if (pdwNeeded == nullptr || pdwCount == nullptr || (pBuffer == nullptr && dwSize != 0))
            return Fail(FORMJET_INVALID_PARAMETER);
        std::vector<std::string> names;
        Key forms;
        if (forms.Open(kFormsKey)) {
            for (DWORD i = 0; i < kMaxForms; ++i) {
                char name[kMaxFormName + 1];
                DWORD length = sizeof name;
                if (platform::RegEnumKeyEx(forms.Get(), i, name, &length, nullptr, nullptr, nullptr,
                                           nullptr) != platform::ERROR_SUCCESS)
                    break;
                names.emplace_back(name, length);
            }
        }
        std::size_t needed = names.size() * sizeof(const char*);
        for (const std::string& n : names) needed += n.size() + 1;
        *pdwNeeded = static_cast<std::uint32_t>(needed);
        *pdwCount = 0;
        if (dwSize < needed) return Fail(FORMJET_INSUFFICIENT_BUFFER);
        auto* pointers = static_cast<const char**>(pBuffer);
        TextArea texts(static_cast<char*>(pBuffer) + names.size() * sizeof(const char*));
        for (std::size_t i = 0; i < names.size(); ++i) pointers[i] = texts.Put(names[i]);
        *pdwCount = static_cast<std::uint32_t>(names.size());
        return Done();
    } catch (...) {
        return Fail(FORMJET_INVALID_PARAMETER);
    }
}

}  // extern "C"

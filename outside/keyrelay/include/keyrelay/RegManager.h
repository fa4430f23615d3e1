// Client of the configuration service: one object describes one change of the store below
// HKEY_LOCAL_MACHINE (a value to write, a key to create or a key to delete) and hands it to
// the service. The service carries the request out on the machine's store, which is itself
// safe across processes, and answers with a Win32 error number.
//
// Transfer types:
//   1 (TFR_DWORD)  the number given to SetDWORDDataToWrite, stored as REG_DWORD;
//   4 (TFR_STRING) the bytes given to SetStringToWrite, stored as REG_SZ exactly as given
//                  (zero bytes included: the length of the text is the length stored).
// A request with no value name (SetRegKeyToModify(nullptr)) creates the key of the path.
// A value written to a key that is not there creates the key first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class CRegManager {
public:
    enum : int { TFR_DWORD = 1, TFR_STRING = 4 };

    CRegManager() = default;

    // The key, as a path below HKEY_LOCAL_MACHINE ("Software\\...").
    void SetRegPathToModify(const std::string& path) { m_path = path; }
    // The value's name; null for a request about the key itself.
    void SetRegKeyToModify(const char* name);
    void SetStringToWrite(const std::string& text) { m_text = text; }
    void SetDWORDDataToWrite(std::uint32_t value) { m_number = value; }
    void SetTFRType(int type) { m_type = type; }

    // Carries out the write or key creation: 0 when done, otherwise the reason it was refused
    // (ERROR_INVALID_PARAMETER for an empty path or an unknown transfer type, or the
    // store's own result, such as ERROR_ACCESS_DENIED).
    [[nodiscard]] int SendToCfgSvrc();
    // Deletes the key of the path (one without sub-keys): non-zero when it was deleted.
    [[nodiscard]] int DeleteRegKey();

private:
    std::string m_path;
    std::optional<std::string> m_name;
    std::string m_text;
    std::uint32_t m_number = 0;
    int m_type = 0;
};

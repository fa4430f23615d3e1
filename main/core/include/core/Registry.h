// The program's registry facade. Every access to the configuration store goes through a
// CRegistry (the program keeps one global object, GlobalRegistry()); it forwards each call
// to the back end chosen once per process by the value "Reg Access Method" of the
// application's key: 0 CRegistryDirect (reads and writes the store itself), 1
// CRegistryServices (reads the store, hands writes to the configuration service), anything
// else no back end, so that no call reaches the store.
//
// One key is current at a time: open, read or write values, close. Every call holds the back
// end's lock for its whole run; an open, its reads and the close are separate calls, so users
// of a shared object do them in one sequence on one thread.
//
// Every call returns whether it succeeded. bRequired says whether a failed store call makes
// the call fail (optional settings pass false and keep their defaults); bLog whether the
// failure is written to the trace log.
//
// Lock order: the back end's lock, then the trace log's (innermost).
#pragma once

#include <memory>
#include <string>

#include "platform/CriticalSection.h"
#include "platform/Registry.h"

using CRegistryLock = platform::CriticalSection::Guard;

class CRegistryBase {
public:
    // The process-wide access level: decided by the first open that succeeds or is refused
    // for lack of access, never changed afterwards.
    enum : int { ACCESS_UNDECIDED = 0, ACCESS_NONE = 1, ACCESS_READ = 2, ACCESS_FULL = 3 };
    // The transfer buffer of every read and direct write.
    static constexpr platform::DWORD kBufferSize = 256;

    virtual ~CRegistryBase() = default;
    CRegistryBase(const CRegistryBase&) = delete;
    CRegistryBase& operator=(const CRegistryBase&) = delete;

    // Opens HKEY_LOCAL_MACHINE\path with all access, else with read access.
    virtual bool RegistryOpen(const std::string& path, bool bLog) = 0;
    // The same, for a key whose sub-keys are to be enumerated; one leading backslash of the
    // path is dropped.
    virtual bool RegistryOpenAll(const std::string& path, bool bLog) = 0;
    // Copies `length` bytes (at most the transfer buffer) of a value of any type.
    virtual bool RegistryQueryBinary(const std::string& valueName, platform::BYTE* data,
                                     platform::DWORD length, bool bRequired, bool bLog) = 0;
    // Copies the value's bytes, at most 4, into *data from its first byte.
    virtual bool RegistryQueryDWORD(const std::string& valueName, platform::DWORD* data,
                                    bool bRequired, bool bLog) = 0;
    // The value's bytes up to its first zero byte.
    virtual bool RegistryQueryString(const std::string& valueName, std::string* data,
                                     bool bRequired, bool bLog) = 0;
    virtual bool RegistrySetBinary(const std::string& valueName, const platform::BYTE* data,
                                   platform::DWORD length, bool bRequired, bool bLog) = 0;
    virtual bool RegistrySetDWORD(const std::string& valueName, platform::DWORD data,
                                  bool bRequired, bool bLog) = 0;
    virtual bool RegistrySetString(const std::string& valueName, const std::string& data,
                                   bool bRequired, bool bLog) = 0;
    virtual bool RegistryCreateKey(const std::string& subKey, bool bLog) = 0;
    // bRequired has no effect: a failed delete always fails.
    virtual bool RegistryDeleteKey(const std::string& subKey, bool bRequired, bool bLog) = 0;
    virtual bool RegistryClose() = 0;

    static int AccessLevel();
    // Sets the level (the services back end starts with full access; a process that
    // changes machine root may start over with ACCESS_UNDECIDED).
    static void SetAccessLevel(int level);

protected:
    explicit CRegistryBase(const char* className);

    // The name without its first character when that is a backslash.
    static std::string WithoutLeadingBackslash(const std::string& name);
    // "<class>::<operation>(): <call>():"
    std::string Label(const char* operation, const char* call) const;
    // Opens the key and decides the access level; the caller holds the lock.
    bool OpenKey(const char* operation, const std::string& path, bool bLog);
    // Closes the open key; the caller holds the lock.
    void CloseKey();
    // Reads a value into the transfer buffer (m_dwSize its size); the caller holds the lock.
    bool RegistryQueryEx(const std::string& valueName, bool bLog);
    bool QueryBinary(const std::string& valueName, platform::BYTE* data, platform::DWORD length,
                     bool bRequired, bool bLog);
    bool QueryDWORD(const std::string& valueName, platform::DWORD* data, bool bRequired, bool bLog);
    bool QueryString(const std::string& valueName, std::string* data, bool bRequired, bool bLog);
    // Logs "(%d) %s" for the code under the label "<operation> RegistryError(): '<name>',
    // Error: " when bLog is set; always false.
    bool RegistryError(const std::string& operation, const std::string& name, platform::LONG error,
                       bool bLog);

    platform::CriticalSection m_lock;
    platform::HKEY m_hKey = nullptr;
    bool m_bOpen = false;
    platform::BYTE m_byBuffer[kBufferSize] = {};
    platform::DWORD m_dwSize = kBufferSize;

private:
    const char* m_className;
};

class CRegistry {
public:
    // Chooses the back end (reading the method once per process).
    CRegistry();
    ~CRegistry();
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    bool RegistryOpen(const std::string& path, bool bLog);
    bool RegistryOpenAll(const std::string& path, bool bLog);
    bool RegistryQueryBinary(const std::string& valueName, platform::BYTE* data,
                             platform::DWORD length, bool bRequired, bool bLog);
    bool RegistryQueryDWORD(const std::string& valueName, platform::DWORD* data, bool bRequired,
                            bool bLog);
    bool RegistryQueryString(const std::string& valueName, std::string* data, bool bRequired,
                             bool bLog);
    bool RegistrySetBinary(const std::string& valueName, const platform::BYTE* data,
                           platform::DWORD length, bool bRequired, bool bLog);
    bool RegistrySetDWORD(const std::string& valueName, platform::DWORD data, bool bRequired,
                          bool bLog);
    bool RegistrySetString(const std::string& valueName, const std::string& data, bool bRequired,
                           bool bLog);
    bool RegistryCreateKey(const std::string& subKey, bool bLog);
    bool RegistryDeleteKey(const std::string& subKey, bool bRequired, bool bLog);
    bool RegistryClose();

    // The back end in use, or null.
    CRegistryBase* BackEnd() const noexcept { return m_pRegistry.get(); }

    // The application's key, which holds "Reg Access Method".
    static const char* const kApplicationKey;
    // The ids of the registered messages "DelRegValue" and "ModifyRegValue".
    static unsigned DelRegValueMessage();
    static unsigned ModifyRegValueMessage();
    // Makes the next CRegistry read the method again (for a process that changes its
    // machine root).
    static void ForgetAccessMethod();

private:
    std::unique_ptr<CRegistryBase> m_pRegistry;
};

// The program's one registry object, built at first use.
CRegistry& GlobalRegistry();

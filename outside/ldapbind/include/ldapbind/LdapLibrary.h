// CLdapLibrary: the directory client of the host driver's look-up. The directory-access
// library is loaded by name on Connect and its twelve entry points are bound in the order of
// Entries; the first one missing (or a library that cannot be loaded) ends the binding and
// Connect answers false. Connect opens a version 3 connection whose search time limit and
// connect wait are the time-out; Search asks below the base for the mapping entries and
// waits ten seconds for them all; GetValues, FreeValues and NextEntry walk them. Close (also
// run by the destructor) frees the result, unbinds and lets the library go, each only when
// held, and may be run at any point; the library's file stays mapped in the process once
// loaded, as its process-wide set-up is not made to be undone.
//
// One thread uses an object at a time.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "ldapbind/LdapApi.h"
#include "platform/DynamicLibrary.h"

namespace ldapbind {

class CLdapLibrary {
public:
    static constexpr const char* kFilter = "(objectClass=quil-mapping)";
    static constexpr int kResultWaitSeconds = 10;

    // `library` names the file to load (tests give another one).
    explicit CLdapLibrary(std::filesystem::path library = kLibraryFile);
    virtual ~CLdapLibrary();
    CLdapLibrary(const CLdapLibrary&) = delete;
    CLdapLibrary& operator=(const CLdapLibrary&) = delete;

    bool Connect(const std::string& host, int port, const std::string& base, int timeoutSeconds);
    // True when the search came back with a first entry, which becomes the current one.
    bool Search(const std::vector<std::string>& attributes);
    // The current entry's values of the attribute (null-terminated; null when none), to be
    // given back with FreeValues.
    char** GetValues(const char* attribute);
    void FreeValues(char** values);
    // Moves to the next entry; false at the end.
    bool NextEntry();
    void Close();

    // Why the last binding failed ("" when it did not).
    const std::string& BindError() const noexcept { return m_bindError; }

private:
    bool Bind();

    int m_messageId = -1;
    LdapHandle* m_connection = nullptr;
    LdapMessage* m_searchResult = nullptr;
    LdapMessage* m_currentEntry = nullptr;
    std::string m_host;
    std::string m_base;
    int m_port = 389;
    std::filesystem::path m_libraryFile;
    platform::DynamicLibrary m_library;
    std::string m_bindError;

    OpenFn* m_open = nullptr;
    InitFn* m_init = nullptr;
    SetOptionFn* m_setOption = nullptr;
    ConnectFn* m_connect = nullptr;
    SearchFn* m_search = nullptr;
    ResultFn* m_result = nullptr;
    FirstEntryFn* m_firstEntry = nullptr;
    GetValuesFn* m_getValues = nullptr;
    NextEntryFn* m_nextEntry = nullptr;
    MsgFreeFn* m_msgFree = nullptr;
    UnbindFn* m_unbind = nullptr;
    ValueFreeFn* m_valueFree = nullptr;
};

}  // namespace ldapbind

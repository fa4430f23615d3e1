// CLdapDirectoryClient: the directory client in use, over the system's directory-access
// library (ldapbind::CLdapLibrary, loaded when a look-up connects). Values come back as
// copies; the library's lists are given back at once.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "hostdriver/DirectoryClient.h"
#include "ldapbind/LdapLibrary.h"

namespace quildrv {

class CLdapDirectoryClient : public CDirectoryClient {
public:
    // `library` names the library file (tests give another one).
    explicit CLdapDirectoryClient(std::filesystem::path library = ldapbind::kLibraryFile);

    bool Connect(const std::string& host, int port, const std::string& base,
                 int timeoutSeconds) override;
    bool Search(const std::vector<std::string>& attributes) override;
    std::vector<std::string> GetValues(const std::string& attribute) override;
    bool NextEntry() override;
    void Close() override;

private:
    ldapbind::CLdapLibrary m_library;
};

}  // namespace quildrv

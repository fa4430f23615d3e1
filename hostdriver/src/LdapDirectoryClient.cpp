#include "hostdriver/LdapDirectoryClient.h"

#include <utility>

namespace quildrv {

CLdapDirectoryClient::CLdapDirectoryClient(std::filesystem::path library)
    : m_library(std::move(library)) {}

bool CLdapDirectoryClient::Connect(const std::string& host, int port, const std::string& base,
                                   int timeoutSeconds) {
    return m_library.Connect(host, port, base, timeoutSeconds);
}

bool CLdapDirectoryClient::Search(const std::vector<std::string>& attributes) {
    return m_library.Search(attributes);
}

std::vector<std::string> CLdapDirectoryClient::GetValues(const std::string& attribute) {
    std::vector<std::string> out;
    char** values = m_library.GetValues(attribute.c_str());
    for (char** v = values; v != nullptr && *v != nullptr; ++v) out.emplace_back(*v);
    m_library.FreeValues(values);
    return out;
}

bool CLdapDirectoryClient::NextEntry() {
    return m_library.NextEntry();
}

void CLdapDirectoryClient::Close() {
    m_library.Close();
}

}  // namespace quildrv

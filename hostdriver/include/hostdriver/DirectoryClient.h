// The directory client the terminal front end reads its PAID-to-host mapping with: connect to
// a directory, search below a base for the mapping entries, walk them and read their values.
// MakeDirectoryClient gives the client in use (CLdapDirectoryClient, over the system's
// directory-access library); tests put a fake in its place.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quildrv {

class CDirectoryClient {
public:
    virtual ~CDirectoryClient() = default;
    // Opens the connection; the time-out (seconds) bounds the connect and the server's search.
    virtual bool Connect(const std::string& host, int port, const std::string& base,
                         int timeoutSeconds) = 0;
    // Searches for the mapping entries asking for the attributes; true when an entry came back
    // (the client then stands on the first one).
    virtual bool Search(const std::vector<std::string>& attributes) = 0;
    // The current entry's values of the attribute (empty when it has none).
    virtual std::vector<std::string> GetValues(const std::string& attribute) = 0;
    virtual bool NextEntry() = 0;
    virtual void Close() = 0;
};

using DirectoryClientMaker = std::function<std::unique_ptr<CDirectoryClient>()>;
// Null restores the client in use.
void SetDirectoryClientMaker(DirectoryClientMaker maker);
std::unique_ptr<CDirectoryClient> MakeDirectoryClient();

}  // namespace quildrv

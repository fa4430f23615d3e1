// One connection to the print server and the requests sent over it.
#pragma once

#include <cups/cups.h>

#include <string>

namespace spooler {

class CCupsConnection {
public:
    // Connects to the server the client library names; Valid() tells whether it answered.
    CCupsConnection();
    ~CCupsConnection();
    CCupsConnection(const CCupsConnection&) = delete;
    CCupsConnection& operator=(const CCupsConnection&) = delete;

    bool Valid() const noexcept { return m_http != nullptr; }
    http_t* Http() const noexcept { return m_http; }

    // Sends the request (which it frees) to resource, with the file's contents when
    // pszFile is given; the response (the caller's to free with ippDelete), or null with the
    // error text when the server failed or refused it.
    ipp_t* Do(ipp_t* request, const char* pszResource, std::string& error,
              const char* pszFile = nullptr);

    // The URI of a queue and of a job as the server names them.
    static std::string PrinterUri(const std::string& strName);
    static std::string JobUri(int iJobId);

private:
    http_t* m_http = nullptr;
};

// A request with the operation's usual attributes (charset, language, user).
ipp_t* NewRequest(ipp_op_t op);

}  // namespace spooler

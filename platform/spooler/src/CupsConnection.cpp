#include "CupsConnection.h"

namespace spooler {

namespace {

constexpr int kConnectTimeoutMs = 30000;

}  // namespace

CCupsConnection::CCupsConnection()
    : m_http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                          kConnectTimeoutMs, nullptr)) {}

CCupsConnection::~CCupsConnection() {
    if (m_http) httpClose(m_http);
}

ipp_t* CCupsConnection::Do(ipp_t* request, const char* pszResource, std::string& error,
                           const char* pszFile) {
    if (!m_http) {
        ippDelete(request);
        error = "No print server";
        return nullptr;
    }
    ipp_t* response = pszFile ? cupsDoFileRequest(m_http, request, pszResource, pszFile)
                              : cupsDoRequest(m_http, request, pszResource);
    if (!response || ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
        error = cupsLastErrorString() ? cupsLastErrorString() : "Print server error";
        if (response) ippDelete(response);
        return nullptr;
    }
    return response;
}

std::string CCupsConnection::PrinterUri(const std::string& strName) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/printers/%s", strName.c_str());
    return uri;
}

std::string CCupsConnection::JobUri(int iJobId) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/jobs/%d", iJobId);
    return uri;
}

ipp_t* NewRequest(ipp_op_t op) {
    ipp_t* request = ippNewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    return request;
}

}  // namespace spooler

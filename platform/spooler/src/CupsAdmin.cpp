#include "spooler/CupsAdmin.h"

#include <algorithm>

#include "CupsConnection.h"

namespace spooler {

bool AddQueue(const std::string& strName, const std::string& strDeviceUri,
              const std::string& strPpdPath, std::string& error) {
    CCupsConnection connection;
    ipp_t* request = NewRequest(IPP_OP_CUPS_ADD_MODIFY_PRINTER);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 CCupsConnection::PrinterUri(strName).c_str());
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr,
                 strDeviceUri.c_str());
    ippAddBoolean(request, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
    ippAddInteger(request, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
    ipp_t* response =
        connection.Do(request, "/admin/", error, strPpdPath.empty() ? nullptr : strPpdPath.c_str());
    if (!response) return false;
    ippDelete(response);
    return true;
}

bool SetDefaultQueue(const std::string& strName, std::string& error) {
    CCupsConnection connection;
    ipp_t* request = NewRequest(IPP_OP_CUPS_SET_DEFAULT);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 CCupsConnection::PrinterUri(strName).c_str());
    ipp_t* response = connection.Do(request, "/admin/", error);
    if (!response) return false;
    ippDelete(response);
    return true;
}

bool DeleteQueue(const std::string& strName, std::string& error) {
    CCupsConnection connection;
    ipp_t* request = NewRequest(IPP_OP_CUPS_DELETE_PRINTER);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 CCupsConnection::PrinterUri(strName).c_str());
    ipp_t* response = connection.Do(request, "/admin/", error);
    if (!response) return false;
    ippDelete(response);
    return true;
}

std::vector<std::pair<int, int>> QueueJobs(const std::string& strName) {
    std::vector<std::pair<int, int>> jobs;
    CCupsConnection connection;
    ipp_t* request = NewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 CCupsConnection::PrinterUri(strName).c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    const char* const attributes[] = {"job-id", "job-state"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                  attributes);
    std::string error;
    ipp_t* response = connection.Do(request, "/", error);
    if (!response) return jobs;
    int iId = 0, iState = 0;
    auto keep = [&] {
        if (iId != 0) jobs.emplace_back(iId, iState);
        iId = iState = 0;
    };
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        const char* name = ippGetName(a);
        if (!name) {
            keep();
        } else if (ippGetGroupTag(a) == IPP_TAG_JOB && std::string(name) == "job-id") {
            iId = ippGetInteger(a, 0);
        } else if (ippGetGroupTag(a) == IPP_TAG_JOB && std::string(name) == "job-state") {
            iState = ippGetInteger(a, 0);
        }
    }
    keep();
    ippDelete(response);
    std::sort(jobs.begin(), jobs.end());
    return jobs;
}

bool ServerAnswers() {
    return CCupsConnection().Valid();
}

void ForgetServer() {
    cupsSetServer(nullptr);
}

}  // namespace spooler

#include "CupsJob.h"

namespace spooler {

namespace {

std::string LastError(const char* pszStep) {
    const char* text = cupsLastErrorString();
    return std::string(pszStep) + ": " + (text ? text : "print server error");
}

}  // namespace

std::unique_ptr<IJob> CCupsJob::Start(const std::string& strQueue, const std::string& strTitle,
                                      DocumentFormat eFormat, std::string& error) {
    std::unique_ptr<CCupsJob> job(new CCupsJob(strQueue));
    if (!job->m_connection.Valid()) {
        error = "No print server";
        return nullptr;
    }
    http_t* http = job->m_connection.Http();
    job->m_iJobId = cupsCreateJob(http, strQueue.c_str(), strTitle.c_str(), 0, nullptr);
    if (job->m_iJobId == 0) {
        error = LastError("cupsCreateJob");
        job->m_bFinished = true;
        return nullptr;
    }
    const char* format = eFormat == DocumentFormat::Pdf ? "application/pdf" : CUPS_FORMAT_RAW;
    if (cupsStartDocument(http, strQueue.c_str(), job->m_iJobId, strTitle.c_str(), format, 1) !=
        HTTP_STATUS_CONTINUE) {
        error = LastError("cupsStartDocument");
        // The job has no document: the server is told to drop it.
        cupsCancelJob2(http, strQueue.c_str(), job->m_iJobId, 0);
        job->m_bFinished = true;
        return nullptr;
    }
    return job;
}

CCupsJob::~CCupsJob() {
    std::string error;
    if (!m_bFinished) static_cast<void>(Finish(error));
}

bool CCupsJob::Write(std::span<const std::uint8_t> bytes, std::string& error) {
    if (m_bFinished) {
        error = "The job is finished";
        return false;
    }
    if (bytes.empty()) return true;
    if (cupsWriteRequestData(m_connection.Http(), reinterpret_cast<const char*>(bytes.data()),
                             bytes.size()) != HTTP_STATUS_CONTINUE) {
        error = LastError("cupsWriteRequestData");
        return false;
    }
    return true;
}

bool CCupsJob::Finish(std::string& error) {
    if (m_bFinished) {
        error = "The job is finished";
        return false;
    }
    m_bFinished = true;
    if (cupsFinishDocument(m_connection.Http(), m_strQueue.c_str()) > IPP_STATUS_OK_CONFLICTING) {
        error = LastError("cupsFinishDocument");
        return false;
    }
    return true;
}

}  // namespace spooler

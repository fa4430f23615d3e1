#include "CupsSpooler.h"

#include <algorithm>

#include "CupsConnection.h"
#include "CupsJob.h"

namespace spooler {

namespace {

const char* const kQueueAttributes[] = {"printer-name", "device-uri", "printer-state",
                                        "media-default"};

// Keeps a queue that has a name and was not listed before.
void Keep(std::vector<Queue>& queues, Queue& queue) {
    const bool bSeen = std::any_of(queues.begin(), queues.end(),
                                   [&](const Queue& q) { return q.strName == queue.strName; });
    if (!queue.strName.empty() && !bSeen) queues.push_back(queue);
    queue = Queue{};
}

bool SetQueueState(const std::string& strName, ipp_op_t op, std::string& error) {
    CCupsConnection connection;
    ipp_t* request = NewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 CCupsConnection::PrinterUri(strName).c_str());
    ipp_t* response = connection.Do(request, "/admin/", error);
    if (!response) return false;
    ippDelete(response);
    return true;
}

}  // namespace

std::vector<Queue> CCupsSpooler::ListQueues() {
    std::vector<Queue> queues;
    CCupsConnection connection;
    if (!connection.Valid()) return queues;
    ipp_t* request = NewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(std::size(kQueueAttributes)), nullptr, kQueueAttributes);
    std::string error;
    ipp_t* response = connection.Do(request, "/", error);
    if (!response) return queues;
    Queue queue;
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        const char* name = ippGetName(a);
        if (!name) {  // the separator between two printers
            Keep(queues, queue);
            continue;
        }
        if (ippGetGroupTag(a) != IPP_TAG_PRINTER) continue;
        const std::string strAttribute = name;
        if (strAttribute == "printer-name" && ippGetValueTag(a) == IPP_TAG_NAME) {
            queue.strName = ippGetString(a, 0, nullptr);
        } else if (strAttribute == "device-uri" && ippGetValueTag(a) == IPP_TAG_URI) {
            queue.strDeviceUri = ippGetString(a, 0, nullptr);
        } else if (strAttribute == "printer-state" && ippGetValueTag(a) == IPP_TAG_ENUM) {
            queue.eState = static_cast<QueueState>(ippGetInteger(a, 0));
        } else if (strAttribute == "media-default" && ippGetValueTag(a) == IPP_TAG_KEYWORD) {
            queue.strMediaDefault = ippGetString(a, 0, nullptr);
        }
    }
    Keep(queues, queue);
    ippDelete(response);
    return queues;
}

std::string CCupsSpooler::DefaultQueue() {
    // The client library's own choice: the user's and the environment's default before the
    // server's.
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest) return {};
    std::string strName = dest->name ? dest->name : "";
    cupsFreeDests(1, dest);
    return strName;
}

bool CCupsSpooler::PauseQueue(const std::string& strName, std::string& error) {
    return SetQueueState(strName, IPP_OP_PAUSE_PRINTER, error);
}

bool CCupsSpooler::ResumeQueue(const std::string& strName, std::string& error) {
    return SetQueueState(strName, IPP_OP_RESUME_PRINTER, error);
}

std::unique_ptr<IJob> CCupsSpooler::StartJob(const std::string& strQueue,
                                             const std::string& strTitle, DocumentFormat eFormat,
                                             std::string& error) {
    return CCupsJob::Start(strQueue, strTitle, eFormat, error);
}

}  // namespace spooler

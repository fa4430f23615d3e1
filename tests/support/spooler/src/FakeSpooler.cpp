#include "support/FakeSpooler.h"

#include <algorithm>

namespace support {

class FakeSpooler::FakeJob final : public spooler::IJob {
public:
    FakeJob(FakeSpooler& owner, std::size_t nIndex) : m_owner(owner), m_nIndex(nIndex) {}
    ~FakeJob() override {
        std::lock_guard lock(m_owner.m_cs);
        Job& job = m_owner.m_jobs[m_nIndex];
        if (!job.bFinished) job.bDestroyedUnfinished = job.bFinished = true;
    }
    bool Write(std::span<const std::uint8_t> bytes, std::string& error) override {
        std::lock_guard lock(m_owner.m_cs);
        Job& job = m_owner.m_jobs[m_nIndex];
        if (job.bFinished || ++m_owner.m_iWrites == m_owner.m_iFailWrite || m_owner.m_bNoServer) {
            error = "write refused";
            return false;
        }
        job.strData.append(bytes.begin(), bytes.end());
        return true;
    }
    bool Finish(std::string& error) override {
        std::lock_guard lock(m_owner.m_cs);
        Job& job = m_owner.m_jobs[m_nIndex];
        if (job.bFinished) {
            error = "finished twice";
            return false;
        }
        job.bFinished = true;
        return true;
    }
    int Id() const override { return static_cast<int>(m_nIndex) + 1; }

private:
    FakeSpooler& m_owner;
    std::size_t m_nIndex;
};

FakeSpooler::FakeSpooler() : m_pPrevious(spooler::InstallSpooler(this)) {}

FakeSpooler::~FakeSpooler() {
    spooler::InstallSpooler(m_pPrevious);
}

void FakeSpooler::AddQueue(const std::string& strName, const std::string& strDeviceUri,
                           const std::string& strMedia) {
    std::lock_guard lock(m_cs);
    m_queues.push_back({strName, strDeviceUri, spooler::QueueState::Idle, strMedia});
}

void FakeSpooler::RemoveQueue(const std::string& strName) {
    std::lock_guard lock(m_cs);
    std::erase_if(m_queues, [&](const spooler::Queue& q) { return q.strName == strName; });
}

spooler::QueueState FakeSpooler::State(const std::string& strName) const {
    std::lock_guard lock(m_cs);
    for (const auto& q : m_queues)
        if (q.strName == strName) return q.eState;
    return spooler::QueueState::Idle;
}

std::vector<FakeSpooler::Job> FakeSpooler::Jobs() const {
    std::lock_guard lock(m_cs);
    return m_jobs;
}

std::vector<std::string> FakeSpooler::PauseResumeCalls() const {
    std::lock_guard lock(m_cs);
    return m_calls;
}

std::vector<spooler::Queue> FakeSpooler::ListQueues() {
    std::lock_guard lock(m_cs);
    if (m_bNoServer) return {};
    return m_queues;
}

std::string FakeSpooler::DefaultQueue() {
    std::lock_guard lock(m_cs);
    return m_bNoServer ? std::string() : m_strDefault;
}

bool FakeSpooler::SetState(const std::string& strName, spooler::QueueState eState,
                           const char* pszCall, std::string& error) {
    std::lock_guard lock(m_cs);
    m_calls.push_back(std::string(pszCall) + " " + strName);
    auto it = std::find_if(m_queues.begin(), m_queues.end(),
                           [&](const spooler::Queue& q) { return q.strName == strName; });
    if (m_bNoServer || it == m_queues.end() || strName == m_strFailState) {
        error = "The printer or class does not exist.";
        return false;
    }
    it->eState = eState;
    return true;
}

bool FakeSpooler::PauseQueue(const std::string& strName, std::string& error) {
    return SetState(strName, spooler::QueueState::Stopped, "pause", error);
}

bool FakeSpooler::ResumeQueue(const std::string& strName, std::string& error) {
    return SetState(strName, spooler::QueueState::Idle, "resume", error);
}

std::unique_ptr<spooler::IJob> FakeSpooler::StartJob(const std::string& strQueue,
                                                     const std::string& strTitle,
                                                     spooler::DocumentFormat eFormat,
                                                     std::string& error) {
    std::lock_guard lock(m_cs);
    const bool bKnown = std::any_of(m_queues.begin(), m_queues.end(),
                                    [&](const spooler::Queue& q) { return q.strName == strQueue; });
    if (m_bNoServer || !bKnown || m_bFailStart) {
        m_bFailStart = false;
        error = "The printer or class does not exist.";
        return nullptr;
    }
    Job job;
    job.iId = static_cast<int>(m_jobs.size()) + 1;
    job.strQueue = strQueue;
    job.strTitle = strTitle;
    job.eFormat = eFormat;
    m_jobs.push_back(job);
    return std::make_unique<FakeJob>(*this, m_jobs.size() - 1);
}

}  // namespace support

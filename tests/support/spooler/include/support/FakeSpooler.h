// A scripted print spooler for unit tests: queues the test lists, every job kept with its
// bytes, and failures on demand. Installed in place of the machine's while it lives.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "spooler/Spooler.h"

namespace support {

class FakeSpooler final : public spooler::ISpooler {
public:
    struct Job {
        int iId = 0;
        std::string strQueue;
        std::string strTitle;
        spooler::DocumentFormat eFormat = spooler::DocumentFormat::Raw;
        std::string strData;
        bool bFinished = false;
        bool bDestroyedUnfinished = false;
    };

    FakeSpooler();
    ~FakeSpooler() override;

    // The test's side.
    void AddQueue(const std::string& strName, const std::string& strDeviceUri = "",
                  const std::string& strMedia = "");
    void RemoveQueue(const std::string& strName);
    // The queue DefaultQueue names ("" none).
    void SetDefaultQueue(const std::string& strName) {
        std::lock_guard l(m_cs);
        m_strDefault = strName;
    }
    spooler::QueueState State(const std::string& strName) const;
    std::vector<Job> Jobs() const;
    std::vector<std::string> PauseResumeCalls() const;
    // The next StartJob fails; the write numbered iWrite (1 the first, counted over all jobs)
    // fails; a queue that pauses or resumes fails.
    void FailNextStart() {
        std::lock_guard l(m_cs);
        m_bFailStart = true;
    }
    void FailWrite(int iWrite) {
        std::lock_guard l(m_cs);
        m_iFailWrite = iWrite;
    }
    void FailStateChange(const std::string& strName) {
        std::lock_guard l(m_cs);
        m_strFailState = strName;
    }
    // Without a server every call fails and the list is empty.
    void SetNoServer(bool bNone) {
        std::lock_guard l(m_cs);
        m_bNoServer = bNone;
    }

    // The spooler's side.
    std::vector<spooler::Queue> ListQueues() override;
    std::string DefaultQueue() override;
    [[nodiscard]] bool PauseQueue(const std::string& strName, std::string& error) override;
    [[nodiscard]] bool ResumeQueue(const std::string& strName, std::string& error) override;
    std::unique_ptr<spooler::IJob> StartJob(const std::string& strQueue,
                                            const std::string& strTitle,
                                            spooler::DocumentFormat eFormat,
                                            std::string& error) override;

private:
    class FakeJob;
    bool SetState(const std::string& strName, spooler::QueueState eState, const char* pszCall,
                  std::string& error);

    mutable std::mutex m_cs;
    std::vector<spooler::Queue> m_queues;
    std::vector<Job> m_jobs;
    std::vector<std::string> m_calls;
    bool m_bFailStart = false;
    int m_iFailWrite = 0;
    int m_iWrites = 0;
    std::string m_strFailState;
    std::string m_strDefault;
    bool m_bNoServer = false;
    spooler::ISpooler* m_pPrevious = nullptr;
};

}  // namespace support

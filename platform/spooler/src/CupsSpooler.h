// The machine's spooler: the print server the CUPS client library finds.
#pragma once

#include "spooler/Spooler.h"

namespace spooler {

class CCupsSpooler final : public ISpooler {
public:
    std::vector<Queue> ListQueues() override;
    std::string DefaultQueue() override;
    [[nodiscard]] bool PauseQueue(const std::string& strName, std::string& error) override;
    [[nodiscard]] bool ResumeQueue(const std::string& strName, std::string& error) override;
    std::unique_ptr<IJob> StartJob(const std::string& strQueue, const std::string& strTitle,
                                   DocumentFormat eFormat, std::string& error) override;
};

}  // namespace spooler

// One job on the print server, on a connection of its own: created, its one document
// started, written buffer by buffer and finished.
#pragma once

#include <memory>

#include "CupsConnection.h"
#include "spooler/Spooler.h"

namespace spooler {

class CCupsJob final : public IJob {
public:
    static std::unique_ptr<IJob> Start(const std::string& strQueue, const std::string& strTitle,
                                       DocumentFormat eFormat, std::string& error);
    ~CCupsJob() override;

    [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes, std::string& error) override;
    [[nodiscard]] bool Finish(std::string& error) override;
    int Id() const override { return m_iJobId; }

private:
    explicit CCupsJob(std::string strQueue) : m_strQueue(std::move(strQueue)) {}

    std::string m_strQueue;
    CCupsConnection m_connection;
    int m_iJobId = 0;
    bool m_bFinished = false;
};

}  // namespace spooler

// A parallel port: writes and reads bounded by counts of 1 ms polls.
#pragma once

#include <cstdint>

#include "ports/Lineservice.h"

class TREVO_EXPORT LptLineservice : public Lineservice {
public:
    explicit LptLineservice(const char* name);
    ~LptLineservice() override;

    int getPortState() override;
    [[nodiscard]] int startDocPort() override;
    [[nodiscard]] int endDocPort() override;
    [[nodiscard]] int readPort(std::uint8_t* buffer, std::uint32_t size,
                               std::uint32_t* read) override;
    [[nodiscard]] int writePort(std::uint8_t* buffer, std::uint32_t size,
                                std::uint32_t* written) override;
    [[nodiscard]] int readPortT(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* read,
                                std::uint32_t) override {
        return readPort(buffer, size, read);
    }
    [[nodiscard]] int writePortT(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* written,
                                 std::uint32_t) override {
        return writePort(buffer, size, written);
    }
    [[nodiscard]] int configurePort() override { return 1; }
    ENUM_PORTTYPE getPortType() override { return PORTTYPE_PARALLEL; }
    [[nodiscard]] int flushBuffer() override;
    int dataAvailableToReceive() override { return 0; }
    int isOEState() override { return 0; }
    int isPEState() override { return 0; }
    int isFEState() override { return 0; }

    // MAXDWORD gives one poll, not an endless wait.
    void setReadIntervalTimeout(std::uint32_t t) { m_readPolls = t == 0xFFFFFFFFu ? 1 : t; }
    void setWriteTotalTimeoutConstant(std::uint32_t t) { m_writePolls = t; }
    std::uint32_t getReadPollLimit() const { return m_readPolls; }
    std::uint32_t getWritePollLimit() const { return m_writePolls; }

private:
    std::uint32_t m_readPolls = 0;
    std::uint32_t m_writePolls = 0;
};

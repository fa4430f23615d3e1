// How a host session finds the end of a host message in the data of a record: the original
// way (the message ends at its first end-of-message byte) or the embedded way (only the last
// byte counts, so end-of-message bytes inside the text stay). Accumulating joins segments: 4E
// delivers, 5F delivers and asks for the next part, 6D asks for the next part and keeps joining,
// 7E keeps joining. Both strategies are stateless and shared by every session.
#pragma once

#include <cstdint>

namespace quildrv {

class CHostSession;

class CEOMStrategy {
public:
    virtual ~CEOMStrategy() = default;
    // Takes the data of one received record for the session.
    void Process(CHostSession& session, const std::uint8_t* data, std::uint32_t length,
                 bool accumulating) const;

    static const CEOMStrategy& Original();
    static const CEOMStrategy& Embedded();

protected:
    // Where the message of a segment ends (bytes kept up to there) and its end byte; the end
    // byte is 0 when the segment has none.
    virtual std::uint32_t FindEnd(const std::uint8_t* data, std::uint32_t length,
                                  std::uint8_t& eom) const = 0;
    // Whether a 6D ends with a request for the next part when not accumulating.
    virtual bool AsksWhenNotAccumulating() const = 0;
};

class CEOMStrategyORIGINAL final : public CEOMStrategy {
protected:
    std::uint32_t FindEnd(const std::uint8_t* data, std::uint32_t length,
                          std::uint8_t& eom) const override;
    bool AsksWhenNotAccumulating() const override { return false; }
};

class CEOMStrategyEMBEDDED final : public CEOMStrategy {
protected:
    std::uint32_t FindEnd(const std::uint8_t* data, std::uint32_t length,
                          std::uint8_t& eom) const override;
    bool AsksWhenNotAccumulating() const override { return true; }
};

bool IsEndOfMessage(std::uint8_t byte) noexcept;

}  // namespace quildrv

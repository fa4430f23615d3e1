// The coupon printer's print job: the host's coupon text cut into records (a header, a
// default record, coupon records), one printable coupon per valid record, the printer's
// answer to each coupon, and the summary reply to the host (the D-message) made from the
// answers. The job itself does no I/O: what it asks of the printer, the operator, the store
// and the host goes through its side (the device).
//
// Threads: not shared on its own; the device calls it under its coupon lock. The side's Ask
// is called with that lock given up, so a question may wait for its answer as long as the
// operator takes; when the job was reset meanwhile Ask gives nothing and the job stops
// there.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devices {

// The texts of the operator's questions (string-table ids) and their styles.
inline constexpr std::uint32_t IDS_OUT_OF_STOCK = 61241;
inline constexpr std::uint32_t IDS_NO_PECTAB = 61242;
inline constexpr std::uint32_t IDS_RETRY_PRINTING = 61243;
inline constexpr std::uint32_t IDS_DEVICE_NOT_RESPONDING = 61244;

class ICouponJobSide {
public:
    virtual ~ICouponJobSide() = default;
    // The store: the current stock control number, its advance, the number a reply carries,
    // the code of a pectab letter.
    virtual std::string ReadScn() = 0;
    virtual void AdvanceScn() = 0;
    virtual void StoreScnFromReply(const std::string& reply) = 0;
    virtual std::string RetrievePectabCode(char chPectab) = 0;
    // The next sequence letter of a reply to the host.
    virtual char NextSequenceLetter() = 0;
    // Asks the operator (answer 1 is OK); nothing when the job was reset meanwhile.
    virtual std::optional<int> Ask(std::uint32_t nStringId, std::uint32_t style) = 0;
    // Sends a coupon to the printer and awaits its answer.
    virtual void PrintCoupon(const std::string& coupon) = 0;
    // Ends the job: the host status, its acknowledgement (held until the host confirms the
    // reply, or sent at once), the reset and the summary reply as the pending reply.
    virtual void FinishJob(char cStatus, const std::string& strDMessage, bool bHoldAck) = 0;
};

class CCouponJob {
public:
    static constexpr char kDelimiter = ':';

    // Empties the records, coupons, type letters and answers; the pectab code and the job's
    // first number stay.
    void Clear();
    // Cuts the host text into records and looks up the job's pectab code.
    void SplitHostText(std::string_view hostText, ICouponJobSide& side);
    // Makes the coupons from the records.
    void BuildCoupons(ICouponJobSide& side);
    // A record with the default record's fields filled in, in the order of their codes.
    std::string MergeWithDefaultRecord(const std::string& record) const;
    // Sends the current coupon; false when none is left.
    bool PrintCurrentCoupon(ICouponJobSide& side);
    // Removes the current coupon; false when none was left.
    bool PopCurrentCoupon();

    // The printer's answer to the current coupon.
    void OnReply(const std::string& reply, ICouponJobSide& side);
    // The printer gave no answer to the current coupon within its time.
    void OnNoReply(ICouponJobSide& side);
    // The summary reply of the job.
    std::string GenerateDMessageForPrinting(ICouponJobSide& side);

    const std::vector<std::string>& Records() const noexcept { return m_astrRecords; }
    const std::string& HeaderRecord() const noexcept { return m_strHeaderRecord; }
    const std::string& DefaultRecord() const noexcept { return m_strDefaultRecord; }
    const std::vector<std::string>& Coupons() const noexcept { return m_astrCoupons; }
    const std::vector<std::string>& Answers() const noexcept { return m_astrPrinterAnswers; }
    const std::string& CouponTypes() const noexcept { return m_strCouponTypes; }
    const std::string& PectabCode() const noexcept { return m_strPectabCode; }
    int Attempts() const noexcept { return m_nRetryCount; }

    // Text helpers shared with the device's reply handling.
    // Whether the first "OK" (or "ERR") of a reply stands after its first character.
    static bool IsGood(std::string_view reply);
    static bool IsError(std::string_view reply);
    // The character 3 places after the first "ERR", or 0 when there is none.
    static char ErrorCode(std::string_view reply);
    // The character at an index, or 0 beyond the end.
    static char At(std::string_view text, std::size_t index);

private:
    void CloseRecord(std::string& record);
    void Finish(char cStatus, ICouponJobSide& side, bool bHoldAck = true);
    // The text after "SR" (and one more character) up to the next "SC"; nothing without "SR"
    // after the first character.
    static std::optional<std::string> SrText(std::string_view answer);

    std::vector<std::string> m_astrRecords;
    std::string m_strHeaderRecord;
    std::string m_strDefaultRecord;
    std::vector<std::string> m_astrCoupons;
    std::string m_strCouponTypes;
    std::vector<std::string> m_astrPrinterAnswers;
    std::string m_strJobStartSCN;
    std::string m_strPectabCode = "W*TTS";
    int m_nRetryCount = 0;
};

}  // namespace devices

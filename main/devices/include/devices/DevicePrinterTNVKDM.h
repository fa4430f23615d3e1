// The ticket printer on pre-numbered stock reached through the printer session
// ("Printer (TNV/KDM)"). It prints as the document printer does, but before the first
// segment of a message it checks that the right stock is loaded and that the ticket in the
// printer carries the number the host expects; the host sends that number, and how many
// tickets the run prints, in a 20-byte header in front of the first message of a run. A
// failed check ejects the form and asks the operator to load tickets (OK tries again,
// Cancel abandons the message); a bad header fails the message without asking.
//
// Threads and locks: as the document printer's. The operator is asked on the send thread,
// while it holds the printer session token.
#pragma once

#include <cstdint>
#include <string>

#include "devices/DevicePrinterKDM.h"

namespace devices {

// The 20-byte header in front of the first message of a ticket run: the ten-digit number of
// the next ticket, a blank, the two-digit count of tickets, a blank, and six bytes kept.
struct CTNVHeader {
    std::string strTicketNumber;
    char cSeparator1 = 0;
    std::string strTicketCount;
    char cSeparator2 = 0;
    std::string strTail;
    bool bWhole = false;  // the text held all 20 bytes

    // Cuts the header off the front of text (what there is of it).
    static CTNVHeader Cut(std::string& text);
    bool IsValid() const;
};

class CDevicePrinterTNVKDM final : public CDevicePrinterKDM {
public:
    static constexpr std::size_t kHeaderLength = 20;
    static constexpr int kStockReadsBeforeAsking = 15;

    explicit CDevicePrinterTNVKDM(const std::string& strDeviceKey);
    ~CDevicePrinterTNVKDM() override;

    // Cuts the header off the text (false when the text is too short to hold one).
    bool MsgToTNVHeader(std::string& text);
    bool ValidateTNVHeader();
    // Whether the bar code read carries the expected number; counts the run on.
    bool TicketNV();

    const std::string& TicketNumber() const { return m_strTicketNumber; }
    int TicketsLeft() const { return m_iTicketsLeft; }
    bool RunComplete() const { return m_bRunComplete; }

    // Adds one to a ten-digit decimal number, carrying to the left.
    static void NextTicketNumber(std::string& number);

private:
    bool CheckBeforePrint(std::string& work) override;
    bool WritesBlankContinuousFeeds() const override { return false; }
    // Ejects and asks; true when the operator chose to try again.
    bool EjectAndAsk(const std::string& text);
    bool Abort();

    std::string m_strTicketNumber;  // header bytes 0-9
    char m_cSeparator1 = 0;
    std::string m_strTicketCount;  // header bytes 11-12
    char m_cSeparator2 = 0;
    std::string m_strHeaderTail;  // header bytes 14-19
    int m_iTicketsLeft = 0;
    bool m_bHeaderValid = false;
    bool m_bRunComplete = false;
    bool m_bHeaderComplete = false;  // the text held a whole header
    std::string m_strBarCode;
};

}  // namespace devices

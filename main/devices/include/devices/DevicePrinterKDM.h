// The document printer reached through the printer session of the device manager
// ("Printer (KDM)"). It prints host text on a named form, one session per message: the
// session is opened (and the process's printer session token taken) for a message's first
// buffer, and the form ejected and the session ended after its last. The blank lines the
// host puts at the end of a segment are printed in front of the next one, and the last
// segment ends on its last printed character.
//
// Threads: OnHostReceive on the user-interface thread; the send thread.
// Lock order: the device lock, then the session token; the device's own locks
// (core/Device.h) and the host link's come after them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/CommKDM.h"
#include "core/Device.h"

namespace devices {

class CDevicePrinterKDM : public core::CDevice {
public:
    static constexpr std::size_t kWorkArea = 1000;
    static constexpr std::size_t kWhiteSpaceArea = 100;
    static constexpr int kWriteTries = 12;

    explicit CDevicePrinterKDM(const std::string& strDeviceKey);
    ~CDevicePrinterKDM() override;

    [[nodiscard]] bool SendToDevice() override;
    void OnHostReceive() override;

    // Ends this device's session, if it has one, and gives the token back.
    bool CloseSession();

protected:
    struct NoThreads {};
    CDevicePrinterKDM(const std::string& strDeviceKey, const char* pszClass, NoThreads);
    void StartThreads();

    // Checks before the first segment of a message is printed; false aborts the print (the
    // head buffer already removed, the session ended).
    virtual bool CheckBeforePrint(std::string& work);
    virtual bool WritesBlankContinuousFeeds() const { return true; }
    // Gives up the session after a failure: ends it, closes it, gives the token back.
    void AbandonSession();

    const char* m_pszClass;
    std::unique_ptr<core::CCommKDM> m_pComm;
    std::string m_strForm;
    std::uint32_t m_dwFFPresent = 0;
    std::uint32_t m_dwFormType = 0;
    std::string m_strFormType;  // "%02d    "
    std::string m_strDeviceAlias;
    std::uint32_t m_dwInsertLineFeed = 0;

private:
    void ReadSettings(const std::string& strDeviceKey, bool bReadFFPresent);
    bool OpenSession();
    void SendThread();
    std::string Label(const std::string& method) const;
    // Takes the host message and queues what goes to the printer.
    core::eDeviceAction ReceiveFromHostKDM();
    // The white-space steps.
    void StripTopLF(std::string& text);
    void CollectWS(std::string& text);
    void StripBottomLF(std::string& text);
    void RestoreWS(std::string& text);

    std::mutex m_csDevice;
    bool m_bSessionOpen = false;  // under m_csDevice
    std::string m_strCurrWhiteSpace;
    std::string m_strTopWhiteSpace;
    std::string m_strPrevWhiteSpace;
};

}  // namespace devices

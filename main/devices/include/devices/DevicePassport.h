// The device of type "Passport Reader": a swipe reader of machine-readable passports and
// identity cards on a serial port. It has no host link: its one thread reads what the reader
// sends, takes 200 ms of quiet as the end of a document, turns the zone into the short
// slash-separated text (devices/PassportZone.h) and hands it on, into a file and, character
// by character, to the window that subscribed to it.
//
// Threads: the read thread alone touches the line and the buffers after construction; the
// destructor cancels the line and joins the thread. The target window is process-wide and
// set from the user-interface thread (SetPassportWindow).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "core/Device.h"
#include "platform/PortBackend.h"

namespace devices {

// The window that receives a document's characters, one WM_CHAR each.
class IPassportWindow {
public:
    virtual ~IPassportWindow() = default;
    // False when the window is gone (it is then forgotten).
    [[nodiscard]] virtual bool SendChar(std::uint8_t ch) = 0;
};

// Sets (or, with null, clears) the process's target window.
void SetPassportWindow(std::shared_ptr<IPassportWindow> pWindow);
std::shared_ptr<IPassportWindow> GetPassportWindow();

class CDevicePassport final : public core::CDevice {
public:
    static constexpr std::size_t kDocumentLimit = 250;
    static constexpr platform::DWORD kQuietMs = 200;
    static constexpr platform::DWORD kReadBlock = 249;

    explicit CDevicePassport(const std::string& strDeviceKey);
    ~CDevicePassport() override;

    [[nodiscard]] bool SendToDevice() override { return true; }
    void OnHostReceive() override {}

    bool IsConnected() const noexcept { return m_pLine != nullptr; }
    // Documents read so far, handed on or not.
    int DocumentsRead() const noexcept { return m_nDocuments; }

    // Parses one document and hands its text on (read thread; tests).
    void HandleDocument(const std::string& buffer);

private:
    bool OpenPort();
    void ClosePort();
    void ReadThread();
    void HandOver(const std::string& text);

    std::string m_strPort;
    std::string m_strFileName;
    bool m_bRawMode = false;
    std::unique_ptr<platform::SerialLine> m_pLine;
    std::atomic<int> m_nDocuments{0};
};

}  // namespace devices

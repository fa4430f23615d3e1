// The program's one document: the list of its devices. Constructing it writes the store's
// defaults that the whole system relies on, reads one device key per device ("Device 01" up
// to the maximum selectable, "001Device 01" and on for instance 001), converts legacy
// device-type names and creates one device per enabled key through the type table. Each
// host-control event goes to the device of its slot; closing shuts every device down.
//
// Threads: user-interface thread only (the devices run their own threads).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "shell/AppState.h"
#include "shell/DeviceList.h"

namespace shell {

class CVekaDoc final : public IDeviceList {
public:
    static constexpr const char* kRoot = "Software\\The TREVO Group\\Common TREVO API";
    static constexpr const char* kKeyRoot =
        "Software\\The TREVO Group\\Common TREVO API\\Applications\\TREVO VEKA";
    static constexpr std::uint32_t kDefaultMaxDevices = 16;

    // Runs Initialize; an exception is logged and the document keeps the devices made so far.
    CVekaDoc(AppState& app, DeviceConstructor construct);
    // Shuts down the devices still in the list.
    ~CVekaDoc() override;
    CVekaDoc(const CVekaDoc&) = delete;
    CVekaDoc& operator=(const CVekaDoc&) = delete;

    // FALSE when "Software" cannot be opened in the store (the user is told).
    bool InitializeRegistry();
    void InitializeDevices();

    // The host control's events for the device of a slot; a slot without a device (never
    // had one, or shut down) is ignored.
    void OnReceive(std::size_t slot);
    void OnResource(std::size_t slot, bool b);
    void OnConnect(std::size_t slot, bool b);
    void OnDisconnect(std::size_t slot, bool b);
    void OnSend(std::size_t slot, bool b);
    void OnSystemAvailable(std::size_t slot, bool b);
    void OnLock(std::size_t slot, bool b);
    void OnUnLock(std::size_t slot, bool b);

    // Shuts every device down, unless the program runs as a service and no stop was asked
    // for: then nothing happens and the result is false (the window stays open).
    bool OnCloseDocument();

    [[nodiscard]] std::size_t DeviceCount() const override { return m_devices.size(); }
    [[nodiscard]] core::CDevice* Device(std::size_t slot) const override;
    void ShutDownDevices() override;

    [[nodiscard]] std::uint32_t DevicesSelected() const noexcept { return m_dwDevicesSelected; }
    [[nodiscard]] std::uint32_t MaxDevicesSelectable() const noexcept {
        return m_dwMaxDevicesSelectable;
    }
    [[nodiscard]] std::uint32_t DevicesEnabled() const noexcept { return m_dwDevicesEnabled; }

    // The key name of device n (1-based): "Device 01", or "<id>Device 01".
    static std::string DeviceKeyName(const std::string& instanceId, std::uint32_t n);

private:
    void Initialize();
    void InitializeDevice(const std::string& typeName, const std::string& key);
    // Logs the event under "CVekaDoc::<method>():" and gives the slot's device, or null.
    core::CDevice* EventDevice(const char* label, std::size_t slot) const;

    AppState& m_app;
    DeviceConstructor m_construct;
    std::vector<std::unique_ptr<core::CDevice>> m_devices;
    std::uint32_t m_dwDevicesSelected = 0;
    std::uint32_t m_dwMaxDevicesSelectable = kDefaultMaxDevices;
    std::uint32_t m_dwDevicesEnabled = 0;
    bool m_bPassportReaderCreated = false;
};

}  // namespace shell

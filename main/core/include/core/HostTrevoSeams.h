// What the host link needs from outside itself, kept small so tests can stand in for it:
// the host control (through which messages go to the host) and the configuration store.
#pragma once

#include <cstdint>
#include <string>

namespace core {

// The host control as the host link drives it.
class IHostControl {
public:
    virtual ~IHostControl() = default;
    // Sends one message (bytes as they go on the wire) to the host.
    virtual bool SendString(const std::string& data) = 0;
};

// Values the host link reads and writes below HKEY_LOCAL_MACHINE. Each call opens the key
// (creating it for writes), reads or writes one value and closes it again.
class IHostRegistry {
public:
    virtual ~IHostRegistry() = default;
    [[nodiscard]] virtual bool QueryDWORD(const std::string& key, const std::string& name,
                                          std::uint32_t& value) = 0;
    [[nodiscard]] virtual bool SetDWORD(const std::string& key, const std::string& name,
                                        std::uint32_t value) = 0;
    [[nodiscard]] virtual bool SetString(const std::string& key, const std::string& name,
                                         const std::string& value) = 0;
};

}  // namespace core

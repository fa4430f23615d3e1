// What the host link needs from outside itself, kept small so tests can stand in for it:
// the host control (through which the link connects and messages come and go) and the
// configuration store.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Wait.h"

namespace core {

// The host control as the host link drives it. Each call is one call of the control; a
// control that lacks one refuses it (FALSE, or nothing received).
class IHostControl {
public:
    virtual ~IHostControl() = default;
    // Sends one message (bytes as they go on the wire) to the host.
    virtual bool SendString(const std::string& data) = 0;
    virtual bool ConnectToHost(const std::string& /*appName*/, const std::string& /*session*/,
                               bool /*bShared*/) {
        return false;
    }
    virtual bool Lock() { return false; }
    virtual bool DisconnectFromHost() { return false; }
    virtual bool TranslateMessages(bool /*bTranslate*/) { return false; }
    // The next message received; empty when there is none.
    virtual std::string ReceiveString() { return {}; }
    // The next message as an array of bytes: true with every byte of it, false when the
    // control gave no array.
    virtual bool ReceiveBString(std::string& /*bytes*/) { return false; }
    virtual std::string GetResource() { return {}; }
    virtual std::int16_t GetLastError() { return 0; }
    virtual std::string GetLastErrorMessage() { return {}; }

    // Runs work on the thread that owns the control and returns once it ran. A caller on
    // another thread waits for that thread; when pCancel is signalled first, work that has
    // not begun is dropped and the result is false.
    virtual bool RunOnControlThread(const std::function<void()>& work,
                                    platform::Waitable* /*pCancel*/) {
        work();
        return true;
    }
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
    // A string value; false (value untouched) when the key or the value is missing.
    [[nodiscard]] virtual bool QueryString(const std::string& /*key*/, const std::string& /*name*/,
                                           std::string& /*value*/) {
        return false;
    }
    // Whether the key can be opened.
    [[nodiscard]] virtual bool KeyExists(const std::string& /*key*/) { return false; }
};

}  // namespace core

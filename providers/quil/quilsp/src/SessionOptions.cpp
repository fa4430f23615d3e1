// The session options, the same in both QUIL providers: this source is built into each
// provider with its own session (ModuleSession.h).
#include <strings.h>
#include <cstring>

#include "Errors.h"
#include "ModuleSession.h"

namespace quilsp {

namespace {

bool IsTrue(const char* value) {
    return value != nullptr && strcasecmp(value, "TRUE") == 0;
}

const char* TrueFalse(bool on) {
    return on ? "TRUE" : "FALSE";
}

const char* DeviceName(int type) {
    switch (type) {
        case kDeviceTerminal:
            return "TERMINAL";
        case kDevicePrinter:
            return "PRINTER";
        case kDeviceAsyncMini:
            return "ASYNCMINI";
        default:
            return "DEGAS";
    }
}

}  // namespace

int CSession::SetOption(int option, const char* value) {
    if (value == nullptr) return kErrInvalidOption;
    switch (option) {
        case 1:
            m_option1 = IsTrue(value);
            return 0;
        case 2:
            m_translate = IsTrue(value);
            return 0;
        default:
            return kErrInvalidOption;
    }
}

int CSession::SetServiceProviderOption(int option, const char* value) {
    if (value == nullptr) return kErrInvalidOption;
    switch (option) {
        case 1:
        case 2:
            return SetOption(option, value);
        case 3:
            m_deviceType = strcasecmp(value, "TERMINAL") == 0    ? kDeviceTerminal
                           : strcasecmp(value, "PRINTER") == 0   ? kDevicePrinter
                           : strcasecmp(value, "ASYNCMINI") == 0 ? kDeviceAsyncMini
                                                                 : kDeviceOther;
            return 0;
        case 4:
            m_noTranslation = IsTrue(value);
            m_translate = !m_noTranslation;
            m_option1 = !m_noTranslation;
            return 0;
        case 5: {
            const auto count = static_cast<std::size_t>(static_cast<std::uint8_t>(value[0]));
            if (m_optionBytes + count > m_options.size()) return kErrInvalidOption;
            std::memcpy(m_options.data() + m_optionBytes, value + 1, count);
            m_optionBytes += count;
            return 0;
        }
        case 6: {
            quil::SessionIdentity identity{};
            std::memcpy(identity.data(), value, identity.size());
            m_header.SetIdentity(identity);
            m_header.SetKind(quil::kSessionMaintain);
            return 0;
        }
        default:
            return kErrInvalidOption;
    }
}

int CSession::GetOption(int option, std::string& value) const {
    switch (option) {
        case 1:
            value = TrueFalse(m_option1);
            return 0;
        case 2:
            value = TrueFalse(m_translate);
            return 0;
        case 3:
            value = DeviceName(m_deviceType);
            return 0;
        case 8:
            value = m_key.Key();
            return 0;
        default:
            return kErrInvalidOption;
    }
}

int CSession::GetServiceProviderOption(int option, std::string& value) const {
    switch (option) {
        case 1:
        case 2:
        case 3:
            return GetOption(option, value);
        case 4:
            value = TrueFalse(m_noTranslation);
            return 0;
        case 5:
            value.assign(1, static_cast<char>(m_optionBytes));
            value.append(reinterpret_cast<const char*>(m_options.data()), m_optionBytes);
            return 0;
        case 6: {
            const quil::SessionIdentity identity = m_header.Identity();
            value.assign(reinterpret_cast<const char*>(identity.data()), identity.size());
            return 0;
        }
        default:
            return kErrInvalidOption;
    }
}

}  // namespace quilsp

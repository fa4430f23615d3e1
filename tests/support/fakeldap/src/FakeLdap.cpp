#include "support/FakeLdap.h"

namespace support {

FakeLdap::FakeLdap(const char* file) : m_path(std::filesystem::path(TREVO_FAKE_LDAP_DIR) / file) {
    using ControlFn = IFakeLdapControl*();
    ControlFn* control = nullptr;
    const platform::SymbolBinding binding[] = {platform::BindSymbol("FakeLdapControl", control)};
    if (m_module.Open(m_path) && m_module.Bind(binding)) {
        m_control = control();
        m_control->Reset();
    }
}

}  // namespace support

// The host link's values in the configuration store, reached through the program's registry
// facade: each call uses a facade object of its own, so the user-interface thread and the
// device's threads never share a current key.
#pragma once

#include "core/HostTrevoSeams.h"

namespace core {

class CHostTrevoRegistry final : public IHostRegistry {
public:
    [[nodiscard]] bool QueryDWORD(const std::string& key, const std::string& name,
                                  std::uint32_t& value) override;
    [[nodiscard]] bool SetDWORD(const std::string& key, const std::string& name,
                                std::uint32_t value) override;
    [[nodiscard]] bool SetString(const std::string& key, const std::string& name,
                                 const std::string& value) override;
    [[nodiscard]] bool QueryString(const std::string& key, const std::string& name,
                                   std::string& value) override;
    [[nodiscard]] bool KeyExists(const std::string& key) override;
};

}  // namespace core

// The key of a pooled session: the six-character LNIATA followed by the host.
#pragma once

#include <string>
#include <string_view>

namespace quilsp {

inline constexpr std::size_t kLniataLength = 6;

class CPoolKey {
public:
    CPoolKey() = default;
    CPoolKey(std::string_view lniata, std::string_view host)
        : m_key(std::string(lniata) + std::string(host)) {}
    explicit CPoolKey(std::string whole) : m_key(std::move(whole)) {}
    virtual ~CPoolKey() = default;
    CPoolKey(const CPoolKey&) = default;
    CPoolKey& operator=(const CPoolKey&) = default;

    const std::string& Key() const noexcept { return m_key; }
    // The host part: the key from offset 6 on.
    std::string Host() const {
        return m_key.size() > kLniataLength ? m_key.substr(kLniataLength) : "";
    }
    std::string Lniata() const { return m_key.substr(0, kLniataLength); }

private:
    std::string m_key;
};

}  // namespace quilsp

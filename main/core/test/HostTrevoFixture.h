// A host link with its connection side and its surroundings replaced by recorders: the
// connection hooks it calls, the bytes it sends to the host and the values it keeps in the
// configuration store.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/HostTrevo.h"
#include "support/Hex.h"
#include "support/TempRoot.h"

namespace hosttest {

class MemoryRegistry : public core::IHostRegistry {
public:
    using Value = std::variant<std::uint32_t, std::string>;

    bool QueryDWORD(const std::string& key, const std::string& name,
                    std::uint32_t& value) override {
        const auto it = values.find({key, name});
        if (it == values.end() || !std::holds_alternative<std::uint32_t>(it->second)) return false;
        value = std::get<std::uint32_t>(it->second);
        return true;
    }
    bool SetDWORD(const std::string& key, const std::string& name, std::uint32_t value) override {
        values[{key, name}] = value;
        return true;
    }
    bool SetString(const std::string& key, const std::string& name,
                   const std::string& value) override {
        values[{key, name}] = value;
        return true;
    }
    std::optional<Value> Get(const std::string& key, const std::string& name) const {
        const auto it = values.find({key, name});
        if (it == values.end()) return std::nullopt;
        return it->second;
    }

    std::map<std::pair<std::string, std::string>, Value> values;
};

class CapturingControl : public core::IHostControl {
public:
    bool SendString(const std::string& data) override {
        sent.push_back(data);
        return true;
    }
    std::vector<std::string> sent;
};

struct Options {
    bool bCRtoCRLF = false;
    bool bPassThrough = false;
    std::string strEndOfOutput;
    bool bSpecialActions = false;
    bool bDeliverCT = false;
    bool bControlFrames = false;
    bool bPlatformTitle = false;
};

class TestHostTrevo : public core::CHostTrevo {
public:
    explicit TestHostTrevo(const Options& o)
        : CHostTrevo("Device 01", "HOST", o.bCRtoCRLF, o.bPassThrough, o.strEndOfOutput,
                     o.bSpecialActions, o.bDeliverCT) {
        m_judge.m_settings.m_bControlFrames = o.bControlFrames;
        m_judge.m_settings.m_bPlatformTitle = o.bPlatformTitle;
        m_strLastGoodHost = "GOODHOST";
        m_strCurrentHost = "OTHERHOST";
    }

    void OnConnect(long lFlag) override { calls.push_back("OnConnect " + std::to_string(lFlag)); }
    void HostStartReconnect() override {
        platform::CriticalSection::Guard lock(m_csState);
        calls.push_back("HostStartReconnect to " + m_strCurrentHost);
    }
    void IssueChangeChange() override { calls.push_back("IssueChangeChange"); }
    void AddHostsFromControlFrame(const std::string& frame) override {
        calls.push_back(
            "AddHostsFromControlFrame " +
            support::ToHex({reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()}));
    }

    std::vector<std::string> calls;
};

inline std::string Msg(const char* hex) {
    const auto bytes = support::FromHex(hex);
    return {bytes.begin(), bytes.end()};
}

inline std::string Hex(const std::string& s) {
    return support::ToHex({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
}

// One host link as a device drives it: each host message is judged and answered, and the
// answer goes to the host through the control.
class HostLinkTest : public ::testing::Test {
protected:
    void Make(const Options& o) {
        host.emplace(o);
        host->SetHostControl(&control);
        host->SetRegistry(&registry);
        host->SetConnectionState(core::CONNECTION_CONNECTED);
    }

    // What the device does with a message from the host; returns the verdict and leaves
    // the delivered text in `delivered` and the acknowledgement sent in `wire` (hex).
    int Receive(const char* hex, char cDeviceStatusAfterWrite = '0') {
        host->SetHostState(core::HOST_AVAIL);
        host->SetDeviceStatus('0');
        delivered = Msg(hex);
        const int verdict = host->MsgFromHost(delivered);
        std::string ack;
        switch (verdict) {
            case core::SEND_BUFFER_TO_DEVICE_AND_ACK_HOST:
                host->SetDeviceStatus(cDeviceStatusAfterWrite);
                ack = host->MsgAckToHostCreate();
                break;
            case core::ACK_HOST_ONLY:
                ack = host->MsgAckToHostCreate();
                break;
            case core::REPEAT_ACK_TO_HOST:
                ack = host->MsgOutOfSequenceToHostCreate();
                break;
            default:
                break;
        }
        control.sent.clear();
        wire.clear();
        if (!ack.empty()) {
            EXPECT_TRUE(host->MsgSendToHost(ack, true));
            if (!control.sent.empty()) wire = Hex(control.sent.back());
        }
        return verdict;
    }

    std::string TempHold() const {
        const std::string key = std::string(core::CHostTrevo::kApplicationKey) + "\\Device 01";
        const auto hold = registry.Get(key, "Temp Hold");
        const auto ltsn = registry.Get(key, "Temp Hold Ltsn");
        if (!hold || !ltsn) return "none";
        std::string out = "hold=" + std::to_string(std::get<std::uint32_t>(*hold)) + " ltsn=";
        if (std::holds_alternative<std::string>(*ltsn)) {
            out += "'" + std::get<std::string>(*ltsn) + "'";
        } else {
            char text[16];
            std::snprintf(text, sizeof text, "0x%02X", std::get<std::uint32_t>(*ltsn));
            out += text;
        }
        return out;
    }

    support::TempRoot root;
    MemoryRegistry registry;
    CapturingControl control;
    std::optional<TestHostTrevo> host;
    std::string delivered;
    std::string wire;
};

}  // namespace hosttest

// A creator of the connection layer that writes down what it is told: each callback as a
// line ("connect 0", "resource 1A2B01 1", ...) and each message it receives, in hex. For
// tests that link the connection library (trevo_brxconn).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "brxconn/BRXConn.h"
#include "support/Hex.h"

namespace support {

class RecordingCreator final : public BRXConn {
public:
    std::vector<std::string> events;
    std::vector<std::string> received;  // hex

    bool Has(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }
    bool HasPrefix(const std::string& prefix) const {
        return std::any_of(events.begin(), events.end(),
                           [&](const std::string& e) { return e.starts_with(prefix); });
    }

protected:
    void OnReceive(BRXError e) override {
        events.push_back("receive " + std::to_string(e));
        std::string data;
        if (Receive(data) == 0)
            received.push_back(ToHex(std::vector<std::uint8_t>(data.begin(), data.end())));
    }
    void OnSend(BRXError e) override { events.push_back("send " + std::to_string(e)); }
    void OnConnect(BRXError e) override { events.push_back("connect " + std::to_string(e)); }
    void OnDisconnect(BRXError e) override { events.push_back("disconnect " + std::to_string(e)); }
    void OnResource(std::string r, int n) override {
        events.push_back("resource " + r + " " + std::to_string(n));
    }
};

}  // namespace support

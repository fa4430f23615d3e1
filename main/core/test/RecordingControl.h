// A host control that records every call the host link makes, answers as the test sets it,
// and hands out the messages the test queues.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "core/HostTrevoSeams.h"
#include "support/Hex.h"

namespace hosttest {

class RecordingControl : public core::IHostControl {
public:
    bool SendString(const std::string& data) override {
        std::lock_guard lock(m_cs);
        calls.push_back(
            "SendString " +
            support::ToHex({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}));
        if (sendResult) sent.push_back(data);
        return sendResult;
    }
    bool ConnectToHost(const std::string& app, const std::string& session, bool shared) override {
        Record("ConnectToHost " + app + "," + session + "," + (shared ? "1" : "0"));
        return connectResult;
    }
    bool Lock() override {
        Record("Lock");
        return lockResult;
    }
    bool DisconnectFromHost() override {
        Record("DisconnectFromHost");
        return disconnectResult;
    }
    bool TranslateMessages(bool bTranslate) override {
        Record(bTranslate ? "TranslateMessages 1" : "TranslateMessages 0");
        return true;
    }
    std::string ReceiveString() override {
        std::lock_guard lock(m_cs);
        if (received.empty()) return {};
        std::string text = received.front();
        received.pop_front();
        return text;
    }
    bool ReceiveBString(std::string& bytes) override {
        std::lock_guard lock(m_cs);
        if (!byteArrays) return false;
        bytes.clear();
        if (!received.empty()) {
            bytes = received.front();
            received.pop_front();
        }
        return true;
    }
    std::string GetResource() override { return resource; }
    std::int16_t GetLastError() override { return code; }
    std::string GetLastErrorMessage() override { return message; }

    // The calls other than receiving and error reading, in order.
    std::vector<std::string> Calls() {
        std::lock_guard lock(m_cs);
        return calls;
    }
    std::vector<std::string> Sent() {
        std::lock_guard lock(m_cs);
        return sent;
    }
    void Clear() {
        std::lock_guard lock(m_cs);
        calls.clear();
        sent.clear();
    }
    // Back to a fresh control.
    void Reset() {
        std::lock_guard lock(m_cs);
        calls.clear();
        sent.clear();
        received.clear();
        connectResult = lockResult = disconnectResult = sendResult = byteArrays = true;
        code = 0;
        message.clear();
        resource.clear();
    }
    void Queue(const std::string& text) {
        std::lock_guard lock(m_cs);
        received.push_back(text);
    }

    bool connectResult = true;
    bool lockResult = true;
    bool disconnectResult = true;
    bool sendResult = true;
    bool byteArrays = true;
    std::int16_t code = 0;
    std::string message;
    std::string resource;

private:
    void Record(const std::string& call) {
        std::lock_guard lock(m_cs);
        calls.push_back(call);
    }

    std::mutex m_cs;
    std::vector<std::string> calls;
    std::vector<std::string> sent;
    std::deque<std::string> received;
};

}  // namespace hosttest

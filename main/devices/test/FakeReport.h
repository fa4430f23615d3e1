// A device's side of the output classes, as a test sees it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "devices/DeviceReport.h"

class FakeReport : public devices::IDeviceReport {
public:
    std::string ReportKey() const override { return "Device 01"; }
    void ReportLastError(const std::string& text) override {
        std::lock_guard lock(m_cs);
        m_strLastError = text;
    }
    void ReportLastErrorId(std::uint32_t nStringId) override {
        std::lock_guard lock(m_cs);
        m_strLastError = "#" + std::to_string(nStringId);
    }
    void ReportAvailable() override { ++m_nAvailable; }
    bool ReportIsBusy() const override { return m_bBusy; }
    void ReportSent(std::size_t bytes) override {
        ++m_nMessagesSent;
        m_nBytesSent += bytes;
    }
    void ReportTime() override { ++m_nTimes; }

    std::string LastError() const {
        std::lock_guard lock(m_cs);
        return m_strLastError;
    }

    std::atomic<int> m_nAvailable{0};
    std::atomic<bool> m_bBusy{false};
    std::atomic<int> m_nMessagesSent{0};
    std::atomic<std::size_t> m_nBytesSent{0};
    std::atomic<int> m_nTimes{0};

private:
    mutable std::mutex m_cs;
    std::string m_strLastError;
};

#include "platform/PortBackend.h"

#include <atomic>

#include "platform/ParallelPort.h"
#include "platform/PortMap.h"
#include "platform/SerialPort.h"

namespace platform {

namespace {

class SystemBackend final : public PortBackend {
public:
    std::unique_ptr<SerialLine> OpenSerial(const std::string& name) override {
        const std::string path = PortDevicePath(name);
        if (path.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        return OpenSerialDevice(path);
    }

    std::unique_ptr<ParallelLine> OpenParallel(const std::string& name) override {
        const std::string path = PortDevicePath(name);
        if (path.empty()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        return OpenParallelDevice(path);
    }

    std::vector<std::string> EnumPorts() override { return EnumerateMachinePorts(); }

    bool GetDefaultCommConfig(const std::string& name, Dcb& dcb) override {
        if (GetPortDefaults(name, dcb)) return true;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }

    bool SetDefaultCommConfig(const std::string& name, const Dcb& dcb) override {
        if (SetPortDefaults(name, dcb)) return true;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
};

std::atomic<PortBackend*> g_installed{nullptr};

}  // namespace

PortBackend& SystemPortBackend() {
    static SystemBackend backend;
    return backend;
}

PortBackend& CurrentPortBackend() {
    PortBackend* installed = g_installed.load(std::memory_order_acquire);
    return installed ? *installed : SystemPortBackend();
}

void SetPortBackend(PortBackend* backend) {
    g_installed.store(backend, std::memory_order_release);
}

}  // namespace platform

// The exported calls over the process's one client. Nothing is thrown across them.
#include "KdClient.h"
#include "platform/Export.h"

namespace {

kdapi::KdClient& Client() {
    static kdapi::KdClient client;
    return client;
}

template <typename Result, typename Call>
Result Guarded(Result failed, Call call) {
    try {
        return call(Client());
    } catch (...) {
        platform::SetLastError(platform::ERROR_NOT_ENOUGH_MEMORY | KD_CUSTOMER_BIT);
        return failed;
    }
}

}  // namespace

extern "C" {

TREVO_EXPORT KDNOTIFYHOOK KDSetNotifyHook(KDNOTIFYHOOK hook) {
    return Client().SetNotifyHook(hook);
}

TREVO_EXPORT uint32_t KDGetLastError(void) {
    return platform::GetLastError();
}

TREVO_EXPORT bool KDInitialize(void) {
    return Guarded(false, [](kdapi::KdClient& c) { return c.Initialize(); });
}

TREVO_EXPORT void KDExit(void) {
    Guarded(0, [](kdapi::KdClient& c) { return c.Exit(), 0; });
}

TREVO_EXPORT uint32_t KDOpenT(const char* deviceName, uint32_t timeoutMs) {
    return Guarded(0u, [&](kdapi::KdClient& c) { return c.Open(deviceName, timeoutMs); });
}

TREVO_EXPORT uint32_t KDOpen(const char* deviceName) {
    return KDOpenT(deviceName, kdapi::kDefaultTimeoutMs);
}

TREVO_EXPORT bool KDCloseT(uint32_t handle, uint32_t timeoutMs) {
    return Guarded(false, [&](kdapi::KdClient& c) { return c.Close(handle, timeoutMs); });
}

TREVO_EXPORT bool KDClose(uint32_t handle) {
    return KDCloseT(handle, kdapi::kDefaultTimeoutMs);
}

TREVO_EXPORT void KDSubmit(KDJOB* job) {
    Guarded(0, [&](kdapi::KdClient& c) { return c.Submit(job), 0; });
}

TREVO_EXPORT bool KDCancelSubmit(uint32_t handle, KDJOB* job) {
    return Guarded(false, [&](kdapi::KdClient& c) { return c.CancelSubmit(handle, job); });
}

TREVO_EXPORT bool KDEnumDevices(uint32_t flags, void* buffer, uint32_t capacity, uint32_t* length,
                                uint32_t* count) {
    return Guarded(false, [&](kdapi::KdClient& c) {
        return c.EnumDevices(flags, buffer, capacity, length, count);
    });
}

TREVO_EXPORT bool KDGetRegistryPath(void* buffer, uint32_t capacity, uint32_t* length,
                                    uint32_t* count) {
    return Guarded(false, [&](kdapi::KdClient& c) {
        return c.GetRegistryPath(buffer, capacity, length, count);
    });
}

TREVO_EXPORT bool KDAddDevice(const char* deviceName, const char* text) {
    return Guarded(false, [&](kdapi::KdClient& c) { return c.AddDevice(deviceName, text); });
}

TREVO_EXPORT bool KDDeleteDevice(const char* deviceName) {
    return Guarded(false, [&](kdapi::KdClient& c) {
        return c.NameRequest(kdapi::kDeleteDevice, 1, deviceName);
    });
}

TREVO_EXPORT bool KDStatus(const char* deviceName) {
    return Guarded(
        false, [&](kdapi::KdClient& c) { return c.NameRequest(kdapi::kStatus, 1, deviceName); });
}

TREVO_EXPORT bool KDProperties(const char* deviceName) {
    return Guarded(false, [&](kdapi::KdClient& c) {
        return c.NameRequest(kdapi::kProperties, 1, deviceName);
    });
}

TREVO_EXPORT bool KDShowKDManWindow(void) {
    return Guarded(false, [](kdapi::KdClient& c) { return c.PlainRequest(kdapi::kShowWindow); });
}

TREVO_EXPORT bool KDHideKDManWindow(void) {
    return Guarded(false, [](kdapi::KdClient& c) { return c.PlainRequest(kdapi::kHideWindow); });
}

TREVO_EXPORT bool KDShareDevice(const char* deviceName, int share) {
    return Guarded(false, [&](kdapi::KdClient& c) {
        return c.NameRequest(kdapi::kShareDevice, share != 0 ? 1 : 0, deviceName);
    });
}

TREVO_EXPORT bool KDGetItem(char* first, uint32_t firstCapacity, char* second,
                            uint32_t secondCapacity, char* third, uint32_t thirdCapacity,
                            uint32_t* value, char* nameAndFourth, uint32_t fourthCapacity) {
    return Guarded(false, [&](kdapi::KdClient& c) {
        return c.GetItem(first, firstCapacity, second, secondCapacity, third, thirdCapacity, value,
                         nameAndFourth, fourthCapacity);
    });
}

}  // extern "C"

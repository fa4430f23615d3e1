// The device manager's client: the handle table, the jobs pending on each handle, and the
// requests to the manager, each one query and one reply through the transport.
//
// Lock order: the global lock (held by every call from its start check through sending and
// waiting, so requests of all threads run one at a time), then the table lock, then a
// handle's pending-job lock; the reply lock only ever takes the table lock. The reply handler
// runs on the transport's thread and never takes the global lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "devicemanagerclient/kdapi.h"
#include "kdcomm/SyncObject.h"
#include "kdm32nt/Transport.h"
#include "platform/Event.h"

namespace kdapi {

enum Code : std::uint32_t {
    kSuccess = 0,
    kTimedOut = 3,
    kAbandoned = 4,
    kWaitFailed = 5,
    kNoManagement = 6,
    kNotSent = 7,
    kNotOpen = 8,
    kNoTransport = 9,
    kNoEntry = 10,
    kBadReply = 11,
};

enum Request : std::int32_t {
    kOpen = -2,
    kClose = -3,
    kEnumerate = -4,
    kRegistryPath = -5,
    kAddDevice = -6,
    kDeleteDevice = -7,
    kGetItem = -8,
    kStatus = -9,
    kProperties = -10,
    kShowWindow = -11,
    kHideWindow = -12,
    kShareDevice = -14,
};

inline constexpr const char* kManagementName = "??MAK??";
inline constexpr std::uint32_t kManagementFlags = 0xFFFFFFFF;
inline constexpr std::uint32_t kDefaultTimeoutMs = 60000;
inline constexpr std::uint32_t kEnumerateFlags = 0x10000000 | 0x01000000;
inline constexpr const char* kViewUpdateName = "KDViewUpdateEvent";

// Payloads: 32-bit big-endian offsets, then the NUL-terminated texts.
std::vector<std::uint8_t> OneTextPayload(std::string_view text);
std::vector<std::uint8_t> TwoTextPayload(std::string_view first, std::string_view second);

class KdClient final : public kdm32nt::IReplySink {
public:
    KdClient();
    ~KdClient();
    KdClient(const KdClient&) = delete;
    KdClient& operator=(const KdClient&) = delete;

    KDNOTIFYHOOK SetNotifyHook(KDNOTIFYHOOK hook) { return m_notify.exchange(hook); }

    bool Initialize();
    void Exit();
    std::uint32_t Open(const char* name, std::uint32_t timeoutMs);
    bool Close(std::uint32_t handle, std::uint32_t timeoutMs);
    void Submit(KDJOB* job);
    bool CancelSubmit(std::uint32_t handle, KDJOB* job);
    bool EnumDevices(std::uint32_t flags, void* buffer, std::uint32_t capacity,
                     std::uint32_t* length, std::uint32_t* count);
    bool GetRegistryPath(void* buffer, std::uint32_t capacity, std::uint32_t* length,
                         std::uint32_t* count);
    bool AddDevice(const char* name, const char* text);
    // Delete, status, properties and share: one text and the status of the reply.
    bool NameRequest(Request request, std::uint32_t flags, const char* name);
    // Show and hide the manager's window.
    bool PlainRequest(Request request);
    bool GetItem(char* first, std::uint32_t firstCapacity, char* second,
                 std::uint32_t secondCapacity, char* third, std::uint32_t thirdCapacity,
                 std::uint32_t* value, char* nameAndFourth, std::uint32_t fourthCapacity);

    void OnReply(const kdm32nt::Reply& reply) override;

private:
    struct Entry {
        std::uint32_t state = 0;  // 0 free, 2 open
        std::uint32_t words[3] = {};
        std::string name;
        bool hasTransport = false;
        std::mutex pendingLock;
        std::unordered_set<KDJOB*> pending;  // under pendingLock
    };
    struct Outcome {
        std::uint32_t status = 0;
        std::uint32_t count = 0;
        std::vector<std::uint8_t> data;
    };
    // The one synchronous request that may be waiting (the global lock allows no second).
    struct Waiting {
        bool active = false;
        bool done = false;
        std::uint32_t handle = 0;
        std::int32_t request = 0;
        std::uint64_t sequence = 0;
        Outcome outcome;
    };

    [[nodiscard]] bool StartManager();
    // Sends one request on a handle and waits for its reply: kSuccess with the reply in out
    // (replied true), or why not.
    std::uint32_t Exchange(std::uint32_t handle, Request request, std::uint32_t flags,
                           std::vector<std::uint8_t> payload, std::uint32_t timeoutMs, Outcome& out,
                           bool& replied);
    std::uint32_t OpenWith(const char* name, std::uint32_t flags, std::uint32_t timeoutMs,
                           std::uint32_t& code);
    std::uint32_t CloseWith(std::uint32_t handle, std::uint32_t flags, std::uint32_t timeoutMs,
                            bool& replied);
    // A management request: the manager started, the management handle open, the request
    // sent and answered. The reply's status, or why there is none.
    std::uint32_t Manage(Request request, std::uint32_t flags, std::vector<std::uint8_t> payload,
                         Outcome& out);
    std::uint32_t Table(const Outcome& out, std::size_t values, void* buffer,
                        std::uint32_t capacity, std::uint32_t* length, std::uint32_t* count);
    std::uint32_t Reserve(const char* name);
    void Release(std::uint32_t handle);
    Entry* Find(std::uint32_t handle);  // table lock held; null for no such handle

    kdcomm::CriticalSection m_global;
    kdcomm::CriticalSection m_table;
    std::array<Entry, KD_MAX_HANDLES> m_entries;  // handle n is entry n - 1
    std::uint32_t m_highWater = 0;                // entries in use from the bottom
    std::uint32_t m_management = 0;               // under the global lock

    std::mutex m_replyLock;
    Waiting m_waiting;  // under m_replyLock
    platform::Event m_replied;
    std::atomic<std::uint64_t> m_nextSequence{1};
    std::atomic<KDNOTIFYHOOK> m_notify{nullptr};

    // Last: it goes first, so no reply comes while the rest is taken down.
    std::unique_ptr<kdm32nt::ITransport> m_transport;
};

}  // namespace kdapi

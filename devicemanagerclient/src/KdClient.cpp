#include "KdClient.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "ManagerStart.h"
#include "ReplyDecode.h"
#include "platform/MachineRoot.h"
#include "platform/Process.h"
#include "platform/Wait.h"

namespace kdapi {

namespace {

void PutBe32(std::vector<std::uint8_t>& out, std::size_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutText(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

bool Finish(std::uint32_t code) {
    platform::SetLastError(code | KD_CUSTOMER_BIT);
    return code == kSuccess;
}

std::string_view Text(const char* text) {
    return text != nullptr ? std::string_view(text) : std::string_view();
}

bool IsSynchronous(std::int32_t request) {
    return request <= kOpen && request >= kShareDevice && request != -13;
}

}  // namespace

std::vector<std::uint8_t> OneTextPayload(std::string_view text) {
    std::vector<std::uint8_t> payload;
    PutBe32(payload, 5);
    payload.push_back(0);
    PutText(payload, text);
    return payload;
}

std::vector<std::uint8_t> TwoTextPayload(std::string_view first, std::string_view second) {
    std::vector<std::uint8_t> payload;
    PutBe32(payload, 9);
    PutBe32(payload, first.size() + 10);
    payload.push_back(0);
    PutText(payload, first);
    PutText(payload, second);
    return payload;
}

KdClient::KdClient()
    : m_transport(std::make_unique<kdm32nt::TcpTransport>(*this, kdm32nt::ManagerAddress)) {}

KdClient::~KdClient() {
    m_transport.reset();
}

bool KdClient::StartManager() {
    if (EnsureManager()) return true;
    const char* text = "Unable to Locate and Start KDMan!";
    const char* caption = "KDAPI Error";
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if (const KDNOTIFYHOOK hook = m_notify.load()) hook(text, caption);
    return false;
}

KdClient::Entry* KdClient::Find(std::uint32_t handle) {
    if (handle == 0 || handle > KD_MAX_HANDLES) return nullptr;
    Entry& entry = m_entries[handle - 1];
    return entry.state == 0 ? nullptr : &entry;
}

std::uint32_t KdClient::Reserve(const char* name) {
    kdcomm::Guard table(m_table);
    std::uint32_t index = 0;
    while (index < m_highWater && m_entries[index].state != 0) ++index;
    if (index == KD_MAX_HANDLES) return 0;
    if (index == m_highWater) ++m_highWater;
    Entry& entry = m_entries[index];
    entry.state = 2;
    std::fill(std::begin(entry.words), std::end(entry.words), 0);
    entry.name = Text(name);
    entry.hasTransport = true;  // the process's one connection serves every handle
    return index + 1;
}

void KdClient::Release(std::uint32_t handle) {
    kdcomm::Guard table(m_table);
    Entry* entry = Find(handle);
    if (entry == nullptr) return;
    entry->state = 0;
    entry->name.clear();
    entry->hasTransport = false;
    {
        // Pending jobs are dropped without being completed.
        std::lock_guard<std::mutex> lock(entry->pendingLock);
        entry->pending.clear();
    }
    while (m_highWater > 0 && m_entries[m_highWater - 1].state == 0) --m_highWater;
}

std::uint32_t KdClient::Exchange(std::uint32_t handle, Request request, std::uint32_t flags,
                                 std::vector<std::uint8_t> payload, std::uint32_t timeoutMs,
                                 Outcome& out, bool& replied) {
    replied = false;
    kdm32nt::Query query;
    {
        kdcomm::Guard table(m_table);
        const Entry* entry = Find(handle);
        if (entry == nullptr) return kNoEntry;
        if (!entry->hasTransport) return kNoTransport;
        std::copy(std::begin(entry->words), std::end(entry->words), query.words);
        query.deviceName = entry->name;
    }
    query.sequence = m_nextSequence++;
    query.handle = handle;
    query.requestCode = request;
    query.flags = flags;
    query.payload = std::move(payload);
    {
        std::lock_guard<std::mutex> lock(m_replyLock);
        m_waiting = Waiting{true, false, handle, request, query.sequence, {}};
        m_replied.Reset();
    }
    const bool sent = m_transport->SendQuery(query);
    const platform::DWORD woke =
        sent ? platform::WaitForSingleObject(m_replied, timeoutMs) : platform::WAIT_FAILED;
    std::lock_guard<std::mutex> lock(m_replyLock);
    const Waiting waited = std::exchange(m_waiting, Waiting{});  // a late reply finds nothing
    if (!sent) return kNotSent;
    if (!waited.done) return woke == platform::WAIT_TIMEOUT ? kTimedOut : kWaitFailed;
    replied = true;
    out = waited.outcome;
    return out.status;
}

std::uint32_t KdClient::OpenWith(const char* name, std::uint32_t flags, std::uint32_t timeoutMs,
                                 std::uint32_t& code) {
    const std::uint32_t handle = Reserve(name);
    if (handle == 0) {
        code = kNoEntry;
        return 0;
    }
    Outcome out;
    bool replied = false;
    code = Exchange(handle, kOpen, flags, {}, timeoutMs, out, replied);
    if (code == kSuccess) return handle;
    Release(handle);
    return 0;
}

std::uint32_t KdClient::CloseWith(std::uint32_t handle, std::uint32_t flags,
                                  std::uint32_t timeoutMs, bool& replied) {
    Outcome out;
    const std::uint32_t code = Exchange(handle, kClose, flags, {}, timeoutMs, out, replied);
    Release(handle);
    if (handle == m_management) m_management = 0;
    return code;
}

std::uint32_t KdClient::Manage(Request request, std::uint32_t flags,
                               std::vector<std::uint8_t> payload, Outcome& out) {
    if (!StartManager()) return kNoManagement;
    if (m_management == 0) {
        std::uint32_t code = 0;
        m_management = OpenWith(kManagementName, kManagementFlags, kDefaultTimeoutMs, code);
        if (m_management == 0) return kNoManagement;
    }
    bool replied = false;
    const std::uint32_t code =
        Exchange(m_management, request, flags, std::move(payload), kDefaultTimeoutMs, out, replied);
    if (code == kNotSent) {
        // The next request opens the management handle again.
        Release(m_management);
        m_management = 0;
    }
    return code;
}

bool KdClient::Initialize() {
    kdcomm::Guard global(m_global);
    if (!StartManager()) return Finish(kNoManagement);
    std::uint32_t code = kSuccess;
    if (m_management == 0)
        m_management = OpenWith(kManagementName, kManagementFlags, kDefaultTimeoutMs, code);
    return Finish(m_management != 0 ? kSuccess : kNoManagement);
}

void KdClient::Exit() {
    kdcomm::Guard global(m_global);
    if (!StartManager()) {
        Finish(kNoManagement);
        return;
    }
    if (m_management == 0) {
        Finish(kSuccess);
        return;
    }
    bool replied = false;
    Finish(CloseWith(m_management, kManagementFlags, kDefaultTimeoutMs, replied));
}

std::uint32_t KdClient::Open(const char* name, std::uint32_t timeoutMs) {
    kdcomm::Guard global(m_global);
    if (!StartManager()) return Finish(kNoManagement), 0;
    std::uint32_t code = kSuccess;
    const std::uint32_t handle = OpenWith(name, 0, timeoutMs, code);
    Finish(code);
    return handle;
}

bool KdClient::Close(std::uint32_t handle, std::uint32_t timeoutMs) {
    kdcomm::Guard global(m_global);
    if (!StartManager()) return Finish(kNoManagement);
    bool replied = false;
    const std::uint32_t code = CloseWith(handle, 0, timeoutMs, replied);
    Finish(code);
    return replied;
}

void KdClient::Submit(KDJOB* job) {
    if (job == nullptr) return;
    kdcomm::Guard global(m_global);
    std::uint32_t code = StartManager() ? kSuccess : kNoManagement;
    job->state = 1;
    kdm32nt::Query query;
    if (code == kSuccess) {
        kdcomm::Guard table(m_table);
        Entry* entry = Find(job->handle);
        if (job->handle == 0 || job->handle > KD_MAX_HANDLES) {
            code = kNoEntry;
        } else if (entry == nullptr) {
            code = kNotOpen;
        } else if (!entry->hasTransport) {
            code = kNoTransport;
        } else {
            std::lock_guard<std::mutex> lock(entry->pendingLock);
            entry->pending.insert(job);
            std::copy(std::begin(entry->words), std::end(entry->words), query.words);
            query.deviceName = entry->name;
        }
    }
    if (code == kSuccess) {
        query.sequence = m_nextSequence++;
        query.handle = job->handle;
        query.requestCode = job->requestCode;
        query.flags = job->flags;
        query.submitId = reinterpret_cast<std::uintptr_t>(job);
        if (job->data != nullptr && job->length != 0) {
            const auto* bytes = static_cast<const std::uint8_t*>(job->data);
            query.payload.assign(bytes, bytes + job->length);
        }
        if (!m_transport->SendQuery(query)) {
            (void)CancelSubmit(job->handle, job);
            code = kNotSent;
        }
    }
    if (code == kSuccess) {
        Finish(kSuccess);
        return;
    }
    job->state = 2;
    if (job->completion != nullptr) job->completion(job);
    Finish(code);
}

bool KdClient::CancelSubmit(std::uint32_t handle, KDJOB* job) {
    kdcomm::Guard global(m_global);
    bool removed = false;
    {
        kdcomm::Guard table(m_table);
        if (Entry* entry = Find(handle)) {
            std::lock_guard<std::mutex> lock(entry->pendingLock);
            removed = entry->pending.erase(job) != 0;
        }
    }
    Finish(kSuccess);
    return removed;
}

std::uint32_t KdClient::Table(const Outcome& out, std::size_t values, void* buffer,
                              std::uint32_t capacity, std::uint32_t* length, std::uint32_t* count) {
    std::span<std::uint8_t> target;
    if (buffer != nullptr) target = {static_cast<std::uint8_t*>(buffer), capacity};
    const auto result = LayOutTable(out.data, out.count, values, target);
    if (!result) return kBadReply;
    if (length != nullptr) *length = result->fullLength;
    if (count != nullptr) *count = result->complete;
    return kSuccess;
}

bool KdClient::EnumDevices(std::uint32_t flags, void* buffer, std::uint32_t capacity,
                           std::uint32_t* length, std::uint32_t* count) {
    kdcomm::Guard global(m_global);
    if ((flags & kEnumerateFlags) == 0) {
        Finish(kSuccess);
        return false;  // nothing asked
    }
    Outcome out;
    std::uint32_t code = Manage(kEnumerate, flags, {}, out);
    if (code == kSuccess) code = Table(out, 3, buffer, capacity, length, count);
    return Finish(code);
}

bool KdClient::GetRegistryPath(void* buffer, std::uint32_t capacity, std::uint32_t* length,
                               std::uint32_t* count) {
    kdcomm::Guard global(m_global);
    Outcome out;
    std::uint32_t code = Manage(kRegistryPath, 0, {}, out);
    if (code == kSuccess) code = Table(out, 0, buffer, capacity, length, count);
    return Finish(code);
}

bool KdClient::AddDevice(const char* name, const char* text) {
    kdcomm::Guard global(m_global);
    Outcome out;
    const std::uint32_t code = Manage(kAddDevice, 1, TwoTextPayload(Text(name), Text(text)), out);
    // Tells a view of the manager, if one listens, that the device list changed.
    (void)platform::SignalFifo(platform::RunDir() / kViewUpdateName);
    return Finish(code);
}

bool KdClient::NameRequest(Request request, std::uint32_t flags, const char* name) {
    kdcomm::Guard global(m_global);
    Outcome out;
    return Finish(Manage(request, flags, OneTextPayload(Text(name)), out));
}

bool KdClient::PlainRequest(Request request) {
    kdcomm::Guard global(m_global);
    Outcome out;
    return Finish(Manage(request, 0, {}, out));
}

bool KdClient::GetItem(char* first, std::uint32_t firstCapacity, char* second,
                       std::uint32_t secondCapacity, char* third, std::uint32_t thirdCapacity,
                       std::uint32_t* value, char* nameAndFourth, std::uint32_t fourthCapacity) {
    kdcomm::Guard global(m_global);
    std::string_view name;
    if (nameAndFourth != nullptr) name = {nameAndFourth, ::strnlen(nameAndFourth, fourthCapacity)};
    Outcome out;
    std::uint32_t code = Manage(kGetItem, 1, OneTextPayload(name), out);
    if (code == kSuccess) {
        const auto item = DecodeItem(out.data);
        if (!item) {
            code = kBadReply;
        } else {
            CopyText(item->texts[0], first, firstCapacity);
            CopyText(item->texts[1], second, secondCapacity);
            CopyText(item->texts[2], third, thirdCapacity);
            CopyText(item->texts[3], nameAndFourth, fourthCapacity);
            if (value != nullptr) *value = item->value;
        }
    }
    return Finish(code);
}

void KdClient::OnReply(const kdm32nt::Reply& reply) {
    if (IsSynchronous(reply.requestCode)) {
        std::lock_guard<std::mutex> lock(m_replyLock);
        // Only the reply to the request that is waiting now; a late one is dropped.
        if (!m_waiting.active || m_waiting.sequence != reply.sequence ||
            m_waiting.request != reply.requestCode || m_waiting.handle != reply.handle)
            return;
        if (reply.requestCode == kOpen) {
            kdcomm::Guard table(m_table);
            if (Entry* entry = Find(reply.handle))
                std::copy(std::begin(reply.words), std::end(reply.words), entry->words);
        }
        Outcome& out = m_waiting.outcome;
        out.status = reply.status;
        out.count = reply.count;
        out.data = reply.data;
        if (!out.data.empty()) out.data.back() = 0;
        m_waiting.done = true;
        m_waiting.active = false;
        m_replied.Set();
        return;
    }

    KDJOB* job = nullptr;
    {
        kdcomm::Guard table(m_table);
        Entry* entry = Find(reply.handle);
        if (entry == nullptr) return;
        std::lock_guard<std::mutex> lock(entry->pendingLock);
        // The identifier is only looked up, never followed unless it is one of ours.
        const auto it = entry->pending.find(
            reinterpret_cast<KDJOB*>(static_cast<std::uintptr_t>(reply.submitId)));
        if (it == entry->pending.end()) return;  // cancelled, or never submitted here
        job = *it;
        entry->pending.erase(it);
    }
    job->requestCode = reply.requestCode;
    job->flags = reply.value;
    if (job->length != 0 && job->data != nullptr) {
        const std::size_t n = std::min<std::size_t>(job->length, reply.data.size());
        std::memcpy(job->data, reply.data.data(), n);
        job->length = static_cast<std::uint32_t>(n);
    } else {
        job->length = 0;
    }
    job->state = reply.status;
    if (job->completion != nullptr) job->completion(job);
}

}  // namespace kdapi

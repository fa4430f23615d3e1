#include "kdman/Manager.h"

#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

#include "platform/ByteReader.h"
#include "platform/MachineRoot.h"
#include "platform/WinsockError.h"

namespace kdman {

namespace {

constexpr std::int32_t kOpen = -2, kClose = -3, kEnumerate = -4, kRegistryPath = -5,
                       kAddDevice = -6, kDeleteDevice = -7, kGetItem = -8, kStatus = -9,
                       kProperties = -10, kShowWindow = -11, kHideWindow = -12, kShare = -14;
constexpr std::uint32_t kNotFound = 2;
constexpr std::uint32_t kBadPayload = 87;
constexpr const char* kManagementName = "??MAK??";

void PutBe32(std::vector<std::uint8_t>& out, std::size_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// The text at the offset found at byte `at` of the payload; nothing when either is missing.
std::optional<std::string> PayloadText(const std::vector<std::uint8_t>& payload, std::size_t at) {
    platform::ByteReader reader(payload);
    std::uint32_t offset = 0;
    if (!reader.seek(at) || !reader.u32be(offset) || offset >= payload.size()) return std::nullopt;
    const auto* start = reinterpret_cast<const char*>(payload.data() + offset);
    const std::size_t length = ::strnlen(start, payload.size() - offset);
    if (length == payload.size() - offset) return std::nullopt;
    return std::string(start, length);
}

// Records (values, offset) then the texts; offsets from the start of the data.
std::vector<std::uint8_t> Table(const std::vector<std::vector<std::uint32_t>>& values,
                                const std::vector<std::string>& texts) {
    std::vector<std::uint8_t> data;
    std::size_t textAt = 0;
    for (const auto& record : values) textAt += record.size() * 4 + 4;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (const std::uint32_t value : values[i]) PutBe32(data, value);
        PutBe32(data, textAt);
        textAt += texts[i].size() + 1;
    }
    for (const std::string& text : texts) {
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(0);
    }
    return data;
}

}  // namespace

struct Manager::Connection {
    platform::Socket socket;
    kdm32nt::FrameReader frames;
};

Manager::Manager() {
    m_devices.push_back({"PTR1", {1, 10, 100}, {"Printer One", "ATB", "COM1", "Online"}, 7});
    m_devices.push_back({"PTR2", {2, 20, 200}, {"Printer Two", "Document", "LPT1", "Idle"}, 9});
}

Manager::~Manager() {
    Stop();
}

bool Manager::Start(const platform::SocketAddress& address) {
    Stop();
    (void)platform::CreateDirectories(platform::RunDir());
    (void)m_view.Open(platform::RunDir() / "KDViewUpdateEvent");
    m_thread = std::make_unique<platform::LoopThread>("kdman");
    platform::Socket& raw = m_listener.Raw();
    if (!m_listener.Listen(address, 16) || !raw.SetNonBlocking(true)) return false;
    m_port = m_listener.Port();
    return m_thread->Start([this](platform::EventLoop& loop) {
        if (!loop.AddWatch(m_listener.Raw().Fd(), platform::EventLoop::Readable,
                           [this, &loop](unsigned) { AcceptOne(loop); }))
            loop.Quit();
    });
}

void Manager::Stop() {
    if (m_thread) m_thread->Stop();
    m_thread.reset();
    m_connections.clear();
    m_listener.Close();
}

void Manager::AcceptOne(platform::EventLoop& loop) {
    auto connection = std::make_shared<Connection>();
    if (!m_listener.Accept(connection->socket, 0) || !connection->socket.SetNonBlocking(true))
        return;
    if (!loop.AddWatch(connection->socket.Fd(), platform::EventLoop::Readable,
                       [this, &loop, connection](unsigned) { OnReadable(loop, connection); }))
        return;
    m_connections.insert(connection);
}

void Manager::OnReadable(platform::EventLoop& loop, const std::shared_ptr<Connection>& connection) {
    std::uint8_t chunk[16 * 1024];
    const int got = connection->socket.Receive(chunk);
    if (got < 0 && platform::WSAGetLastError() == platform::WSAEWOULDBLOCK) return;
    if (got > 0) {
        connection->frames.Feed(std::span(chunk, static_cast<std::size_t>(got)));
        while (auto body = connection->frames.Next()) {
            if (const auto query = kdm32nt::DecodeQuery(*body)) Answer(*connection, *query);
        }
        if (!connection->frames.Broken()) return;
    }
    loop.RemoveWatch(connection->socket.Fd());
    m_connections.erase(connection);
}

void Manager::Answer(Connection& connection, const kdm32nt::Query& query) {
    int delay = 0;
    bool silent = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_queries.push_back(query);
        m_queriesChanged.notify_all();
        silent = m_silent.count(query.requestCode) != 0;
        if (const auto it = m_delay.find(query.requestCode); it != m_delay.end())
            delay = it->second;
    }
    if (silent) return;
    // Real time on purpose: a test's fake clock must not hold the manager up.
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    const auto frame = kdm32nt::EncodeReply(Build(query));
    if (frame) (void)connection.socket.SendAll(*frame, 5000);
}

kdm32nt::Reply Manager::Build(const kdm32nt::Query& query) {
    std::lock_guard<std::mutex> lock(m_lock);
    kdm32nt::Reply reply;
    reply.sequence = query.sequence;
    reply.handle = query.handle;
    std::copy(std::begin(query.words), std::end(query.words), reply.words);
    reply.requestCode = query.requestCode;
    reply.submitId = query.submitId;
    const auto first = PayloadText(query.payload, 0);
    switch (query.requestCode) {
        case kOpen:
            if (query.deviceName != kManagementName && FindDevice(query.deviceName) == nullptr) {
                reply.status = kNotFound;
            } else {
                reply.status = StatusOf(query.deviceName);
                for (std::uint32_t& word : reply.words) word = m_nextWord++;
            }
            break;
        case kClose:
        case kShowWindow:
        case kHideWindow:
            break;
        case kEnumerate: {
            std::vector<std::vector<std::uint32_t>> values;
            std::vector<std::string> names;
            for (const Device& device : m_devices) {
                values.push_back({device.values[0], device.values[1], device.values[2]});
                names.push_back(device.name);
            }
            reply.data = Table(values, names);
            reply.count = static_cast<std::uint32_t>(names.size());
            break;
        }
        case kRegistryPath:
            reply.data = Table({{}, {}}, {"SOFTWARE\\KDMan", "SOFTWARE\\KDMan\\Devices"});
            reply.count = 2;
            break;
        case kAddDevice: {
            const auto second = PayloadText(query.payload, 4);
            if (!first || !second) {
                reply.status = kBadPayload;
            } else if (FindDevice(*first) == nullptr) {
                m_devices.push_back({*first, {}, {*first, *second, "", ""}, 0});
            }
            break;
        }
        case kDeleteDevice:
        case kGetItem:
        case kStatus:
        case kProperties:
        case kShare: {
            Device* device = first ? FindDevice(*first) : nullptr;
            if (!first) {
                reply.status = kBadPayload;
            } else if (device == nullptr) {
                reply.status = kNotFound;
            } else {
                reply.status = StatusOf(*first);
                if (query.requestCode == kDeleteDevice) {
                    m_devices.erase(m_devices.begin() + (device - m_devices.data()));
                } else if (query.requestCode == kGetItem) {
                    // Offsets of the four texts at 0, 4, 8 and 16, the value at 12.
                    std::size_t at = 20;
                    std::vector<std::uint8_t> texts;
                    std::size_t offsets[4];
                    for (int i = 0; i < 4; ++i) {
                        offsets[i] = at;
                        texts.insert(texts.end(), device->item[i].begin(), device->item[i].end());
                        texts.push_back(0);
                        at += device->item[i].size() + 1;
                    }
                    PutBe32(reply.data, offsets[0]);
                    PutBe32(reply.data, offsets[1]);
                    PutBe32(reply.data, offsets[2]);
                    PutBe32(reply.data, device->itemValue);
                    PutBe32(reply.data, offsets[3]);
                    reply.data.insert(reply.data.end(), texts.begin(), texts.end());
                }
            }
            break;
        }
        default:  // a job: done, its payload echoed behind "ok:"
            reply.status = StatusOf(query.deviceName);
            reply.value = query.flags + 1;
            reply.data = {'o', 'k', ':'};
            reply.data.insert(reply.data.end(), query.payload.begin(), query.payload.end());
            break;
    }
    if (const auto it = m_replyData.find(query.requestCode); it != m_replyData.end()) {
        reply.data = it->second.first;
        reply.count = it->second.second;
    }
    return reply;
}

std::uint32_t Manager::StatusOf(const std::string& device) const {
    const auto it = m_status.find(device);
    return it == m_status.end() ? 0 : it->second;
}

Device* Manager::FindDevice(const std::string& name) {
    for (Device& device : m_devices)
        if (device.name == name) return &device;
    return nullptr;
}

void Manager::SetStatus(const std::string& device, std::uint32_t status) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_status[device] = status;
}

void Manager::SetDelay(std::int32_t request, int ms) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_delay[request] = ms;
}

void Manager::SetSilent(std::int32_t request, bool silent) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (silent)
        m_silent.insert(request);
    else
        m_silent.erase(request);
}

void Manager::SetReplyData(std::int32_t request, std::vector<std::uint8_t> data,
                           std::uint32_t count) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_replyData[request] = {std::move(data), count};
}

std::vector<kdm32nt::Query> Manager::Queries() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_queries;
}

bool Manager::WaitQueries(std::size_t n, int timeoutMs) const {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_queriesChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [&] { return m_queries.size() >= n; });
}

std::size_t Manager::ViewUpdates() {
    return m_view.Drain();
}

bool InstanceLock::Take(int timeoutMs) {
    if (!platform::CreateDirectories(platform::RunDir()) ||
        !m_file.Open(platform::RunDir() / "KDMAN_INSTANCE_CHECK_MUTEX",
                     platform::File::Disposition::OpenAlways) ||
        !m_file.Lock(static_cast<platform::DWORD>(timeoutMs)))
        return false;
    const std::string pid = std::to_string(platform::GetCurrentProcessId()) + "\n";
    return m_file.Resize(0) && m_file.Seek(0) &&
           m_file.Write({reinterpret_cast<const std::uint8_t*>(pid.data()), pid.size()});
}

}  // namespace kdman

// A stand-in for the device-manager program: answers the client's queries from a small
// device table, with knobs for the status words it gives, delays, silence and replies that
// do not hold what they announce. It reads the payloads itself, so that it checks the
// client's encoding instead of sharing it.
//
// Serves on a thread of its own; the knobs may be turned from any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "kdm32nt/Frame.h"
#include "platform/File.h"
#include "platform/LoopThread.h"
#include "platform/Process.h"
#include "platform/Socket.h"

namespace kdman {

struct Device {
    std::string name;
    std::uint32_t values[3] = {};
    std::string item[4];
    std::uint32_t itemValue = 0;
};

class Manager {
public:
    Manager();
    ~Manager();
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    // Listens on address (port 0 takes a free one) and serves until Stop, which closes every
    // connection; a manager stopped may start again (on the same port, say). The table and
    // the knobs stay.
    [[nodiscard]] bool Start(const platform::SocketAddress& address);
    void Stop();
    std::uint16_t Port() const { return m_port; }

    // The status word of every reply about the device (open, status, submits, ...).
    void SetStatus(const std::string& device, std::uint32_t status);
    // Replies to the request code come only after ms of real time.
    void SetDelay(std::int32_t request, int ms);
    // Queries with the request code get no reply.
    void SetSilent(std::int32_t request, bool silent);
    // Replies to the request code carry these data and count instead of their own.
    void SetReplyData(std::int32_t request, std::vector<std::uint8_t> data, std::uint32_t count);

    std::vector<kdm32nt::Query> Queries() const;
    // Waits, in real time, until at least n queries have come.
    [[nodiscard]] bool WaitQueries(std::size_t n, int timeoutMs) const;
    // Signals that came on the device-list view's FIFO (run/KDViewUpdateEvent).
    std::size_t ViewUpdates();

private:
    struct Connection;

    void AcceptOne(platform::EventLoop& loop);
    void OnReadable(platform::EventLoop& loop, const std::shared_ptr<Connection>& connection);
    void Answer(Connection& connection, const kdm32nt::Query& query);
    kdm32nt::Reply Build(const kdm32nt::Query& query);
    std::uint32_t StatusOf(const std::string& device) const;  // lock held
    Device* FindDevice(const std::string& name);              // lock held

    mutable std::mutex m_lock;
    mutable std::condition_variable m_queriesChanged;
    std::vector<Device> m_devices;
    std::map<std::string, std::uint32_t> m_status;
    std::map<std::int32_t, int> m_delay;
    std::set<std::int32_t> m_silent;
    std::map<std::int32_t, std::pair<std::vector<std::uint8_t>, std::uint32_t>> m_replyData;
    std::vector<kdm32nt::Query> m_queries;
    std::uint32_t m_nextWord = 100;

    platform::SocketAddress m_address;
    std::uint16_t m_port = 0;
    platform::Listener m_listener;                        // the serving thread's
    std::set<std::shared_ptr<Connection>> m_connections;  // the serving thread's
    platform::FifoReader m_view;
    std::unique_ptr<platform::LoopThread> m_thread;
};

// The manager's single-instance lock (run/KDMAN_INSTANCE_CHECK_MUTEX of the machine root),
// with the holder's process id written in it.
class InstanceLock {
public:
    // False when another holder keeps it longer than timeoutMs.
    [[nodiscard]] bool Take(int timeoutMs);
    void Release() { m_file.Close(); }

private:
    platform::File m_file;
};

}  // namespace kdman

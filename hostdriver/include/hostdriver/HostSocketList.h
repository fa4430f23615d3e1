// The host-socket registry: one host socket per host name and port, shared by every session to
// that endpoint and addressed by its index, which sessions keep. Sockets live until the
// registry is destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/Mutex.h"

namespace quildrv {

class CHostSocket;

inline constexpr std::uint32_t kNoSocket = 0xFFFFFFFFu;

class CHostSocketList {
public:
    CHostSocketList() = default;
    ~CHostSocketList();
    CHostSocketList(const CHostSocketList&) = delete;
    CHostSocketList& operator=(const CHostSocketList&) = delete;

    // The index of the socket for host (without regard to case) and port, made and started on
    // first demand; kNoSocket when it cannot be made or started. Two first demands at once may
    // both start one: the first listed stays, the other is ended.
    std::uint32_t GetHostSocket(const char* host, std::uint32_t port);
    CHostSocket* SocketAt(std::uint32_t index);
    // The close request kept for the socket, cleared as it is read; 0 for a socket not listed.
    std::uint8_t TakeFlag(const CHostSocket* socket);

private:
    struct Entry {
        std::unique_ptr<CHostSocket> socket;
        std::atomic<std::uint8_t> flag{0};
    };

    std::optional<std::uint32_t> Find(const char* host, std::uint32_t port);

    UTKTools::CRecursiveMutex m_entriesLock;
    std::vector<std::unique_ptr<Entry>> m_entries;  // under m_entriesLock
};

CHostSocketList* GetSocketRegistry();
CHostSocketList* CurrentSocketRegistry();
void DestroySocketRegistry();

}  // namespace quildrv

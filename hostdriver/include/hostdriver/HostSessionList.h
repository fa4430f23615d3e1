// The session registry: every live host session of the process under the index that travels in
// its routing option. A reader takes a session with GetHostSessionEntry, which holds the entry's
// lock until ReleaseHostSessionEntry, so the session cannot be unregistered (and freed) while a
// received message is delivered to it.
//
// Lock order: an entry lock, then the array lock; nothing is locked under the array lock, and
// registering takes no entry lock (a receive thread holds one while it delivers, and the
// front end it delivers to may take locks that a registering caller holds).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/Mutex.h"

namespace quildrv {

class CHostSession;

class CHostSessionList {
public:
    CHostSessionList() = default;
    ~CHostSessionList();
    CHostSessionList(const CHostSessionList&) = delete;
    CHostSessionList& operator=(const CHostSessionList&) = delete;

    // Places the session in the lowest free slot (or a new one) and sets its registry index.
    [[nodiscard]] bool Register(CHostSession* session);
    void Unregister(std::int32_t index);
    // The session under the index with its entry locked, or null (an index out of range locks
    // nothing). Every call in range is paired with ReleaseHostSessionEntry.
    CHostSession* GetHostSessionEntry(std::int32_t index);
    void ReleaseHostSessionEntry(std::int32_t index);
    // Starts keep-alive on every registered session, each under its entry lock.
    void StartKeepAliveAll();

private:
    struct Entry {
        std::atomic<CHostSession*> session{nullptr};
        UTKTools::CRecursiveMutex lock;
    };
    Entry* EntryAt(std::int32_t index);

    UTKTools::CRecursiveMutex m_array;
    std::vector<std::unique_ptr<Entry>> m_entries;  // under m_array; entries never move
};

// The process's registry, made on the first call.
CHostSessionList* GetSessionRegistry();
// The registry when there is one, without making it.
CHostSessionList* CurrentSessionRegistry();
void DestroySessionRegistry();

}  // namespace quildrv

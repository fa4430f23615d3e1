#include "ports/KDLineserv.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <unordered_map>

#include "Logs.h"
#include "ports/CommLineservice.h"
#include "ports/PDM.h"

using lineserv::kdLog;

namespace {

// The handles given out and not yet closed, each with the calls running through it. A
// handle being closed takes no new call; it is freed once its running calls are done.
struct Handle {
    int calls = 0;
    bool closing = false;
};

struct HandleTable {
    std::mutex lock;
    std::condition_variable idle;  // a handle's last running call has ended
    std::unordered_map<PDM*, Handle> live;
};

HandleTable& handles() {
    static HandleTable table;
    return table;
}

// Empty reads in a row, over all handles.
std::atomic<unsigned> g_emptyReads{0};

// Nothing thrown inside reaches the caller, which may not be C++ at all: it gets 0.
template <typename Body>
int guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

template <typename Call>
int withHandle(PDM* handle, const char* refusal, Call call) {
    return guarded([&] {
        HandleTable& table = handles();
        {
            std::lock_guard<std::mutex> hold(table.lock);
            const auto it = handle ? table.live.find(handle) : table.live.end();
            if (it == table.live.end() || it->second.closing) {
                kdLog().logPrint("%s", refusal);
                return 0;
            }
            ++it->second.calls;
        }
        struct Leave {
            HandleTable& table;
            PDM* handle;
            ~Leave() {
                std::lock_guard<std::mutex> hold(table.lock);
                if (--table.live.find(handle)->second.calls == 0) table.idle.notify_all();
            }
        } leave{table, handle};
        return call(handle);
    });
}

}  // namespace

extern "C" {

int KDConfigurePort(void* owner, char* portName) {
    return guarded([&] { return CommLineservice::configurePort(owner, portName); });
}

int KDEnumPorts(void* combo) {
    return guarded([&] { return Lineservice::enumPorts(combo); });
}

int KDOpenPort(char* portName, PDM** handle) {
    if (!handle) {
        kdLog().logPrint("KDOpenPort - Unable to allocate PDM handle\n");
        return 0;
    }
    *handle = nullptr;
    PDM* port = nullptr;
    try {
        port = new PDM(portName);
        std::lock_guard<std::mutex> hold(handles().lock);
        handles().live.emplace(port, Handle{});
    } catch (...) {
        delete port;
        kdLog().logPrint("KDOpenPort - Unable to allocate PDM handle\n");
        return 0;
    }
    *handle = port;
    return 1;
}

int KDClosePort(PDM* handle) {
    return guarded([&] {
        HandleTable& table = handles();
        std::unique_lock<std::mutex> hold(table.lock);
        const auto it = handle ? table.live.find(handle) : table.live.end();
        if (it == table.live.end() || it->second.closing) {
            hold.unlock();
            kdLog().logPrint("KDClosePort - Unable to deallocate invalid PDM handle\n");
            return 0;
        }
        // A reference to the entry outlives rehashing by handles opened meanwhile.
        Handle& entry = it->second;
        entry.closing = true;
        // Closing the port ends the reads and writes still running through the handle;
        // it is closed again should one of them have opened it meanwhile.
        while (entry.calls != 0) {
            hold.unlock();
            static_cast<void>(handle->endDocPort());
            hold.lock();
            table.idle.wait_for(hold, std::chrono::milliseconds(10),
                                [&] { return entry.calls == 0; });
        }
        table.live.erase(handle);
        hold.unlock();
        delete handle;
        return 1;
    });
}

int KDStartDocPort(PDM* handle) {
    return withHandle(handle, "KDStartDocPort - Invalid PDM handle supplied\n",
                      [](PDM* port) { return port->startDocPort(); });
}

int KDEndDocPort(PDM* handle) {
    return withHandle(handle, "KDEndDocPort - Invalid PDM handle supplied\n",
                      [](PDM* port) { return port->endDocPort(); });
}

int KDReadPort(PDM* handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* read) {
    bool pace = false;
    const int result =
        withHandle(handle, "KDReadPort - Invalid PDM handle supplied\n", [&](PDM* port) {
            const int r = port->readPort(buffer, size, read);
            if (r && read && *read != 0)
                g_emptyReads.store(0);
            else
                pace = g_emptyReads.fetch_add(1) >= 1;
            return r;
        });
    // A caller polling a quiet line gets about one read per millisecond.
    if (pace) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return result;
}

int KDWritePort(PDM* handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* written) {
    return withHandle(handle, "KDWritePort - Invalid PDM handle supplied\n",
                      [&](PDM* port) { return port->writePort(buffer, size, written); });
}

}  // extern "C"

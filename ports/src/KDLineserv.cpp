#include "ports/KDLineserv.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <thread>
#include <unordered_set>

#include "Logs.h"
#include "ports/CommLineservice.h"
#include "ports/PDM.h"

using lineserv::kdLog;

namespace {

// The handles given out and not yet closed. A call holds the table shared while it uses
// its handle, so a close (exclusive) never frees an object in use.
struct HandleTable {
    std::shared_mutex lock;
    std::unordered_set<PDM*> live;
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
        {
            std::shared_lock<std::shared_mutex> hold(handles().lock);
            if (handle && handles().live.count(handle)) return call(handle);
        }
        kdLog().logPrint("%s", refusal);
        return 0;
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
        std::unique_lock<std::shared_mutex> hold(handles().lock);
        handles().live.insert(port);
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
        {
            std::unique_lock<std::shared_mutex> hold(handles().lock);
            if (!handle || handles().live.erase(handle) == 0) {
                hold.unlock();
                kdLog().logPrint("KDClosePort - Unable to deallocate invalid PDM handle\n");
                return 0;
            }
        }
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

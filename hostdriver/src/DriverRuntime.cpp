#include "hostdriver/DriverRuntime.h"

#include <atomic>

#include "hostdriver/HostSessionList.h"
#include "hostdriver/HostSocketList.h"
#include "hostdriver/IdleTimer.h"
#include "hostdriver/KeepAliveTimer.h"
#include "hostdriver/TcpAsyncSocket.h"

namespace quildrv {

namespace {

std::atomic<int> g_failStep{0};

bool Fails(int step) {
    return g_failStep.load() == step;
}

}  // namespace

void FailStartupAtStep(int step) {
    g_failStep = step;
}

int DriverStartup() {
    try {
        if (Fails(1)) return 0;
        (void)GetSessionRegistry();
        (void)GetSocketRegistry();
    } catch (...) {
        DriverShutdown();
        return 0;
    }
    if (Fails(2) || !InitWinsock()) {
        DriverShutdown();
        return 0;
    }
    if (Fails(3) || !StartKeepAliveThread()) {
        DriverShutdown();
        return 0;
    }
    if (Fails(4) || !StartIdleThread()) {
        DriverShutdown();
        return 0;
    }
    return 1;
}

int DriverShutdown() {
    StopKeepAliveThread();
    StopIdleThread();
    DestroySocketRegistry();
    DestroySessionRegistry();
    return WSACleanup();
}

}  // namespace quildrv

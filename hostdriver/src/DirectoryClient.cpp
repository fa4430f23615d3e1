#include "hostdriver/DirectoryClient.h"

#include <mutex>

#include "hostdriver/LdapDirectoryClient.h"

namespace quildrv {

namespace {

std::mutex g_makerLock;
DirectoryClientMaker g_maker;  // under g_makerLock

}  // namespace

void SetDirectoryClientMaker(DirectoryClientMaker maker) {
    std::lock_guard lock(g_makerLock);
    g_maker = std::move(maker);
}

std::unique_ptr<CDirectoryClient> MakeDirectoryClient() {
    DirectoryClientMaker maker;
    {
        std::lock_guard lock(g_makerLock);
        maker = g_maker;
    }
    if (maker) return maker();
    return std::make_unique<CLdapDirectoryClient>();
}

}  // namespace quildrv

#include "quil2sp/LoggerRegistry.h"

#include <mutex>
#include <unordered_map>

#include "notify/Notify.h"

namespace quilsp {

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_map<const Notify*, std::shared_ptr<Notify>> loggers{10};
    std::size_t providers = 0;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

}  // namespace

void LoggerRegistry::ProviderCreated() {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    ++r.providers;
}

void LoggerRegistry::ProviderGone() {
    Registry& r = TheRegistry();
    std::unordered_map<const Notify*, std::shared_ptr<Notify>> gone;
    {
        std::lock_guard guard(r.lock);
        if (r.providers == 0 || --r.providers > 0) return;
        gone.swap(r.loggers);
    }
}

void LoggerRegistry::Register(std::shared_ptr<Notify> logger) {
    if (!logger) return;
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    const Notify* key = logger.get();
    r.loggers.emplace(key, std::move(logger));
}

std::size_t LoggerRegistry::Size() {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    return r.loggers.size();
}

}  // namespace quilsp

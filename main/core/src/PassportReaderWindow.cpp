#include "core/PassportReaderWindow.h"

#include <mutex>

namespace core {

namespace {

std::mutex g_lock;
PassportReaderWindow g_target;

}  // namespace

void SetPassportReaderWindow(const PassportReaderWindow& target) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_target = target;
}

PassportReaderWindow GetPassportReaderWindow() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_target;
}

}  // namespace core

#include "platform/MessageBox.h"

#include <memory>
#include <mutex>

namespace platform {
namespace {

struct Hook {
    std::mutex lock;
    std::shared_ptr<const MessageBoxHook> hook;
};

Hook& TheHook() {
    static Hook* const hook = new Hook;
    return *hook;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    auto kept = hook ? std::make_shared<const MessageBoxHook>(std::move(hook)) : nullptr;
    std::lock_guard<std::mutex> guard(TheHook().lock);
    TheHook().hook = std::move(kept);
}

int ShowMessageBox(const std::string& caption, const std::string& text, unsigned type) {
    std::shared_ptr<const MessageBoxHook> hook;
    {
        std::lock_guard<std::mutex> guard(TheHook().lock);
        hook = TheHook().hook;
    }
    return hook ? (*hook)(caption, text, type) : IDOK;
}

}  // namespace platform

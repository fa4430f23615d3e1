#include "uikit/PrintSetup.h"

#include <mutex>

namespace uikit {

namespace {

struct PrintHooks {
    std::mutex lock;
    PageSetupRunner pageSetup;
    FontLister fonts;
};

PrintHooks& TheHooks() {
    static PrintHooks hooks;
    return hooks;
}

}  // namespace

void SetPageSetupRunner(PageSetupRunner runner) {
    PrintHooks& h = TheHooks();
    std::lock_guard lock(h.lock);
    h.pageSetup = std::move(runner);
}

void SetFontLister(FontLister lister) {
    PrintHooks& h = TheHooks();
    std::lock_guard lock(h.lock);
    h.fonts = std::move(lister);
}

void RunPageSetup(PageSetup& setup) {
    PageSetupRunner runner;
    {
        PrintHooks& h = TheHooks();
        std::lock_guard lock(h.lock);
        runner = h.pageSetup;
    }
    if (runner) runner(setup);
}

std::vector<std::string> FontFamilies() {
    FontLister lister;
    {
        PrintHooks& h = TheHooks();
        std::lock_guard lock(h.lock);
        lister = h.fonts;
    }
    return lister ? lister() : std::vector<std::string>{};
}

}  // namespace uikit

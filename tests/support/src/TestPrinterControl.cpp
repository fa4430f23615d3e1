#include "support/TestPrinterControl.h"

#include <mutex>

#include "platform/ComRegistry.h"
#include "platform/DynamicLibrary.h"

namespace support {

std::filesystem::path TestPrinterControlModule() {
    return platform::MapLibraryName("TestPrinterControl.DLL");
}

platform::HRESULT RegisterTestPrinterControl() {
    return platform::RegisterServer(TestPrinterControlModule());
}

TestPrinterHost* HostSideOf(platform::IDispatch& control) {
    // The same module the store's creation loaded (a module opened twice is mapped once);
    // kept open for the rest of the run.
    static std::mutex mutex;
    static platform::DynamicLibrary* module = nullptr;
    static HostSideOfFunction hostSideOf = nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    if (!module) {
        auto* opened = new platform::DynamicLibrary;
        platform::SymbolBinding binding = platform::BindSymbol(kHostSideOfSymbol, hostSideOf);
        if (!opened->Open(TestPrinterControlModule()) || !opened->Bind(std::span(&binding, 1))) {
            delete opened;
            return nullptr;
        }
        module = opened;
    }
    return hostSideOf(&control);
}

}  // namespace support

namespace support {

void EventRecorder::OnEvent(platform::DISPID id, std::span<const platform::Variant> args) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(
        {id, std::vector<platform::Variant>(args.begin(), args.end()), std::this_thread::get_id()});
}

std::vector<EventRecorder::Event> EventRecorder::Events() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::size_t EventRecorder::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events.size();
}

std::vector<platform::DISPID> EventRecorder::Ids() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<platform::DISPID> ids;
    for (const Event& e : m_events) ids.push_back(e.id);
    return ids;
}

}  // namespace support

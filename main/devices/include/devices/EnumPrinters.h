// The list of the printers (spooler queues) this machine can print to, by name, each once,
// with a read cursor. The port printer finds the queues on its port with it, the queue and
// text printers check that their printer exists, and the configuration pages offer its
// names.
//
// Threads: one object belongs to one thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace devices {

class CEnumPrinters {
public:
    CEnumPrinters() = default;
    ~CEnumPrinters() { RemoveAllPrinters(); }

    // Empties the list and fills it with the spooler's queues in its order.
    void LoadQueueList();
    // Nonzero when a name of the list equals strName exactly.
    [[nodiscard]] bool FindPrinterName(const std::string& strName) const;
    void ResetCursor() noexcept { m_iCursor = 0; }
    // The name under the cursor, and the cursor moves on; past the end "" (the cursor stays).
    std::string GetNext();
    void RemoveAllPrinters();

    std::size_t GetCount() const noexcept { return m_Printers.size(); }

private:
    std::vector<std::string> m_Printers;
    std::int32_t m_iCursor = 0;
};

// The printer-exists test of the queue and text printers: a fresh list holds the name.
[[nodiscard]] bool PrinterExists(const std::string& strName);

}  // namespace devices

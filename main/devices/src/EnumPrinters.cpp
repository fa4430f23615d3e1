#include "devices/EnumPrinters.h"

#include <algorithm>
#include <exception>

#include "core/TraceLog.h"
#include "spooler/Spooler.h"

namespace devices {

void CEnumPrinters::LoadQueueList() {
    RemoveAllPrinters();
    try {
        for (const spooler::Queue& queue : spooler::Spooler().ListQueues()) {
            if (!FindPrinterName(queue.strName)) m_Printers.push_back(queue.strName);
        }
    } catch (const std::exception& e) {
        TRACE_EXCEPTION(e, "CVekaPrpQueue::LoadQueueList():", "Exception:");
    }
}

bool CEnumPrinters::FindPrinterName(const std::string& strName) const {
    return std::find(m_Printers.begin(), m_Printers.end(), strName) != m_Printers.end();
}

std::string CEnumPrinters::GetNext() {
    if (m_iCursor < 0 || static_cast<std::size_t>(m_iCursor) >= m_Printers.size()) return {};
    return m_Printers[static_cast<std::size_t>(m_iCursor++)];
}

void CEnumPrinters::RemoveAllPrinters() {
    m_Printers.clear();
    m_iCursor = 0;
}

bool PrinterExists(const std::string& strName) {
    CEnumPrinters list;
    list.LoadQueueList();
    return list.FindPrinterName(strName);
}

}  // namespace devices

// Collecting host segments into the message for the creator, the same in both QUIL
// providers: this source is built into each provider with its own session
// (ModuleSession.h).
#include <algorithm>

#include "Errors.h"
#include "ModuleSession.h"

namespace quilsp {

void CSession::AddDataToReceiveBuffer(std::span<const std::uint8_t> payload, bool translate) {
    QLOG(m_log, kTrace, "AddDataToReceiveBuffer()");
    std::vector<std::uint8_t> segment;
    if (translate) {
        QLOG(m_log, kTrace, "Host -> Client (Before translation)");
        m_log.Dump(kTrace, payload);
        std::vector<std::uint8_t> text = m_toClient.Translate(payload);
        QLOG(m_log, kTrace, "translation Length Before[%zu] After[%zu]", payload.size(),
             text.size());
        if (text.empty()) {
            QLOG(m_log, kTrace, "No Data");
        } else {
            text.pop_back();  // the terminator
            segment = std::move(text);
            QLOG(m_log, kTrace, "Host -> Client (After translation)");
            m_log.Dump(kTrace, segment);
        }
    } else {
        segment.assign(payload.begin(), payload.end());
    }
    QLOG(m_log, kTrace, "Host -> Client This segment");
    // Dropping two bytes belongs to the segment after the one that asked for it.
    const bool dropTwo = m_dropTwo;
    m_dropTwo = false;
    if (m_deviceType == kDeviceTerminal) {
        const auto eom =
            payload.empty() ? quil::EndOfMessage::None : quil::EndOfMessageKind(payload.back());
        QLOG(m_log, kTrace, "EOM received : %d", static_cast<int>(eom));
        switch (eom) {
            case quil::EndOfMessage::Complete:
            case quil::EndOfMessage::CompleteMore:
                m_complete = true;
                break;
            case quil::EndOfMessage::Partial:
                m_complete = false;
                break;
            case quil::EndOfMessage::PartialDrop2:
                m_complete = false;
                m_dropTwo = true;
                break;
            default:
                QLOG(m_log, kTrace, "Invalid EOM");
                break;
        }
    }
    if (m_freshMessage) {
        m_message = std::move(segment);
        m_freshMessage = false;
    } else {
        const std::size_t skip = dropTwo ? std::min<std::size_t>(2, segment.size()) : 0;
        m_message.insert(m_message.end(), segment.begin() + static_cast<std::ptrdiff_t>(skip),
                         segment.end());
    }
    QLOG(m_log, kTrace, "Host -> Client So far segments received");
}

int CSession::HandOutMessage(std::vector<std::uint8_t>& message) {
    if (m_freshMessage || m_message.empty()) return kErrNoData;
    message = m_message;
    if (m_deviceType == kDeviceTerminal && message.size() > 1) {
        for (std::size_t i = 0; i < 2; ++i) {
            if (message[i] == 0x00) message[i] = 0x1F;
            if (message[i] == 0x0D) message[i] = 0x1E;
        }
    }
    m_message.clear();
    m_freshMessage = true;
    return 0;
}

}  // namespace quilsp

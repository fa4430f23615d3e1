// Whole-message translation of the host link, and the shift sequences the host splits over
// two messages.
#include <exception>
#include <vector>

#include "HostTrevoInternal.h"
#include "core/HostTrevo.h"
#include "core/TraceLog.h"
#include "core/Translation.h"

namespace core {

using namespace hostlink;

std::size_t CHostTrevo::MsgFromHostSpannedDLESequences(std::string& msg) {
    static const char* const kLabel = "CHostTrevo::MsgFromHostSpannedDLESequences():";
    const char kShift = static_cast<char>(EBCDIC_SHIFT);
    const char kBlank = static_cast<char>(EBCDIC_BLANK);
    const std::size_t at = msg.size() < 2 ? msg.size() : 2;
    if (m_nSpannedDLEState == 1) {
        msg.insert(at, 1, kShift);
        TRACE_FORMAT(0, kLabel, "'%s', Added DLE prefix", m_strDeviceName.c_str());
    } else if (m_nSpannedDLEState == 2) {
        msg.insert(at, {kShift, kBlank});
        TRACE_FORMAT(0, kLabel, "'%s', Added DLE_SPACE prefix", m_strDeviceName.c_str());
    }
    m_nSpannedDLEState = 0;

    // The last byte is the end of message; look at what stands before it.
    const std::size_t n = msg.size();
    if (n < 3) return n;
    std::size_t shift = 0;  // index of the shift byte that opens the sequence
    std::size_t open = 0;   // bytes of the open sequence
    if (msg[n - 2] == kShift) {
        shift = n - 2;
        open = 1;
    } else if (msg[n - 2] == kBlank && msg[n - 3] == kShift && n >= 4) {
        shift = n - 3;
        open = 2;
    }
    if (open == 0) return n;
    // Two shift bytes in a row are one character: only an odd run leaves one unpaired.
    std::size_t run = 0;
    for (std::size_t i = shift; i >= 1 && msg[i] == kShift; --i) ++run;
    if (run % 2 == 0) return n;
    m_nSpannedDLEState = static_cast<int>(open);
    msg.erase(shift, open);
    return msg.size();
}

void CHostTrevo::MsgTranslateEbcdicToAscii(std::string& msg) {
    static const char* const kLabel = "CHostTrevo::MsgTranslateEbcdicToAscii():";
    try {
        const std::size_t n = MsgFromHostSpannedDLESequences(msg);
        TRACE_FORMAT(0, kLabel, "'%s', Before translation: %i bytes", m_strDeviceName.c_str(),
                     static_cast<int>(n));
        TraceLog().TraceMessage(0, msg);
        const auto in = Bytes(msg).first(n);
        CHostLengthScanner scanner(m_bPassThrough, m_bPlatformTitle);
        const std::size_t length = scanner.EbcdicToAsciiLength(in);
        std::vector<std::uint8_t> out(length + 1);
        const std::size_t written = scanner.TranslateEbcdicToAscii(in, out);
        // Leave out C1 C2 (unless passing through), the closing end-of-message byte, every
        // end-of-message byte inside the text and every byte without a character.
        std::string text;
        text.reserve(written);
        for (std::size_t i = m_bPassThrough ? 0 : 2; i + 1 < written; ++i) {
            const std::uint8_t b = out[i];
            if (b == 0 || (b >= ASCII_EOM_I && b <= ASCII_EOM_PB)) continue;
            text.push_back(static_cast<char>(b));
        }
        msg.swap(text);
    } catch (const std::exception& e) {
        SetLastError(TRACE_EXCEPTION(e, kLabel, "Exception:"));
    }
    TRACE_FORMAT(0, kLabel, "'%s', After translation: %i bytes", m_strDeviceName.c_str(),
                 static_cast<int>(msg.size()));
    TraceLog().TraceMessage(0, msg);
}

void CHostTrevo::MsgTranslateAsciiToEbcdic(std::string& msg) {
    static const char* const kLabel = "CHostTrevo::MsgTranslateAsciiToEbcdic():";
    TRACE_FORMAT(0, kLabel, "'%s', Before translation: %i bytes", m_strDeviceName.c_str(),
                 static_cast<int>(msg.size()));
    TraceLog().TraceMessage(0, msg);
    try {
        const auto in = Bytes(msg);
        CHostLengthScanner scanner(m_bPassThrough, m_bPlatformTitle);
        const std::size_t length = scanner.AsciiToEbcdicLength(in);
        std::string out(length, '\0');
        std::size_t dropped = 0;
        const std::size_t written = scanner.TranslateAsciiToEbcdic(
            in, {reinterpret_cast<std::uint8_t*>(out.data()), out.size()}, dropped);
        out.resize(written);
        if (dropped) {
            TRACE_FORMAT(2, kLabel, "'%s', %i characters without a host character left out",
                         m_strDeviceName.c_str(), static_cast<int>(dropped));
        }
        msg.swap(out);
    } catch (const std::exception& e) {
        SetLastError(TRACE_EXCEPTION(e, kLabel, "Exception:"));
    }
    TRACE_FORMAT(0, kLabel, "'%s', After translation: %i bytes", m_strDeviceName.c_str(),
                 static_cast<int>(msg.size()));
    TraceLog().TraceMessage(0, msg);
}

}  // namespace core

#include "devices/ColumnOffset.h"

namespace devices {

namespace {

constexpr char kCR = 0x0D;
constexpr char kLF = 0x0A;

}  // namespace

std::string CColumnOffset::Rewrite(const std::string& text, bool bEndsMessage) {
    if (m_strPrefix.empty()) return text;
    std::string out;
    out.reserve(text.size() + m_strPrefix.size() * 4);
    if (m_bStartOfDocument) {
        out += m_strPrefix;
        m_bStartOfDocument = false;
    }
    for (const char c : text) {
        if (m_bAfterCarriageReturn) {
            m_bAfterCarriageReturn = false;
            if (c == kLF) {
                out += kLF;
                out += m_strPrefix;
                continue;
            }
            out += m_strPrefix;
        }
        out += c;
        if (c == kCR) m_bAfterCarriageReturn = true;
    }
    if (bEndsMessage) {
        m_bAfterCarriageReturn = false;
        m_bStartOfDocument = true;
    }
    return out;
}

}  // namespace devices

#include "devices/StringTokenizer.h"

namespace devices {

CStringTokenizer::CStringTokenizer(std::string text) : m_strText(std::move(text)) {
    if (m_strText.size() > 2) m_iDelimiter = static_cast<unsigned char>(m_strText[2]);
    m_nPosition = FindDelimiter(0);
    NextToken();
}

std::size_t CStringTokenizer::FindDelimiter(std::size_t pos) const {
    if (m_iDelimiter < 0 || pos >= m_strText.size()) return m_strText.size();
    const std::size_t found = m_strText.find(static_cast<char>(m_iDelimiter), pos);
    return found == std::string::npos ? m_strText.size() : found;
}

bool CStringTokenizer::NextToken() {
    m_nPosition = FindDelimiter(m_nPosition + 1);
    m_bHasToken = m_nPosition + 2 < m_strText.size();
    if (!m_bHasToken) {
        m_nPosition = std::min(m_nPosition, m_strText.size());
        m_strCode.clear();
        m_strToken.clear();
        return false;
    }
    m_strCode = m_strText.substr(m_nPosition + 1, 2);
    const std::size_t end = FindDelimiter(m_nPosition + 1);
    m_strToken = m_strText.substr(m_nPosition, end - m_nPosition);
    return true;
}

std::string CStringTokenizer::Remainder() const {
    return m_nPosition < m_strText.size() ? m_strText.substr(m_nPosition) : std::string();
}

}  // namespace devices

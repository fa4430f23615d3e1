#include "devices/TextPrintout.h"

#include <cstdlib>
#include <cstring>

namespace devices {

namespace {

constexpr int kA4Width = 4961;  // 210 mm at 600 units per inch
constexpr int kA4Height = 7016;

// A length of the media name's size part in units ("210" mm, "8.5" in).
int Units(const std::string& text, double unitsPerLength) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !(v > 0) || v > 10000) return 0;
    return static_cast<int>(v * unitsPerLength + 0.5);
}

}  // namespace

void CTextPrintout::MediaSize(const std::string& strMedia, int& iWidth, int& iHeight) {
    iWidth = kA4Width;
    iHeight = kA4Height;
    // The size is the last part of the name: "<width>x<height><mm|in>".
    const std::size_t at = strMedia.rfind('_');
    const std::string size = at == std::string::npos ? strMedia : strMedia.substr(at + 1);
    const std::size_t x = size.find('x');
    if (x == std::string::npos || size.size() < 3) return;
    const std::string unit = size.substr(size.size() - 2);
    const double per = unit == "mm" ? kUnitsPerInch / 25.4 : unit == "in" ? kUnitsPerInch : 0.0;
    if (per == 0.0) return;
    const int w = Units(size.substr(0, x), per);
    const int h = Units(size.substr(x + 1, size.size() - x - 3), per);
    if (w > 0 && h > 0) {
        iWidth = w;
        iHeight = h;
    }
}

std::string CTextPrintout::FaceOf(const CTextSettings& s) {
    return !s.strFont.empty() && s.strFont.size() < 32 ? s.strFont : kDefaultFace;
}

int CTextPrintout::HeightOf(const CTextSettings& s) {
    int points = std::atoi(s.strFontSize.c_str());
    if (points < 1) points = kDefaultPoints;
    // -MulDiv(points, units per inch, 72), rounded to nearest.
    const long long units = (static_cast<long long>(points) * kUnitsPerInch + 36) / 72;
    return -static_cast<int>(units > 1000000 ? 1000000 : units);
}

bool CTextPrintout::Start(const CTextSettings& s, const std::string& strMedia) {
    m_pPage.reset();
    int width = 0, height = 0;
    MediaSize(strMedia, width, height);
    if (s.dwOrientation == 2) std::swap(width, height);
    std::unique_ptr<textpage::ITextPage> page =
        textpage::MakeTextPage(width, height, kUnitsPerInch);
    if (!page) return false;
    // The page's printable area starts at its corner: margins are the settings' own.
    auto units = [](std::int32_t thousandths) {
        return thousandths > 0
                   ? static_cast<int>(static_cast<long long>(thousandths) * kUnitsPerInch / 1000)
                   : 0;
    };
    m_iTopMargin = units(s.iMarginTop);
    m_iBottomMargin = units(s.iMarginBottom);
    m_iLeftMargin = units(s.iMarginLeft);
    m_iX = m_iLeftMargin;
    textpage::FontMetrics metrics;
    if (!page->SelectFont(FaceOf(s), -HeightOf(s), metrics)) return false;
    const int lineHeight = metrics.iAscent + metrics.iDescent + metrics.iGap;
    m_iLineHeight = lineHeight > 0 ? lineHeight : 1;
    const int lines = (height - m_iTopMargin - m_iBottomMargin) / m_iLineHeight;
    m_iLinesPerPage = lines > 0 ? lines : 1;
    m_iLine = 0;
    m_pPage = std::move(page);
    return true;
}

bool CTextPrintout::Write(const std::string& text, std::uint32_t& dwBytesSent) {
    dwBytesSent = 0;
    if (!m_pPage) return false;
    std::string clean = text;
    for (char& c : clean)
        if (c == '\r' || c == '\f') c = ' ';
    std::size_t from = 0;
    for (;;) {
        const std::size_t lf = clean.find('\n', from);
        const std::string line =
            clean.substr(from, lf == std::string::npos ? std::string::npos : lf - from);
        if (!line.empty() &&
            !m_pPage->TextOut(m_iX, m_iTopMargin + m_iLineHeight * m_iLine, line)) {
            return false;
        }
        if (lf == std::string::npos) {
            dwBytesSent += static_cast<std::uint32_t>(line.size());
            m_iX += m_pPage->TextWidth(line);
            return true;
        }
        dwBytesSent += static_cast<std::uint32_t>(line.size() + 1);
        if (++m_iLine >= m_iLinesPerPage) {
            m_iLine = 0;
            if (!m_pPage->NewPage()) return false;
        }
        m_iX = m_iLeftMargin;
        from = lf + 1;
    }
}

bool CTextPrintout::Finish(std::string& document) {
    if (!m_pPage) return false;
    const bool bDone = m_pPage->Finish(document);
    m_pPage.reset();
    return bDone;
}

}  // namespace devices

// One host message laid out as pages of text: a font and margins from the device's settings,
// the text drawn line by line (a line feed starts the next line, a full page the next page;
// carriage returns and form feeds print as blanks), a buffer without a line feed continued by
// the next one on the same line.
//
// Threads: one object belongs to its device's send thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "textpage/TextPage.h"

namespace devices {

// What the text printer's settings say of the printout.
struct CTextSettings {
    std::string strFont;
    std::string strFontSize;
    std::uint32_t dwOrientation = 1;  // 2: landscape
    std::int32_t iMarginTop = 0;      // thousandths of an inch
    std::int32_t iMarginBottom = 0;
    std::int32_t iMarginLeft = 0;
};

class CTextPrintout {
public:
    static constexpr int kUnitsPerInch = 600;
    static constexpr const char* kDefaultFace = "Courier";
    static constexpr int kDefaultPoints = 10;

    // The page size of a spooler's media name ("iso_a4_210x297mm", "na_letter_8.5x11in") in
    // device units; A4 for a name without a size.
    static void MediaSize(const std::string& strMedia, int& iWidth, int& iHeight);
    // The face and character height (negative, as a font request gives it) of the settings.
    static std::string FaceOf(const CTextSettings& s);
    static int HeightOf(const CTextSettings& s);

    // Starts the document on pages of the media's size; false (nothing kept) on failure.
    [[nodiscard]] bool Start(const CTextSettings& settings, const std::string& strMedia);
    // Draws the text; bytes taken in dwBytesSent. False when the page refused a line.
    [[nodiscard]] bool Write(const std::string& text, std::uint32_t& dwBytesSent);
    // Ends the document: its bytes. The printout is then closed, whatever the result.
    [[nodiscard]] bool Finish(std::string& document);
    // Drops an open document.
    void Abandon() { m_pPage.reset(); }
    bool IsOpen() const noexcept { return m_pPage != nullptr; }

    int LineHeight() const noexcept { return m_iLineHeight; }
    int LinesPerPage() const noexcept { return m_iLinesPerPage; }

private:
    std::unique_ptr<textpage::ITextPage> m_pPage;
    int m_iTopMargin = 0;
    int m_iBottomMargin = 0;
    int m_iLeftMargin = 0;
    int m_iX = 0;
    int m_iLineHeight = 1;
    int m_iLinesPerPage = 1;
    int m_iLine = 0;
};

}  // namespace devices

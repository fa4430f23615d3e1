// Pages of text drawn for a printer: a document of pages of a given size in device units,
// one font, lines of text placed by their top-left corner, and the finished document as PDF
// bytes for the spooler. The machine's pages are drawn with cairo (faces found through
// fontconfig); tests install pages of their own with fixed metrics.
//
// Threads: a page belongs to the thread that draws it; the factory is installed before the
// threads that draw start.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace textpage {

// The metrics of the selected font in device units.
struct FontMetrics {
    int iAscent = 0;
    int iDescent = 0;
    int iGap = 0;  // the extra leading between lines
};

class ITextPage {
public:
    virtual ~ITextPage() = default;
    // Selects the font: a face name and a character height in device units. False when no
    // font could be made.
    [[nodiscard]] virtual bool SelectFont(const std::string& strFace, int iHeight,
                                          FontMetrics& metrics) = 0;
    // Draws text (bytes in the Latin-1 set) with its cell's top-left corner at (x, y).
    [[nodiscard]] virtual bool TextOut(int x, int y, const std::string& text) = 0;
    // The advance width of the text in device units.
    virtual int TextWidth(const std::string& text) = 0;
    // Ends the current page and starts the next one.
    [[nodiscard]] virtual bool NewPage() = 0;
    // Ends the document: its bytes. False when the document could not be made.
    [[nodiscard]] virtual bool Finish(std::string& document) = 0;
};

// A document of pages iWidth by iHeight device units at iUnitsPerInch.
using TextPageFactory =
    std::function<std::unique_ptr<ITextPage>(int iWidth, int iHeight, int iUnitsPerInch)>;

// A new document from the installed factory, else a PDF document drawn with cairo.
std::unique_ptr<ITextPage> MakeTextPage(int iWidth, int iHeight, int iUnitsPerInch);
// Installs a factory in place of the machine's (an empty one gives it back).
void InstallTextPageFactory(TextPageFactory factory);

}  // namespace textpage

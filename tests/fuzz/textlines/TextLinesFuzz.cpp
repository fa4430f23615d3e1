// The text printer's line splitting over any buffers, on recorded pages: the first bytes
// give the font size and margins, the rest are buffers (a length byte and its bytes). Every
// byte is taken, no drawn text holds a line end, a carriage return or a form feed, every line
// lies within the page's lines, and the page count follows the line feeds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devices/TextPrintout.h"
#include "support/RecordingTextPage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    support::RecordingTextPages recorded;
    devices::CTextSettings s;
    s.strFontSize = std::to_string(data[0]);
    s.iMarginTop = data[1] * 40;
    s.iMarginBottom = data[2] * 40;
    s.dwOrientation = data[3] & 1 ? 2 : 1;
    devices::CTextPrintout printout;
    if (!printout.Start(s, "iso_a4_210x297mm")) std::abort();
    std::size_t at = 4, lineFeeds = 0;
    while (at < size) {
        std::size_t n = data[at++];
        if (n > size - at) n = size - at;
        const std::string text(reinterpret_cast<const char*>(data + at), n);
        at += n;
        std::uint32_t sent = 0;
        if (!printout.Write(text, sent) || sent != text.size()) std::abort();
        for (const char c : text) lineFeeds += c == '\n';
    }
    std::string doc;
    if (!printout.Finish(doc)) std::abort();
    const auto docs = recorded.Documents();
    const auto& d = docs.back();
    const int perPage = printout.LinesPerPage();
    if (perPage < 1 || printout.LineHeight() < 1) std::abort();
    if (static_cast<std::size_t>(d.iPages) != 1 + lineFeeds / static_cast<std::size_t>(perPage))
        std::abort();
    for (const auto& t : d.texts) {
        if (t.text.find_first_of("\r\n\f") != std::string::npos) std::abort();
        const int line = (t.y - s.iMarginTop * 600 / 1000) / printout.LineHeight();
        if (line < 0 || line >= perPage) std::abort();
    }
    return 0;
}

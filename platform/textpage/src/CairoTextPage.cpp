// Text pages as a PDF document drawn with cairo: one device unit is 1/iUnitsPerInch inch.
#include <cairo-pdf.h>
#include <cairo.h>

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstdlib>
#include <mutex>

#include "textpage/TextPage.h"

namespace textpage {

namespace {

constexpr double kPointsPerInch = 72.0;

// Latin-1 bytes as UTF-8, which cairo's text calls take.
std::string Utf8(const std::string& text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

class CCairoTextPage final : public ITextPage {
public:
    CCairoTextPage(int iWidth, int iHeight, int iUnitsPerInch) {
        const double scale = kPointsPerInch / iUnitsPerInch;
        m_surface = cairo_pdf_surface_create_for_stream(&Append, &m_document, iWidth * scale,
                                                        iHeight * scale);
        m_cr = cairo_create(m_surface);
        cairo_scale(m_cr, scale, scale);
        cairo_set_source_rgb(m_cr, 0, 0, 0);
    }
    ~CCairoTextPage() override {
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_surface);
    }
    CCairoTextPage(const CCairoTextPage&) = delete;
    CCairoTextPage& operator=(const CCairoTextPage&) = delete;

    bool SelectFont(const std::string& strFace, int iHeight, FontMetrics& metrics) override {
        if (!Good() || iHeight <= 0) return false;
        cairo_select_font_face(m_cr, strFace.c_str(), CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(m_cr, iHeight);
        cairo_font_extents_t extents;
        cairo_font_extents(m_cr, &extents);
        if (!Good()) return false;
        metrics.iAscent = static_cast<int>(std::lround(extents.ascent));
        metrics.iDescent = static_cast<int>(std::lround(extents.descent));
        const double gap = extents.height - extents.ascent - extents.descent;
        metrics.iGap = gap > 0 ? static_cast<int>(std::lround(gap)) : 0;
        m_iAscent = metrics.iAscent;
        return true;
    }
    bool TextOut(int x, int y, const std::string& text) override {
        cairo_move_to(m_cr, x, y + m_iAscent);
        cairo_show_text(m_cr, Utf8(text).c_str());
        return Good();
    }
    int TextWidth(const std::string& text) override {
        cairo_text_extents_t extents;
        cairo_text_extents(m_cr, Utf8(text).c_str(), &extents);
        return static_cast<int>(std::lround(extents.x_advance));
    }
    bool NewPage() override {
        cairo_show_page(m_cr);
        return Good();
    }
    bool Finish(std::string& document) override {
        cairo_show_page(m_cr);
        cairo_surface_finish(m_surface);
        if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) return false;
        document = std::move(m_document);
        return true;
    }

private:
    bool Good() const {
        return cairo_status(m_cr) == CAIRO_STATUS_SUCCESS &&
               cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS;
    }

    std::string m_document;
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
    int m_iAscent = 0;
};

std::mutex g_csFactory;
TextPageFactory g_factory;

}  // namespace

// The font caches of cairo and fontconfig, given back when the program ends (after its
// threads), so that they do not stand as leaks in a leak check.
static void ReleaseFontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

std::unique_ptr<ITextPage> MakeTextPage(int iWidth, int iHeight, int iUnitsPerInch) {
    {
        std::lock_guard lock(g_csFactory);
        if (g_factory) return g_factory(iWidth, iHeight, iUnitsPerInch);
    }
    static const int registered = std::atexit(&ReleaseFontCaches);
    static_cast<void>(registered);
    return std::make_unique<CCairoTextPage>(iWidth, iHeight, iUnitsPerInch);
}

void InstallTextPageFactory(TextPageFactory factory) {
    std::lock_guard lock(g_csFactory);
    g_factory = std::move(factory);
}

}  // namespace textpage

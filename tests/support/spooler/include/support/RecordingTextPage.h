// Text pages with fixed metrics that record what is drawn, for the layout's tests: a font of
// height h has ascent 8h/10, descent 2h/10, no gap, and every character is h/2 wide.
// Installed in place of the machine's pages while the object lives.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "textpage/TextPage.h"

namespace support {

class RecordingTextPages {
public:
    struct Text {
        int iPage, x, y;
        std::string text;
    };
    struct Document {
        int iWidth = 0, iHeight = 0;
        std::string strFace;
        int iHeightOfFont = 0;
        int iPages = 1;
        std::vector<Text> texts;
        bool bFinished = false;
    };

    RecordingTextPages();
    ~RecordingTextPages();
    RecordingTextPages(const RecordingTextPages&) = delete;
    RecordingTextPages& operator=(const RecordingTextPages&) = delete;

    std::vector<Document> Documents() const;
    // Fonts of this face cannot be made.
    void RefuseFace(const std::string& strFace) {
        std::lock_guard lock(m_cs);
        m_strRefused = strFace;
    }

private:
    class Page;
    mutable std::mutex m_cs;
    std::vector<Document> m_documents;
    std::string m_strRefused;
};

}  // namespace support

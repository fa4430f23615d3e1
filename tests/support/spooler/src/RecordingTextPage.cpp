#include "support/RecordingTextPage.h"

namespace support {

class RecordingTextPages::Page final : public textpage::ITextPage {
public:
    Page(RecordingTextPages& owner, std::size_t nIndex) : m_owner(owner), m_nIndex(nIndex) {}

    bool SelectFont(const std::string& strFace, int iHeight,
                    textpage::FontMetrics& metrics) override {
        std::lock_guard lock(m_owner.m_cs);
        if (strFace == m_owner.m_strRefused) return false;
        Doc().strFace = strFace;
        Doc().iHeightOfFont = iHeight;
        m_iHeight = iHeight;
        metrics = {iHeight * 8 / 10, iHeight * 2 / 10, 0};
        return true;
    }
    bool TextOut(int x, int y, const std::string& text) override {
        std::lock_guard lock(m_owner.m_cs);
        Doc().texts.push_back({Doc().iPages, x, y, text});
        return true;
    }
    int TextWidth(const std::string& text) override {
        return static_cast<int>(text.size()) * (m_iHeight / 2);
    }
    bool NewPage() override {
        std::lock_guard lock(m_owner.m_cs);
        ++Doc().iPages;
        return true;
    }
    bool Finish(std::string& document) override {
        std::lock_guard lock(m_owner.m_cs);
        Doc().bFinished = true;
        document = "%PDF-recorded";
        return true;
    }

private:
    Document& Doc() { return m_owner.m_documents[m_nIndex]; }

    RecordingTextPages& m_owner;
    std::size_t m_nIndex;
    int m_iHeight = 0;
};

RecordingTextPages::RecordingTextPages() {
    textpage::InstallTextPageFactory([this](int iWidth, int iHeight, int) {
        std::lock_guard lock(m_cs);
        Document doc;
        doc.iWidth = iWidth;
        doc.iHeight = iHeight;
        m_documents.push_back(doc);
        return std::make_unique<Page>(*this, m_documents.size() - 1);
    });
}

RecordingTextPages::~RecordingTextPages() {
    textpage::InstallTextPageFactory({});
}

std::vector<RecordingTextPages::Document> RecordingTextPages::Documents() const {
    std::lock_guard lock(m_cs);
    return m_documents;
}

}  // namespace support

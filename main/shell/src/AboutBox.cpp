#include "shell/AboutBox.h"

#include <cstring>

#include "buildstamp/Buildstamp.h"
#include "core/Branding.h"
#include "core/VekaStrings.h"

namespace shell {

namespace {

constexpr std::uint32_t IDS_ABOUT = 431;
constexpr std::uint32_t IDS_FILE_NAME = 445;
constexpr std::uint32_t IDS_VERSION = 446;
constexpr int kFileNameWidth = 100;
constexpr int kVersionWidth = 130;
// More parts than any build has: a count above it is no count.
constexpr int kMaxParts = 1024;

// A zero-terminated text within `size` bytes.
std::string Text(const unsigned char* bytes, std::size_t size) {
    const auto* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, strnlen(text, size));
}

}  // namespace

CAboutBox::CAboutBox() {
    const std::string product =
        core::LoadVekaString(core::BrandStringId(core::BrandText::ProductName));
    m_spec.caption = core::LoadVekaString(IDS_ABOUT) + " " + product;
    m_spec.width = 234;
    m_spec.height = 140;
    uikit::ControlSpec text{IDC_TEXT, uikit::ControlKind::Label, product + kVersion};
    uikit::ControlSpec versions{IDC_VERSIONS, uikit::ControlKind::List, ""};
    versions.columns = {{core::LoadVekaString(IDS_FILE_NAME), kFileNameWidth},
                        {core::LoadVekaString(IDS_VERSION), kVersionWidth}};
    m_spec.controls = {text, versions, {uikit::IDOK, uikit::ControlKind::Button, "OK"}};
}

std::vector<std::vector<std::string>> CAboutBox::VersionRows() {
    std::vector<std::vector<std::string>> rows;
    const int count = QueryForAllVersionsNum();
    if (count <= 0 || count > kMaxParts) return rows;
    std::vector<unsigned char> records(static_cast<std::size_t>(count) * buildstamp::kRecordSize);
    if (QueryForAllVersions(records.data(), count) != 0) return rows;
    for (int i = 0; i < count; ++i) {
        const unsigned char* record = records.data() + i * buildstamp::kRecordSize;
        rows.push_back({Text(record, buildstamp::kFileNameSize),
                        Text(record + buildstamp::kVersionOffset,
                             buildstamp::kRecordSize - buildstamp::kVersionOffset)});
    }
    return rows;
}

void CAboutBox::OnInitDialog(uikit::IControlPanel& panel) {
    for (const std::vector<std::string>& row : VersionRows()) panel.AddRow(IDC_VERSIONS, row);
}

void CAboutBox::OnCommand(int id, uikit::IControlPanel&) {
    if (id == uikit::IDOK || id == uikit::IDCANCEL) EndDialog(id);
}

void ShowAboutBox() {
    CAboutBox box;
    static_cast<void>(uikit::RunModal(box));
}

}  // namespace shell

#include "wizard/Messages.h"

#include "core/Branding.h"
#include "core/OperatorQuestion.h"
#include "core/VekaStrings.h"

namespace wizard {

namespace {

int Box(const std::string& text, std::uint32_t style) {
    const std::string caption =
        core::LoadVekaString(core::BrandStringId(core::BrandText::ProductName));
    constexpr std::uint32_t kIconMask = 0xF0;
    return core::OperatorMessageBox(text, caption,
                                    (style & kIconMask) != 0 ? style : style | MB_ICONSTOP);
}

}  // namespace

int StopBox(std::uint32_t textId, std::uint32_t style) {
    return Box(core::LoadVekaString(textId), style);
}

std::string FormatString1(std::uint32_t textId, const std::string& insert) {
    std::string text = core::LoadVekaString(textId);
    for (auto at = text.find("%1"); at != std::string::npos;
         at = text.find("%1", at + insert.size()))
        text.replace(at, 2, insert);
    return text;
}

int FormatBox(std::uint32_t textId, const std::string& insert, std::uint32_t style) {
    return Box(FormatString1(textId, insert), style);
}

}  // namespace wizard

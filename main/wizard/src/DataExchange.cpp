#include "wizard/DataExchange.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "core/Branding.h"
#include "core/OperatorQuestion.h"
#include "core/VekaStrings.h"
#include "wizard/Messages.h"

namespace wizard {

namespace {

constexpr std::uint32_t MB_ICONEXCLAMATION = 0x30;

void Refuse(uikit::IControlPanel& panel, int id, const char* text) {
    const std::string caption =
        core::LoadVekaString(core::BrandStringId(core::BrandText::ProductName));
    static_cast<void>(core::OperatorMessageBox(text, caption, MB_OK | MB_ICONEXCLAMATION));
    // The framework leaves the focus in the field it refused.
    panel.SetFocus(id);
}

}  // namespace

std::string ListText(const uikit::IControlPanel& panel, int id) {
    const int row = panel.Selected(id);
    return row < 0 ? std::string() : panel.RowText(id, row, 0);
}

void SelectListText(uikit::IControlPanel& panel, int id, const std::string& text) {
    panel.Select(id, uikit::FindRowByPrefix(panel, id, text));
}

bool ExchangeText(uikit::IControlPanel& panel, int id, std::size_t maxChars, std::string& out) {
    std::string text = panel.GetText(id);
    if (text.size() > maxChars) {
        char message[64];
        std::snprintf(message, sizeof message, "Enter no more than %lu characters.",
                      static_cast<unsigned long>(maxChars));
        Refuse(panel, id, message);
        return false;
    }
    out = std::move(text);
    return true;
}

bool ExchangeNumber(uikit::IControlPanel& panel, int id, std::uint32_t min, std::uint32_t max,
                    std::uint32_t& out) {
    const std::string text = panel.GetText(id);
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    const std::string digits =
        first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(digits.c_str(), &end, 10);
    const bool number =
        !digits.empty() && digits.front() != '-' && end != nullptr && *end == '\0' && errno == 0;
    if (!number || value < min || value > max) {
        char message[64];
        std::snprintf(message, sizeof message, "Enter a whole number from %lu to %lu.",
                      static_cast<unsigned long>(min), static_cast<unsigned long>(max));
        Refuse(panel, id, message);
        return false;
    }
    out = static_cast<std::uint32_t>(value);
    return true;
}

double LeadingNumber(const std::string& text) {
    // Blanks, a sign, digits, and a fraction: what the stored number is made of too.
    std::size_t end = text.find_first_not_of(" \t");
    if (end == std::string::npos) return 0;
    const std::size_t start = end;
    if (text[end] == '+' || text[end] == '-') ++end;
    const auto digits = [&] {
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    };
    digits();
    if (end < text.size() && text[end] == '.') {
        ++end;
        digits();
    }
    return std::strtod(text.substr(start, end - start).c_str(), nullptr);
}

bool NumberInRange(const std::string& text, double min, double max) {
    const double value = LeadingNumber(text);
    return value >= min && value <= max;
}

std::string Decimal(std::uint32_t value) {
    return std::to_string(value);
}

}  // namespace wizard

#include "quil/SessionError.h"

#include <algorithm>
#include <cstring>

#include "quil/Translation.h"

namespace quil {

namespace {

constexpr DisconnectAction L = DisconnectAction::Leave;
constexpr DisconnectAction C = DisconnectAction::Clear;
constexpr DisconnectAction S = DisconnectAction::Set;

constexpr std::size_t kCodeLength = 5;

// clang-format off
constexpr SessionErrorRow kTable[] = {
    {"7QP01", false, {{{1029, S}, {0, L}, {0, C}, {1029, S}, {1029, S}}}},
    {"7QP02", false, {{{1029, S}, {0, L}, {0, C}, {1029, S}, {1029, S}}}},
    {"7QS01", false, {{{1030, S}, {0, L}, {0, C}, {1030, S}, {1030, S}}}},
    {"7QS02", false, {{{1030, S}, {1030, S}, {0, S}, {1030, S}, {1030, S}}}},
    {"7QS03", false, {{{1030, L}, {1030, L}, {1030, L}, {1030, L}, {1030, L}}}},
    {"7QS04", false, {{{1030, S}, {1030, S}, {1030, S}, {1030, S}, {1030, S}}}},
    {"7QS05", false, {{{1030, S}, {1030, S}, {1030, S}, {1030, S}, {1030, S}}}},
    {"7QS06", false, {{{1030, S}, {0, L}, {0, C}, {1030, S}, {1030, S}}}},
    {"7QS07", true,  {{{0, L}, {0, L}, {1030, S}, {1030, S}, {1030, S}}}},
    {"7QS08", false, {{{1033, L}, {1030, L}, {1030, L}, {1030, L}, {1030, L}}}},
    {"7QS09", false, {{{1034, S}, {1030, S}, {0, S}, {1030, S}, {1030, S}}}},
    {"7QS10", false, {{{1035, S}, {1030, S}, {0, S}, {1030, S}, {1030, S}}}},
    {"7QC01", false, {{{1031, S}, {0, L}, {0, C}, {1031, S}, {1031, S}}}},
    {"7QC02", false, {{{1031, S}, {0, L}, {0, C}, {1031, S}, {1031, S}}}},
    {"7QC03", true,  {{{1031, S}, {0, L}, {0, C}, {1031, S}, {1031, S}}}},
    {"7QC04", false, {{{1031, S}, {0, L}, {0, C}, {1031, S}, {1031, S}}}},
    {"7QC05", false, {{{1031, L}, {1031, L}, {1031, L}, {1031, L}, {1031, L}}}},
    {"7QC06", false, {{{1031, S}, {0, L}, {0, C}, {1031, S}, {1031, S}}}},
};
// clang-format on

// The code is in client code already when it starts with a digit and a capital letter; in host
// code those are F0-F9 and C1-E9, so the two cannot be confused.
bool IsClientCode(std::span<const std::uint8_t> code) noexcept {
    return code[0] >= '0' && code[0] <= '9' && code[1] >= 'A' && code[1] <= 'Z';
}

std::string Printable(const std::vector<std::uint8_t>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    // Stop at a terminator, as the text of the message ends there.
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

}  // namespace

std::span<const SessionErrorRow> SessionErrorTable() noexcept {
    return kTable;
}

const SessionErrorRow* FindSessionError(std::string_view code) noexcept {
    for (const auto& row : kTable)
        if (code == row.code) return &row;
    return nullptr;
}

bool HandleSessionError(SessionErrorState& state, const SessionErrorLog& log) {
    auto emit = [&](const std::string& line) {
        if (log) log(line);
    };
    state.code.clear();
    if (state.message.size() >= kCodeLength) {
        const std::span<const std::uint8_t> head(state.message.data(), kCodeLength);
        if (IsClientCode(head)) {
            state.code.assign(head.begin(), head.end());
        } else {
            for (std::uint8_t b : head)
                state.code.push_back(static_cast<char>(HostToClientByte(b)));
        }
    }
    emit("HandleSessionError() : Error Code " + state.code + " ");

    const SessionErrorRow* row =
        state.code.size() == kCodeLength ? FindSessionError(state.code) : nullptr;
    const std::size_t kind = state.header.Kind();
    if (row != nullptr && kind < row->byKind.size()) {
        const SessionErrorEffect effect = row->byKind[kind];
        state.lastError = effect.error;
        if (effect.action == DisconnectAction::Clear) state.disconnectedByHost = false;
        if (effect.action == DisconnectAction::Set) state.disconnectedByHost = true;
        if (row->special && state.code == "7QS07") {
            state.header.SetKind(kSessionMaintain);
        } else if (row->special && state.code == "7QC03") {
            emit(
                "HandleSessionError():Dropping all the options due to the Error [C03 UNABLE TO "
                "INSERT OPTION]");
            std::fill(state.optionsArea.begin(), state.optionsArea.end(), 0);
            state.optionBytes = 0;
        }
    } else {
        row = nullptr;
        state.lastError = kErrSession;
        emit("HandleSessionError() : Invalid error string ");
    }

    const std::string whole = Printable(state.message);
    emit("HandleSessionError() : QUIL Error String is " + whole + " ");
    state.protocolErrorText = whole;
    state.message.push_back(0);
    return row != nullptr;
}

}  // namespace quil

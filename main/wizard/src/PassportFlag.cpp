#include "wizard/PassportFlag.h"

#include <atomic>

namespace wizard {

namespace {

std::atomic<bool> g_bPassportReader{false};

}  // namespace

void SetPassportReaderFlag(bool passportReader) noexcept {
    g_bPassportReader = passportReader;
}

bool PassportReaderFlag() noexcept {
    return g_bPassportReader;
}

}  // namespace wizard

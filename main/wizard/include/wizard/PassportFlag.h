// The program's passport reader flag: set while the wizard configures a passport reader,
// which has no host connection, so that the route page lets it pass untouched.
#pragma once

namespace wizard {

void SetPassportReaderFlag(bool passportReader) noexcept;
[[nodiscard]] bool PassportReaderFlag() noexcept;

}  // namespace wizard

// Message boxes of modules that have no window of their own: the program installs a hook
// that shows them (a dialog when windowed, a script in tests); without one a box is
// answered IDOK at once, as a headless program would. Any thread; the hook runs on the
// calling thread.
#pragma once

#include <functional>
#include <string>

namespace platform {

inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;

using MessageBoxHook =
    std::function<int(const std::string& caption, const std::string& text, unsigned type)>;

// Replaces the hook (an empty one removes it).
void SetMessageBoxHook(MessageBoxHook hook);
// Shows a box through the hook and gives its answer.
int ShowMessageBox(const std::string& caption, const std::string& text, unsigned type);

}  // namespace platform

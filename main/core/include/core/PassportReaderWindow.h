// The window that receives passport data: handed over by an outside program with
// "PassportReaderRequest" to the main frame, which keeps it here for the passport reader
// device. Both of the message's parameters are kept: the window and the value that goes
// with it.
//
// Threads: any; the frame writes on the user-interface thread, the device reads on its own.
#pragma once

#include "platform/EventLoop.h"
#include "platform/WindowFrame.h"

namespace core {

struct PassportReaderWindow {
    platform::WindowHandle window = 0;  // 0: none handed over yet
    platform::LPARAM value = 0;
};

void SetPassportReaderWindow(const PassportReaderWindow& target);
[[nodiscard]] PassportReaderWindow GetPassportReaderWindow();

}  // namespace core

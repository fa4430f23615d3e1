// Line rates that have no speed code of their own (7200, 14400 ... baud): set and read
// through the kernel's free-rate interface. Kept apart from the termios code, whose
// headers cannot stand beside the kernel's.
#pragma once

namespace platform::portio {

// Sets both directions of the terminal at fd to baud; false with errno set when refused.
bool SetFreeSpeed(int fd, unsigned long baud);
// The output rate of the terminal at fd when it runs at a free rate, else 0.
unsigned long FreeSpeed(int fd);

}  // namespace platform::portio

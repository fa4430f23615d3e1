#include "LineSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace platform::portio {

bool SetFreeSpeed(int fd, unsigned long baud) {
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ospeed = static_cast<speed_t>(baud);
    tio.c_ispeed = static_cast<speed_t>(baud);
    return ::ioctl(fd, TCSETS2, &tio) == 0;
}

unsigned long FreeSpeed(int fd) {
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0 || (tio.c_cflag & CBAUD) != BOTHER) return 0;
    return tio.c_ospeed;
}

}  // namespace platform::portio

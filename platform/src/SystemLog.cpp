#include "platform/SystemLog.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "platform/Process.h"
#include "platform/Win32Error.h"

namespace platform {

namespace {

// Daemon facility (3), error priority (3).
constexpr int kPriority = 3 * 8 + 3;

}  // namespace

SystemLog::SystemLog(std::string ident, std::filesystem::path socket)
    : m_ident(std::move(ident)), m_socket(std::move(socket)) {}

std::string SystemLog::Record(const std::string& text) const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char stamp[32] = "";
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%b %e %H:%M:%S", &local);
    char head[160];
    std::snprintf(head, sizeof head, "<%d>%s %.64s[%u]: ", kPriority, stamp, m_ident.c_str(),
                  static_cast<unsigned>(GetCurrentProcessId()));
    std::string record = head;
    for (std::size_t i = 0; i < text.size() && i < kMaxText; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        record += c < 0x20 || c == 0x7F ? ' ' : static_cast<char>(c);
    }
    return record;
}

bool SystemLog::WriteErrors(const std::vector<std::string>& texts) const {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = m_socket.string();
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    bool all = true;
    DWORD error = ERROR_SUCCESS;
    for (const std::string& text : texts) {
        const std::string record = Record(text);
        if (::sendto(fd, record.data(), record.size(), MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&address), sizeof address) < 0) {
            error = FromErrno(errno);
            all = false;
        }
    }
    ::close(fd);
    if (!all) SetLastError(error);
    return all;
}

}  // namespace platform

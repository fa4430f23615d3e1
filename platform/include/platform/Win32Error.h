// Win32 error numbers as the rest of the system speaks them, a per-thread last error, and
// the system texts for them.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

using DWORD = std::uint32_t;

enum Win32Error : DWORD {
    ERROR_SUCCESS = 0,
    ERROR_INVALID_FUNCTION = 1,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_PATH_NOT_FOUND = 3,
    ERROR_TOO_MANY_OPEN_FILES = 4,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_NOT_ENOUGH_MEMORY = 8,
    ERROR_INVALID_DATA = 13,
    ERROR_OUTOFMEMORY = 14,
    ERROR_NOT_SAME_DEVICE = 17,
    ERROR_NOT_READY = 21,
    ERROR_WRITE_FAULT = 29,
    ERROR_READ_FAULT = 30,
    ERROR_GEN_FAILURE = 31,
    ERROR_SHARING_VIOLATION = 32,
    ERROR_LOCK_VIOLATION = 33,
    ERROR_HANDLE_EOF = 38,
    ERROR_NOT_SUPPORTED = 50,
    ERROR_FILE_EXISTS = 80,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_BROKEN_PIPE = 109,
    ERROR_DISK_FULL = 112,
    ERROR_INSUFFICIENT_BUFFER = 122,
    ERROR_INVALID_NAME = 123,
    ERROR_MOD_NOT_FOUND = 126,
    ERROR_PROC_NOT_FOUND = 127,
    ERROR_DIR_NOT_EMPTY = 145,
    ERROR_BUSY = 170,
    ERROR_ALREADY_EXISTS = 183,
    ERROR_BAD_PIPE = 230,
    ERROR_PIPE_BUSY = 231,
    ERROR_NO_DATA = 232,
    ERROR_PIPE_NOT_CONNECTED = 233,
    ERROR_MORE_DATA = 234,
    ERROR_NO_MORE_ITEMS = 259,
    ERROR_TOO_MANY_POSTS = 298,
    ERROR_PIPE_CONNECTED = 535,
    ERROR_PIPE_LISTENING = 536,
    ERROR_OPERATION_ABORTED = 995,
    ERROR_IO_INCOMPLETE = 996,
    ERROR_IO_PENDING = 997,
    ERROR_NOACCESS = 998,
    ERROR_REGISTRY_CORRUPT = 1015,
    ERROR_KEY_DELETED = 1018,
    ERROR_SERVICE_DOES_NOT_EXIST = 1060,
    ERROR_CANCELLED = 1223,
    ERROR_INVALID_WINDOW_HANDLE = 1400,
    ERROR_TIMEOUT = 1460,
    WAIT_TIMEOUT = 258,
};

// The calling thread's last error, as GetLastError/SetLastError keep it.
DWORD GetLastError() noexcept;
void SetLastError(DWORD code) noexcept;

// Maps an errno value to the nearest Win32 error number.
DWORD FromErrno(int err) noexcept;
// Sets the last error from errno and returns it.
DWORD SetLastErrorFromErrno() noexcept;

// The system's message for a code, as FormatMessage gives it (ends with ".\r\n"); empty
// for a code without a message.
std::string SystemErrorText(DWORD code);
// "(%d) %s": the code and its system message with CR, LF and FF removed.
std::string FormatErrorCode(DWORD code);

}  // namespace platform

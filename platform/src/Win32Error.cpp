#include "platform/Win32Error.h"

#include <cerrno>
#include <cstdio>

#include "platform/WinsockError.h"

namespace platform {

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct ErrorText {
    DWORD code;
    const char* text;
};

constexpr ErrorText kTexts[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, "Incorrect function."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
    {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
    {ERROR_NOT_READY, "The device is not ready."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_READ_FAULT, "The system cannot read from the specified device."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_LOCK_VIOLATION,
     "The process cannot access the file because another process has locked a portion of "
     "the file."},
    {ERROR_HANDLE_EOF, "Reached the end of the file."},
    {ERROR_NOT_SUPPORTED, "The request is not supported."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BROKEN_PIPE, "The pipe has been ended."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
    {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_BUSY, "The requested resource is in use."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_BAD_PIPE, "The pipe state is invalid."},
    {ERROR_PIPE_BUSY, "All pipe instances are busy."},
    {ERROR_NO_DATA, "The pipe is being closed."},
    {ERROR_PIPE_NOT_CONNECTED, "No process is on the other end of the pipe."},
    {ERROR_MORE_DATA, "More data is available."},
    {WAIT_TIMEOUT, "The wait operation timed out."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_TOO_MANY_POSTS, "Too many posts were made to a semaphore."},
    {ERROR_PIPE_CONNECTED, "There is a process on other end of the pipe."},
    {ERROR_PIPE_LISTENING, "Waiting for a process to open the other end of the pipe."},
    {ERROR_OPERATION_ABORTED,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request."},
    {ERROR_IO_INCOMPLETE, "Overlapped I/O event is not in a signaled state."},
    {ERROR_IO_PENDING, "Overlapped I/O operation is in progress."},
    {ERROR_NOACCESS, "Invalid access to memory location."},
    {ERROR_REGISTRY_CORRUPT,
     "The structure of one of the files containing registry data is corrupt, or the image "
     "of the file in memory is corrupt, or the file could not be recovered because the "
     "alternate copy or log was absent or corrupt."},
    {ERROR_KEY_DELETED,
     "Illegal operation attempted on a registry key that has been marked for "
     "deletion."},
    {ERROR_SERVICE_DOES_NOT_EXIST, "The specified service does not exist as an installed service."},
    // The service manager's own codes (named where service mode uses them).
    {1062, "The service has not been started."},
    {1063, "The service process could not connect to the service controller."},
    {ERROR_CANCELLED, "The operation was canceled by the user."},
    {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
};

}  // namespace

DWORD GetLastError() noexcept {
    return t_lastError;
}

void SetLastError(DWORD code) noexcept {
    t_lastError = code;
}

DWORD FromErrno(int err) noexcept {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EBADF:
            return ERROR_INVALID_HANDLE;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EBUSY:
            return ERROR_SHARING_VIOLATION;
        case EWOULDBLOCK:
            return ERROR_LOCK_VIOLATION;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        case EPIPE:
            return ERROR_BROKEN_PIPE;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_INVALID_NAME;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ETIMEDOUT:
            return ERROR_TIMEOUT;
        case ECANCELED:
            return ERROR_OPERATION_ABORTED;
        case EOPNOTSUPP:
            return ERROR_NOT_SUPPORTED;
        case ENXIO:
        case ENODEV:
            return ERROR_NOT_READY;
        case EIO:
            return ERROR_GEN_FAILURE;
        default:
            return ERROR_GEN_FAILURE;
    }
}

DWORD SetLastErrorFromErrno() noexcept {
    const DWORD code = FromErrno(errno);
    SetLastError(code);
    return code;
}

std::string SystemErrorText(DWORD code) {
    for (const auto& entry : kTexts) {
        if (entry.code == code) return std::string(entry.text) + "\r\n";
    }
    const std::string socketText = WinsockErrorText(static_cast<int>(code));
    return socketText.empty() ? socketText : socketText + "\r\n";
}

std::string FormatErrorCode(DWORD code) {
    std::string message;
    for (char c : SystemErrorText(code)) {
        if (c != '\r' && c != '\n' && c != '\f') message.push_back(c);
    }
    char head[32];
    std::snprintf(head, sizeof head, "(%d) ", static_cast<int>(code));
    return head + message;
}

}  // namespace platform

// The queue file: an append-only file of records that a back-office system reads in order.
//
// Record layout (every record, one after the other from the start of the file; no file
// header, no padding):
//   offset 0  2 bytes  record code, little-endian
//   offset 2  2 bytes  data length n, little-endian
//   offset 4  n bytes  data, as given
// A record is appended whole, under an exclusive lock on the queue file that every process
// writing it takes, so records of several writers never interleave. A write that fails half
// way is cut off again, so the file always ends at a record boundary.
//
// Handles are process-wide; a handle may be used by several threads (a process-local lock
// per handle keeps their records apart).
#pragma once

#include <cstdint>

// The result of OpenQFile when the file cannot be opened.
inline constexpr std::uint32_t kQFileInvalidHandle = 0xFFFFFFFF;

// Results of WriteQFile.
enum : int {
    QFILE_OK = 0,
    QFILE_BAD_HANDLE = 1,     // not a handle of OpenQFile, or closed
    QFILE_BAD_PARAMETER = 2,  // no data pointer for a non-empty record
    QFILE_LOCKED = 3,         // another writer held the queue file too long
    QFILE_WRITE_FAILED = 4,   // the record could not be written (nothing of it stays)
};

// Opens the queue file (a Windows path such as "C:\SPL\QWORK.SF", under the machine root),
// making it when missing (its folder must exist). kQFileInvalidHandle on failure, with the
// last error set.
std::uint32_t OpenQFile(const char* fullQueuePath);
// Appends one record. QFILE_OK when it was written.
int WriteQFile(std::uint32_t handle, std::uint16_t recordCode, const std::uint8_t* data,
               std::uint16_t length);
// Closes the handle (nothing happens for one that is not open).
void CloseQFile(std::uint32_t handle);

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "platform/Win32Error.h"

using namespace platform;

TEST(Win32Error, LastErrorIsPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD other = 1;
    std::thread([&] { other = GetLastError(); }).join();
    EXPECT_EQ(other, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(Win32Error, FormattedTextDropsLineBreaksAndUnknownCodesKeepTheirNumber) {
    EXPECT_EQ(FormatErrorCode(ERROR_FILE_NOT_FOUND),
              "(2) The system cannot find the file specified.");
    EXPECT_EQ(FormatErrorCode(987654), "(987654) ");
    EXPECT_EQ(FromErrno(ENOENT), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FromErrno(EACCES), ERROR_ACCESS_DENIED);
}

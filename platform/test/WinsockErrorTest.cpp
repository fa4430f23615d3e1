#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <thread>

#include "platform/Win32Error.h"
#include "platform/WinsockError.h"

using namespace platform;

TEST(WinsockError, ErrnoAndResolverFailuresMapToTheSocketErrorOfTheSameFailure) {
    struct Case {
        int err;
        int code;
    };
    const Case errnoCases[] = {
        {0, 0},
        {EWOULDBLOCK, WSAEWOULDBLOCK},
        {EINPROGRESS, WSAEWOULDBLOCK},  // a non-blocking connect under way
        {EALREADY, WSAEALREADY},
        {ECONNREFUSED, WSAECONNREFUSED},
        {ETIMEDOUT, WSAETIMEDOUT},
        {ECONNRESET, WSAECONNRESET},
        {EPIPE, WSAECONNRESET},
        {ECONNABORTED, WSAECONNABORTED},
        {ENOTCONN, WSAENOTCONN},
        {EISCONN, WSAEISCONN},
        {EADDRINUSE, WSAEADDRINUSE},
        {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
        {ENETUNREACH, WSAENETUNREACH},
        {EHOSTUNREACH, WSAEHOSTUNREACH},
        {ENOTSOCK, WSAENOTSOCK},
        {EBADF, WSAENOTSOCK},
        {EINVAL, WSAEINVAL},
        {ESHUTDOWN, WSAESHUTDOWN},
        {EMFILE, WSAEMFILE},
        {ENOBUFS, WSAENOBUFS},
    };
    for (const Case& c : errnoCases) {
        EXPECT_EQ(WinsockErrorFromErrno(c.err), c.code) << "errno " << c.err;
    }
    const Case resolverCases[] = {
        {0, 0},
        {EAI_NONAME, WSAHOST_NOT_FOUND},
        {EAI_AGAIN, WSATRY_AGAIN},
        {EAI_FAIL, WSANO_RECOVERY},
        {EAI_NODATA, WSANO_DATA},
    };
    for (const Case& c : resolverCases) {
        EXPECT_EQ(WinsockErrorFromResolver(c.err), c.code) << "resolver code " << c.err;
    }
    errno = ECONNREFUSED;
    EXPECT_EQ(WinsockErrorFromResolver(EAI_SYSTEM), WSAECONNREFUSED);
}

TEST(WinsockError, LastSocketErrorIsTheThreadsLastError) {
    WSASetLastError(WSAECONNRESET);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAECONNRESET));
    errno = ETIMEDOUT;
    EXPECT_EQ(SetWinsockErrorFromErrno(), WSAETIMEDOUT);
    int other = -1;
    std::thread([&] { other = WSAGetLastError(); }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
}

TEST(WinsockError, EveryNamedCodeHasItsNameAndASystemText) {
    // The conventional names follow the codes in their standard order; a slip of one row
    // would give every later code its neighbour's name.
    struct Case {
        int code;
        const char* name;
    };
    const Case cases[] = {
        {WSAEINTR, "Interrupted System Call"},
        {WSAEMFILE, "Too Many Open Files"},
        {WSAEWOULDBLOCK, "Operation Would Block"},
        {WSAEOPNOTSUPP, "Operation Not Support on Socket"},
        {WSAECONNRESET, "Connection Reset by Peer"},
        {WSAETIMEDOUT, "Connection Timed Out"},
        {WSAECONNREFUSED, "Connection Refused"},
        {WSAEHOSTUNREACH, "No Route To Host"},
        {WSAEREMOTE, "Too Many Levels of Remote in Path"},
        {WSANOTINITIALISED, "Successful WSASTARTUP not yet performed"},
        {WSAHOST_NOT_FOUND, "Host Not Found"},
        {WSANO_DATA, "Valid Name, No Data Record of Requested Type (Name Service Problem)"},
    };
    for (const Case& c : cases) EXPECT_EQ(WinsockErrorName(c.code), c.name) << c.code;

    int named = 0;
    for (int code = 10000; code <= 11010; ++code) {
        const bool hasName = !WinsockErrorName(code).empty();
        EXPECT_EQ(hasName, !WinsockErrorText(code).empty()) << code;
        named += hasName ? 1 : 0;
    }
    EXPECT_EQ(named, 50);
    EXPECT_EQ(WinsockErrorName(10090), "");
}

TEST(WinsockError, SystemTextOfASocketErrorReadsLikeAnyOtherSystemText) {
    EXPECT_EQ(SystemErrorText(WSAECONNREFUSED),
              "No connection could be made because the target machine actively refused it.\r\n");
    EXPECT_EQ(FormatErrorCode(WSAEWOULDBLOCK),
              "(10035) A non-blocking socket operation could not be completed immediately.");
    EXPECT_EQ(SystemErrorText(10090), "");
}

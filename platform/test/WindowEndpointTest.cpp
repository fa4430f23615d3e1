#include "platform/WindowEndpoint.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "support/TempRoot.h"

using namespace platform;

namespace {

// Waits (bounded) for the endpoint's descriptor and takes one frame.
bool ReceiveWithin(WindowEndpoint& e, WindowFrame& out, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (e.Receive(out)) return true;
        pollfd p{e.Descriptor(), POLLIN, 0};
        ::poll(&p, 1, 50);
    }
    return false;
}

// Writes raw bytes into an endpoint, as a foreign program might.
void SendRaw(WindowHandle target, const std::vector<std::uint8_t>& bytes) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = (WindowEndpoint::Folder() / std::to_string(target)).string();
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&addr),
                       sizeof addr),
              static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

}  // namespace

TEST(WindowEndpoint, CarriesMessagesWithTheSenderAndSkipsWhatIsNoFrame) {
    support::TempRoot root;
    WindowEndpoint a;
    WindowEndpoint b;
    ASSERT_TRUE(a.Bind());
    ASSERT_TRUE(b.Bind());
    ASSERT_NE(a.Handle(), b.Handle());
    struct stat st {};
    ASSERT_EQ(::stat((WindowEndpoint::Folder() / std::to_string(b.Handle())).c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0660u);

    SendRaw(b.Handle(), {1, 2, 3});
    ASSERT_TRUE(a.Send(b.Handle(), WindowFrame::Registered("SvhandleRequest", a.Handle(), 9)));
    ASSERT_TRUE(a.Send(b.Handle(), WindowFrame::Numbered(10001, 'G', 0)));
    WindowFrame got;
    ASSERT_TRUE(ReceiveWithin(b, got));
    EXPECT_EQ(got.MessageId(), RegisterWindowMessage("SvhandleRequest"));
    EXPECT_EQ(got.wParam, a.Handle());
    EXPECT_EQ(got.lParam, 9);
    EXPECT_EQ(got.sender, a.Handle());
    ASSERT_TRUE(ReceiveWithin(b, got));
    EXPECT_EQ(got.number, 10001u);
    EXPECT_FALSE(b.Receive(got));
    EXPECT_EQ(GetLastError(), ERROR_NO_DATA);

    EXPECT_FALSE(a.Send(b.Handle(), WindowFrame::Numbered(0xC001, 0, 0)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(WindowEndpoint, ClassNamesFindTheLivingWindow) {
    support::TempRoot root;
    EXPECT_EQ(WindowEndpoint::FindWindow("VEKA001"), 0u);
    WindowEndpoint first;
    ASSERT_TRUE(first.Bind("VEKA001"));
    EXPECT_EQ(WindowEndpoint::FindWindow("VEKA001"), first.Handle());
    EXPECT_EQ(WindowEndpoint::FindWindow("VEKA002"), 0u);

    WindowEndpoint second;  // takes the name over
    ASSERT_TRUE(second.Bind("VEKA001"));
    EXPECT_EQ(WindowEndpoint::FindWindow("VEKA001"), second.Handle());
    first.Close();  // leaves the name that is no longer its own
    EXPECT_EQ(WindowEndpoint::FindWindow("VEKA001"), second.Handle());
    second.Close();
    EXPECT_EQ(WindowEndpoint::FindWindow("VEKA001"), 0u);

    WindowEndpoint bad;
    for (const char* name : {"../x", ".hidden", "a b", ""}) {
        if (*name == 0) continue;
        EXPECT_FALSE(bad.Bind(name)) << name;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    }
    EXPECT_FALSE(bad.IsBound());
}

TEST(WindowEndpoint, AGonePeerIsReported) {
    support::TempRoot root;
    WindowEndpoint a;
    WindowEndpoint b;
    ASSERT_TRUE(a.Bind());
    ASSERT_TRUE(b.Bind());
    const WindowHandle gone = b.Handle();
    b.Close();
    for (const WindowHandle target : {gone, WindowHandle{12345}, WindowHandle{0}}) {
        EXPECT_FALSE(a.Send(target, WindowFrame::Numbered(10003, 0, 0))) << target;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    }
}

TEST(WindowEndpoint, APeerThatDoesNotReadLosesLettersButNeverBlocksTheSender) {
    support::TempRoot root;
    WindowEndpoint sender;
    WindowEndpoint slow;
    ASSERT_TRUE(sender.Bind());
    ASSERT_TRUE(slow.Bind());
    constexpr int kSent = 2000;
    int accepted = 0;
    for (int i = 0; i < kSent; ++i) {
        if (sender.Send(slow.Handle(), WindowFrame::Numbered(10001, static_cast<WPARAM>(i), 0)))
            ++accepted;
        else
            EXPECT_EQ(GetLastError(), ERROR_BUSY);
    }
    EXPECT_EQ(sender.Waiting(slow.Handle()), WindowEndpoint::kQueueLimit);
    EXPECT_EQ(sender.Lost(), static_cast<std::size_t>(kSent - accepted));
    ASSERT_LT(accepted, kSent);

    // Once the peer reads, every accepted letter arrives, in order.
    std::vector<WPARAM> got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < static_cast<std::size_t>(accepted) &&
           std::chrono::steady_clock::now() < end) {
        WindowFrame f;
        while (slow.Receive(f)) got.push_back(f.wParam);
        WindowFrame none;
        EXPECT_FALSE(sender.Receive(none));  // sends what waits
        pollfd p[2] = {{slow.Descriptor(), POLLIN, 0}, {sender.Descriptor(), POLLIN, 0}};
        ::poll(p, 2, 50);
    }
    ASSERT_EQ(got.size(), static_cast<std::size_t>(accepted));
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], i);
    EXPECT_EQ(sender.Waiting(slow.Handle()), 0u);

    // A peer that goes while letters wait for it: they are dropped and it is reported.
    for (int i = 0; i < 300; ++i)
        static_cast<void>(sender.Send(slow.Handle(), WindowFrame::Numbered(10001, 0, 0)));
    ASSERT_GT(sender.Waiting(slow.Handle()), 0u);
    slow.Close();
    EXPECT_FALSE(sender.Send(slow.Handle(), WindowFrame::Numbered(10003, 0, 0)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(sender.Waiting(slow.Handle()), 0u);
}

TEST(WindowEndpoint, BroadcastReachesEveryOtherLivingWindow) {
    support::TempRoot root;
    WindowEndpoint a;
    WindowEndpoint b;
    WindowEndpoint c;
    WindowEndpoint left;
    ASSERT_TRUE(a.Bind("VEKA"));
    ASSERT_TRUE(b.Bind());
    ASSERT_TRUE(c.Bind());
    ASSERT_TRUE(left.Bind());
    // A window whose process ended without closing leaves its socket behind.
    const std::string stale = (WindowEndpoint::Folder() / "99").string();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, stale.c_str(), stale.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
    left.Close();

    EXPECT_EQ(a.Broadcast(WindowFrame::Registered("SvVekaRequest", a.Handle(), 0)), 2u);
    for (WindowEndpoint* e : {&b, &c}) {
        WindowFrame got;
        ASSERT_TRUE(ReceiveWithin(*e, got));
        EXPECT_EQ(got.name, "SvVekaRequest");
        EXPECT_EQ(got.wParam, a.Handle());
    }
    WindowFrame none;
    EXPECT_FALSE(a.Receive(none));
}

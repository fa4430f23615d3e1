#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "session/DriverAbi.h"

namespace {

// The position of a virtual operation in its class's table: a pointer to a virtual member
// holds 1 + the byte offset of its entry.
template <typename Member>
std::size_t Slot(Member member) {
    struct Representation {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    };
    static_assert(sizeof(Member) == sizeof(Representation));
    Representation r{};
    std::memcpy(&r, &member, sizeof r);
    EXPECT_EQ(r.pointer % 2, 1u) << "not a virtual operation";
    return (r.pointer - 1) / sizeof(void*);
}

using Slots = std::vector<std::pair<const char*, std::size_t>>;

void ExpectInOrder(const Slots& slots) {
    for (std::size_t i = 0; i < slots.size(); ++i) {
        EXPECT_EQ(slots[i].second, i) << slots[i].first;
    }
}

TEST(DriverAbiTest, CallbackOperationsKeepTheirSlots) {
    using A = CApiBaseInterface;
    ExpectInOrder({{"OnReceive", Slot(&A::OnReceive)},
                   {"OnHostAvailable", Slot(&A::OnHostAvailable)},
                   {"OnConnect", Slot(&A::OnConnect)},
                   {"OnDisconnect", Slot(&A::OnDisconnect)},
                   {"OnHostAddress", Slot(&A::OnHostAddress)},
                   {"OnStoreSessionChanges", Slot(&A::OnStoreSessionChanges)},
                   {"OnURLNotification", Slot(&A::OnURLNotification)},
                   {"OnGetSessionData", Slot(&A::OnGetSessionData)},
                   {"OnGetCfgInfo", Slot(&A::OnGetCfgInfo)},
                   {"OnStoreCfgInfo", Slot(&A::OnStoreCfgInfo)},
                   {"OnLogDbgData", Slot(&A::OnLogDbgData)},
                   {"OnLogEBCDICData", Slot(&A::OnLogEBCDICData)},
                   {"OnLogASCIIData", Slot(&A::OnLogASCIIData)},
                   {"OnLogVA", Slot(&A::OnLogVA)},
                   {"OnLogEBCDIC", Slot(&A::OnLogEBCDIC)},
                   {"OnLogASCII", Slot(&A::OnLogASCII)},
                   {"SetLocalContext", Slot(&A::SetLocalContext)},
                   {"UpdateContext", Slot(&A::UpdateContext)}});
}

TEST(DriverAbiTest, DriverOperationsKeepTheirSlots) {
    using D = CHostDrvInterface;
    ExpectInOrder({{"ConnectToHost", Slot(&D::ConnectToHost)},
                   {"DisconnectFromHost", Slot(&D::DisconnectFromHost)},
                   {"SendToHost", Slot(&D::SendToHost)},
                   {"RecvFromHost", Slot(&D::RecvFromHost)},
                   {"IsHostAvailable", Slot(&D::IsHostAvailable)},
                   {"IsConnected", Slot(&D::IsConnected)},
                   {"GetHostAddr", Slot(&D::GetHostAddr)},
                   {"SetAccumulationMode", Slot(&D::SetAccumulationMode)},
                   {"SetDriverOption", Slot(&D::SetDriverOption)},
                   {"GetDriverSessionInfo", Slot(&D::GetDriverSessionInfo)},
                   {"EnqueueDataToChain", Slot(&D::EnqueueDataToChain)},
                   {"BackGroundConnect", Slot(&D::BackGroundConnect)},
                   {"WorkHostQueue", Slot(&D::WorkHostQueue)},
                   {"GetElementState", Slot(&D::GetElementState)},
                   {"SetElementState", Slot(&D::SetElementState)}});
}

TEST(DriverAbiTest, OptionsRecordLayout) {
    // The driver writes the length first and the data right behind it.
    QUILOptionsState record;
    const auto* base = reinterpret_cast<const unsigned char*>(&record);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&record.length) - base, 0);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&record.data) - base, 4);
    static_assert(sizeof(QUILOptionsState::data) == 68);
    static_assert(sizeof(QUILOptionsState::length) == 4);
    EXPECT_EQ(record.length, 0u);
    for (std::uint8_t byte : record.data) {
        EXPECT_EQ(byte, 0);
    }
    EXPECT_GT(record.timeStamp.Seconds(), 0);
}

TEST(DriverAbiTest, CodesAndPrioritiesAreThirtyTwoBitValues) {
    static_assert(sizeof(COMMError) == 4);
    static_assert(sizeof(EPRIORITY) == 4);
    static_assert(COMM_WAITING == 1003 && COMM_NO_RECV_DATA == 1007 && COMM_ERR_RECONNECT == 1009 &&
                  COMM_ERR_HOST_UNREACHABLE == 1045);
    static_assert(UTKLogger::CPriority::DEBUG == 800 && UTKLogger::CPriority::FATAL == 100);
}

}  // namespace

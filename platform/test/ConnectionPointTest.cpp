#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/ConnectionPoint.h"
#include "platform/EventLoop.h"
#include "support/TestPrinterControl.h"

using namespace platform;
using support::EventRecorder;

namespace {

constexpr DWORD kDeadlineMs = 10000;

std::vector<Variant> Flag(bool value) {
    return {Variant::Bool(value)};
}

}  // namespace

TEST(ConnectionPoint, EventsFromOtherThreadsRunOnTheOwnersLoopInTheOrderFired) {
    EventLoop loop;
    ConnectionPoint point;  // posts
    auto recorder = std::make_shared<EventRecorder>();
    DWORD cookie = 0;
    ASSERT_EQ(point.Advise(recorder, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);

    constexpr int kEvents = 200;
    std::thread firer([&] {
        for (int i = 0; i < kEvents; ++i) {
            const Variant args[] = {Variant::I4(i), Variant::BStr(std::string("x\0y", 3))};
            EXPECT_EQ(point.Fire(1 + i % 8, args), S_OK);
        }
    });
    const bool all = loop.PumpUntil([&] { return recorder->Count() == kEvents; }, kDeadlineMs);
    firer.join();
    ASSERT_TRUE(all);
    const auto events = recorder->Events();
    for (int i = 0; i < kEvents; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].id, 1 + i % 8);
        EXPECT_EQ(events[i].thread, std::this_thread::get_id());
        ASSERT_EQ(events[i].args.size(), 2u);
        EXPECT_EQ(events[i].args[0], Variant::I4(i));
        EXPECT_EQ(events[i].args[1], Variant::BStr(std::string("x\0y", 3)));
    }
}

TEST(ConnectionPoint, AnEventFiredOnTheLoopThreadComesAtOnceButAfterThoseWaiting) {
    EventLoop loop;
    ConnectionPoint point;
    auto recorder = std::make_shared<EventRecorder>();
    DWORD cookie = 0;
    ASSERT_EQ(point.Advise(recorder, &cookie), S_OK);

    std::thread firer([&] { EXPECT_EQ(point.Fire(3, Flag(true)), S_OK); });
    firer.join();
    EXPECT_EQ(recorder->Count(), 0u);  // posted, not yet run
    EXPECT_EQ(point.Fire(7, Flag(true)), S_OK);
    EXPECT_EQ(recorder->Ids(), (std::vector<DISPID>{3, 7}));
    // The posted notice finds nothing left to deliver.
    EXPECT_FALSE(loop.PumpUntil([&] { return recorder->Count() > 2; }, 50));
    EXPECT_EQ(recorder->Count(), 2u);
}

TEST(ConnectionPoint, ASentEventHasRunWhenFireReturns) {
    EventLoop loop;
    ConnectionPoint point(ConnectionPoint::Delivery::Send);
    auto recorder = std::make_shared<EventRecorder>();
    DWORD cookie = 0;
    ASSERT_EQ(point.Advise(recorder, &cookie), S_OK);

    std::atomic<std::size_t> seenAfterFire{0};
    std::thread firer([&] {
        EXPECT_EQ(point.Fire(5, Flag(false)), S_OK);
        seenAfterFire = recorder->Count();
    });
    EXPECT_TRUE(loop.PumpUntil([&] { return recorder->Count() == 1; }, kDeadlineMs));
    firer.join();  // returns only once the sink has run
    EXPECT_EQ(seenAfterFire.load(), 1u);
    const auto events = recorder->Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].thread, std::this_thread::get_id());
}

TEST(ConnectionPoint, AdviseAndUnadviseDecideWhoHears) {
    EventLoop loop;
    ConnectionPoint point;
    auto first = std::make_shared<EventRecorder>();
    auto second = std::make_shared<EventRecorder>();
    DWORD a = 0;
    DWORD b = 0;
    ASSERT_EQ(point.Advise(first, &a), S_OK);
    ASSERT_EQ(point.Advise(second, &b), S_OK);
    EXPECT_NE(a, b);
    EXPECT_EQ(point.Advise(nullptr, &a), E_POINTER);
    EXPECT_EQ(point.Advise(first, nullptr), E_POINTER);

    EXPECT_EQ(point.Fire(1, {}), S_OK);
    EXPECT_EQ(point.Unadvise(a), S_OK);
    EXPECT_EQ(point.Unadvise(a), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point.Unadvise(12345), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point.Fire(2, {}), S_OK);
    EXPECT_EQ(first->Ids(), (std::vector<DISPID>{1}));
    EXPECT_EQ(second->Ids(), (std::vector<DISPID>{1, 2}));

    // A reference could not outlive the call that fires it.
    Variant target;
    const Variant byRef[] = {Variant::ByRef(target)};
    EXPECT_EQ(point.Fire(3, byRef), E_INVALIDARG);
    EXPECT_EQ(second->Count(), 2u);
}

// A sink that, on its first event, unadvises the other sink: the other one hears nothing more,
// even of the event being delivered.
TEST(ConnectionPoint, ASinkUnadvisedDuringDeliveryHearsNoMore) {
    EventLoop loop;
    ConnectionPoint point;
    auto later = std::make_shared<EventRecorder>();
    DWORD laterCookie = 0;
    struct Remover final : IEventSink {
        ConnectionPoint* point = nullptr;
        DWORD* cookie = nullptr;
        void OnEvent(DISPID, std::span<const Variant>) override { (void)point->Unadvise(*cookie); }
    };
    auto remover = std::make_shared<Remover>();
    remover->point = &point;
    remover->cookie = &laterCookie;
    DWORD removerCookie = 0;
    ASSERT_EQ(point.Advise(remover, &removerCookie), S_OK);  // advised first, called first
    ASSERT_EQ(point.Advise(later, &laterCookie), S_OK);
    EXPECT_EQ(point.Fire(1, {}), S_OK);
    EXPECT_EQ(later->Count(), 0u);
}

TEST(ConnectionPoint, WithoutALoopEventsRunOnTheFiringThread) {
    std::unique_ptr<ConnectionPoint> point;
    std::thread owner([&] { point = std::make_unique<ConnectionPoint>(); });
    owner.join();
    auto recorder = std::make_shared<EventRecorder>();
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(recorder, &cookie), S_OK);
    std::thread::id firingThread;
    std::thread firer([&] {
        firingThread = std::this_thread::get_id();
        EXPECT_EQ(point->Fire(4, Flag(true)), S_OK);
    });
    firer.join();
    const auto events = recorder->Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].thread, firingThread);
    EXPECT_EQ(events[0].args, Flag(true));
}

// An object may go away in the handler of its own event (a container that deletes a device
// when its connection drops): the delivery in progress ends cleanly.
TEST(ConnectionPoint, ASinkMayDestroyTheConnectionPointItIsCalledBy) {
    EventLoop loop;
    struct Destroyer final : IEventSink {
        std::unique_ptr<ConnectionPoint> point;
        int calls = 0;
        void OnEvent(DISPID, std::span<const Variant>) override {
            ++calls;
            point.reset();
        }
    };
    for (const bool fromOtherThread : {false, true}) {
        SCOPED_TRACE(fromOtherThread ? "posted" : "direct");
        auto destroyer = std::make_shared<Destroyer>();
        destroyer->point = std::make_unique<ConnectionPoint>();
        ConnectionPoint* point = destroyer->point.get();
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(destroyer, &cookie), S_OK);
        if (fromOtherThread) {
            std::thread firer([&] {
                EXPECT_EQ(point->Fire(1, {}), S_OK);
                EXPECT_EQ(point->Fire(2, {}), S_OK);
            });
            firer.join();
            EXPECT_TRUE(loop.PumpUntil([&] { return destroyer->calls > 0; }, kDeadlineMs));
        } else {
            EXPECT_EQ(point->Fire(1, {}), S_OK);
        }
        EXPECT_EQ(destroyer->calls, 1);  // gone with its sinks: the second event is dropped
        EXPECT_FALSE(destroyer->point);
    }
}

// The owner's loop may end first (its thread quits while the object lives on): firing
// then says the loop is gone, for both ways of delivery, and the object still goes cleanly.
TEST(ConnectionPoint, OutlivesItsOwnersLoop) {
    for (const auto delivery : {ConnectionPoint::Delivery::Post, ConnectionPoint::Delivery::Send}) {
        std::unique_ptr<ConnectionPoint> point;
        std::thread owner([&] {
            EventLoop loop;
            point = std::make_unique<ConnectionPoint>(delivery);
        });
        owner.join();
        auto recorder = std::make_shared<EventRecorder>();
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(recorder, &cookie), S_OK);
        EXPECT_EQ(point->Fire(1, Flag(true)), HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE));
        EXPECT_TRUE(recorder->Events().empty());
        point.reset();
    }
}

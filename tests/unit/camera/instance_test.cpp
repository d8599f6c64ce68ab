// The camera instance's error history, its notifications and the device-ownership table.
#include "VonkelSdk.h"
#include "api/ProcessServices.h"
#include "camera/CVonkel.h"
#include "camera/OwnershipTable.h"
#include "platform/Process.h"
#include "support/MessageSink.h"
#include <gtest/gtest.h>
#include <cstring>
#include <thread>

namespace {

TEST(ErrorHistory, KeepsTheTwentyNewestAndDrainsNewestFirst) {
    CVonkel camera{ProcessServices()};
    for (int code = 1; code <= 21; ++code)
        camera.RaiseError(code);
    for (int code = 21; code >= 2; --code)
        EXPECT_EQ(code, camera.GetLastError());
    EXPECT_EQ(0, camera.GetLastError());
    EXPECT_EQ(0, camera.GetLastError());
}

TEST(ErrorHistory, NotificationFollowsEveryRecordInOrder) {
    MessageSink sink;
    CVonkel camera{ProcessServices()};
    ASSERT_EQ(1, camera.Initialize(sink.Handle()));
    camera.RaiseError(VONKEL_ERR_ARGUMENT);
    camera.RaiseError(VONKEL_ERR_DEVICE);
    camera.RaiseError(VONKEL_ERR_NONE);
    auto got = sink.Take();
    ASSERT_EQ(3u, got.size());
    const int32_t expected[] = {9, 2, 0};
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(uint32_t(VONKEL_WM_ERROR), got[i].message);
        EXPECT_EQ(0u, got[i].wparam);
        EXPECT_EQ(expected[i], got[i].lparam);
    }
    EXPECT_EQ(0, camera.GetLastError()) << "a pushed 0 is a real entry";
    EXPECT_EQ(2, camera.GetLastError());
}

TEST(ErrorHistory, NullWindowRecordsWithoutPostingExceptPostOnlyPaths) {
    MessageSink::TakeThreadQueue();
    CVonkel camera{ProcessServices()};
    ASSERT_EQ(1, camera.Initialize(nullptr));
    camera.RaiseError(VONKEL_ERR_MEMORY);
    EXPECT_TRUE(MessageSink::TakeThreadQueue().empty());
    camera.PostError(VONKEL_ERR_NOT_SUPPORTED);
    auto queued = MessageSink::TakeThreadQueue();
    ASSERT_EQ(1u, queued.size()) << "post-only paths post even without a window";
    EXPECT_EQ(11, queued[0].lparam);
    EXPECT_EQ(5, camera.GetLastError());
    EXPECT_EQ(0, camera.GetLastError()) << "post-only paths do not record";
}

TEST(ErrorHistory, PushesFromSeveralThreadsAreNeverLost) {
    CVonkel camera{ProcessServices()};
    std::thread a([&] { for (int i = 0; i < 10; ++i) camera.RaiseError(3); });
    std::thread b([&] { for (int i = 0; i < 10; ++i) camera.RaiseError(4); });
    a.join();
    b.join();
    int threes = 0, fours = 0;
    for (int i = 0; i < 20; ++i) {
        int code = camera.GetLastError();
        threes += code == 3;
        fours += code == 4;
    }
    EXPECT_EQ(10, threes);
    EXPECT_EQ(10, fours);
}

TEST(Ownership, ClaimAndReleaseOnlyTouchOwnRecord) {
    MessageSink sink;
    CVonkel camera{ProcessServices()};
    ASSERT_EQ(1, camera.Initialize(sink.Handle()));
    void *view = camera.SharedView();
    ASSERT_NE(nullptr, view);

    EXPECT_EQ(1, camera.ClaimDevice(3));
    ownership::Record rec = ownership::Read(view, 3);
    EXPECT_EQ(reinterpret_cast<uint64_t>(sink.Handle()), rec.ownerWindow);
    EXPECT_EQ(platform::MainModuleHandle(), rec.module);
    EXPECT_NE(0u, rec.reserved) << "the claiming instance";
    EXPECT_STREQ("VonkelSdk_430NVTX_QEL.dll", rec.fileName);
    // The record sits at the fixed offset other processes read.
    uint64_t raw;
    std::memcpy(&raw, static_cast<char *>(view) + 2140160 + 3 * 152, 8);
    EXPECT_EQ(reinterpret_cast<uint64_t>(sink.Handle()), raw);

    // Someone else's claim is left alone.
    ownership::Claim(view, 4, {0x1234, 77, 0, 0});
    EXPECT_EQ(1, camera.ReleaseDevice(4));
    EXPECT_EQ(0x1234u, ownership::Read(view, 4).ownerWindow);

    EXPECT_EQ(1, camera.ReleaseDevice(3));
    rec = ownership::Read(view, 3);
    EXPECT_EQ(0u, rec.ownerWindow);
    EXPECT_EQ(0u, rec.module);
    EXPECT_STREQ("", rec.fileName);
    ownership::Write(view, 4, ownership::Record{});
}

TEST(Ownership, WithoutViewBothReportFailure) {
    CVonkel camera{ProcessServices()}; // never initialised: no mapping
    EXPECT_EQ(0, camera.ClaimDevice(0));
    EXPECT_EQ(0, camera.ReleaseDevice(0));
}

TEST(Ownership, SecondInstanceSeesTheFirstOnesClaims) {
    CVonkel first{ProcessServices()}, second{ProcessServices()};
    ASSERT_EQ(1, first.Initialize(reinterpret_cast<WindowHandle>(0x50)));
    first.ClaimDevice(5);
    ASSERT_EQ(1, second.Initialize(nullptr));
    EXPECT_EQ(0x50u, ownership::Read(second.SharedView(), 5).ownerWindow) << "an existing mapping is not cleared";
    first.ReleaseDevice(5);
    EXPECT_EQ(0u, ownership::Read(second.SharedView(), 5).ownerWindow);
}

// Two handles may share a notification window: the one that goes must give back only a
// claim it made, not the streaming one's.
TEST(Ownership, TeardownKeepsAnotherHandlesClaimOnTheSameWindow) {
    MessageSink sink;
    CVonkel streaming{ProcessServices()};
    ASSERT_EQ(1, streaming.Initialize(sink.Handle()));
    {
        CVonkel idle{ProcessServices()};
        ASSERT_EQ(1, idle.Initialize(sink.Handle()));
        ASSERT_EQ(1, streaming.StartPreview());
        ASSERT_NE(0u, ownership::Read(streaming.SharedView(), 0).ownerWindow);
    }
    EXPECT_NE(0u, ownership::Read(streaming.SharedView(), 0).ownerWindow) << "the streaming handle's claim stays";
    EXPECT_EQ(1, streaming.StopPreview());
    EXPECT_EQ(0u, ownership::Read(streaming.SharedView(), 0).ownerWindow);
}

TEST(CaptureWindowCheck, BoundsAndSubsampling) {
    CaptureWindow w;
    EXPECT_TRUE(CVonkel::CaptureWindowValid(w, 0));
    EXPECT_TRUE(CVonkel::CaptureWindowValid(w, 1));
    for (int bad : {2, 3, 17, 18, 19})
        EXPECT_FALSE(CVonkel::CaptureWindowValid(w, bad)) << bad;
    w.EH = 600;
    w.EHS = 100;
    EXPECT_FALSE(CVonkel::CaptureWindowValid(w, 0)) << "700 > 640";
    w.EHS = 40;
    EXPECT_TRUE(CVonkel::CaptureWindowValid(w, 0));
    w = CaptureWindow{};
    w.EV = 513;
    EXPECT_FALSE(CVonkel::CaptureWindowValid(w, 0));
    w = CaptureWindow{};
    w.EVS = -1;
    EXPECT_FALSE(CVonkel::CaptureWindowValid(w, 0));
    w = CaptureWindow{};
    w.EH = 0x7FFFFFFF;
    w.EHS = 0x7FFFFFFF;
    EXPECT_FALSE(CVonkel::CaptureWindowValid(w, 0));
}

} // namespace

// Handles and the shared ownership mapping, through the DLL as an application uses it.
#include "VonkelSdk.h"
#include "support/ReleaseRace.h"
#include "win/ChildProcess.h"
#include "win/DllSupport.h"
#include <gtest/gtest.h>
#include <cstring>
#include <set>
#include <vector>

namespace {

constexpr size_t kTableOffset = 2140160;
constexpr size_t kRecordSize = 152;
constexpr const char *kChildStreams = "VonkelTestChildStreams";
constexpr const char *kChildMayEnd = "VonkelTestChildMayEnd";

TEST(DllLifecycle, HandlesAreNonZeroDistinctAndReleasedOnce) {
    std::set<int> handles;
    for (int i = 0; i < 5; ++i) {
        int h = Vonkel_Initialize(nullptr);
        ASSERT_NE(0, h);
        EXPECT_TRUE(handles.insert(h).second);
    }
    for (int h : handles) {
        EXPECT_EQ(1, Vonkel_Release(h));
        EXPECT_EQ(0, Vonkel_Release(h));
    }
    EXPECT_EQ(28837153, Vonkel_GetDllVersion());
}

TEST(DllLifecycle, ReleaseWhileOtherThreadsCallOnTheHandle) { EXPECT_EQ(0, testsupport::RunReleaseRace(60, 3)); }

TEST(DllLifecycle, ReleasedHandleGivesFailureValues) {
    int h = Vonkel_Initialize(nullptr);
    ASSERT_NE(0, h);
    ASSERT_EQ(1, Vonkel_Release(h));
    EXPECT_EQ(0, Vonkel_GetLastError(h));
    EXPECT_EQ(0, Vonkel_Release(h));
    EXPECT_EQ(0, Vonkel_GetLastError(0));
}

// Child: load the library, initialise and release; the parent's record must survive.
int ChildInitializeAndRelease(int, char **) {
    HANDLE m = OpenFileMappingA(FILE_MAP_READ, FALSE, "PELKOR_USBCAMERA");
    if (!m)
        return 10; // the parent's mapping must be visible here
    CloseHandle(m);
    int h = Vonkel_Initialize(nullptr);
    if (!h)
        return 11;
    return Vonkel_Release(h) == 1 ? 0 : 12;
}
ChildMode childInit("init-release", ChildInitializeAndRelease);

TEST(DllLifecycle, SecondProcessSharesTheOwnershipMappingWithoutClearingIt) {
    int h = Vonkel_Initialize(nullptr);
    ASSERT_NE(0, h);
    HANDLE m = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, "PELKOR_USBCAMERA");
    ASSERT_NE(nullptr, m) << "Initialize did not create the named mapping";
    auto *view = static_cast<unsigned char *>(MapViewOfFile(m, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(nullptr, view);
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(view, &info, sizeof info);
    EXPECT_GE(info.RegionSize, 4980736u);

    unsigned char *record = view + kTableOffset + 31 * kRecordSize;
    const char marker[] = "claimed-by-parent";
    std::memcpy(record + 24, marker, sizeof marker);
    view[100] = 0x5A; // inside the region a creator zeroes

    EXPECT_EQ(0, RunSelfAsChild("init-release"));
    EXPECT_STREQ(marker, reinterpret_cast<char *>(record + 24));
    EXPECT_EQ(0x5A, view[100]);

    std::memset(record, 0, kRecordSize);
    view[100] = 0;
    UnmapViewOfFile(view);
    CloseHandle(m);
    EXPECT_EQ(1, Vonkel_Release(h));
}

// Child: stream without a notification window, say so, and end when told the way a killed
// process ends, giving nothing back.
int ChildStreamAndDie(int, char **) {
    HANDLE streams = OpenEventA(EVENT_MODIFY_STATE, FALSE, kChildStreams);
    HANDLE mayEnd = OpenEventA(SYNCHRONIZE, FALSE, kChildMayEnd);
    const int h = Vonkel_Initialize(nullptr);
    if (!streams || !mayEnd || !h || Vonkel_StartPreview(h) != 1)
        return 10;
    SetEvent(streams);
    WaitForSingleObject(mayEnd, INFINITE);
    TerminateProcess(GetCurrentProcess(), 0);
    return 11;
}
ChildMode childStreamAndDie("stream-and-die", ChildStreamAndDie);

TEST(DllLifecycle, AProcessStreamingACameraHoldsItUntilItDies) {
    HANDLE streams = CreateEventA(nullptr, TRUE, FALSE, kChildStreams);
    HANDLE mayEnd = CreateEventA(nullptr, TRUE, FALSE, kChildMayEnd);
    HANDLE child = StartSelfAsChild("stream-and-die");
    ASSERT_NE(nullptr, child);
    HANDLE streamsOrEnded[] = {streams, child};
    const DWORD woken = WaitForMultipleObjects(2, streamsOrEnded, FALSE, 60000);
    CCamera cam;
    const int whileItStreams = Vonkel_StartPreview(cam);
    const std::vector<int> errors = cam.Drain();
    SetEvent(mayEnd);
    WaitForSingleObject(child, 60000);
    DWORD exitCode = 99;
    GetExitCodeProcess(child, &exitCode);
    // The child's handle is still open: its process id cannot be another process's yet.
    const int afterItDied = Vonkel_StartPreview(cam);
    Vonkel_StopPreview(cam);
    CloseHandle(child);
    CloseHandle(mayEnd);
    CloseHandle(streams);
    ASSERT_EQ(WAIT_OBJECT_0, woken) << "the child did not stream";
    EXPECT_EQ(0, whileItStreams);
    EXPECT_EQ((std::vector<int>{VONKEL_ERR_NO_CAMERA, VONKEL_ERR_DEVICE}), errors);
    EXPECT_EQ(0u, exitCode);
    EXPECT_EQ(1, afterItDied) << "a claim whose process has ended binds no one";
}

} // namespace

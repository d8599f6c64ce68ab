// Handles and the shared ownership mapping, through the DLL as an application uses it.
#include "VonkelSdk.h"
#include "support/ReleaseRace.h"
#include "win/ChildProcess.h"
#include <gtest/gtest.h>
#include <cstring>
#include <set>

namespace {

constexpr size_t kTableOffset = 2140160;
constexpr size_t kRecordSize = 152;

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

} // namespace

// The handle ring: order, moving head, removal, and handle lifecycle through the exports.
#include "VonkelSdk.h"
#include "api/CSdkChain.h"
#include "api/ProcessServices.h"
#include "api/CTRing.h"
#include "support/ReleaseRace.h"
#include "platform/CMemorySettingsStore.h"
#include <stdexcept>
#include "camera/CVonkel.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include <thread>
#include <vector>

namespace {

struct Rec {
    int32_t handle;
};

class Ring : public CTRing<Rec> {
public:
    ~Ring() { RemoveAll(); }
    std::vector<int32_t> Order() {
        std::vector<int32_t> out;
        if (!m_head)
            return out;
        Node *n = m_head;
        do {
            out.push_back(n->record.handle);
            EXPECT_EQ(n, n->next->prev) << "broken link at " << n->record.handle;
            n = n->next;
        } while (n != m_head);
        return out;
    }
    int32_t HeadKey() { return m_head ? m_head->record.handle : -1; }
};

TEST(Ring, InsertPutsNewestAtHeadBeforeFormerHead) {
    Ring ring;
    EXPECT_FALSE(ring.Find(1));
    EXPECT_EQ(0, ring.RemoveHead());
    ring.Insert({'X'});
    ring.Insert({'Y'});
    ring.Insert({'Z'});
    EXPECT_EQ((std::vector<int32_t>{'Z', 'Y', 'X'}), ring.Order());
    EXPECT_EQ(3, ring.Count());
}

TEST(Ring, LookupMovesHeadAndFailedLookupStopsAtFormerLast) {
    Ring ring;
    ring.Insert({'X'});
    ring.Insert({'Y'});
    ring.Insert({'Z'});
    ASSERT_TRUE(ring.Find('X'));
    EXPECT_EQ('X', ring.HeadKey());
    EXPECT_FALSE(ring.Find('Q'));
    EXPECT_EQ('Y', ring.HeadKey()) << "a failed search ends at the node that was last when it began";
    EXPECT_EQ(3, ring.Count());
}

TEST(Ring, SingleNodeFailedLookupKeepsHead) {
    Ring ring;
    ring.Insert({7});
    EXPECT_FALSE(ring.Find(8));
    EXPECT_EQ(7, ring.HeadKey());
    EXPECT_TRUE(ring.Contains(7));
    EXPECT_FALSE(ring.Contains(8));
}

TEST(Ring, RemoveKeepsLinksAndCount) {
    Ring ring;
    for (int i = 1; i <= 5; ++i)
        ring.Insert({i});
    EXPECT_EQ(1, ring.Remove(3));
    EXPECT_EQ(0, ring.Remove(3));
    EXPECT_EQ(4, ring.Count());
    auto order = ring.Order();
    EXPECT_EQ(4u, order.size());
    EXPECT_EQ(order.end(), std::find(order.begin(), order.end(), 3));
    ring.RemoveAll();
    EXPECT_EQ(0, ring.Count());
    EXPECT_EQ(-1, ring.HeadKey());
    EXPECT_EQ(0, ring.RemoveHead());
}

TEST(Ring, ContainsDoesNotMoveHead) {
    Ring ring;
    ring.Insert({1});
    ring.Insert({2});
    ring.Insert({3});
    EXPECT_TRUE(ring.Contains(1));
    EXPECT_FALSE(ring.Contains(9));
    EXPECT_EQ(3, ring.HeadKey());
}

TEST(Handles, InitializeGivesDistinctNonZeroHandlesAndReleaseWorksOnce) {
    std::set<int> handles;
    for (int i = 0; i < 8; ++i) {
        int h = Vonkel_Initialize(nullptr);
        ASSERT_NE(0, h);
        EXPECT_TRUE(handles.insert(h).second) << "duplicate handle " << h;
    }
    for (int h : handles) {
        EXPECT_EQ(1, Vonkel_Release(h));
        EXPECT_EQ(0, Vonkel_Release(h));
        EXPECT_EQ(0, Vonkel_GetLastError(h));
    }
}

TEST(Handles, UnregisteredHandleGivesFailureValues) {
    EXPECT_EQ(0, Vonkel_Release(0));
    EXPECT_EQ(0, Vonkel_GetLastError(0));
    EXPECT_EQ(0, Vonkel_GetLastError(12345));
    EXPECT_EQ(28837153, Vonkel_GetDllVersion());
}

TEST(Handles, ConcurrentInitializeAndReleaseFromSeveralThreads) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 40;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            std::vector<int> mine;
            for (int i = 0; i < kRounds; ++i) {
                int h = Vonkel_Initialize(nullptr);
                if (h == 0) {
                    ++failures[t];
                    continue;
                }
                mine.push_back(h);
                if (i % 3 == 2) {
                    failures[t] += Vonkel_Release(mine.front()) != 1;
                    mine.erase(mine.begin());
                }
            }
            for (int h : mine)
                failures[t] += Vonkel_Release(h) != 1;
        });
    }
    for (auto &th : threads)
        th.join();
    for (int f : failures)
        EXPECT_EQ(0, f);
    EXPECT_EQ(0, CSdkChain::Instance().Count());
}

TEST(Handles, ReleaseWhileOtherThreadsCallOnTheHandle) {
    EXPECT_EQ(0, testsupport::RunReleaseRace(30, 3));
    EXPECT_EQ(0, CSdkChain::Instance().Count());
}

// A release from inside a call on the same thread (a dialog's message loop) must not
// wait for that call; the call's end tears the instance down.
TEST(Handles, ReleaseFromInsideACallOnTheSameThreadLeavesTeardownToTheCall) {
    const int handle = Vonkel_Initialize(nullptr);
    ASSERT_NE(0, handle);
    std::weak_ptr<CVonkel> alive;
    {
        CSdkChain::CCall call(CSdkChain::Instance(), handle);
        ASSERT_TRUE(call);
        alive = CSdkChain::Instance().LookupCamera(handle);
        EXPECT_EQ(1, Vonkel_Release(handle));
        EXPECT_EQ(0, Vonkel_GetLastError(handle)) << "no call reaches a released handle";
        EXPECT_FALSE(alive.expired()) << "the call in flight still uses the instance";
    }
    EXPECT_TRUE(alive.expired());
}

// A store whose reads fail by throwing, as a registry read that runs out of memory would:
// the instance must neither stay registered nor write its unread defaults back.
class CThrowingStore final : public platform::ISettingsStore {
public:
    Key OpenKey(Key parent, const char *path, Access access) override { return m_store.OpenKey(parent, path, access); }
    Key CreateKey(Key parent, const char *path, bool *created) override { return m_store.CreateKey(parent, path, created); }
    void CloseKey(Key key) override { m_store.CloseKey(key); }
    bool ReadDword(Key key, const char *name, uint32_t *value) override {
        return failReads ? Fail() : m_store.ReadDword(key, name, value);
    }
    bool ReadBinary(Key key, const char *name, void *data, uint32_t size) override {
        return failReads ? Fail() : m_store.ReadBinary(key, name, data, size);
    }
    bool WriteDword(Key key, const char *name, uint32_t value) override {
        writes += failed;
        return m_store.WriteDword(key, name, value);
    }
    bool WriteBinary(Key key, const char *name, const void *data, uint32_t size) override {
        writes += failed;
        return m_store.WriteBinary(key, name, data, size);
    }
    bool failReads = false;
    bool failed = false;
    int writes = 0; // after the first failed read

private:
    bool Fail() {
        failed = true;
        throw std::runtime_error("read");
    }
    platform::CMemorySettingsStore m_store;
};

TEST(Handles, InitializeThatThrowsLeavesNothingRegisteredAndWritesNoSettings) {
    CThrowingStore store;
    const CameraServices services{ProcessServices().deviceIo, &store};
    const CameraServices *previous = SetProcessServicesForTesting(&services);
    ASSERT_EQ(1, Vonkel_Release(Vonkel_Initialize(nullptr))) << "a machine with stored settings";
    store.failReads = true;
    const int handle = Vonkel_Initialize(nullptr);
    SetProcessServicesForTesting(previous);
    EXPECT_EQ(0, handle);
    EXPECT_EQ(0, CSdkChain::Instance().Count());
    EXPECT_EQ(0, store.writes) << "settings that were never read are not written";
}

} // namespace

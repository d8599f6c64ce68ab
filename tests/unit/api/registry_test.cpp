// The handle ring: order, moving head, removal, and handle lifecycle through the exports.
#include "VonkelSdk.h"
#include "api/CSdkChain.h"
#include "api/CTRing.h"
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

} // namespace

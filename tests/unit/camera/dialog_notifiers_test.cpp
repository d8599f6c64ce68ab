// The open dialogs of a camera as the capture thread and a release reach them.
#include "camera/CDialogNotifierList.h"
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <thread>

namespace {

struct CCountingNotifier : IDialogNotifier {
    void FilterValuesChanged() override { ++heard; }
    void AnalogValueChanged(int, int value) override { heard += value; }
    void CameraReleased() override { ++released; }
    std::atomic<int> heard{0}, released{0};
};

// A dialog opened inside another's loop joins it; each hears until it closes; a release
// reaches the open ones and any that opens after it.
TEST(DialogNotifierList, EveryOpenDialogHearsAndAClosedOneNoLonger) {
    CDialogNotifierList list;
    CCountingNotifier first, nested, late;
    list.Add(first);
    list.Add(nested);
    list.FilterValuesChanged();
    list.AnalogValueChanged(IDialogNotifier::kGainEditBox, 10);
    list.Remove(nested);
    list.FilterValuesChanged();
    EXPECT_EQ(12, first.heard.load());
    EXPECT_EQ(11, nested.heard.load());
    EXPECT_FALSE(list.WaitUntilNoneOpen(std::chrono::milliseconds(1)));

    list.CameraReleased();
    list.Add(late);
    EXPECT_EQ(1, first.released.load());
    EXPECT_EQ(0, nested.released.load());
    EXPECT_EQ(1, late.released.load()) << "opened after the release began";
    list.Remove(first);
    list.Remove(late);
    EXPECT_TRUE(list.WaitUntilNoneOpen(std::chrono::milliseconds(1)));
}

// Dialogs come and go while the capture thread tells them about every frame: one freed
// right after it left the list is never entered again (AddressSanitizer would see it).
TEST(DialogNotifierList, ADialogThatLeftIsNeverCalledWhileFramesGoOn) {
    CDialogNotifierList list;
    std::atomic<bool> stop{false};
    std::thread capture([&] {
        while (!stop.load())
            list.FilterValuesChanged();
    });
    for (int i = 0; i < 2000; ++i) {
        auto dialog = std::make_unique<CCountingNotifier>();
        list.Add(*dialog);
        list.Remove(*dialog);
        dialog.reset();
    }
    stop.store(true);
    capture.join();
    EXPECT_TRUE(list.WaitUntilNoneOpen(std::chrono::milliseconds(1)));
}

} // namespace

// The preview window the library creates: where, how large, and what it shows.
#include "win/ChildProcess.h"
#include "win/DllSupport.h"
#include "win/Frames.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace {

// Top-level windows of this thread whose class the library registered.
std::vector<HWND> PreviewWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM l) -> BOOL {
            char cls[64] = {};
            GetClassNameA(h, cls, sizeof cls);
            if (std::strncmp(cls, "VideoRenderer_", 14) == 0)
                reinterpret_cast<std::vector<HWND> *>(l)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(5);
    }
}

class DllPreview : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteSdkKey();
        ASSERT_EQ(1, Vonkel_SetColorMode(cam, 24));
        ASSERT_EQ(1, Vonkel_SetWaitTime(cam, 1));
    }
    void TearDown() override {
        Vonkel_Close(cam);
        DeleteSdkKey();
    }
    CCamera cam;
};

TEST_F(DllPreview, CentredTopLevelWindowOfTheCaptureSize) {
    ASSERT_EQ(1, Vonkel_Preview(cam));
    auto windows = PreviewWindows();
    ASSERT_EQ(1u, windows.size());
    HWND w = windows[0];
    char title[64] = {};
    GetWindowTextA(w, title, sizeof title);
    EXPECT_STREQ("Active Window", title);
    EXPECT_EQ(0x16CF0000u, static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)) & 0x16CF0000u);
    RECT client{}, outer{};
    GetClientRect(w, &client);
    GetWindowRect(w, &outer);
    EXPECT_EQ(640, client.right);
    EXPECT_EQ(512, client.bottom);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - width) / 2, outer.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - height) / 2, outer.top);
    ASSERT_EQ(1, Vonkel_Close(cam));
    EXPECT_TRUE(PreviewWindows().empty()) << "Close destroys the window";

    ASSERT_EQ(1, Vonkel_SetSubSample(cam, 1));
    ASSERT_EQ(1, Vonkel_Preview(cam));
    windows = PreviewWindows();
    ASSERT_EQ(1u, windows.size());
    GetClientRect(windows[0], &client);
    EXPECT_EQ(320, client.right);
    EXPECT_EQ(256, client.bottom);
}

TEST_F(DllPreview, ChildWindowInTheApplicationsWindow) {
    CTestWindow parent;
    ShowWindow(parent.Handle(), SW_SHOW);
    SetWindowPos(parent.Handle(), nullptr, 0, 0, 700, 600, SWP_NOZORDER);
    ASSERT_EQ(1, Vonkel_SetPreviewWindow(cam, parent.Handle(), 10, 20, 200, 150));
    ASSERT_EQ(1, Vonkel_Preview(cam));
    HWND child = GetDlgItem(parent.Handle(), 6540);
    ASSERT_NE(nullptr, child);
    char title[64] = {};
    GetWindowTextA(child, title, sizeof title);
    EXPECT_STREQ("ActiveMovie Window", title);
    EXPECT_EQ(0x52000000u, static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)));
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent.Handle(), reinterpret_cast<POINT *>(&r), 2);
    EXPECT_EQ(10, r.left);
    EXPECT_EQ(20, r.top);
    EXPECT_EQ(210, r.right);
    EXPECT_EQ(170, r.bottom);
    EXPECT_TRUE(PreviewWindows().empty()) << "no top-level window as well";
    ASSERT_EQ(1, Vonkel_Close(cam));
    EXPECT_EQ(nullptr, GetDlgItem(parent.Handle(), 6540));
}

TEST_F(DllPreview, AllZeroRectangleWithoutParentMakesNoWindow) {
    ASSERT_EQ(1, Vonkel_SetPreviewWindow(cam, nullptr, 0, 0, 0, 0));
    ASSERT_EQ(1, Vonkel_Preview(cam));
    EXPECT_TRUE(PreviewWindows().empty());
    EXPECT_TRUE(cam.Drain().empty());
}

// The picture as the screen shows it: colour mode 2, 1:1, patches upright in their colours.
TEST_F(DllPreview, ScreenShowsTheSceneUprightInItsColours) {
    ASSERT_EQ(1, Vonkel_Preview(cam));
    auto windows = PreviewWindows();
    ASSERT_EQ(1u, windows.size());
    HWND w = windows[0];
    SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Pump(500);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 640;
    info.bmiHeader.biHeight = -512; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP shot = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, shot);
    ASSERT_TRUE(BitBlt(memory, 0, 0, 640, 512, screen, origin.x, origin.y, SRCCOPY));
    GdiFlush();
    const uint8_t *pixels = static_cast<const uint8_t *>(bits);
    int wrong = 0;
    for (int row = 0; row < 6; ++row) {
        for (int col = 0; col < 10; ++col) {
            const uint8_t *p = pixels + ((row * 64 + 32) * 640 + col * 64 + 32) * 4;
            int red, green, blue;
            PatchRgb(row, col, &red, &green, &blue);
            if (std::abs(p[2] - red) > 2 || std::abs(p[1] - green) > 2 || std::abs(p[0] - blue) > 2) {
                ++wrong;
                ADD_FAILURE() << "patch " << row << "," << col << ": screen " << int(p[2]) << "/" << int(p[1]) << "/"
                              << int(p[0]) << ", scene " << red << "/" << green << "/" << blue;
            }
        }
    }
    EXPECT_EQ(0, wrong);
    // The grey ramp grows to the right, the bar row lies below it: the picture is upright.
    const uint8_t *ramp = pixels + (416 * 640) * 4;
    EXPECT_LT(ramp[10 * 4 + 1], ramp[600 * 4 + 1]);
    SelectObject(memory, old);
    DeleteObject(shot);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// Four cameras of one process, each streaming into a window of its own.
int ChildFourCameras(int, char **) {
    std::vector<std::unique_ptr<CTestWindow>> windows;
    std::vector<std::unique_ptr<CCamera>> cams;
    for (int i = 0; i < 4; ++i) {
        windows.push_back(std::make_unique<CTestWindow>());
        cams.push_back(std::make_unique<CCamera>(windows.back()->Handle()));
        const int h = *cams.back();
        if (Vonkel_SetDeviceNumber(h, i) != 1)
            return 10 + i;
        Vonkel_SetColorMode(h, 8);
        Vonkel_SetWaitTime(h, 1);
        ShowWindow(windows.back()->Handle(), SW_SHOW);
        if (Vonkel_SetPreviewWindow(h, windows.back()->Handle(), 0, 0, 320, 256) != 1)
            return 20 + i;
        if (Vonkel_CallBackPreview(h, windows.back()->Handle(), nullptr, 0, 1) != 1)
            return 30 + i;
    }
    for (int i = 0; i < 4; ++i)
        if (windows[i]->WaitFor(VONKEL_WM_FRAME, 10, 10000).size() != 10)
            return 40 + i;
    for (int i = 0; i < 4; ++i)
        if (Vonkel_Close(*cams[i]) != 1 || !cams[i]->Drain().empty())
            return 50 + i;
    return 0;
}
ChildMode childFour("four-cameras", ChildFourCameras);

TEST(DllPreviewMany, FourCamerasStreamIntoFourWindows) {
    EXPECT_EQ(0, RunSelfAsChild("four-cameras", "VONKEL_SIMULATE=4"));
}

// The parent's thread keeps calling into the library while another thread makes and
// destroys child preview windows in it: the child's WM_PARENTNOTIFY needs the parent's
// thread, so a window made under one of the library's locks would hang both.
TEST_F(DllPreview, ChildWindowsOfAParentWhoseThreadCallsInDoNotHang) {
    CTestWindow parent;
    ASSERT_EQ(1, Vonkel_SetPreviewWindow(cam, parent.Handle(), 0, 0, 64, 64));
    std::atomic<bool> done{false};
    std::thread other([&] {
        for (int i = 0; i < 30; ++i) {
            Vonkel_CallBackPreview(cam, nullptr, nullptr, 0, 0);
            Vonkel_Close(cam);
        }
        done = true;
    });
    static unsigned char picture[640 * 3 * 512];
    const DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < 60000) {
        Vonkel_GetImage(cam, picture, sizeof picture, 1);
        Vonkel_SetCaptureWindowEx(cam, 640, 0, 640, 512, 0, 512);
        Pump(1);
    }
    const bool finished = done;
    if (!finished)
        TerminateProcess(GetCurrentProcess(), 3); // a hang cannot be unwound
    other.join();
    EXPECT_TRUE(finished);
}

// A window belongs to the thread that made it: a release on another thread hands its
// destruction (and its class) to that thread, which does it with its next messages.
TEST(DllPreviewRelease, OnAnotherThreadTakesThePreviewWindowAndItsClass) {
    const int h = Vonkel_Initialize(nullptr);
    ASSERT_NE(0, h);
    ASSERT_EQ(1, Vonkel_SetWaitTime(h, 1));
    ASSERT_EQ(1, Vonkel_Preview(h));
    const auto windows = PreviewWindows();
    ASSERT_EQ(1u, windows.size());
    char cls[64] = {};
    GetClassNameA(windows[0], cls, sizeof cls);
    std::thread([h] { EXPECT_EQ(1, Vonkel_Release(h)); }).join();
    Pump(50);
    EXPECT_TRUE(PreviewWindows().empty());
    WNDCLASSA info;
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), cls, &info)) << cls << " is still registered";
}

} // namespace

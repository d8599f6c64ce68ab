// The property dialogs as a person uses them: opened by the exports, worked by messages
// from a second thread, and judged by what the camera and the registry then hold.
#include "win/ChildProcess.h"
#include "win/DialogDriver.h"
#include "win/DllSupport.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

enum Dialog { kAnalog, kImage, kStream };
int (*const kOpenDialog[])(int, HWND) = {Vonkel_SetAnalogDlg, Vonkel_SetImageDlg, Vonkel_SetCameraDlg};
constexpr int kFrame = -1;

// What each dialog shows (English set, grey colour mode): control, class, text, and the
// range of a trackbar.
struct Expected {
    Dialog dialog;
    int page, id;
    const wchar_t *cls, *text;
    int low, high;
};
const Expected kControls[] = {
    {kAnalog, kFrame, 1001, L"SysTabControl32", nullptr, 0, 0},
    {kAnalog, kFrame, 1, L"Button", L"OK", 0, 0},
    {kAnalog, kFrame, 2, L"Button", L"Cancel", 0, 0},
    {kAnalog, kFrame, 3, L"Button", L"Default(&D)", 0, 0},
    {kAnalog, 0, 1013, L"msctls_trackbar32", nullptr, 0, 420},
    {kAnalog, 0, 1015, L"Edit", L"0", 0, 0},
    {kAnalog, 0, 1038, L"msctls_updown32", nullptr, 0, 0},
    {kAnalog, 0, 1018, L"msctls_trackbar32", nullptr, 0, 0},
    {kAnalog, 0, 1024, L"msctls_trackbar32", nullptr, 0, 0},
    {kAnalog, 0, 1026, L"msctls_trackbar32", nullptr, 1, 16777200},
    {kAnalog, 0, 1027, L"Edit", nullptr, 0, 0},
    {kAnalog, 0, 1043, L"msctls_updown32", nullptr, 0, 0},
    {kAnalog, 0, 1028, L"Button", L"Mirror V", 0, 0},
    {kAnalog, 0, 1029, L"Button", L"Mirror H", 0, 0},
    {kAnalog, 0, 1036, L"Button", L"Gain", 0, 0},
    {kAnalog, 0, 1037, L"Button", L"Exposure", 0, 0},
    {kAnalog, 0, 1049, L"Static", nullptr, 0, 0},
    {kImage, kFrame, 3, L"Button", L"Default(&D)", 0, 0},
    {kImage, 0, 2001, L"msctls_trackbar32", nullptr, -255, 255},
    {kImage, 0, 2002, L"Edit", L"0", 0, 0},
    {kImage, 0, 2004, L"msctls_updown32", nullptr, 0, 0},
    {kImage, 0, 2011, L"msctls_trackbar32", nullptr, -127, 127},
    {kImage, 0, 2021, L"msctls_trackbar32", nullptr, -360, 360},
    {kImage, 0, 2031, L"msctls_trackbar32", nullptr, -255, 255},
    {kImage, 0, 2041, L"msctls_trackbar32", nullptr, 0, 30},
    {kImage, 0, 2051, L"msctls_trackbar32", nullptr, 0, 400},
    {kImage, 0, 2063, L"msctls_updown32", nullptr, 0, 0},
    {kImage, 0, 2073, L"msctls_updown32", nullptr, 0, 0},
    {kImage, 0, 2081, L"msctls_trackbar32", nullptr, 0, 200},
    {kImage, 0, 2082, L"Edit", L"100", 0, 0},
    {kImage, 0, 2074, L"Button", L"Once", 0, 0},
    {kImage, 0, 1035, L"Button", L"All frames", 0, 0},
    {kImage, 0, 1033, L"Button", L"3", 0, 0},
    {kImage, 1, 2100, L"msctls_trackbar32", nullptr, 0, 400},
    {kImage, 1, 2122, L"Edit", nullptr, 0, 0},
    {kImage, 1, 2123, L"msctls_updown32", nullptr, 0, 0},
    {kImage, 1, 1046, L"Button", L"Bayer", 0, 0},
    {kImage, 1, 1047, L"Button", L"Bayer convert", 0, 0},
    {kImage, 1, 1048, L"Button", L"Grayscale", 0, 0},
    {kStream, kFrame, 1001, L"SysTabControl32", nullptr, 0, 0},
    {kStream, kFrame, 1009, L"ComboBox", L"Monochrome 8bit", 0, 0},
    {kStream, kFrame, 1010, L"ComboBox", L"640 x 512", 0, 0},
    {kStream, kFrame, 1012, L"ComboBox", L"1/1", 0, 0},
    {kStream, kFrame, 1014, L"ComboBox", nullptr, 0, 0},
    {kStream, kFrame, 1041, L"Edit", L"640", 0, 0},
    {kStream, kFrame, 1044, L"Edit", L"0", 0, 0},
    {kStream, kFrame, 1045, L"Edit", L"1", 0, 0},
    {kStream, kFrame, 1002, L"Button", L"Apply(&A)", 0, 0},
};

const std::string kDevice = std::string(kSdkKey) + "\\Camera_00";

class DllDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        // A fresh instance on a machine without settings: the default size list and format.
        cam.reset();
        DeleteSdkKey();
        cam = std::make_unique<CCamera>();
        ASSERT_EQ(1, Vonkel_SetColorMode(*cam, 8));
    }
    void TearDown() override {
        Vonkel_StopPreview(*cam);
        cam.reset();
        DeleteSdkKey();
    }
    std::unique_ptr<CDialogDriver> Open(Dialog which) {
        const int handle = *cam;
        auto driver = std::make_unique<CDialogDriver>([handle, which] { return kOpenDialog[which](handle, nullptr); });
        EXPECT_TRUE(driver->Shown());
        return driver;
    }
    // The exit code of a child mode, run while this process holds no camera.
    int RunInChild(const std::string &args, const std::string &environment = "") {
        cam.reset();
        const int code = RunSelfAsChild(args, environment);
        cam = std::make_unique<CCamera>();
        return code;
    }
    int Get(int (*getter)(int, int *)) const {
        int ok = 0;
        return getter(*cam, &ok);
    }
    // Mean level of the processed 8-bit picture.
    double MeanLevel() const {
        std::vector<unsigned char> picture(640 * 512);
        if (!Vonkel_GetImage(*cam, picture.data(), static_cast<int>(picture.size()), 1))
            return -1;
        double sum = 0;
        for (unsigned char v : picture)
            sum += v;
        return sum / picture.size();
    }
    // Frames of a callback preview: the camera writes into it until TearDown stops it, so
    // it lives as long as the fixture, not the test body.
    std::vector<unsigned char> delivery = std::vector<unsigned char>(640 * 512);
    std::unique_ptr<CCamera> cam;
};

TEST_F(DllDialogs, EachDialogShowsItsTitleTabsControlsAndRanges) {
    const std::vector<std::wstring> tabs[] = {{L"Analog Gain"}, {L"Image Filter", L"Gray Filter"}, {L"Stream Format"}};
    for (Dialog which : {kAnalog, kImage, kStream}) {
        auto d = Open(which);
        ASSERT_TRUE(d->Shown());
        EXPECT_EQ(L"Property", CDialogDriver::Text(d->Frame()));
        EXPECT_EQ(tabs[which], d->TabTexts());
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(d->Frame(), 1001), GWL_STYLE) & TCS_OWNERDRAWFIXED);
        for (const Expected &e : kControls) {
            if (e.dialog != which)
                continue;
            HWND c = d->Control(e.id, e.page);
            ASSERT_TRUE(c) << "dialog " << which << " control " << e.id;
            EXPECT_EQ(0, _wcsicmp(e.cls, CDialogDriver::ClassOf(c).c_str())) << e.id;
            if (e.text) {
                EXPECT_EQ(e.text, CDialogDriver::Text(c)) << e.id;
            }
            if (e.low || e.high) {
                EXPECT_EQ(e.low, SendMessageW(c, TBM_GETRANGEMIN, 0, 0)) << e.id;
                EXPECT_EQ(e.high, SendMessageW(c, TBM_GETRANGEMAX, 0, 0)) << e.id;
            }
        }
        EXPECT_EQ(1, d->Close(IDCANCEL));
    }
}

TEST_F(DllDialogs, ImageFilterEnablingFollowsTheColourMode) {
    const int bars[] = {2001, 2011, 2021, 2031, 2041, 2051, 2061, 2071, 2081};
    const bool grey[] = {true, true, false, false, true, false, false, false, true};
    for (int bits : {16, 24}) {
        ASSERT_EQ(1, Vonkel_SetColorMode(*cam, bits));
        auto d = Open(kImage);
        ASSERT_TRUE(d->Shown());
        EXPECT_EQ(bits == 16 ? 2u : 1u, d->TabTexts().size()) << bits;
        for (size_t i = 0; i < 9; ++i)
            EXPECT_EQ(bits == 24 || grey[i], IsWindowEnabled(d->Control(bars[i], 0)) != 0) << bits << " " << bars[i];
        EXPECT_EQ(bits == 24, IsWindowEnabled(d->Control(1030, 0)) != 0);
        EXPECT_EQ(bits == 24, IsWindowEnabled(d->Control(2074, 0)) != 0);
        d->Close(IDCANCEL);
    }
}

TEST_F(DllDialogs, BrightnessIsLiveCancelRestoresOkKeepsDefaultResets) {
    ASSERT_EQ(1, Vonkel_SetGrayMode(*cam, 1));
    ASSERT_EQ(1, Vonkel_SetBrightness(*cam, -50));
    ASSERT_EQ(1, Vonkel_SetWaitTime(*cam, 1));
    ASSERT_EQ(1, Vonkel_StartPreview(*cam));
    Sleep(300);
    const double before = MeanLevel();
    {
        auto d = Open(kImage);
        d->Slide(d->Control(2001, 0), 100);
        EXPECT_EQ(L"100", CDialogDriver::Text(d->Control(2002, 0)));
        EXPECT_EQ(100, Get(Vonkel_GetBrightness));
        double after = before;
        for (int i = 0; i < 300 && after < before + 100; ++i, Sleep(30))
            after = MeanLevel();
        EXPECT_GE(after, before + 100) << "the open dialog's brightness reaches the picture";
        EXPECT_EQ(1, d->Close(IDCANCEL));
    }
    EXPECT_EQ(-50, Get(Vonkel_GetBrightness));
    {
        auto d = Open(kImage);
        d->Type(d->Control(2002, 0), L"35");
        EXPECT_EQ(35, SendMessageW(d->Control(2001, 0), TBM_GETPOS, 0, 0));
        EXPECT_EQ(1, d->Close(IDOK));
    }
    EXPECT_EQ(35, Get(Vonkel_GetBrightness));
    {
        auto d = Open(kImage);
        d->Click(d->Control(3));
        EXPECT_EQ(L"0", CDialogDriver::Text(d->Control(2002, 0)));
        EXPECT_EQ(L"128", CDialogDriver::Text(d->Control(2101, 1)));
        d->Close(IDOK);
    }
    EXPECT_EQ(0, Get(Vonkel_GetBrightness));
    EXPECT_EQ(100, Get(Vonkel_GetGamma));
    EXPECT_EQ(2, Get(Vonkel_GetBayerMode));
    EXPECT_EQ(128, Get(Vonkel_GetGrayGainG2));
    EXPECT_EQ(0, Get(Vonkel_GetGrayOffsetB));
    EXPECT_EQ(1, Get(Vonkel_GetGrayMode)) << "Default keeps the gray filter mode";
}

TEST_F(DllDialogs, GrayAllFramesTogglesAndOnceAsksOnePass) {
    auto d = Open(kImage);
    d->SelectTab(1);
    EXPECT_TRUE(IsWindowVisible(d->Pages()[1]));
    EXPECT_FALSE(IsWindowVisible(d->Pages()[0]));
    int ok = 0;
    d->Click(d->Control(1035, 1));
    EXPECT_EQ(-1, Vonkel_GetFilterValue(*cam, 28, &ok));
    d->Click(d->Control(1035, 1));
    EXPECT_EQ(0, Vonkel_GetFilterValue(*cam, 28, &ok));
    d->Click(d->Control(2074, 1));
    EXPECT_EQ(1, Vonkel_GetFilterValue(*cam, 28, &ok));
    d->Click(d->Control(1048, 1));
    EXPECT_EQ(2, Get(Vonkel_GetGrayMode));
    d->Close(IDCANCEL);
    EXPECT_EQ(0, Vonkel_GetFilterValue(*cam, 28, &ok)) << "Cancel restores the automatic state too";
    EXPECT_EQ(0, Get(Vonkel_GetGrayMode));
}

// A gray-gain measurement while streaming refills the open page through a posted message.
TEST_F(DllDialogs, GrayGainMeasurementRefillsTheOpenPage) {
    ASSERT_EQ(1, Vonkel_SetGrayMode(*cam, 1));
    ASSERT_EQ(1, Vonkel_SetGrayGainB(*cam, 10));
    ASSERT_EQ(1, Vonkel_SetWaitTime(*cam, 1));
    ASSERT_EQ(1, Vonkel_StartPreview(*cam));
    auto d = Open(kImage);
    d->SelectTab(1);
    EXPECT_EQ(L"10", CDialogDriver::Text(d->Control(2110, 1)));
    d->Click(d->Control(2074, 1));
    int pending = 1, measured = 10, shown = 10;
    for (int i = 0; i < 300 && (pending != 0 || measured == 10 || shown != measured); ++i, Sleep(30)) {
        // The request first: once it is done, the values read after it are the measured ones.
        pending = Vonkel_GetFilterValue(*cam, 28, nullptr);
        measured = Get(Vonkel_GetGrayGainB);
        shown = _wtoi(CDialogDriver::Text(d->Control(2110, 1)).c_str());
    }
    EXPECT_EQ(0, pending) << "one pass ran";
    EXPECT_NE(10, measured);
    EXPECT_EQ(measured, shown);
    EXPECT_EQ(measured, SendMessageW(d->Control(2109, 1), TBM_GETPOS, 0, 0));
    EXPECT_EQ(1, d->Close(IDOK));
}

// The gain as the sensor holds it, read through the register export.
int SensorGain(int cam) {
    int ok = 0;
    const int high = Vonkel_ReadRegisterEx(cam, 1813, &ok);
    const int low = Vonkel_ReadRegisterEx(cam, 1812, &ok);
    return high * 256 + low;
}

TEST_F(DllDialogs, AnalogAppliesAsItGoesAndCancelReappliesTheOpeningGain) {
    ASSERT_EQ(1, Vonkel_SetGlobalGain(*cam, 40));
    auto d = Open(kAnalog);
    d->Slide(d->Control(1013, 0), 300);
    EXPECT_EQ(300, SensorGain(*cam));
    d->Type(d->Control(1027, 0), L"1000");
    EXPECT_EQ(1000, Get(Vonkel_GetExposureTime));
    EXPECT_EQ(L"=13.39ms", CDialogDriver::Text(d->Control(1049, 0))) << "the camera's own line time";
    d->Click(d->Control(1028, 0));
    EXPECT_EQ(1, Vonkel_GetMirrorV(*cam));
    d->Click(d->Control(1037, 0));
    d->Click(d->Control(1036, 0));
    EXPECT_EQ(BST_CHECKED, SendMessageW(d->Control(1036, 0), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(d->Control(1037, 0), BM_GETCHECK, 0, 0));
    EXPECT_EQ(2, Vonkel_GetAutoIris(*cam, nullptr));
    EXPECT_EQ(1, d->Close(IDCANCEL));
    EXPECT_EQ(40, SensorGain(*cam));
    EXPECT_EQ(0, Vonkel_GetMirrorV(*cam));
    EXPECT_EQ(0, Vonkel_GetAutoIris(*cam, nullptr));
    EXPECT_NE(1000, Get(Vonkel_GetExposureTime));

    auto again = Open(kAnalog);
    again->Click(again->Control(3));
    EXPECT_EQ(L"0", CDialogDriver::Text(again->Control(1015, 0)));
    EXPECT_EQ(1, again->Close(IDOK));
    EXPECT_EQ(0, SensorGain(*cam));
}

// What the camera had when the dialog opened comes back on Cancel, in the unit it was
// given in and from the camera itself, not from the instance's stored settings.
TEST_F(DllDialogs, AnalogCancelPutsBackALongExposureAndTheCamerasOwnMirroring) {
    ASSERT_EQ(1, Vonkel_SetExposureTime(*cam, 747000)); // about 10 s, past the seconds setter's range
    Open(kAnalog)->Close(IDCANCEL);
    EXPECT_EQ(747000, Get(Vonkel_GetExposureTime));

    // An instance on a camera another one streams keeps its stored mirroring away from it.
    ASSERT_EQ(1, Vonkel_SetMirrorV(*cam, 1));
    cam.reset(); // stored
    CTestWindow window;
    CCamera streaming(window.Handle());
    ASSERT_EQ(1, Vonkel_SetMirrorV(streaming, 0));
    ASSERT_EQ(1, Vonkel_StartPreview(streaming));
    cam = std::make_unique<CCamera>();
    ASSERT_EQ(1, Vonkel_GetMirrorV(*cam)) << "the stored flag";
    {
        auto d = Open(kAnalog);
        EXPECT_EQ(BST_UNCHECKED, SendMessageW(d->Control(1028, 0), BM_GETCHECK, 0, 0)) << "the camera's flag";
        d->Close(IDCANCEL);
    }
    int ok = 0;
    EXPECT_EQ(0, Vonkel_ReadRegisterEx(streaming, 1028, &ok) & 1) << "Cancel left the camera's mirroring";
    Vonkel_StopPreview(streaming);
}

// What the automatic iris posts to the open dialog is shown, never written back to the
// camera (it may be stale by then), and times come from the camera's own line time.
TEST_F(DllDialogs, AnalogShowsPostedAutomaticValuesWithoutWritingThem) {
    ASSERT_EQ(1, Vonkel_SetGlobalGain(*cam, 40));
    ASSERT_EQ(1, Vonkel_SetExposureTime(*cam, 1000));
    auto d = Open(kAnalog);
    constexpr UINT kPostedAnalogValue = WM_APP + 2; // the library's message to its open dialog
    PostMessageW(d->Frame(), kPostedAnalogValue, 1015, 123);
    PostMessageW(d->Frame(), kPostedAnalogValue, 1027, 5000);
    for (int i = 0; i < 100 && CDialogDriver::Text(d->Control(1027, 0)) != L"5000"; ++i)
        Sleep(10);
    EXPECT_EQ(L"123", CDialogDriver::Text(d->Control(1015, 0)));
    EXPECT_EQ(123, SendMessageW(d->Control(1013, 0), TBM_GETPOS, 0, 0));
    EXPECT_EQ(L"=66.92ms", CDialogDriver::Text(d->Control(1049, 0)));
    EXPECT_EQ(40, SensorGain(*cam));
    EXPECT_EQ(1000, Get(Vonkel_GetExposureTime));
    EXPECT_EQ(1, d->Close(IDOK));
}

// OK takes each value from the page that can change it: the image page's Bayer buttons
// are disabled in the grey modes and do not follow the gray page's.
TEST_F(DllDialogs, OkKeepsTheBayerModeChosenOnTheGrayPage) {
    ASSERT_EQ(1, Vonkel_SetBayerMode(*cam, 2));
    auto d = Open(kImage);
    d->SelectTab(1);
    d->Click(d->Control(1031, 1));
    EXPECT_EQ(1, d->Close(IDOK));
    EXPECT_EQ(1, Get(Vonkel_GetBayerMode));
}

// In a process whose simulated camera pauses for real: Cancel turns the automatic gain the
// dialog switched on back off before it writes the gain and exposure back (the exposure's
// register writes pause 300 ms), so no correction overwrites the restored gain.
int ChildCancelDuringAutomaticGain(int, char **) {
    constexpr int kGain = 420; // with the long exposure: a bright picture the correction darkens
    CCamera cam;
    Vonkel_SetColorMode(cam, 8);
    Vonkel_SetGlobalGain(cam, kGain);
    Vonkel_SetExposureTime(cam, 2000); // longer than the frame: written with pauses
    Vonkel_SetWaitTime(cam, 1);
    if (Vonkel_StartPreview(cam) != 1)
        return 1;
    {
        const int handle = cam;
        CDialogDriver d([handle] { return Vonkel_SetAnalogDlg(handle, nullptr); });
        d.Click(d.Control(1036, 0));
        int gain = kGain;
        for (int i = 0; i < 200 && gain == kGain; ++i, Sleep(25))
            gain = SensorGain(cam);
        if (gain == kGain)
            return 2;
        d.Close(IDCANCEL);
    }
    Sleep(200);
    if (SensorGain(cam) != kGain || Vonkel_GetAutoIris(cam, nullptr) != 0)
        return 3;
    return Vonkel_StopPreview(cam) == 1 ? 0 : 4;
}
ChildMode childCancelAutomaticGain("cancel-automatic-gain", ChildCancelDuringAutomaticGain);

TEST_F(DllDialogs, CancelTurnsTheAutomaticGainOffBeforeRestoringTheGain) {
    EXPECT_EQ(0, RunInChild("cancel-automatic-gain", "VONKEL_SIMULATE_REALTIME=1"));
}

// Automatic gain during streaming reaches the open dialog by posted messages; the dialog
// closes while frames keep coming.
TEST_F(DllDialogs, AutomaticGainReachesTheOpenDialogAndClosingDuringStreamingReturns) {
    ASSERT_EQ(1, Vonkel_SetGlobalGain(*cam, 200));
    ASSERT_EQ(1, Vonkel_SetWaitTime(*cam, 1));
    ASSERT_EQ(1, Vonkel_StartPreview(*cam));
    auto d = Open(kAnalog);
    d->Click(d->Control(1036, 0));
    int shown = 200, camera = 200;
    for (int i = 0; i < 300 && (camera == 200 || shown != camera); ++i, Sleep(30)) {
        shown = _wtoi(CDialogDriver::Text(d->Control(1015, 0)).c_str());
        camera = SensorGain(*cam);
    }
    EXPECT_NE(200, camera) << "automatic gain changed the camera's gain";
    EXPECT_EQ(camera, shown);
    EXPECT_EQ(1, d->Close(IDOK));
    EXPECT_EQ(2, Vonkel_GetAutoIris(*cam, nullptr));
}

// A window of a dialog's thread that opens the analog dialog there when asked (wParam the
// handle): the second dialog runs inside the first one's message loop.
constexpr UINT kOpenAnalog = WM_APP + 8;
LRESULT CALLBACK OpenAnalogWhenAsked(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kOpenAnalog)
        return Vonkel_SetAnalogDlg(static_cast<int>(wParam), nullptr);
    return DefWindowProcW(window, message, wParam, lParam);
}

// The analog dialog, with a message-only window of its thread that opens another on request.
int AnalogDialogThatOpensAnother(int handle, std::atomic<HWND> *opener) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = OpenAnalogWhenAsked;
    cls.lpszClassName = L"VonkelTestOpener";
    RegisterClassW(&cls); // fails harmlessly once registered
    HWND window = CreateWindowW(cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    opener->store(window);
    const int result = Vonkel_SetAnalogDlg(handle, nullptr);
    DestroyWindow(window);
    return result;
}

// Types `gain` into the first dialog; true once the automatic gain moved the camera off it
// and every dialog shows the camera's gain.
bool EveryDialogShowsTheCorrectedGain(int cam, const std::vector<CDialogDriver *> &dialogs, int gain) {
    dialogs.front()->Type(dialogs.front()->Control(1015, 0), std::to_wstring(gain));
    for (int i = 0; i < 300; ++i, Sleep(30)) {
        const int camera = SensorGain(cam);
        bool shown = camera != gain;
        for (CDialogDriver *d : dialogs)
            shown = shown && _wtoi(CDialogDriver::Text(d->Control(1015, 0)).c_str()) == camera;
        if (shown)
            return true;
    }
    return false;
}

// A dialog opened from another's message loop: both hear the automatic gain, and the first
// still hears once the second has closed.
TEST_F(DllDialogs, NestedDialogsBothHearTheAutomaticGain) {
    constexpr int kGain = 200; // a picture the automatic gain corrects
    ASSERT_EQ(1, Vonkel_SetGlobalGain(*cam, kGain));
    ASSERT_EQ(1, Vonkel_SetWaitTime(*cam, 1));
    ASSERT_EQ(1, Vonkel_StartPreview(*cam));
    const int handle = *cam;
    std::atomic<HWND> opener{nullptr};
    CDialogDriver outer([handle, &opener] { return AnalogDialogThatOpensAnother(handle, &opener); });
    ASSERT_TRUE(outer.Shown());
    PostMessageW(opener.load(), kOpenAnalog, static_cast<WPARAM>(handle), 0);
    std::unique_ptr<CDialogDriver> inner = outer.Nested();
    ASSERT_TRUE(inner);
    inner->Click(inner->Control(1036, 0));
    EXPECT_TRUE(EveryDialogShowsTheCorrectedGain(*cam, {inner.get(), &outer}, kGain)) << "both open";
    EXPECT_EQ(1, inner->Close(IDOK));
    EXPECT_TRUE(EveryDialogShowsTheCorrectedGain(*cam, {&outer}, kGain)) << "the first after the second closed";
    EXPECT_EQ(1, outer.Close(IDOK));
}

TEST_F(DllDialogs, StreamFormatCustomSizeApplyWritesTheRegistryCancelKeepsTheInstance) {
    ASSERT_TRUE(WriteDword(kDevice, "Clock", 0));
    auto d = Open(kStream);
    HWND sizes = d->Control(1010), clocks = d->Control(1014);
    EXPECT_FALSE(IsWindowEnabled(clocks));
    EXPECT_EQ(L"Nomal(24MHz)", CDialogDriver::Text(clocks));
    EXPECT_EQ((std::vector<std::wstring>{L"Nomal(24MHz)", L"Half(12MHz)", L"High(54MHz)"}), d->ListItems(clocks));
    EXPECT_FALSE(IsWindowEnabled(d->Control(1002)));
    EXPECT_FALSE(IsWindowEnabled(d->Control(1041))) << "this camera has no horizontal effective area";
    d->Select(sizes, 1);
    const wchar_t *typed[] = {L"640", L"512", L"320", L"256", L"160", L"128"};
    for (int i = 0; i < 6; ++i)
        d->Type(d->Control(1039 + i), typed[i]);
    EXPECT_TRUE(IsWindowEnabled(d->Control(1002)));
    d->Click(d->Control(1002));
    EXPECT_EQ((std::vector<std::wstring>{L"640 x 512", L"320 x 256", L"Custom"}), d->ListItems(sizes));
    EXPECT_EQ(L"320 x 256", CDialogDriver::Text(sizes));
    EXPECT_FALSE(IsWindowEnabled(d->Control(1002)));
    EXPECT_EQ(1, d->Close(IDCANCEL));
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(kDevice + "\\Size_01", "EH", &value) && value == 320);
    EXPECT_TRUE(ReadDword(kDevice + "\\Size_01", "EVS", &value) && value == 128);
    EXPECT_TRUE(ReadDword(kDevice + "\\Size_01", "Buf", &value) && value == 4);
    EXPECT_TRUE(ReadDword(kDevice, "Size", &value) && value == 1);
    EXPECT_TRUE(ReadDword(kDevice, "Color", &value) && value == 0) << "a stored 2 is not offered: the first name is";
    EXPECT_EQ(640, Vonkel_Width(*cam)) << "Cancel: the instance does not take the registry";
}

TEST_F(DllDialogs, StreamFormatRefusesASizePastAHundred) {
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(WriteDword(kDevice + "\\Size_" + (i < 10 ? "0" : "") + std::to_string(i), "TH", 640));
    auto d = Open(kStream);
    HWND sizes = d->Control(1010);
    ASSERT_EQ(101, SendMessageW(sizes, CB_GETCOUNT, 0, 0));
    d->Select(sizes, 100);
    d->Type(d->Control(1042), L"256");
    d->Click(d->Control(1002));
    EXPECT_TRUE(IsWindowEnabled(d->Control(1002))) << "refused: Apply stays enabled";
    EXPECT_EQ(101, SendMessageW(sizes, CB_GETCOUNT, 0, 0));
    d->Close(IDCANCEL);
    DWORD value = 0;
    EXPECT_FALSE(ReadDword(kDevice + "\\Size_100", "TH", &value));
    EXPECT_TRUE(ReadDword(kDevice, "Size", &value) && value == 0) << "nothing was written";
}

// Frames delivered to `window` within a bounded wait.
size_t FramesWithin(CTestWindow &window, DWORD ms) { return window.WaitFor(VONKEL_WM_FRAME, 3, ms).size(); }

// A camera whose key holds no size entry yet (any but the one of the first run) starts
// from the preset 640 x 512; a size off the sensor is refused in the dialog, never stored.
TEST_F(DllDialogs, StreamFormatPresetsMissingSizesRestartsThePreviewAndRefusesSizesOffTheSensor) {
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, (kDevice + "\\Size_00").c_str()));
    CTestWindow window;
    ASSERT_EQ(1, Vonkel_SetWaitTime(*cam, 1));
    ASSERT_EQ(1, Vonkel_CallBackPreview(*cam, window.Handle(), delivery.data(), static_cast<int>(delivery.size()), 1));
    EXPECT_EQ(3u, FramesWithin(window, 5000));
    {
        auto d = Open(kStream);
        window.Take(VONKEL_WM_FRAME);
        EXPECT_EQ(0u, FramesWithin(window, 300)) << "stopped while the dialog is open";
        EXPECT_EQ(std::vector<std::wstring>{L"Custom"}, d->ListItems(d->Control(1010)));
        const wchar_t *preset[] = {L"640", L"512", L"640", L"512", L"0", L"0"};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(preset[i], CDialogDriver::Text(d->Control(1039 + i))) << 1039 + i;
        d->Type(d->Control(1042), L"256");
        EXPECT_EQ(1, d->Close(IDOK));
    }
    DWORD value = 0;
    EXPECT_TRUE(ReadDword(kDevice + "\\Size_00", "EH", &value) && value == 640);
    EXPECT_EQ(256, Vonkel_Height(*cam));
    EXPECT_EQ(3u, FramesWithin(window, 5000)) << "the preview runs again";
    EXPECT_EQ(std::vector<int>{}, cam->Drain());
    {
        auto d = Open(kStream);
        d->Type(d->Control(1044), L"400"); // 400 + 256 rows: past the sensor
        SendMessageW(d->Frame(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(IsWindow(d->Frame())) << "OK refused: the dialog stays";
        EXPECT_EQ(1, d->Close(IDCANCEL));
    }
    EXPECT_TRUE(ReadDword(kDevice + "\\Size_00", "EVS", &value) && value == 0) << "nothing stored";
    window.Take(VONKEL_WM_FRAME);
    EXPECT_EQ(3u, FramesWithin(window, 5000)) << "the preview runs again after Cancel";
    EXPECT_EQ(std::vector<int>{}, cam->Drain());
}

// In a process whose cameras trigger themselves every 100 ms: the trigger loop idles while
// the stream format dialog is open and delivers again after it.
int ChildTriggerAroundDialog(int, char **) {
    CTestWindow window;
    CCamera cam(window.Handle());
    Vonkel_SetColorMode(cam, 8);
    std::vector<unsigned char> picture(640 * 512);
    if (Vonkel_Trigger(cam, window.Handle(), picture.data(), static_cast<int>(picture.size()), 1) != 1)
        return 1;
    if (window.WaitFor(VONKEL_WM_FRAME, 2, 5000).size() != 2)
        return 2;
    {
        const int handle = cam;
        CDialogDriver d([handle] { return Vonkel_SetCameraDlg(handle, nullptr); });
        Sleep(300); // a frame already read may still arrive
        window.Take(VONKEL_WM_FRAME);
        if (!d.Shown() || !window.WaitFor(VONKEL_WM_FRAME, 1, 500).empty())
            return 3;
        if (d.Close(IDCANCEL) != 1)
            return 4;
    }
    if (window.WaitFor(VONKEL_WM_FRAME, 2, 5000).size() != 2)
        return 5;
    return Vonkel_StopPreview(cam) == 1 ? 0 : 6;
}
ChildMode childTriggerDialog("trigger-dialog", ChildTriggerAroundDialog);

TEST_F(DllDialogs, StreamFormatIdlesAndResumesTriggerMode) {
    EXPECT_EQ(0, RunInChild("trigger-dialog", "VONKEL_SIMULATE_TRIGGER_MS=100"));
}

// In a process of its own, so that a release that hangs fails by the child's time-out: a
// dialog with a parent on this thread, streaming, released from this thread (which the
// ending dialog sends to) or from a third one while this thread goes on with its messages.
// The release ends the dialog as if cancelled, and the parent is enabled again.
int ChildReleaseDuringDialog(int argc, char **argv) {
    if (argc < 2)
        return 1;
    const Dialog which = static_cast<Dialog>(atoi(argv[0]));
    const bool fromParentThread = std::string(argv[1]) == "parent";
    CTestWindow parent;
    CCamera cam;
    Vonkel_SetColorMode(cam, 8);
    Vonkel_SetWaitTime(cam, 1);
    if (Vonkel_StartPreview(cam) != 1)
        return 2;
    const int handle = cam;
    HWND owner = parent.Handle();
    CDialogDriver d([handle, which, owner] { return kOpenDialog[which](handle, owner); });
    if (!d.Shown() || IsWindowEnabled(owner))
        return 3;
    constexpr UINT kReleased = WM_APP + 7;
    int released = 0;
    if (fromParentThread) {
        released = cam.Release();
    } else {
        std::thread third([&cam, &released, owner] {
            released = cam.Release();
            PostMessageW(owner, kReleased, 0, 0);
        });
        const bool returned = parent.WaitFor(kReleased, 1, 30000).size() == 1;
        third.join();
        if (!returned)
            return 4;
    }
    if (released != 1 || IsWindow(d.Frame()))
        return 5;
    if (d.Close(IDCANCEL) != 1)
        return 6;
    return IsWindowEnabled(owner) ? 0 : 7;
}
ChildMode childReleaseDuringDialog("release-during-dialog", ChildReleaseDuringDialog);

TEST_F(DllDialogs, ReleaseEndsAnOpenDialogFromTheParentsThreadAndFromAThirdThread) {
    const struct {
        Dialog dialog;
        const char *releaser;
    } cases[] = {{kAnalog, "parent"}, {kImage, "third"}, {kStream, "parent"}, {kAnalog, "third"}};
    for (const auto &c : cases) {
        const std::string args = "release-during-dialog " + std::to_string(c.dialog) + " " + c.releaser;
        EXPECT_EQ(0, RunInChild(args)) << args;
    }
}

// Run by CTest once more with LANG=ja_JP.UTF-8, where Wine's system language is Japanese.
TEST(DllDialogsJapanese, AnalogShowsTheExposureAsATimeWithAUnit) {
    if (GetSystemDefaultLangID() != 1041)
        GTEST_SKIP() << "the system language is not Japanese";
    DeleteSdkKey();
    CCamera cam;
    ASSERT_EQ(1, Vonkel_SetExposureTimeEx(cam, 0.0125));
    {
        auto d = std::make_unique<CDialogDriver>([&cam] { return Vonkel_SetAnalogDlg(cam, nullptr); });
        ASSERT_TRUE(d->Shown());
        EXPECT_EQ(L"プロパティ", CDialogDriver::Text(d->Frame()));
        EXPECT_EQ(std::vector<std::wstring>{L"アナログゲイン"}, d->TabTexts());
        EXPECT_FALSE(IsWindowVisible(d->Control(1026, 0)));
        EXPECT_FALSE(IsWindowVisible(d->Control(1027, 0)));
        HWND unit = d->Control(1052, 0);
        EXPECT_EQ(L"12", CDialogDriver::Text(d->Control(1051, 0)));
        EXPECT_EQ(L"ms", CDialogDriver::Text(unit));
        EXPECT_EQ(L"range: 20us - 2s", CDialogDriver::Text(d->Control(1053, 0)));
        d->Select(unit, 0);
        EXPECT_EQ(L"12500", CDialogDriver::Text(d->Control(1051, 0)));
        int ok = 0;
        EXPECT_DOUBLE_EQ(0.0125, Vonkel_GetExposureTimeEx(cam, &ok)) << "a unit change does not re-apply";
        d->Type(d->Control(1051, 0), L"20000");
        EXPECT_DOUBLE_EQ(0.02, Vonkel_GetExposureTimeEx(cam, &ok));
        // An automatic exposure step of 1000 lines, shown with the camera's line time.
        PostMessageW(d->Frame(), WM_APP + 2, 1027, 1000);
        for (int i = 0; i < 100 && CDialogDriver::Text(d->Control(1027, 0)) != L"1000"; ++i)
            Sleep(10);
        EXPECT_EQ(L"13390.817", CDialogDriver::Text(d->Control(1051, 0)));
        d->Close(IDCANCEL);
    }
    int ok = 0;
    EXPECT_DOUBLE_EQ(0.0125, Vonkel_GetExposureTimeEx(cam, &ok));
    {
        // A dark frame makes the automatic exposure lengthen it: the shown time follows.
        ASSERT_EQ(1, Vonkel_SetExposureTimeEx(cam, 0.0001));
        ASSERT_EQ(1, Vonkel_SetWaitTime(cam, 1));
        ASSERT_EQ(1, Vonkel_StartPreview(cam));
        auto d = std::make_unique<CDialogDriver>([&cam] { return Vonkel_SetAnalogDlg(cam, nullptr); });
        ASSERT_TRUE(d->Shown());
        const std::wstring before = CDialogDriver::Text(d->Control(1051, 0));
        d->Click(d->Control(1037, 0));
        std::wstring shown = before;
        for (int i = 0; i < 300 && shown == before; ++i, Sleep(30))
            shown = CDialogDriver::Text(d->Control(1051, 0));
        EXPECT_NE(before, shown) << "the time shown follows the automatic exposure";
        d->Close(IDCANCEL);
        EXPECT_EQ(1, Vonkel_StopPreview(cam));
    }
    auto stream = std::make_unique<CDialogDriver>([&cam] { return Vonkel_SetCameraDlg(cam, nullptr); });
    EXPECT_EQ(L"白黒 8bit", CDialogDriver::Text(stream->Control(1009)));
    EXPECT_EQ(L"カスタム", stream->ListItems(stream->Control(1010)).back());
    stream->Close(IDCANCEL);
    DeleteSdkKey();
}

} // namespace

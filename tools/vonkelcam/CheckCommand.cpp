// check: one camera and its link through a fixed sequence of steps, each a row of PASS,
// FAIL or SKIP with its figures; the camera's settings are as before afterwards.
#include "Check.h"
#include <cstdio>
#include <memory>

namespace {

volatile LONG g_interrupted = 0;

BOOL WINAPI OnInterrupt(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)
        return FALSE;
    InterlockedExchange(&g_interrupted, 1);
    return TRUE; // the check ends its step, puts the settings back and reports
}

// How long the timed steps run.
struct Durations {
    double stream;    // each stream format
    double sustained; // the run at full rate
    double trigger;   // the wait for a trigger
};
constexpr Durations kFull{1.0, 8.0, 2.0};
constexpr Durations kQuick{0.3, 1.0, 0.6};

const StreamSetup kStreamSetups[] = {
    {"stream 8-bit", 8, false, 0, 0, 640, 512},       {"stream 16-bit", 16, false, 0, 0, 640, 512},
    {"stream 24-bit", 24, false, 0, 0, 640, 512},     {"stream 32-bit", 32, false, 0, 0, 640, 512},
    {"stream 48-bit", 48, false, 0, 0, 640, 512},     {"stream 64-bit", 64, false, 0, 0, 640, 512},
    {"stream subsample", 8, true, 0, 0, 640, 512},    {"stream 320x256", 8, false, 160, 128, 320, 256},
};
const StreamSetup kFullRate{"sustained", 8, false, 0, 0, 640, 512};
const StreamSetup kColourStill{"still", 24, false, 0, 0, 640, 512};

// A sensor temperature outside this range is a reading fault or a camera in trouble.
constexpr double kTemperatureMin = -40, kTemperatureMax = 85;
// The sensor's gain register, low byte: a change of one step is invisible in practice.
constexpr int kHarmlessRegister = 1812;

constexpr const char *kLinkOrFirmware = "USB link or camera firmware";

class CCheckTable {
public:
    void Add(const CheckRow &row) {
        PrintRow(row);
        m_rows.push_back(row);
    }
    void Add(const std::vector<CheckRow> &rows) {
        for (const CheckRow &r : rows)
            Add(r);
    }
    bool Failed() const {
        for (const CheckRow &r : m_rows)
            if (r.status == CheckStatus::Fail)
                return true;
        return false;
    }
    const std::vector<CheckRow> &Rows() const { return m_rows; }

private:
    std::vector<CheckRow> m_rows;
};

CheckRow CheckIdentity(int h, CameraIdentity *id) {
    CheckRow row;
    row.name = "identity";
    char name[64] = "", serial[64] = "";
    if (!Vonkel_GetDeviceName(h, id->device, name, sizeof name) ||
        !Vonkel_ReadSerialNumberA(h, serial, sizeof serial))
        row.Fail("name or serial number unreadable", kLinkOrFirmware);
    id->name = name;
    id->serial = serial;
    int readable = 0, ok = 0;
    for (int i = 0; i < 256; ++i) {
        Vonkel_ReadSromID(h, i, &ok);
        readable += ok;
    }
    id->temperature = Vonkel_GetTemperatureEx(h, &ok);
    id->temperatureRead = ok != 0;
    row.Figure("identification_bytes", readable).Figure("temperature_c", id->temperature);
    char text[200];
    std::snprintf(text, sizeof text, "%s, serial %s, identification area %d of 256 bytes, %.1f C", name,
                  serial[0] ? serial : "(none)", readable, id->temperature);
    row.detail = text;
    if (readable != 256)
        row.Fail("the identification area is not readable", "camera memory, or " + std::string(kLinkOrFirmware));
    else if (!ok)
        row.Fail("the temperature is not readable", kLinkOrFirmware);
    else if (id->temperature < kTemperatureMin || id->temperature > kTemperatureMax)
        row.Fail("the temperature is outside the sensor's range", "the camera's sensor or its cooling");
    while (Vonkel_GetLastError(h) != 0) {
    }
    return row;
}

CheckRow CheckRegister(int h) {
    CheckRow row;
    row.name = "register";
    int ok = 0;
    const int before = Vonkel_ReadRegisterEx(h, kHarmlessRegister, &ok);
    if (!ok)
        return row.Fail("the register does not read", kLinkOrFirmware);
    const int probe = before ^ 1;
    const bool written = Vonkel_WriteRegisterEx(h, kHarmlessRegister, probe) != 0;
    const int readBack = Vonkel_ReadRegisterEx(h, kHarmlessRegister, &ok);
    const bool restored = Vonkel_WriteRegisterEx(h, kHarmlessRegister, before) != 0;
    const int after = Vonkel_ReadRegisterEx(h, kHarmlessRegister, &ok);
    char text[160];
    std::snprintf(text, sizeof text, "sensor %d: 0x%02X, wrote 0x%02X, read 0x%02X, restored 0x%02X", kHarmlessRegister,
                  before, probe, readBack, after);
    row.detail = text;
    if (!written || readBack != probe)
        row.Fail("the value written did not read back", kLinkOrFirmware);
    else if (!restored || !ok || after != before)
        row.Fail("the value could not be restored", kLinkOrFirmware);
    while (Vonkel_GetLastError(h) != 0) {
    }
    return row;
}

CheckRow CheckStream(int h, HWND window, const StreamSetup &setup, double seconds, bool judgeGaps,
                     double *cameraFps) {
    CheckRow refused;
    refused.name = setup.name;
    Geometry g;
    if (!ApplyStreamSetup(h, setup, &g, &refused))
        return refused;
    const StreamFigures figures = MeasureStream(h, window, g, seconds);
    if (cameraFps)
        *cameraFps = figures.CameraFps();
    return JudgeStream(setup.name, figures, judgeGaps);
}

// The single frames, trigger mode and files, all at the full window.
void CheckFramesAndFiles(int h, HWND window, const Durations &d, double cameraFps, CCheckTable *table) {
    Geometry g;
    CheckRow row;
    if (!ApplyStreamSetup(h, kFullRate, &g, &row)) {
        row.name = "single frames";
        table->Add(row);
        return;
    }
    table->Add(CheckSnapshot(h, g));
    table->Add(CheckCaptureMode(h, g));
    if (!CheckInterrupted())
        table->Add(CheckTrigger(h, window, g, d.trigger));
    CTempFolder folder;
    if (!folder.Ok()) {
        row.name = "files";
        table->Add(row.Fail("no temporary folder", "the user's temporary folder"));
        return;
    }
    Geometry colour;
    row = CheckRow{};
    if (!CheckInterrupted() && ApplyStreamSetup(h, kColourStill, &colour, &row) &&
        Vonkel_SnapShot(h, nullptr, 0, 1))
        table->Add(CheckStillFiles(h, colour, folder.Path()));
    if (!CheckInterrupted() && ApplyStreamSetup(h, kFullRate, &g, &row))
        table->Add(CheckRecording(h, g, folder.Path(), cameraFps));
    if (!folder.Remove()) {
        row = CheckRow{};
        row.name = "files removed";
        table->Add(row.Fail("the temporary folder could not be removed: " + folder.Path(), "the temporary folder"));
    }
}

void RunSteps(int h, HWND window, const Durations &d, CameraIdentity *identity, CCheckTable *table) {
    table->Add(CheckIdentity(h, identity));
    table->Add(CheckRegister(h));
    // Every frame the camera sends is taken: a pause of the preview loop would drop frames
    // that the link delivered.
    Vonkel_SetWaitTime(h, 1);
    for (const StreamSetup &setup : kStreamSetups)
        if (!CheckInterrupted())
            table->Add(CheckStream(h, window, setup, d.stream, false, nullptr));
    double cameraFps = 0;
    if (!CheckInterrupted())
        table->Add(CheckStream(h, window, kFullRate, d.sustained, true, &cameraFps));
    if (!CheckInterrupted())
        CheckFramesAndFiles(h, window, d, cameraFps, table);
}

// A camera that went away during the check may come back: it is waited for, briefly.
bool WaitForCamera(int device) {
    constexpr DWORD kWaitMs = 6000;
    const int probe = Vonkel_Initialize(nullptr);
    if (!probe)
        return false;
    bool present = false;
    char name[32];
    for (const DWORD start = GetTickCount();; Sleep(250)) {
        // Enumerating probes the device paths again; the name then tells whether it is there.
        present = Vonkel_EnumDevice(probe, nullptr) > 0 && Vonkel_GetDeviceName(probe, device, name, sizeof name);
        // After Ctrl+C the user waits: one look only.
        if (present || CheckInterrupted() || GetTickCount() - start > kWaitMs)
            break;
    }
    Vonkel_Release(probe);
    return present;
}

// The settings as the next application gets them: from a new handle, which reads what the
// library stored and programs the camera with it.
SettingValues ReopenAndRead(int device) {
    if (!WaitForCamera(device))
        return {};
    CCameraHandle again(device);
    return again.Ok() ? ReadSettings(again.Get()) : SettingValues{};
}

CheckRow JudgeSettings(const SettingValues &before, const SettingValues &camera, const SettingValues &reopened,
                       bool restored) {
    CheckRow row;
    row.name = "settings";
    const auto changedInCamera = CompareSettings(before, camera);
    const auto changedReopened = CompareSettings(before, reopened);
    row.Figure("values", double(before.size()))
        .Figure("differences", double(changedInCamera.size()))
        .Figure("differences_reopened", double(changedReopened.size()))
        .Figure("restored", restored ? 1 : 0);
    char text[200];
    std::snprintf(text, sizeof text, "%zu values compared, as before in the camera and after reopening it",
                  before.size());
    row.detail = text;
    if (reopened.empty())
        return row.Fail("the camera could not be opened again to compare", "USB link: the camera is gone");
    if (!changedReopened.empty()) {
        std::string list;
        for (const auto &c : changedReopened)
            list += (list.empty() ? "" : ", ") + c;
        return row.Fail("not as before: " + list, "library settings storage");
    }
    if (!restored || !changedInCamera.empty()) {
        // The reopen programmed the camera again from what the library stored: it had lost
        // them on the way (a power cycle), or was away while they were put back.
        std::snprintf(text, sizeof text, "%zu values compared; %zu had changed in the camera%s%s and came back "
                                         "when it was opened again",
                      before.size(), changedInCamera.size(), changedInCamera.empty() ? "" : ", first ",
                      changedInCamera.empty() ? "" : changedInCamera[0].c_str());
        row.detail = text;
    }
    return row;
}

int Check(const Args &args) {
    COptions options(args);
    long device = 0;
    const auto unknown = options.Unknown({"device", "quick", "json"});
    if (!unknown.empty() || !options.Positional().empty() ||
        (options.Has("device") && (!ParseNumber(options.Text("device"), &device) || device < 0 || device > 31)) ||
        (options.Has("json") && options.Text("json").empty())) {
        std::fprintf(stderr, "usage: vonkelcam check [--device N] [--quick] [--json FILE]   (N: 0 to 31)\n");
        return 2;
    }
    const bool quick = options.Has("quick");
    const Durations &d = quick ? kQuick : kFull;
    const DWORD start = GetTickCount();
    SetConsoleCtrlHandler(OnInterrupt, TRUE);
    CMessageWindow window;
    auto cam = std::make_unique<CCameraHandle>(static_cast<int>(device));
    if (!cam->Ok())
        return 1;
    const int h = cam->Get();
    CameraIdentity identity;
    identity.device = static_cast<int>(device);
    const SettingValues before = ReadSettings(h);
    std::printf("vonkelcam check: device %ld, library version %d%s; Ctrl+C stops it and restores the settings\n",
                device, Vonkel_GetDllVersion(), quick ? ", quick" : "");
    CCheckTable table;
    bool restored;
    {
        CStreamFormatGuard guard(h);
        RunSteps(h, window.Handle(), d, &identity, &table);
        restored = guard.Restore();
    }
    const SettingValues camera = ReadSettings(h);
    cam.reset(); // the library stores the settings when the handle goes
    const SettingValues reopened = ReopenAndRead(static_cast<int>(device));
    table.Add(JudgeSettings(before, camera, reopened, restored));
    const bool interrupted = CheckInterrupted();
    const double seconds = (GetTickCount() - start) / 1000.0;
    std::printf("%s in %.1f s\n", table.Failed() ? "FAILED" : interrupted ? "INTERRUPTED" : "PASSED", seconds);
    if (options.Has("json") && !WriteJsonReport(options.Text("json"), identity, ReadMachineIdentity(), table.Rows(),
                                                quick, interrupted, seconds)) {
        std::fprintf(stderr, "vonkelcam: cannot write %s\n", options.Text("json").c_str());
        return 1;
    }
    return table.Failed() ? 1 : interrupted ? 3 : 0;
}

const Command kCommands[] = {
    {"check", "[--device N] [--quick] [--json FILE]", "camera and link check: PASS/FAIL/SKIP rows, a report", Check},
};

} // namespace

bool CheckInterrupted() { return g_interrupted != 0; }

const CommandGroup kCheckCommands{kCommands, sizeof kCommands / sizeof kCommands[0]};

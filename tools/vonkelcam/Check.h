// vonkelcam check: the parts of the camera and link check (CheckCommand.cpp runs them).
#pragma once
#include "Tool.h"
#include <string>
#include <utility>
#include <vector>

enum class CheckStatus { Pass, Fail, Skip };

// One line of the check's table and of its report.
struct CheckRow {
    std::string name;
    CheckStatus status = CheckStatus::Pass;
    std::string detail;   // the figures in words, or why it was skipped
    std::string pointsTo; // for a failure: what it points to (link, host, camera, disk)
    std::vector<std::pair<std::string, double>> figures;

    CheckRow &Figure(const char *key, double value) {
        figures.emplace_back(key, value);
        return *this;
    }
    // Turns the row into a failure; the first cause given stays the one reported.
    CheckRow &Fail(const std::string &why, const std::string &where) {
        if (status != CheckStatus::Fail) {
            status = CheckStatus::Fail;
            detail = why + (detail.empty() ? "" : "; " + detail);
            pointsTo = where;
        }
        return *this;
    }
};

// Set by Ctrl+C; every wait of the check looks at it.
bool CheckInterrupted();

// ---- the camera's identity and the machine, for the report ----
struct CameraIdentity {
    int device = 0;
    std::string name, serial;
    double temperature = 0;
    bool temperatureRead = false;
};
struct MachineIdentity {
    std::string processor, windows, wine; // wine empty on Windows itself
    int cores = 0;
};
MachineIdentity ReadMachineIdentity();

// ---- the settings the check may touch, and every value it compares afterwards ----
using SettingValues = std::vector<std::pair<std::string, double>>;
// Every readable setting of the handle and the camera registers they reach.
SettingValues ReadSettings(int handle);
// "name: before -> after" for each value that differs, empty when none does.
std::vector<std::string> CompareSettings(const SettingValues &before, const SettingValues &after);

// The stream format the check changes, put back when it goes away (also after a failure
// or Ctrl+C): colour mode, subsampling, wait time, capture window and the exposure it
// reaches; a mode still running
// is stopped first.
class CStreamFormatGuard {
public:
    explicit CStreamFormatGuard(int handle);
    ~CStreamFormatGuard() { Restore(); }
    CStreamFormatGuard(const CStreamFormatGuard &) = delete;
    CStreamFormatGuard &operator=(const CStreamFormatGuard &) = delete;
    bool Restore();

private:
    int m_handle, m_colorMode, m_subSample, m_waitTime, m_window[6];
    double m_exposure;
};

// ---- streams ----
struct StreamSetup {
    const char *name;
    int bits;
    bool subsample;
    int x, y, width, height; // the capture window, in sensor pixels
};
// Sets the stream format; false (with the cause in `row`) when the camera refuses it.
bool ApplyStreamSetup(int handle, const StreamSetup &setup, Geometry *geometry, CheckRow *row);

struct StreamFigures {
    int frames = 0, failedFrames = 0, waitEnded = 0, wrongSize = 0;
    int droppedAtFirst = 0, droppedAtLast = 0;
    double seconds = 0;        // from the first frame to the last
    double longestGapMs = 0;   // between two frame notifications
    double expectedFps = 0;    // from the camera's frame length in lines and its line clock
    bool started = false;
    // Frames the camera sent between the first frame and the last, delivered or dropped.
    int CameraFrames() const { return frames - 1 + droppedAtLast - droppedAtFirst; }
    double CameraFps() const { return seconds > 0 ? CameraFrames() / seconds : 0; }
    double DeliveredPercent() const { return CameraFrames() > 0 ? 100.0 * (frames - 1) / CameraFrames() : 0; }
};
// Streams into the application's buffer for `seconds` after the first frame, at most
// `seconds` + 5 s in all.
StreamFigures MeasureStream(int handle, HWND window, const Geometry &geometry, double seconds);
// The verdict on a measured stream: rate, share delivered, failures, longest gap.
CheckRow JudgeStream(const std::string &name, const StreamFigures &figures, bool judgeGaps);

// ---- single frames and trigger mode ----
CheckRow CheckSnapshot(int handle, const Geometry &geometry);
CheckRow CheckCaptureMode(int handle, const Geometry &geometry);
CheckRow CheckTrigger(int handle, HWND window, const Geometry &geometry, double waitSeconds);

// ---- files ----
// A temporary folder, removed with what is left in it when it goes away.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder &) = delete;
    CTempFolder &operator=(const CTempFolder &) = delete;
    const std::string &Path() const { return m_path; }
    bool Ok() const { return !m_path.empty(); }
    bool Remove(); // false when something stayed behind

private:
    std::string m_path;
};
std::vector<CheckRow> CheckStillFiles(int handle, const Geometry &geometry, const std::string &folder);
// cameraFps: the rate the sustained run measured, which the file's frame count must reach.
CheckRow CheckRecording(int handle, const Geometry &geometry, const std::string &folder, double cameraFps);

// ---- the report ----
void PrintRow(const CheckRow &row);
bool WriteJsonReport(const std::string &path, const CameraIdentity &camera, const MachineIdentity &machine,
                     const std::vector<CheckRow> &rows, bool quick, bool interrupted, double seconds);

// The processing chain that turns each raw frame into the picture of the colour mode,
// with the buffers it works in and the defect mask it corrects with: defect corrections,
// automatic exposure (through an observer), gray processing, demosaic with white balance,
// hue and saturation, gamma, contrast, sharpness, brightness.
//
// It knows no camera: what a frame needs is handed in as one settings snapshot taken at
// the start of the frame, so a change of several values never reaches a frame half made,
// and what the frame measured comes back as results.
//
// Locks: the image buffers are guarded by the owner's image lock, which every caller of
// Prepare, Process, DisplayPicture and the buffer accessors holds. The mask lock guards
// the references, defect maps and the defect list; it is taken after the image lock.
#pragma once
#include "image/CImageBuffer.h"
#include "image/DefectFilters.h"
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// The chain's buffers, in the order the instance has always kept them.
// clang-format off
enum BufferIndex {
    kRaw8, kRaw16, kColor24, kColor32, kColor48, kColor64, kScratch, kDisplay, kSpare,
    kDark8, kBright8, kDark16, kBright16, kHot8, kDead8, kHot16, kDead16, kDot8, kDot16, kBufferCount
};
// clang-format on

// What one frame is processed with.
struct ProcessingSettings {
    int bayerMode = 0;       // the colour filter's phase, already turned with the mirroring
    SensorReadout readout;   // where the frame's pixels come from on the sensor
    bool maskMargin = false; // a full-width or full-height window keeps a 2-pixel margin
    bool maskFilter = false, dotFilter = false, configFilter = false;
    int grayMode = 0;
    int grayGains[4] = {128, 128, 128, 128}; // R, G1, G2, B
    int grayOffsets[4] = {0, 0, 0, 0};
    bool measureGray = false;
    int bayerGains[3] = {0, 0, 0}; // red, green, blue
    bool measureWhiteBalance = false;
    int hue = 0, saturation = 0, gamma = 100, contrast = 0, sharpness = 0, brightness = 0;
};

// What the frame measured.
struct ProcessingResults {
    bool grayMeasured = false;
    int grayGains[4] = {};
    bool whiteBalanceMeasured = false;
    int bayerGains[3] = {}; // red, green, blue
};

// Sees each raw frame after the listed-defect repair, before the other corrections.
class IRawFrameObserver {
public:
    virtual ~IRawFrameObserver() = default;
    virtual void OnRawFrame(const CImageBuffer &raw) = 0;
};

class CProcessingChain {
public:
    // Makes every buffer, the references and maps at the sensor's size: references that
    // make the flat-field correction the identity, maps that flag nothing.
    [[nodiscard]] bool Create();
    // Sizes the buffers for a colour mode and a frame size; false when memory ran out.
    [[nodiscard]] bool Prepare(int colorMode, int width, int height);
    // The colour mode the buffers were last prepared for.
    int Mode() const { return m_mode.load(); }

    CImageBuffer *Buffer(BufferIndex index) { return m_buffers[index].get(); }
    // The raw frame and the finished picture of the prepared mode (null before Create).
    CImageBuffer *Raw();
    CImageBuffer *Output();

    void Process(const ProcessingSettings &settings, IRawFrameObserver *observer, ProcessingResults *results);
    // The picture as the preview window shows it: 8-bit grey or 24-bit colour.
    CImageBuffer *DisplayPicture();

    // ---- the mask (each takes the mask lock) ----
    // The raw frame of a full-sensor capture becomes the dark (0) or bright (1)
    // reference, in the sensor's order; the defect map follows. False for another kind.
    [[nodiscard]] bool TakeReference(int kind);
    // The four references as the mask file orders them, and the maps derived again
    // after they were replaced; the caller holds the mask lock.
    std::mutex &MaskLock() { return m_maskLock; }
    void RebuildDefectMaps();
    void SetDefects(std::vector<DefectPoint> points);
    std::vector<DefectPoint> Defects();

private:
    void CorrectDefects(CImageBuffer &raw, const ProcessingSettings &s, bool wide);
    void ProcessGray(CImageBuffer &raw, const ProcessingSettings &s, ProcessingResults *results);
    // withHue: the 8-bit demosaic runs the hue step on its pixels.
    void Demosaic(CImageBuffer &color, CImageBuffer &raw, const ProcessingSettings &s, ProcessingResults *results,
                  bool withHue);
    // hueStep: the hue step is still to run.
    void Finish(CImageBuffer &out, const ProcessingSettings &s, bool hueStep);

    std::unique_ptr<CImageBuffer> m_buffers[kBufferCount];
    std::atomic<int> m_mode{0};
    SensorReadout m_readout; // of the raw frame last processed; under the image lock
    std::mutex m_maskLock;
    std::vector<DefectPoint> m_defects; // under the mask lock
};

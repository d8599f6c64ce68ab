#include "image/CProcessingChain.h"
#include "image/Conversions.h"
#include "image/ImageTraits.h"
#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr int kMaxBayerGain = 400;
constexpr int kNeutralGrayGain = 128;
constexpr BufferIndex kOutputOf[kColorModeCount] = {kRaw8, kRaw16, kColor24, kColor32, kColor48, kColor64};

// The routine of a filter step for each colour mode: 8 grey, 16 grey, 24, 32, 48, 64.
using PerMode = ConversionRoutine[kColorModeCount];
constexpr PerMode kGamma = {conv::Gamma8,     conv::Gamma16,    conv::Gamma24_32,
                            conv::Gamma24_32, conv::Gamma48_64, conv::Gamma48_64};
constexpr PerMode kContrast = {conv::Contrast8,     conv::Contrast16,    conv::Contrast24_32,
                               conv::Contrast24_32, conv::Contrast48_64, conv::Contrast48_64};
constexpr PerMode kGammaContrast = {conv::GammaContrast8,     conv::GammaContrast16,    conv::GammaContrast24_32,
                                    conv::GammaContrast24_32, conv::GammaContrast48_64, conv::GammaContrast48_64};
constexpr PerMode kSharpen = {conv::Sharpen8,     conv::Sharpen16,    conv::Sharpen24_32,
                              conv::Sharpen24_32, conv::Sharpen48_64, conv::Sharpen48_64};
constexpr PerMode kBrightness = {conv::Brightness8,     conv::Brightness16,    conv::Brightness24_32,
                                 conv::Brightness24_32, conv::Brightness48_64, conv::Brightness48_64};
constexpr PerMode kHue = {nullptr, nullptr, conv::Hue24, conv::Hue32, conv::Hue48, conv::Hue64};

// Runs a routine over a whole picture, in place.
int InPlace(CImageBuffer *picture, ConversionRoutine routine, void *block) {
    return CImageBuffer::ApplyConversion(picture, routine, picture, nullptr, 0, 0, block);
}

// The two outermost rows and columns of `from` into `to` (same geometry): what
// sharpening leaves as it was. A picture under five pixels either way is all border.
void CopyBorder(CImageBuffer &to, const CImageBuffer &from) {
    const int32_t w = to.Width(), h = to.Height(), bpp = to.BytesPerPixel();
    const size_t row = static_cast<size_t>(w) * bpp, edge = 2 * static_cast<size_t>(bpp);
    for (int32_t r = 0; r < h; ++r) {
        if (w < 5 || h < 5 || r < 2 || r >= h - 2) {
            std::memcpy(to.Row(r), from.Row(r), row);
        } else {
            std::memcpy(to.Row(r), from.Row(r), edge);
            std::memcpy(to.Row(r) + row - edge, from.Row(r) + row - edge, edge);
        }
    }
}

} // namespace

bool CProcessingChain::Create() {
    for (auto &buffer : m_buffers) {
        buffer.reset(new (std::nothrow) CImageBuffer());
        if (!buffer)
            return false;
    }
    static constexpr struct {
        BufferIndex index;
        int bits;
    } kMask[] = {{kDark8, 8}, {kBright8, 8}, {kDark16, 16}, {kBright16, 16}, {kHot8, 8},
                 {kDead8, 8}, {kHot16, 16},  {kDead16, 16}, {kDot8, 8},      {kDot16, 16}};
    std::lock_guard<std::mutex> lock(m_maskLock);
    for (const auto &plane : kMask)
        if (!m_buffers[plane.index]->Create(sensor::kWidth, sensor::kHeight, plane.bits))
            return false;
    std::memset(m_buffers[kBright8]->Pixels(), 255, m_buffers[kBright8]->ImageBytes());
    uint8_t *bright16 = m_buffers[kBright16]->Pixels();
    const uint16_t full = (1u << sensor::kSignificantBits16) - 1;
    for (size_t i = 0; i < m_buffers[kBright16]->ImageBytes(); i += 2)
        std::memcpy(bright16 + i, &full, 2);
    return true;
}

bool CProcessingChain::Prepare(int mode, int width, int height) {
    if (!IsColorMode(mode))
        return false;
    auto make = [&](BufferIndex index, int bits) {
        return m_buffers[index] && m_buffers[index]->Create(width, height, bits) == 1;
    };
    bool ok = true;
    if (mode <= 3)
        ok = make(kRaw8, 8) && m_buffers[kRaw8]->SetColorTable(0);
    if (ok && UsesRaw16(mode))
        ok = make(kRaw16, 16);
    if (ok && mode != 1)
        ok = make(kColor24, 24);
    if (ok && mode >= 3)
        ok = make(kOutputOf[mode], kColorModes[mode].bits);
    m_mode.store(mode);
    return ok && m_buffers[kScratch] && m_buffers[kScratch]->CreateLike(Output()) == 1;
}

CImageBuffer *CProcessingChain::Raw() { return m_buffers[UsesRaw16(m_mode.load()) ? kRaw16 : kRaw8].get(); }

CImageBuffer *CProcessingChain::Output() { return m_buffers[kOutputOf[m_mode.load()]].get(); }

void CProcessingChain::Process(const ProcessingSettings &s, IRawFrameObserver *observer, ProcessingResults *results) {
    const int mode = m_mode.load();
    CImageBuffer *raw = Raw();
    CImageBuffer *out = Output();
    if (!raw || raw->IsEmpty() || !out)
        return;
    const bool wide = UsesRaw16(mode);
    m_readout = s.readout;
    if (s.configFilter) {
        std::lock_guard<std::mutex> lock(m_maskLock);
        defect::RepairListed(*raw, m_defects, s.readout);
    }
    if (observer)
        observer->OnRawFrame(*raw);
    CorrectDefects(*raw, s, wide);
    // The 8-bit demosaic runs the hue step on its pixels before it stores them.
    const bool hueStep = kColorModes[mode].color && (s.hue != 0 || s.saturation != 0);
    const bool hueInDemosaic = hueStep && !wide;
    if (kColorModes[mode].color)
        Demosaic(*out, *raw, s, results, hueInDemosaic);
    else
        ProcessGray(*raw, s, results);
    Finish(*out, s, hueStep && !hueInDemosaic);
}

void CProcessingChain::CorrectDefects(CImageBuffer &raw, const ProcessingSettings &s, bool wide) {
    std::lock_guard<std::mutex> lock(m_maskLock);
    if (s.maskFilter)
        defect::ApplyMask(raw, *m_buffers[wide ? kDark16 : kDark8], *m_buffers[wide ? kBright16 : kBright8], s.readout,
                          s.maskMargin ? 2 : 0);
    if (s.dotFilter)
        defect::RepairDots(raw, *m_buffers[wide ? kHot16 : kHot8], *m_buffers[wide ? kDead16 : kDead8],
                           *m_buffers[wide ? kDot16 : kDot8], wide ? defect::kDotThreshold16 : defect::kDotThreshold8,
                           s.readout);
}

void CProcessingChain::ProcessGray(CImageBuffer &raw, const ProcessingSettings &s, ProcessingResults *results) {
    const int mode = m_mode.load();
    if (s.grayMode == 1) {
        GrayBlock gray{s.bayerMode,      s.grayGains[0],
                       s.grayGains[1],   s.grayGains[2],
                       s.grayGains[3],   s.grayOffsets[0],
                       s.grayOffsets[1], s.grayOffsets[2],
                       s.grayOffsets[3], mode == 1 ? sensor::kSignificantBits16 : 8};
        if (s.measureGray) {
            InPlace(&raw, conv::MeasureGray, &gray);
            results->grayMeasured = true;
            const int measured[4] = {gray.gainR, gray.gainG1, gray.gainG2, gray.gainB};
            std::copy(measured, measured + 4, results->grayGains);
        }
        const bool neutral = gray.gainR == kNeutralGrayGain && gray.gainG1 == kNeutralGrayGain &&
                             gray.gainG2 == kNeutralGrayGain && gray.gainB == kNeutralGrayGain;
        if (!neutral)
            InPlace(&raw, mode == 1 ? conv::GrayGain16 : conv::GrayGain8, &gray);
    } else if (s.grayMode == 2 && mode == 0) {
        // Grey from the demosaiced colours. (In the 16-bit mode the 8-bit raw buffer is
        // only the display copy, so there is nothing to change.)
        CImageBuffer *color = m_buffers[kColor24].get();
        Demosaic(*color, raw, s, results, false);
        CImageBuffer::ApplyConversion(&raw, conv::ColorToGray, color, nullptr, 0, 0);
    }
}

void CProcessingChain::Demosaic(CImageBuffer &color, CImageBuffer &raw, const ProcessingSettings &s,
                                ProcessingResults *results, bool withHue) {
    const bool wide = raw.BytesPerPixel() == 2;
    int red = s.bayerGains[0], green = s.bayerGains[1], blue = s.bayerGains[2];
    if (s.measureWhiteBalance) {
        WhiteBalanceBlock balance{blue, green, red, s.bayerMode};
        InPlace(&raw, wide ? conv::MeasureWhiteBalance16 : conv::MeasureWhiteBalance8, &balance);
        red = std::min(balance.redGain, kMaxBayerGain);
        green = std::min(balance.greenGain, kMaxBayerGain);
        blue = std::min(balance.blueGain, kMaxBayerGain);
        results->whiteBalanceMeasured = true;
        results->bayerGains[0] = red;
        results->bayerGains[1] = green;
        results->bayerGains[2] = blue;
    }
    DemosaicBlock block{s.bayerMode, red, green, blue};
    HueBlock hue{s.hue, 0, s.saturation, sensor::kSignificantBits16};
    HueBlock *fused = withHue ? &hue : nullptr;
    CImageBuffer::ApplyConversion(&color, wide ? conv::DemosaicInterior16 : conv::DemosaicInterior8, &raw, nullptr, 0,
                                  0, &block, fused);
    CImageBuffer::ApplyConversion(&color, wide ? conv::DemosaicBorder16 : conv::DemosaicBorder8, &raw, nullptr, 0, 0,
                                  &block, fused);
}

// The tone steps; each is skipped where its value leaves the picture as it is. Passes
// are joined where the bits stay the same: gamma and contrast are one table; with
// sharpening on, that table writes the copy sharpening reads (and the border it keeps),
// and brightness goes into sharpening's output.
void CProcessingChain::Finish(CImageBuffer &out, const ProcessingSettings &s, bool hueStep) {
    const int mode = m_mode.load();
    const int bits = sensor::kSignificantBits16;
    if (hueStep) {
        HueBlock hue{s.hue, 0, s.saturation, bits};
        InPlace(&out, kHue[mode], &hue);
    }
    ValueBlock gamma{s.gamma, bits}, contrast{s.contrast, bits}, brightness{s.brightness, bits};
    ConversionRoutine tone = nullptr;
    void *toneBlock = nullptr, *toneBlock2 = nullptr;
    if (s.gamma != 100 && s.contrast != 0) {
        tone = kGammaContrast[mode];
        toneBlock = &gamma;
        toneBlock2 = &contrast;
    } else if (s.gamma != 100) {
        tone = kGamma[mode];
        toneBlock = &gamma;
    } else if (s.contrast != 0) {
        tone = kContrast[mode];
        toneBlock = &contrast;
    }
    CImageBuffer *scratch = m_buffers[kScratch].get();
    const bool sharpen =
        s.sharpness != 0 && scratch && !scratch->IsEmpty() && scratch->ImageBytes() == out.ImageBytes();
    if (!sharpen) {
        if (tone)
            CImageBuffer::ApplyConversion(&out, tone, &out, nullptr, 0, 0, toneBlock, toneBlock2);
        if (s.brightness != 0)
            InPlace(&out, kBrightness[mode], &brightness);
        return;
    }
    if (tone) {
        CImageBuffer::ApplyConversion(scratch, tone, &out, nullptr, 0, 0, toneBlock, toneBlock2);
        CopyBorder(out, *scratch);
    } else {
        std::memcpy(scratch->Pixels(), out.Pixels(), out.ImageBytes());
    }
    ValueBlock value{s.sharpness, bits};
    CImageBuffer::ApplyConversion(&out, kSharpen[mode], scratch, nullptr, 0, 0, &value,
                                  s.brightness != 0 ? &brightness : nullptr);
}

CImageBuffer *CProcessingChain::DisplayPicture() {
    const int mode = m_mode.load();
    CImageBuffer *raw8 = m_buffers[kRaw8].get(), *color24 = m_buffers[kColor24].get();
    switch (mode) {
    case 0: return raw8;
    case 1:
        CImageBuffer::ApplyConversion(raw8, conv::Reduce16To8Display, m_buffers[kRaw16].get(), nullptr, 0, 0);
        return raw8;
    case 2: return color24;
    case 3:
        CImageBuffer::ApplyConversion(color24, conv::CopyColor, m_buffers[kColor32].get(), nullptr, 0, 0);
        return color24;
    default: CImageBuffer::ApplyConversion(color24, conv::Reduce48To24Display, Output(), nullptr, 0, 0); return color24;
    }
}

bool CProcessingChain::TakeReference(int kind) {
    std::lock_guard<std::mutex> lock(m_maskLock);
    const bool wide = UsesRaw16(m_mode.load());
    CImageBuffer *raw = Raw();
    bool taken = true;
    if (raw && raw->Width() == sensor::kWidth && raw->Height() == sensor::kHeight) {
        if (kind == 0 || kind == 1) {
            CImageBuffer *reference = m_buffers[wide ? (kind ? kBright16 : kDark16) : (kind ? kBright8 : kDark8)].get();
            // A frame whose readout is not known (none processed since the buffers were
            // made) is taken as it lies.
            if (!defect::CopyToSensorOrder(*raw, m_readout, *reference))
                std::memcpy(reference->Pixels(), raw->Pixels(), sensor::kHeight * static_cast<size_t>(raw->Stride()));
        } else {
            taken = false;
        }
    }
    const int map = kind != 0 ? 1 : 0;
    defect::BuildDefectMap(*m_buffers[wide ? (map ? kBright16 : kDark16) : (map ? kBright8 : kDark8)],
                           *m_buffers[wide ? (map ? kDead16 : kHot16) : (map ? kDead8 : kHot8)], map);
    return taken;
}

void CProcessingChain::RebuildDefectMaps() {
    defect::BuildDefectMap(*m_buffers[kDark8], *m_buffers[kHot8], 0);
    defect::BuildDefectMap(*m_buffers[kBright8], *m_buffers[kDead8], 1);
    defect::BuildDefectMap(*m_buffers[kDark16], *m_buffers[kHot16], 0);
    defect::BuildDefectMap(*m_buffers[kBright16], *m_buffers[kDead16], 1);
}

void CProcessingChain::SetDefects(std::vector<DefectPoint> points) {
    std::lock_guard<std::mutex> lock(m_maskLock);
    m_defects.swap(points);
}

std::vector<DefectPoint> CProcessingChain::Defects() {
    std::lock_guard<std::mutex> lock(m_maskLock);
    return m_defects;
}

#include "sim/CFrameRenderer.h"
#include "sim/Scene.h"
#include "sim/SimConstants.h"
#include <algorithm>
#include <cstring>

namespace sim {

// The sensor pixel that read-out position k (0 = window start) lands on: every position
// when not sub-sampled, else the pairs 0, 1, 4, 5, 8, 9, ...
static int SensorOffset(uint32_t k, bool subsample) {
    return subsample ? static_cast<int>(4 * (k / 2) + k % 2) : static_cast<int>(k);
}

// Picture coordinate of read-out index i along an axis of the window, or -1 outside the
// sensor. Without the axis's mirror the sensor reads from the far end of the window.
static int ReadoutCoordinate(uint32_t i, uint32_t count, bool mirrored, int start, int limit, bool subsample) {
    if (i >= count)
        return -1;
    const uint32_t k = mirrored ? i : count - 1 - i;
    const int coordinate = start + SensorOffset(k, subsample);
    return coordinate >= 0 && coordinate < limit ? coordinate : -1;
}

void CFrameRenderer::Put(uint8_t *out, size_t index, uint16_t level12) const {
    if (m_key.bytesPerPixel == 2) {
        out[2 * index] = uint8_t(level12 & 0xFF);
        out[2 * index + 1] = uint8_t(level12 >> 8);
    } else {
        out[index] = uint8_t(level12 >> 4);
    }
}

void CFrameRenderer::Rebuild(const CSensorState &s) {
    m_key = s;
    m_base.assign(s.FrameBytes(), 0);
    m_columnX.assign(s.captureWidth, -1);
    m_barRows.clear();
    m_barLevel = SensorLevel12(kBarLevel, s.gain, s.ExposureLines());
    if (!s.started)
        return;
    for (uint32_t c = 0; c < s.captureWidth; ++c)
        m_columnX[c] = ReadoutCoordinate(c, s.windowWidth, s.mirrorH, int(s.columnStart), kSensorWidth, s.subsample);
    uint16_t levels[256];
    for (int v = 0; v < 256; ++v)
        levels[v] = SensorLevel12(uint8_t(v), s.gain, s.ExposureLines());
    const size_t pixels = s.framePixels;
    for (uint32_t r = 0; r < s.captureHeight && size_t(r) * s.captureWidth < pixels; ++r) {
        const int y = ReadoutCoordinate(r, s.windowHeight, s.mirrorV, s.TopRow(), kSensorHeight, s.subsample);
        if (y < 0)
            continue;
        if (y >= kBarTop)
            m_barRows.push_back(r);
        const size_t rowIndex = size_t(r) * s.captureWidth;
        for (uint32_t c = 0; c < s.captureWidth && rowIndex + c < pixels; ++c) {
            const int x = m_columnX[c];
            if (x < 0)
                continue;
            // The bar is drawn per frame; the band behind it is plain background.
            const uint8_t reference = y >= kBarTop ? kBarBackground : SceneValue(x, y, CfaChannel(x, y), 0);
            Put(m_base.data(), rowIndex + c, levels[reference]);
        }
    }
}

void CFrameRenderer::Render(const CSensorState &state, uint32_t frameNumber, bool still, uint8_t *out) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_valid || m_key != state) {
        Rebuild(state);
        m_valid = true;
    }
    if (!m_base.empty())
        std::memcpy(out, m_base.data(), m_base.size());
    const size_t pixels = state.framePixels;
    if (!m_barRows.empty()) {
        const int barX = BarPosition(still ? 0 : frameNumber);
        m_barColumns.clear();
        for (uint32_t c = 0; c < m_columnX.size(); ++c) {
            const int x = m_columnX[c];
            if (x >= 0 && (x - barX + kSensorWidth) % kSensorWidth < kBarWidth)
                m_barColumns.push_back(c);
        }
        for (uint32_t r : m_barRows)
            for (uint32_t c : m_barColumns) {
                const size_t index = size_t(r) * state.captureWidth + c;
                if (index < pixels)
                    Put(out, index, m_barLevel);
            }
    }
    if (still)
        return;
    // The number's bytes go in as they are, whatever the sample width.
    for (uint32_t k = 0; k < kFrameNumberPixels && k < pixels; ++k) {
        const uint8_t byte = uint8_t(frameNumber >> (8 * k));
        if (state.bytesPerPixel == 2) {
            out[2 * k] = byte;
            out[2 * k + 1] = 0;
        } else {
            out[k] = byte;
        }
    }
}

} // namespace sim

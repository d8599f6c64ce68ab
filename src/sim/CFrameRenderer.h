// Turns the sensor state into the bytes of one frame as the camera sends it.
//
// Read-out: sensor line r of the window is raw row r, its pixel c raw column c. Without
// mirroring the sensor starts at the bottom right of its window (raw row 0 is the window's
// lowest picture row, raw column 0 its rightmost column), so that a host turning the frame by
// 180 degrees gets the picture upright. Mirror H starts at the left, mirror V at the top. With
// 2x sub-sampling the sensor reads pixel pairs of every other 2 x 2 block (offsets 0, 1, 4,
// 5, ...) so the colour filter keeps its phase.
//
// The capture logic frames the sensor lines: CR 68/69 pixels per raw row, CR 64/65 rows;
// pixels beyond the sensor window, outside the sensor, or beyond those rows up to the
// transfer size are 0.
//
// The frame without the bar and number only changes with the registers, so it is kept and
// copied; the bar and the number are drawn over the copy.
#pragma once
#include "sim/CSensorState.h"
#include <cstdint>
#include <mutex>
#include <vector>

namespace sim {

class CFrameRenderer {
public:
    // Writes state.FrameBytes() bytes into out.
    void Render(const CSensorState &state, uint32_t frameNumber, bool still, uint8_t *out);

private:
    void Rebuild(const CSensorState &state);
    void Put(uint8_t *out, size_t index, uint16_t level12) const;

    std::mutex m_lock; // two readers of one camera may render at once
    bool m_valid = false;
    CSensorState m_key;
    std::vector<uint8_t> m_base;
    std::vector<int> m_columnX;          // picture x of each raw column, -1 when none
    std::vector<uint32_t> m_barRows;     // raw rows that show the bar band
    std::vector<uint32_t> m_barColumns;  // scratch: raw columns under the bar
    uint16_t m_barLevel = 0;
};

} // namespace sim

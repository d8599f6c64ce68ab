// Configuration files of defective sensor pixels: nothing but 8-byte records of two
// little-endian 32-bit integers, x then y. A remainder of 1 to 7 bytes is ignored.
#pragma once
#include "image/DefectFilters.h"
#include <vector>

namespace defect_list {

// Larger files are refused: every pixel of the sensor listed four times over fits.
constexpr uint64_t kMaxFileBytes = 8ull * 640 * 512 * 4;

// Reads the whole file into `points` (file order, duplicates kept). False, with `points`
// unchanged, when the file cannot be opened or read whole, or is larger than the bound.
bool Load(const char *path, std::vector<DefectPoint> &points);

} // namespace defect_list

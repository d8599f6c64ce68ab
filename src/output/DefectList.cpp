#include "output/DefectList.h"
#include "output/CDataFile.h"
#include <cstring>

namespace defect_list {

bool Load(const char *path, std::vector<DefectPoint> &points) {
    if (!path)
        return false;
    // Measured before loading: an enormous file must not be read into memory at all.
    platform::FileHandle probe = platform::FileOpenForReading(path);
    if (!probe)
        return false;
    uint64_t size = 0;
    const bool sized = platform::FileSize(probe, &size);
    platform::FileClose(probe);
    if (!sized || size > kMaxFileBytes)
        return false;
    CDataFile file;
    const uint8_t *data = file.Load(path);
    if (!data)
        return false;
    const size_t records = static_cast<size_t>(file.DataEnd() - data) / 8;
    std::vector<DefectPoint> loaded(records);
    for (size_t i = 0; i < records; ++i) {
        std::memcpy(&loaded[i].x, data + 8 * i, 4);
        std::memcpy(&loaded[i].y, data + 8 * i + 4, 4);
    }
    points.swap(loaded);
    return true;
}

} // namespace defect_list

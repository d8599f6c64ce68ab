// Configuration files of defective pixels: whatever the file lists, the list is taken as
// it stands, and repairing the listed pixels changes nothing outside the picture. The
// picture's values are all equal, so a repair inside it changes nothing either: any byte
// that differs afterwards was written where it must not be.
//
// Input: the file. Its size picks the window, subsampling and mirroring of the picture.
#include "FuzzSupport.h"
#include "image/CImageBuffer.h"
#include "image/DefectFilters.h"
#include "image/SensorReadout.h"
#include "output/DefectList.h"
#include <cstring>
#include <vector>

namespace {

struct Picture {
    int x, y, width, height;
    bool subsampled, mirrorH, mirrorV;
    int bitsPerPixel;
};

// The full sensor once (its picture costs the repair a map the operating system hands out
// anew each time); partial, subsampled and mirrored pictures at 8 and 16 bits a sample.
const Picture kPictures[] = {
    {0, 0, 640, 512, false, true, true, 8},     {16, 100, 64, 32, false, true, false, 16},
    {600, 480, 40, 32, false, false, true, 16}, {0, 0, 320, 256, true, false, false, 8},
    {0, 0, 320, 256, true, true, true, 16},     {384, 256, 256, 256, false, true, false, 8},
    {0, 0, 64, 512, false, false, true, 8},
};

SensorReadout ReadoutOf(const Picture &p) {
    SensorReadout readout;
    readout.firstColumn = p.x;
    readout.firstRow = p.y;
    readout.width = p.width;
    readout.height = p.height;
    readout.subsampled = p.subsampled;
    readout.mirrorH = p.mirrorH;
    readout.mirrorV = p.mirrorV;
    return readout;
}

// One buffer per picture for the whole run: a picture of the sensor's size is allocated
// and released by the operating system each time, which would cost more than the repair.
CImageBuffer &BufferFor(const Picture &p) {
    static CImageBuffer buffers[std::size(kPictures)];
    CImageBuffer &buffer = buffers[&p - kPictures];
    if (buffer.IsEmpty())
        FUZZ_CHECK(buffer.Create(p.width, p.height, p.bitsPerPixel) == 1);
    return buffer;
}

constexpr uint8_t kValue = 0x3c;

bool EveryByteIsTheValue(const CImageBuffer &picture) {
    static const std::vector<uint8_t> same(640 * 512 * 2, kValue);
    return std::memcmp(picture.Pixels(), same.data(), picture.ImageBytes()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string &name = fuzz::WriteScratch(data, size);
    // The loader alone: every whole record, in file order.
    std::vector<DefectPoint> points(1, DefectPoint{-7, -7});
    FUZZ_CHECK(defect_list::Load(name.c_str(), points));
    FUZZ_CHECK(points.size() == size / 8);
    for (size_t i = 0; i < points.size(); ++i)
        FUZZ_CHECK(std::memcmp(&points[i].x, data + 8 * i, 4) == 0 &&
                   std::memcmp(&points[i].y, data + 8 * i + 4, 4) == 0);
    // The list where the processing chain uses it.
    const Picture &p = kPictures[size % std::size(kPictures)];
    CImageBuffer &picture = BufferFor(p);
    std::memset(picture.Pixels(), kValue, picture.ImageBytes());
    defect::RepairListed(picture, points, ReadoutOf(p));
    FUZZ_CHECK(EveryByteIsTheValue(picture));
    return 0;
}

// Configuration files of defective pixels: whatever the file lists, the list is taken as
// it stands and the processing chain repairs the listed pixels inside the picture only.
#include "FuzzSupport.h"
#include "camera/CVonkel.h"
#include "output/DefectList.h"
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static CVonkel *camera = [] {
        auto *c = new CVonkel(fuzz::TheProcess().services);
        FUZZ_CHECK(c->Initialize(nullptr) == 1);
        FUZZ_CHECK(c->SetConfigFilter(1) == 1);
        return c;
    }();
    const std::string &name = fuzz::WriteScratch(data, size);
    // The loader alone: every whole record, in file order.
    std::vector<DefectPoint> points(1, DefectPoint{-7, -7});
    FUZZ_CHECK(defect_list::Load(name.c_str(), points));
    FUZZ_CHECK(points.size() == size / 8);
    for (size_t i = 0; i < points.size(); ++i)
        FUZZ_CHECK(std::memcmp(&points[i].x, data + 8 * i, 4) == 0 && std::memcmp(&points[i].y, data + 8 * i + 4, 4) == 0);
    // Through the camera, into a processed frame of a colour mode the first byte picks.
    static const int kModes[] = {8, 16, 24, 32, 48, 64};
    camera->SetColorMode(kModes[size ? data[0] % 6 : 0]);
    FUZZ_CHECK(camera->LoadConfigFile(name.c_str()) == 1);
    static std::vector<uint8_t> picture(640 * 512 * 8);
    FUZZ_CHECK(camera->SnapShot(picture.data(), static_cast<int32_t>(picture.size()), 1) == 1);
    while (camera->GetLastError() != 0) {
    }
    return 0;
}

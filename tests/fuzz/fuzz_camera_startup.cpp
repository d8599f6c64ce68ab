// The one target through a whole camera instance: the settings read at start-up, with
// values of any type and size where the library expects others. Initialisation and a
// device switch end with settings the camera can run with, and a snapshot runs with them.
// Slow by nature (a camera and a frame per input); the parsers have targets of their own.
//
// Input: records of key (1 byte), value name (1 byte), type (1 byte: even a DWORD of the
// next four bytes, odd binary of the length in the next byte) and the bytes.
#include "FuzzSupport.h"
#include "camera/CVonkel.h"
#include "settings/CRegistrySettings.h"
#include <cmath>
#include <string>
#include <vector>

namespace {

const char *const kKeys[] = {"",          "\\Camera_00", "\\Camera_00\\Gain",   "\\Camera_00\\Filter",
                             "\\Camera_00\\Gray", "\\Camera_00\\Size_00", "\\Camera_00\\Size_01",
                             "\\Camera_00\\Size_99", "\\Camera_01", "\\Camera_01\\Gain", "\\Camera_01\\Size_00"};
const char *const kNames[] = {
    "Size",     "Color",    "SubSample", "WaitTime", "Clock",    "TH",       "TV",         "EH",
    "EV",       "EHS",      "EVS",       "Buf",      "Global",   "ColorG1",  "ColorR",     "ColorB",
    "ColorG2",  "Exposure", "V_Mirror",  "H_Mirror", "AutoIris", "ExposureEx", "Brightness", "Contrast",
    "Hue",      "Saturation", "Sharpness", "R_Gain", "G_Gain",   "B_Gain",   "Gamma",      "BayerMode",
    "Mode",     "GainR1",   "GainG1",    "GainG2",   "GainB1",   "OffsetR1", "OffsetG1",   "OffsetG2",
    "OffsetB1"};

void Fill(platform::CMemorySettingsStore &store, const uint8_t *data, size_t size) {
    store.Clear();
    size_t at = 0;
    while (at + 3 <= size) {
        const std::string path = std::string(CRegistrySettings::kRootPath) + kKeys[data[at] % std::size(kKeys)];
        const char *name = kNames[data[at + 1] % std::size(kNames)];
        const bool binary = data[at + 2] & 1;
        at += 3;
        platform::ISettingsStore::Key key = store.CreateKey(nullptr, path.c_str());
        if (!key)
            return;
        if (!binary) {
            uint32_t value = 0;
            for (int i = 0; i < 4 && at < size; ++i)
                value |= uint32_t(data[at++]) << (8 * i);
            store.WriteDword(key, name, value);
        } else {
            const size_t length = at < size ? data[at++] : 0;
            const size_t n = std::min(length, size - at);
            store.WriteBinary(key, name, data + at, static_cast<uint32_t>(n));
            at += n;
        }
        store.CloseKey(key);
    }
}

void CheckRunnable(CVonkel &camera) {
    FUZZ_CHECK(CVonkel::CaptureWindowValid(camera.Window(), camera.SubSample()));
    FUZZ_CHECK(camera.ColorMode() >= 0 && camera.ColorMode() <= 5);
    FUZZ_CHECK(camera.WaitTime() >= 0);
    FUZZ_CHECK(std::isfinite(camera.Analog().exposureSeconds.load()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::Process &process = fuzz::TheProcess();
    Fill(process.settings, data, size);
    {
        CVonkel camera(process.services);
        FUZZ_CHECK(camera.Initialize(nullptr) == 1);
        CheckRunnable(camera);
        // Snapshots wait for no pause: a stored wait time only paces the preview.
        static std::vector<uint8_t> picture(640 * 512 * 8);
        camera.SnapShot(picture.data(), static_cast<int32_t>(picture.size()), 1);
        if (camera.SetDeviceNumber(1) == 1)
            CheckRunnable(camera);
    }
    FUZZ_CHECK(process.settings.OpenHandles() == 0);
    return 0;
}

// Mask files: anything that is not a whole mask file of this camera is refused and leaves
// the four reference planes as they were; an accepted file is taken byte for byte.
//
// Input: byte 0 even: the file is the rest of the input. Byte 0 odd: the rest begins
// with a 40-byte header, and the planes repeat what follows up to the mask file's size
// plus (byte 1 as a signed number) / 16 bytes, so that whole files are reached.
#include "FuzzSupport.h"
#include "camera/CVonkel.h"
#include <cstring>
#include <vector>

namespace {

constexpr size_t kHeader = 40;
constexpr size_t kFileBytes = kHeader + 2 * 640 * 512 + 2 * 640 * 512 * 2;
const BufferIndex kPlanes[] = {kDark8, kBright8, kDark16, kBright16};

std::vector<uint8_t> Build(const uint8_t *data, size_t size) {
    if (size == 0 || (data[0] & 1) == 0)
        return std::vector<uint8_t>(data + (size ? 1 : 0), data + size);
    const int delta = size > 1 ? static_cast<int8_t>(data[1]) / 16 : 0;
    std::vector<uint8_t> file(kFileBytes + delta, 0);
    const uint8_t *rest = data + std::min<size_t>(size, 2);
    const size_t restSize = size - std::min<size_t>(size, 2);
    std::memcpy(file.data(), rest, std::min(restSize, kHeader));
    if (restSize > kHeader)
        for (size_t i = kHeader; i < file.size(); ++i)
            file[i] = rest[kHeader + (i - kHeader) % (restSize - kHeader)];
    return file;
}

std::vector<uint8_t> Planes(CVonkel &camera) {
    std::vector<uint8_t> all;
    for (BufferIndex index : kPlanes) {
        const CImageBuffer *plane = camera.Buffer(index);
        all.insert(all.end(), plane->Pixels(), plane->Pixels() + plane->ImageBytes());
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static CVonkel *camera = [] {
        auto *c = new CVonkel(fuzz::TheProcess().services);
        FUZZ_CHECK(c->Initialize(nullptr) == 1);
        return c;
    }();
    const std::vector<uint8_t> file = Build(data, size);
    const std::string &name = fuzz::WriteScratch(file.data(), file.size());
    const std::vector<uint8_t> before = Planes(*camera);
    const int loaded = camera->LoadMaskFile(name.c_str());
    const std::vector<uint8_t> after = Planes(*camera);
    if (!loaded)
        FUZZ_CHECK(before == after);
    else
        FUZZ_CHECK(file.size() == kFileBytes && std::equal(after.begin(), after.end(), file.begin() + kHeader));
    while (camera->GetLastError() != 0) {
    }
    return 0;
}

// The mask: dark and bright references with the defect maps derived from them, taken
// from the current frame or kept in mask files; and the defect list of configuration files.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "output/CDataFile.h"
#include "output/DefectList.h"
#include <cstring>
#include <vector>

namespace {

constexpr char kMagic[16] = "PELKOR MASK1000"; // 15 characters and the terminating zero
constexpr uint32_t kPlane8 = 640 * 512;
constexpr uint32_t kPlane16 = 640 * 512 * 2;
constexpr uint32_t kHeaderBytes = 40;
constexpr uint64_t kFileBytes = kHeaderBytes + 2ull * kPlane8 + 2ull * kPlane16; // 1 966 120

struct MaskHeader {
    char magic[16];
    uint32_t width, height, dark8, bright8, dark16, bright16;
};
static_assert(sizeof(MaskHeader) == kHeaderBytes, "the file's header layout");

} // namespace

int CVonkel::UpdateMaskData(int kind) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    std::lock_guard<std::mutex> imageLock(m_imageLock);
    if (!m_chain.TakeReference(kind))
        return RaiseError(VONKEL_ERR_CONVERSION), 0;
    return 1;
}

int CVonkel::SaveMaskFile(const char *path) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    std::lock_guard<std::mutex> lock(m_chain.MaskLock());
    CDataFile file;
    if (!path || !file.OpenForWriting(path))
        return RaiseError(VONKEL_ERR_MASK_FILE), 0;
    const CImageBuffer *planes[] = {m_chain.Buffer(kDark8), m_chain.Buffer(kBright8), m_chain.Buffer(kDark16),
                                    m_chain.Buffer(kBright16)};
    MaskHeader header{};
    std::memcpy(header.magic, kMagic, sizeof header.magic);
    header.width = static_cast<uint32_t>(planes[0]->Width());
    header.height = static_cast<uint32_t>(planes[0]->Height());
    uint32_t *sizes[] = {&header.dark8, &header.bright8, &header.dark16, &header.bright16};
    for (int i = 0; i < 4; ++i)
        *sizes[i] = static_cast<uint32_t>(planes[i]->ImageBytes());
    // A mask that did not reach the disk whole is a failed save, not a success.
    bool written = file.Write(&header, sizeof header);
    for (const CImageBuffer *plane : planes)
        written = file.Write(plane->Pixels(), static_cast<uint32_t>(plane->ImageBytes())) && written;
    file.Close();
    if (!written)
        return RaiseError(VONKEL_ERR_MASK_FILE), 0;
    return 1;
}

int CVonkel::LoadMaskFile(const char *path) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    // The whole file is read and checked before any reference changes: a short, long or
    // foreign file leaves every plane as it was.
    platform::FileHandle file = path ? platform::FileOpenForReading(path) : nullptr;
    if (!file)
        return RaiseError(VONKEL_ERR_MASK_FILE), 0;
    uint64_t size = 0;
    MaskHeader header{};
    uint32_t done = 0;
    bool ok = platform::FileSize(file, &size) && size == kFileBytes &&
              platform::FileRead(file, &header, sizeof header, &done) && done == sizeof header &&
              std::memcmp(header.magic, kMagic, sizeof kMagic) == 0 && header.width == 640 && header.height == 512 &&
              header.dark8 == kPlane8 && header.bright8 == kPlane8 && header.dark16 == kPlane16 &&
              header.bright16 == kPlane16;
    std::vector<uint8_t> planes;
    if (ok) {
        planes.resize(kFileBytes - kHeaderBytes);
        ok = platform::FileRead(file, planes.data(), static_cast<uint32_t>(planes.size()), &done) &&
             done == planes.size();
    }
    platform::FileClose(file);
    if (!ok)
        return RaiseError(VONKEL_ERR_MASK_FILE), 0;

    std::lock_guard<std::mutex> lock(m_chain.MaskLock());
    const uint8_t *at = planes.data();
    for (BufferIndex index : {kDark8, kBright8, kDark16, kBright16}) {
        CImageBuffer *plane = m_chain.Buffer(index);
        std::memcpy(plane->Pixels(), at, plane->ImageBytes());
        at += plane->ImageBytes();
    }
    m_chain.RebuildDefectMaps();
    return 1;
}

int CVonkel::LoadConfigFile(const char *path) {
    std::vector<DefectPoint> points;
    if (!defect_list::Load(path, points))
        return 0;
    m_chain.SetDefects(std::move(points));
    return 1;
}

std::vector<DefectPoint> CVonkel::DefectList() { return m_chain.Defects(); }

// The mask: dark and bright references with the defect maps derived from them, taken
// from the current frame or kept in mask files; and the defect list of configuration files.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "output/CDataFile.h"
#include "output/DefectList.h"
#include "output/MaskFile.h"
#include <cstring>
#include <vector>

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
    mask_file::Header header{};
    std::memcpy(header.magic, mask_file::kMagic, sizeof header.magic);
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
    std::vector<uint8_t> planes;
    if (!mask_file::Load(path, planes))
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

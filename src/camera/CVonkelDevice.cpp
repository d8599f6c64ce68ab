// Device selection, enumeration and naming, camera information, register and memory
// access of a camera instance.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "platform/SettingsStore.h"
#include "platform/TextConversion.h"
#include "settings/CRegistrySettings.h"
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr uint16_t kVariantAddress = 0x1EB0;
constexpr int kSerialMinLength = 32;
constexpr int kWideBufferBytes = 1024;

// Offsets of the camera information structure.
constexpr size_t kInfoShortSize = 36;
constexpr size_t kInfoLongSize = 56;

void Put32(uint8_t *base, size_t offset, int32_t value) { std::memcpy(base + offset, &value, 4); }
void PutDouble(uint8_t *base, size_t offset, double value) { std::memcpy(base + offset, &value, 8); }

} // namespace

bool CVonkel::FormatDeviceName(int number, char *out, size_t size) const {
    return std::snprintf(out, size, "%s_%02d", kDeviceBaseName, number) > 0;
}

int CVonkel::SetDeviceNumber(int number) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    CRegistrySettings registry(*m_services.settings);
    if (m_settingsLoaded)
        WriteDeviceSettings(registry, m_driver->GetDeviceIndex());
    m_settingsLoaded = 1;
    const bool inUse = StreamedElsewhere(number);
    if (!m_driver->IsDevicePresent(number) || m_driver->SelectCamera(number, !inUse) != 0)
        return RaiseError(VONKEL_ERR_DEVICE), 0;
    ReadDeviceSettings(registry, number, !inUse);
    if (m_driver->HasPeltier() && !inUse) {
        m_driver->SetPeltier(1);
        m_analog.coolerOn.store(1);
    }
    uint8_t variant = 0;
    if (m_driver->ReadMemoryByte(kVariantAddress, &variant)) {
        if (variant == 1)
            m_driver->SetVariant(0);
        else if (variant == 2)
            m_driver->SetVariant(1);
    }
    m_deviceNumber = number;
    return 1;
}

int CVonkel::EnumDevice(char (*names)[kNameEntryChars]) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    // Probing resets the driver's device index; the device in use stays selected, so
    // the capture checks and the ownership table keep referring to it.
    const int inUse = m_driver->GetDeviceIndex();
    int count = 0;
    for (int j = 0; j < m_driver->GetMaxDevices(); ++j) {
        m_driver->EnumerateDevices();
        if (!m_driver->IsDevicePresent(j))
            continue;
        ++count;
        if (names)
            FormatDeviceName(count, names[count - 1], kNameEntryChars);
    }
    m_driver->SelectDevice(inUse);
    for (int i = count; names && i < 10; ++i)
        names[i][0] = '\0';
    return count;
}

int CVonkel::EnumDeviceW(wchar_t (*names)[kNameEntryChars]) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    wchar_t base[kNameEntryChars] = {};
    platform::AnsiToWide(kDeviceBaseName, base, kNameEntryChars);
    int count = 0;
    for (int j = 0; j < m_driver->GetMaxDevices(); ++j) {
        if (!m_driver->IsDevicePresent(j))
            continue;
        ++count;
        if (names)
            std::swprintf(names[count - 1], kNameEntryChars, L"%ls_%02d", base, count);
    }
    for (int i = count; names && i < 10; ++i)
        names[i][0] = L'\0';
    return count;
}

bool CVonkel::DeviceNameAllowed(int number, const void *text, int length) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), false;
    // A length of 18 to 20 would pass a test against 17 but cannot hold the name and
    // its terminator: refused like any other too-short buffer.
    if (!text || length <= kDeviceNameLength || number < 0 || number >= m_driver->GetMaxDevices())
        return RaiseError(VONKEL_ERR_ARGUMENT), false;
    if (!m_driver->IsDevicePresent(number))
        return RaiseError(VONKEL_ERR_DEVICE), false;
    return true;
}

int CVonkel::GetDeviceName(int number, char *text, int length) {
    if (!DeviceNameAllowed(number, text, length))
        return 0;
    FormatDeviceName(number + 1, text, static_cast<size_t>(length));
    return 1;
}

int CVonkel::GetDeviceNameW(int number, wchar_t *text, int length) {
    if (!DeviceNameAllowed(number, text, length))
        return 0;
    wchar_t base[kNameEntryChars] = {};
    platform::AnsiToWide(kDeviceBaseName, base, kNameEntryChars);
    std::swprintf(text, static_cast<size_t>(length), L"%ls_%02d", base, number + 1);
    return 1;
}

int CVonkel::GetCameraInfo(void *info) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!info)
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    uint8_t *base = static_cast<uint8_t *>(info);
    int32_t size;
    std::memcpy(&size, base, 4);
    if (size < static_cast<int32_t>(kInfoShortSize))
        return RaiseError(VONKEL_ERR_MEMORY), 0;
    Put32(base, 4, 640);
    Put32(base, 8, 512);
    Put32(base, 12, m_driver->GetGainMin());
    Put32(base, 16, m_driver->GetGainMax());
    Put32(base, 20, 0);
    Put32(base, 24, 0);
    Put32(base, 28, m_driver->GetExposureLinesMin());
    Put32(base, 32, m_driver->GetExposureLinesMax());
    if (size >= static_cast<int32_t>(kInfoLongSize)) {
        double limit = 0.0;
        m_driver->GetRealExposureMin(&limit);
        PutDouble(base, 40, limit);
        m_driver->GetRealExposureMax(&limit);
        PutDouble(base, 48, limit);
    }
    return 1;
}

// A register read or write of the driver, its failure reported as a register error.
template <class Read>
int CVonkel::RegisterRead(int *ok, Read &&read) {
    if (ok)
        *ok = 0;
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    uint8_t value = 0;
    if (!read(value))
        return RaiseError(VONKEL_ERR_REGISTER), 0;
    if (ok)
        *ok = 1;
    return value;
}

template <class Write>
int CVonkel::RegisterWrite(Write &&write) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    if (!write())
        return RaiseError(VONKEL_ERR_REGISTER), 0;
    return 1;
}

int CVonkel::ReadSensorRegister(int address, int *ok) {
    return RegisterRead(ok, [&](uint8_t &v) { return m_driver->ReadSensorRegister(static_cast<uint16_t>(address), &v); });
}

int CVonkel::WriteSensorRegister(int address, int value) {
    return RegisterWrite(
        [&] { return m_driver->WriteSensorRegister(static_cast<uint16_t>(address), static_cast<uint8_t>(value)); });
}

int CVonkel::ReadFpgaRegister(int address, int *ok) {
    return RegisterRead(ok, [&](uint8_t &v) { return m_driver->ReadFpgaRegister(static_cast<uint8_t>(address), &v); });
}

int CVonkel::WriteFpgaRegister(int address, int value) {
    return RegisterWrite(
        [&] { return m_driver->WriteFpgaRegister(static_cast<uint8_t>(address), static_cast<uint8_t>(value)); });
}

int CVonkel::GetIOPort(uint8_t *value) {
    if (!value)
        return PostError(VONKEL_ERR_ARGUMENT), 0;
    if (!m_driver)
        return PostError(VONKEL_ERR_NO_CAMERA), 0;
    return m_driver->ReadFpgaRegister(7, value) ? 1 : 0;
}

int CVonkel::SetIOPort(int value) {
    if (!m_driver)
        return PostError(VONKEL_ERR_NO_CAMERA), 0;
    return m_driver->WriteFpgaRegister(7, static_cast<uint8_t>(value)) ? 1 : 0;
}

int CVonkel::ReadSerialNumber(char *text, int length) {
    if (!text || length < kSerialMinLength)
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    uint8_t serial[32];
    bool answered = m_driver->ReadSerialBytes(serial);
    if (serial[0] != 0) {
        std::memcpy(text, serial, 31);
        text[31] = '\0';
        return 1;
    }
    // An empty serial is a valid answer; only a memory that never answered fails.
    return answered ? 1 : 0;
}

int CVonkel::ReadSerialNumberW(wchar_t *text, int length) {
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    char narrow[kWideBufferBytes] = {};
    ReadSerialNumber(narrow, sizeof narrow);
    wchar_t wide[kWideBufferBytes];
    int n = platform::AnsiToWide(narrow, wide, kWideBufferBytes);
    if (n <= 0 || !text || length < n)
        return RaiseError(VONKEL_ERR_CONVERSION), 0;
    std::wmemcpy(text, wide, static_cast<size_t>(n));
    return 1;
}

int CVonkel::ReadSromID(int index, int *ok) {
    if (ok)
        *ok = 0;
    uint8_t value = 0;
    if (!m_driver || !m_driver->ReadSromByte(index, &value))
        return PostError(VONKEL_ERR_NO_CAMERA), 0;
    if (ok)
        *ok = 1;
    return value;
}

int CVonkel::WriteSromID(int index, int value) {
    if (!m_driver || !m_driver->WriteSromByte(index, value))
        return PostError(VONKEL_ERR_NO_CAMERA), 0;
    return 1;
}

double CVonkel::GetTemperatureEx(int *ok) {
    if (ok)
        *ok = 0;
    if (!m_driver)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0.0;
    if (!m_driver->HasTemperature())
        return RaiseError(VONKEL_ERR_NOT_SUPPORTED), 0.0;
    double temperature = 0.0;
    if (!m_driver->GetTemperature(&temperature))
        return RaiseError(VONKEL_ERR_CONVERSION), 0.0;
    // A successful read is announced too: code 0 becomes the newest entry.
    RaiseError(VONKEL_ERR_NONE);
    if (ok)
        *ok = 1;
    return temperature;
}

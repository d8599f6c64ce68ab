// Devices, camera information, registers and non-volatile memory.
#include "VonkelSdk.h"
#include "api/ExportGuard.h"
#include "camera/CVonkel.h"

extern "C" {

int VONKELAPI Vonkel_SetDeviceNumber(int handle, int number) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetDeviceNumber(number); });
}

int VONKELAPI Vonkel_EnumDevice(int handle, char names[][256]) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.EnumDevice(names); });
}

int VONKELAPI Vonkel_EnumDeviceW(int handle, wchar_t names[][256]) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.EnumDeviceW(names); });
}

int VONKELAPI Vonkel_GetDeviceName(int handle, int number, char *text, int length) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetDeviceName(number, text, length); });
}

int VONKELAPI Vonkel_GetDeviceNameW(int handle, int number, wchar_t *text, int length) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetDeviceNameW(number, text, length); });
}

int VONKELAPI Vonkel_GetCameraInfo(int handle, VONKEL_CAMERA_INFO *info) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetCameraInfo(info); });
}

int VONKELAPI Vonkel_ReadRegister(int handle, int address, int *ok) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.ReadSensorRegister(address & 0xFF, ok); });
}

int VONKELAPI Vonkel_ReadRegisterEx(int handle, int address, int *ok) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.ReadSensorRegister(address & 0xFFFF, ok); });
}

int VONKELAPI Vonkel_WriteRegister(int handle, int address, int value) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.WriteSensorRegister(address & 0xFF, value); });
}

int VONKELAPI Vonkel_WriteRegisterEx(int handle, int address, int value) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.WriteSensorRegister(address & 0xFFFF, value); });
}

int VONKELAPI Vonkel_Fpga_ReadRegister(int handle, int address, int *ok) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.ReadFpgaRegister(address, ok); });
}

int VONKELAPI Vonkel_Fpga_WriteRegister(int handle, int address, int value) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.WriteFpgaRegister(address, value); });
}

int VONKELAPI Vonkel_GetIOPort(int handle, unsigned char *value, int, int) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetIOPort(value); });
}

int VONKELAPI Vonkel_SetIOPort(int handle, int value) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetIOPort(value); });
}

int VONKELAPI Vonkel_ReadSerialNumberA(int handle, char *text, int length) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.ReadSerialNumber(text, length); });
}

int VONKELAPI Vonkel_ReadSerialNumberW(int handle, wchar_t *text, int length) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.ReadSerialNumberW(text, length); });
}

int VONKELAPI Vonkel_ReadSromID(int handle, int index, int *ok) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.ReadSromID(index, ok); });
}

int VONKELAPI Vonkel_WriteSromID(int handle, int index, int value) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.WriteSromID(index, value); });
}

double VONKELAPI Vonkel_GetTemperatureEx(int handle, int *ok) {
    return WithCamera(handle, 0.0, [&](CVonkel &c) { return c.GetTemperatureEx(ok); });
}

int VONKELAPI Vonkel_Width(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.Width(); });
}

int VONKELAPI Vonkel_Height(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.Height(); });
}

} // extern "C"

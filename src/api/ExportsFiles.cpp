// Still images, mask files, mask references, configuration files of defective pixels and
// AVI recordings.
#include "VonkelSdk.h"
#include "api/ExportGuard.h"
#include "api/WidePath.h"

extern "C" {

int VONKELAPI Vonkel_SaveImage(int handle, const char *path, int format) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SaveImage(path, format); });
}

int VONKELAPI Vonkel_SaveImageW(int handle, const wchar_t *path, int format) {
    return WithCamera(handle, 0, [&](CVonkel &c) {
        return WithNarrowPath(
            c, path, [&](const char *p) { return c.SaveKeptImage(p, format); }, VONKEL_ERR_NO_CAMERA);
    });
}

int VONKELAPI Vonkel_UpdateMaskData(int handle, int kind) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.UpdateMaskData(kind); });
}

int VONKELAPI Vonkel_SaveMaskFile(int handle, const char *path) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SaveMaskFile(path); });
}

int VONKELAPI Vonkel_SaveMaskFileW(int handle, const wchar_t *path) {
    return WithCamera(handle, 0, [&](CVonkel &c) {
        return WithNarrowPath(c, path, [&](const char *p) { return c.SaveMaskFile(p); });
    });
}

int VONKELAPI Vonkel_LoadMaskFile(int handle, const char *path) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.LoadMaskFile(path); });
}

int VONKELAPI Vonkel_LoadMaskFileW(int handle, const wchar_t *path) {
    return WithCamera(handle, 0, [&](CVonkel &c) {
        return WithNarrowPath(c, path, [&](const char *p) { return c.LoadMaskFile(p); });
    });
}

int VONKELAPI Vonkel_LoadConfigFileA(int handle, const char *path) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.LoadConfigFile(path); });
}

int VONKELAPI Vonkel_LoadConfigFileW(int handle, const wchar_t *path) {
    return WithCamera(handle, 0, [&](CVonkel &c) {
        return WithNarrowPath(c, path, [&](const char *p) { return c.LoadConfigFile(p); });
    });
}

int VONKELAPI Vonkel_Record(int handle, const char *path, int milliseconds, int showWindow) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.Record(path, milliseconds, showWindow); });
}

int VONKELAPI Vonkel_RecordW(int handle, const wchar_t *path, int milliseconds, int showWindow) {
    return WithCamera(handle, 0, [&](CVonkel &c) {
        return WithNarrowPath(c, path, [&](const char *p) { return c.Record(p, milliseconds, showWindow); });
    });
}

} // extern "C"

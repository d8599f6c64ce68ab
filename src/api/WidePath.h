// The wide forms of the file exports: the name is converted to the thread's ANSI code
// page into 1024 bytes (1023 and the terminator) before the narrow form runs.
#pragma once
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "platform/TextConversion.h"

constexpr int kWidePathBytes = 1024;

// Runs `narrow` with the converted name, or records `code` and returns 0. The conversion
// is exact: a character the code page cannot hold fails it, so a substituted character
// never makes an export act on another file.
template <class Narrow>
int WithNarrowPath(CVonkel &camera, const wchar_t *path, Narrow &&narrow, int32_t code = VONKEL_ERR_CONVERSION) {
    char converted[kWidePathBytes];
    if (!path || platform::WideToAnsi(path, converted, kWidePathBytes) <= 0)
        return camera.RaiseError(code), 0;
    return narrow(converted);
}

// The wide forms of the file exports: the name is converted to the thread's ANSI code
// page into 1024 bytes (1023 and the terminator) before the narrow form runs.
#pragma once
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "platform/TextConversion.h"

constexpr int kWidePathBytes = 1024;

// Runs `narrow` with the converted name, or records error 12 and returns 0.
template <class Narrow>
int WithNarrowPath(CVonkel &camera, const wchar_t *path, Narrow &&narrow) {
    char converted[kWidePathBytes];
    if (!path || platform::WideToAnsi(path, converted, kWidePathBytes) <= 0)
        return camera.RaiseError(VONKEL_ERR_CONVERSION), 0;
    return narrow(converted);
}

// Still images: a name that does not convert exactly is refused with `code`, so that
// a substituted character never makes the picture land in another file.
template <class Narrow>
int WithExactNarrowPath(CVonkel &camera, const wchar_t *path, int32_t code, Narrow &&narrow) {
    char converted[kWidePathBytes];
    if (!path || platform::WideToAnsiExact(path, converted, kWidePathBytes) <= 0)
        return camera.RaiseError(code), 0;
    return narrow(converted);
}

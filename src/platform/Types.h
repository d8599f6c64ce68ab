// Handle types shared by every layer; only platform/win32 knows what they really are.
#pragma once
#include <cstdint>

// An HWND as the application gives it to us; never dereferenced by portable code.
using WindowHandle = void *;

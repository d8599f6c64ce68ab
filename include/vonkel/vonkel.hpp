/*
 * vonkel.hpp - a C++17 interface to VonkelSdk_430NVTX_QEL.dll, header-only, built on the
 * C exports of VonkelSdk.h alone. Link the DLL's import library, user32 and advapi32.
 */
#ifndef VONKEL_VONKEL_HPP
#define VONKEL_VONKEL_HPP

/**
 * @file vonkel.hpp
 * @brief The C++ interface: a camera object that owns its handle, typed settings, errors
 * as exceptions (or as `std::error_code`), frames as objects, streaming with a callback
 * or a blocking grab, still images and recordings.
 *
 * @par Thread rules
 * - The methods of a vonkel::Camera may be called from any thread, also at the same time,
 *   as the C exports may. Moving, assigning or destroying a Camera needs that no other
 *   call on it runs at that moment.
 * - Frame and error callbacks run on the camera's own dispatch thread (one per Camera,
 *   made with the camera), one call at a time, in order. A callback may call the
 *   camera's methods, stop() included; it must not destroy or move the Camera, and it
 *   should return quickly: while it runs, newer pictures replace the ones not yet
 *   delivered (newest first, as the library itself takes frames).
 * - grab() may be called from any thread; each frame goes to one caller.
 *
 * @par Errors
 * Every method has two forms. The first throws vonkel::Error, which carries the
 * library's error code (vonkel::Errc) and the handle's whole error history, newest
 * first; the history is drained into the exception. The second takes a
 * `std::error_code &` as its last argument, is `noexcept`, sets the code (cleared on
 * success) and takes only the newest code out of the history.
 */

// Microsoft's compiler reports the language in _MSVC_LANG unless /Zc:__cplusplus is given;
// it is tested only where defined, so that -Wundef stays quiet elsewhere.
/// @cond
#if defined(_MSVC_LANG)
#define VONKEL_HPP_LANGUAGE _MSVC_LANG
#else
#define VONKEL_HPP_LANGUAGE __cplusplus
#endif
#if VONKEL_HPP_LANGUAGE < 201703L
#error "vonkel/vonkel.hpp needs C++17 or newer (CMake: link VonkelSdk::Cpp, which asks for it)"
#endif
#undef VONKEL_HPP_LANGUAGE
/// @endcond

#include "VonkelSdk.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

/** @brief The C++ interface of the Vonkel 430NVTX-QEL camera library. */
namespace vonkel {

// ---- errors ------------------------------------------------------------------------------

/** @brief Error codes: the library's VONKEL_ERR_* codes and three of this interface. */
enum class Errc : int {
    none = VONKEL_ERR_NONE,                      ///< no error
    no_camera = VONKEL_ERR_NO_CAMERA,            ///< no camera, or not allowed in the current mode
    device = VONKEL_ERR_DEVICE,                  ///< device not present or claimed by another user
    thread = VONKEL_ERR_THREAD,                  ///< a thread or its event could not be created
    window = VONKEL_ERR_WINDOW,                  ///< preview window failed, or stored size not found
    memory = VONKEL_ERR_MEMORY,                  ///< memory, image buffer or buffer too small
    register_access = VONKEL_ERR_REGISTER,       ///< register access failed
    capture_window = VONKEL_ERR_CAPTURE_WINDOW,  ///< capture window out of the sensor
    transfer = VONKEL_ERR_TRANSFER,              ///< frame transfer failed
    argument = VONKEL_ERR_ARGUMENT,              ///< invalid argument
    not_supported = VONKEL_ERR_NOT_SUPPORTED,    ///< not supported by this camera
    conversion = VONKEL_ERR_CONVERSION,          ///< text conversion, file or data failure
    frame_wait = VONKEL_ERR_FRAME_WAIT,          ///< the stream ended: waiting for a frame timed out or was stopped
    mask_file = VONKEL_ERR_MASK_FILE,            ///< mask file cannot be opened, created or is invalid
    failed = 100,   ///< the call failed and the library recorded no code (a moved-from camera)
    timeout = 101,  ///< grab(): no frame within the time given
    callback = 102, ///< a frame callback threw; rethrown by stop()
};

/** @brief The error category of vonkel::Errc ("vonkel"). */
inline const std::error_category &category() noexcept {
    struct Category : std::error_category {
        const char *name() const noexcept override { return "vonkel"; }
        std::string message(int code) const override {
            switch (static_cast<Errc>(code)) {
            case Errc::none: return "no error";
            case Errc::no_camera: return "no camera, or not allowed now";
            case Errc::device: return "device not available";
            case Errc::thread: return "thread creation failed";
            case Errc::window: return "preview window failed, or size not found";
            case Errc::memory: return "memory or buffer too small";
            case Errc::register_access: return "register access failed";
            case Errc::capture_window: return "invalid capture window";
            case Errc::transfer: return "frame transfer failed";
            case Errc::argument: return "invalid argument";
            case Errc::not_supported: return "not supported by the camera";
            case Errc::conversion: return "conversion, file or data failure";
            case Errc::frame_wait: return "frame wait ended";
            case Errc::mask_file: return "mask file failure";
            case Errc::failed: return "the call failed and the library gave no reason";
            case Errc::timeout: return "no frame within the time";
            case Errc::callback: return "the frame callback threw";
            }
            return "unknown error " + std::to_string(code);
        }
    };
    static const Category instance;
    return instance;
}

/** @brief Makes a std::error_code of the vonkel category. */
inline std::error_code make_error_code(Errc code) noexcept { return {static_cast<int>(code), category()}; }

} // namespace vonkel

/// @cond
template <>
struct std::is_error_code_enum<vonkel::Errc> : std::true_type {};
/// @endcond

namespace vonkel {

/**
 * @brief A failed call: the library's error code and the handle's error history.
 *
 * `code()` is the newest code the library recorded for the failure (what
 * Vonkel_GetLastError returned first); a few calls record two codes (a refused
 * Vonkel_CallBackPreview records 1, then 8), and codes raised meanwhile by the capture or
 * recorder thread are in the history too.
 */
class Error : public std::system_error {
public:
    /** @brief An error with its code and the history it was taken from (newest first). */
    Error(std::error_code code, std::vector<int> history, const std::string &what)
        : std::system_error(code, what), m_history(std::move(history)) {}
    /** @brief The error history drained from the handle when the call failed, newest first. */
    const std::vector<int> &history() const noexcept { return m_history; }

private:
    std::vector<int> m_history;
};

// ---- typed settings ------------------------------------------------------------------------

/** @brief The picture the processing delivers (Vonkel_SetColorMode); colour is blue, green, red. */
enum class ColorMode : int {
    gray8 = 8,   ///< 8-bit grey
    gray16 = 16, ///< 16-bit grey samples holding 12-bit values
    bgr24 = 24,  ///< 24-bit colour
    bgra32 = 32, ///< 32-bit colour (the fourth byte is 0)
    bgr48 = 48,  ///< 48-bit colour, 16-bit samples holding 12-bit values
    bgra64 = 64, ///< 64-bit colour, 16-bit samples holding 12-bit values
};

/** @brief Still image formats of Camera::save (the VONKEL_SAVE_* numbers). */
enum class StillFormat : int {
    bmp = VONKEL_SAVE_BMP,       ///< bottom-up bitmap of the colour mode's depth
    raw = VONKEL_SAVE_RAW,       ///< the picture's bytes, top row first, rows padded to 4 bytes
    jpeg = VONKEL_SAVE_JPEG,     ///< progressive JPEG, quality 100
    jpeg70 = VONKEL_SAVE_JPEG70, ///< progressive JPEG, quality 70
    jpeg20 = VONKEL_SAVE_JPEG20, ///< progressive JPEG, quality 20
    png = VONKEL_SAVE_PNG,       ///< PNG with 8 or 16-bit samples
    tiff = VONKEL_SAVE_TIFF,     ///< uncompressed TIFF with 8 or 16-bit samples
};

/** @brief Automatic exposure and gain (Vonkel_SetAutoIris). */
enum class AutoIris : int {
    off = 0,      ///< both manual
    exposure = 1, ///< exposure follows the picture's brightness
    gain = 2,     ///< gain follows the picture's brightness
};

/** @brief The numbered filter values of Vonkel_SetFilterValue / Vonkel_GetFilterValue. */
enum class Filter : int {
    brightness = 1,         ///< -255..255
    contrast = 2,           ///< -127..127
    hue = 3,                ///< -360..360 degrees
    saturation = 4,         ///< -255..255
    sharpness = 5,          ///< 0..30
    white_balance_rgb = 6,  ///< red | green << 8 | blue << 16
    white_balance_red = 7,  ///< 0..400 percent
    white_balance_green = 8,///< 0..400 percent
    white_balance_blue = 9, ///< 0..400 percent
    white_balance_auto = 10,///< automatic white balance, 0 or 1
    gamma = 11,             ///< 0..200, 100 neutral
    bayer_mode = 12,        ///< colour filter phase 0..3
    gain = 13,              ///< sensor gain 0..420
    exposure_lines = 18,    ///< exposure in sensor lines, 1..16 777 200
    gray_mode = 19,         ///< 0 off, 1 per-site gains, 2 grey from colour
    gray_gain_r = 20,       ///< 0..255, 128 neutral
    gray_gain_g1 = 21,      ///< 0..255, 128 neutral
    gray_gain_g2 = 22,      ///< 0..255, 128 neutral
    gray_gain_b = 23,       ///< 0..255, 128 neutral
    gray_offset_r = 24,     ///< -255..255
    gray_offset_g1 = 25,    ///< -255..255
    gray_offset_g2 = 26,    ///< -255..255
    gray_offset_b = 27,     ///< -255..255
    dot_filter = 102,       ///< isolated defect repair, 0 or 1
    mask_filter = 103,      ///< flat-field correction, 0 or 1
};

/** @brief A capture window on the 640 x 512 sensor; sides multiples of 4 (8 when subsampled), at least 8. */
struct Rect {
    int x = 0;        ///< first column
    int y = 0;        ///< first line
    int width = 640;  ///< columns
    int height = 512; ///< lines
};

/** @brief A camera attached to the machine (see devices()). */
struct Device {
    int number = 0;   ///< device number 0..31, as Camera's constructor takes it
    std::string name; ///< "Vonkel430NVTX-QEL_01" for device 0
};

/** @brief Fixed properties of the camera (Vonkel_GetCameraInfo). */
struct CameraInfo {
    int width = 0;              ///< sensor width, 640
    int height = 0;             ///< sensor height, 512
    int gainMin = 0;            ///< 0
    int gainMax = 0;            ///< 420
    int exposureLinesMin = 0;   ///< 1
    int exposureLinesMax = 0;   ///< 16 777 200
    double exposureMin = 0.0;   ///< seconds
    double exposureMax = 0.0;   ///< seconds
};

// ---- frames --------------------------------------------------------------------------------

/** @brief A read-only view of bytes (a small std::span<const std::uint8_t>). */
class Bytes {
public:
    Bytes() = default;
    /** @brief A view of `size` bytes at `data`. */
    Bytes(const std::uint8_t *data, std::size_t size) noexcept : m_data(data), m_size(size) {}
    /** @brief The first byte. */
    const std::uint8_t *data() const noexcept { return m_data; }
    /** @brief The number of bytes. */
    std::size_t size() const noexcept { return m_size; }
    /** @brief Whether the view holds no byte. */
    bool empty() const noexcept { return m_size == 0; }
    /** @brief Byte `i` (not checked). */
    std::uint8_t operator[](std::size_t i) const noexcept { return m_data[i]; }
    /** @brief Start of the bytes, for range-for and algorithms. */
    const std::uint8_t *begin() const noexcept { return m_data; }
    /** @brief End of the bytes. */
    const std::uint8_t *end() const noexcept { return m_data + m_size; }

private:
    const std::uint8_t *m_data = nullptr;
    std::size_t m_size = 0;
};

/// @cond
namespace detail {
class Dispatcher;
}
/// @endcond

/**
 * @brief One processed picture, owning its pixels: top row first, rows padded to 4 bytes,
 * colour samples blue, green, red; 16-bit samples (gray16, bgr48, bgra64) hold 12-bit
 * values, little-endian. A frame of a stream also says where it stands in it: its number,
 * when it came, and how many frames before it were lost, by the library (dropped()) or
 * by this interface (skipped()).
 */
class Frame {
public:
    Frame() = default;
    /** @brief A picture of the given size and depth with zeroed pixels. */
    Frame(int width, int height, int bitsPerPixel)
        : m_width(width), m_height(height), m_bits(bitsPerPixel), m_stride((width * (bitsPerPixel / 8) + 3) & ~3),
          m_pixels(static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(height)) {}
    /** @brief Whether this frame holds no picture (a default-made or moved-from frame). */
    bool empty() const noexcept { return m_pixels.empty(); }
    /** @brief Width in pixels. */
    int width() const noexcept { return m_width; }
    /** @brief Height in pixels. */
    int height() const noexcept { return m_height; }
    /** @brief Bits per pixel: 8, 16, 24, 32, 48 or 64. */
    int depth() const noexcept { return m_bits; }
    /** @brief The colour mode the picture was made in. */
    ColorMode colorMode() const noexcept { return static_cast<ColorMode>(m_bits); }
    /** @brief Bytes from one row to the next (width x bytes per pixel, rounded up to 4). */
    int stride() const noexcept { return m_stride; }
    /** @brief All rows, top row first. */
    Bytes pixels() const noexcept { return {m_pixels.data(), m_pixels.size()}; }
    /** @brief Row `y` (0 the top row), stride() bytes; not checked. */
    Bytes row(int y) const noexcept {
        return {m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_stride),
                static_cast<std::size_t>(m_stride)};
    }
    /** @brief The pixels for writing into, as the library fills them. */
    std::uint8_t *data() noexcept { return m_pixels.data(); }
    /**
     * @brief The frame's number in its stream, from 1: every frame the library announced
     * since start() counts, also those skipped, so a gap between two frames is
     * the frames skipped between them. 0 for a frame of snap().
     */
    std::uint64_t sequence() const noexcept { return m_sequence; }
    /** @brief When the library's announcement of the frame reached the camera's dispatch thread (snap(): when it was read). */
    std::chrono::steady_clock::time_point arrival() const noexcept { return m_arrival; }
    /**
     * @brief Frames the library lost since the stream started, before processing them,
     * because it was still busy with earlier ones (the frame description's count); 0 in
     * trigger mode and for snap().
     */
    int dropped() const noexcept { return m_dropped; }
    /**
     * @brief Frames the library announced since the stream started that this interface
     * passed over: announcements that queued up while a callback ran are taken as one, and
     * a frame not grabbed before the next one comes is replaced. 0 for snap().
     */
    std::uint64_t skipped() const noexcept { return m_skipped; }

private:
    friend class detail::Dispatcher;
    int m_width = 0, m_height = 0, m_bits = 0, m_stride = 0;
    std::vector<std::uint8_t> m_pixels;
    std::uint64_t m_sequence = 0, m_skipped = 0;
    std::chrono::steady_clock::time_point m_arrival = std::chrono::steady_clock::now(); // made as it is read
    int m_dropped = 0;
};

/** @brief Called with each delivered frame, on the camera's dispatch thread. */
using FrameCallback = std::function<void(const Frame &)>;
/** @brief Called on the dispatch thread when the stream reports a failure (transfer 8, memory 5, frame_wait 13: the stream ended). */
using ErrorCallback = std::function<void(std::error_code)>;

/// @cond
namespace detail {

// Drains the handle's error history, newest first.
inline std::vector<int> DrainHistory(int handle) {
    std::vector<int> codes;
    for (int c = Vonkel_GetLastError(handle); c != 0 && codes.size() < 64; c = Vonkel_GetLastError(handle))
        codes.push_back(c);
    return codes;
}

// A file name for a message, in UTF-8 whatever the C++ standard makes of path's strings.
inline std::string Utf8(const std::filesystem::path &path) {
    const std::wstring &wide = path.native();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), &text[0], size, nullptr, nullptr);
    return text;
}

// A hidden message-only window on its own thread: turns the frame notifications posted by
// the library into frames, for a callback or for grab().
class Dispatcher {
public:
    // The thread and its window; null when either cannot be made.
    static std::shared_ptr<Dispatcher> Make() noexcept {
        try {
            auto self = std::make_shared<Dispatcher>();
            std::promise<HWND> made;
            std::future<HWND> window = made.get_future();
            // The thread owns a reference: the state lives until its last message is
            // handled, also when the camera goes away from inside a callback.
            self->m_thread = std::thread([self, made = std::move(made)]() mutable {
                self->Run(made);
                self.reset();
            });
            return self->Started(window.get()) ? self : nullptr;
        } catch (...) {
            return nullptr;
        }
    }

    bool Started(HWND window) {
        m_window = window;
        if (!m_window)
            m_thread.join();
        return m_window != nullptr;
    }

    HWND Window() const { return m_window; }

    // Whether a stream delivers frames now.
    bool Active() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_active;
    }

    // A stream starts: frames of width x height x bits go to onFrame, or wait for Grab.
    void Begin(int handle, int width, int height, int bits, FrameCallback onFrame, ErrorCallback onError) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_handle = handle;
        m_width = width;
        m_height = height;
        m_bits = bits;
        m_onFrame = onFrame ? std::make_shared<FrameCallback>(std::move(onFrame)) : nullptr;
        m_onError = onError ? std::make_shared<ErrorCallback>(std::move(onError)) : nullptr;
        m_latest = Frame();
        m_announced = 0;
        m_skipped = 0;
        m_ended = false;
        m_active = true;
        ++m_generation;
        m_changed.notify_all();
    }

    // No more frames are delivered once this returns: a callback running on the dispatch
    // thread is waited for (unless this is that thread). Returns an exception a callback
    // threw, if any.
    std::exception_ptr End() {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_active = false;
            m_onFrame.reset();
            m_onError.reset();
            ++m_generation;
            m_changed.notify_all();
        }
        if (GetCurrentThreadId() != m_threadId) {
            std::lock_guard<std::mutex> delivered(m_deliver); // a delivery under way has ended
        }
        std::lock_guard<std::mutex> lock(m_lock);
        return std::exchange(m_thrown, nullptr);
    }

    // The next frame newer than the one grabbed before; Errc on failure.
    Errc Grab(std::chrono::milliseconds timeout, Frame *frame) {
        std::unique_lock<std::mutex> lock(m_lock);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        const std::uint64_t generation = m_generation;
        while (m_latest.empty()) {
            if (!m_active || generation != m_generation || m_onFrame)
                return Errc::no_camera;
            if (m_ended)
                return Errc::frame_wait;
            if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && m_latest.empty())
                return Errc::timeout;
        }
        *frame = std::move(m_latest);
        m_latest = Frame();
        return Errc::none;
    }

    // Ends the thread; joins it unless called on it.
    void Shutdown() {
        PostMessageW(m_window, kQuit, 0, 0);
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach();
        else if (m_thread.joinable())
            m_thread.join();
    }

private:
    static constexpr UINT kQuit = WM_APP + 0x3F0;

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto *self = reinterpret_cast<Dispatcher *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == VONKEL_WM_FRAME) {
            self->OnFrameMessage(wParam, lParam);
            return 0;
        }
        if (message == kQuit) {
            DestroyWindow(window);
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static HINSTANCE Module() {
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&Dispatcher::WindowProc), &module);
        return module;
    }

    void Run(std::promise<HWND> &made) {
        const wchar_t *kClass = L"VonkelCppDispatch";
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Dispatcher::WindowProc;
        wc.hInstance = Module();
        wc.lpszClassName = kClass;
        RegisterClassExW(&wc); // fails harmlessly when registered before
        HWND window = CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        if (window)
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_threadId = GetCurrentThreadId();
        made.set_value(window); // `made` is not touched after this
        if (!window)
            return;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
    }

    // The library's count of frames it lost, from the frame description a notification
    // points to. The description may be rewritten by the next frame meanwhile: an aligned
    // int read once gives this frame's count or a newer one.
    static int DroppedOf(WPARAM description) {
        if (description == 0)
            return 0;
        return *static_cast<volatile const int *>(&reinterpret_cast<const VONKEL_FRAME_INFO *>(description)->dropped);
    }

    void OnFrameMessage(WPARAM description, LPARAM code) {
        if (code != 0)
            return Report(static_cast<int>(code));
        const auto arrival = std::chrono::steady_clock::now();
        std::shared_ptr<FrameCallback> onFrame;
        Frame frame;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_active)
                return;
            onFrame = m_onFrame;
            frame = Frame(m_width, m_height, m_bits);
        }
        // The newest picture, copied under the library's image lock, so it is never torn
        // by the next frame (the application's buffer of Vonkel_CallBackPreview could be).
        const bool fetched = Vonkel_GetImage(m_handle, frame.data(), static_cast<int>(frame.pixels().size()), 1) != 0;
        // Notifications of pictures this copy already holds or that it passed over go
        // without a frame of their own. The copy may have waited for the image lock
        // while the next picture was processed: its notification, posted just after the
        // lock is given up, is let in first, or that picture would come twice.
        SwitchToThread();
        std::uint64_t announced = 1;
        MSG pending;
        while (PeekMessageW(&pending, m_window, VONKEL_WM_FRAME, VONKEL_WM_FRAME, PM_REMOVE)) {
            if (pending.lParam != 0) {
                Report(static_cast<int>(pending.lParam));
            } else {
                ++announced;
                description = pending.wParam;
            }
        }
        // Delivered only while the stream is on, and End waits for a delivery under way:
        // the handle, and the frame description inside it, outlive what follows.
        std::lock_guard<std::mutex> delivering(m_deliver);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_active)
                return;
            m_announced += announced;
            m_skipped += fetched ? announced - 1 : announced;
            if (!fetched)
                return;
            onFrame = m_onFrame;
            frame.m_sequence = m_announced;
            frame.m_skipped = m_skipped;
        }
        frame.m_arrival = arrival;
        frame.m_dropped = DroppedOf(description);
        if (onFrame) {
            try {
                (*onFrame)(frame);
            } catch (...) {
                std::lock_guard<std::mutex> lock(m_lock);
                if (!m_thrown)
                    m_thrown = std::current_exception();
            }
            return;
        }
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_active)
            return;
        if (!m_latest.empty()) // replaced before anyone grabbed it
            frame.m_skipped = ++m_skipped;
        m_latest = std::move(frame);
        m_changed.notify_all();
    }

    void Report(int code) {
        std::lock_guard<std::mutex> delivering(m_deliver);
        std::shared_ptr<ErrorCallback> onError;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!m_active)
                return;
            if (code == VONKEL_ERR_FRAME_WAIT)
                m_ended = true;
            onError = m_onError;
            m_changed.notify_all();
        }
        if (onError) {
            try {
                (*onError)(std::error_code(code, category()));
            } catch (...) {
            }
        }
    }

public:
    // The picture an acquisition started now delivers, from the stream format.
    static bool Geometry(int handle, int *width, int *height, int *bits) {
        const int mode = Vonkel_GetColorMode(handle);
        const int sub = Vonkel_GetSubSample(handle);
        int eh = 0, ev = 0;
        if (mode < 0 || sub < 0 || !Vonkel_GetCaptureWindowEx(handle, nullptr, nullptr, &eh, nullptr, nullptr, &ev))
            return false;
        *bits = mode == 12 ? 16 : mode == 44 ? 48 : mode == 60 ? 64 : mode;
        *width = sub == 1 ? eh / 2 : eh;
        *height = sub == 1 ? ev / 2 : ev;
        return *width > 0 && *height > 0;
    }

private:
    std::thread m_thread;
    DWORD m_threadId = 0;
    HWND m_window = nullptr;
    // Held by the dispatch thread while it hands a frame over; before m_lock.
    std::mutex m_deliver;
    std::mutex m_lock; // guards everything below
    std::condition_variable m_changed;
    int m_handle = 0; // written before the stream starts, then only read
    int m_width = 0, m_height = 0, m_bits = 0;
    bool m_active = false;
    std::uint64_t m_generation = 0;
    std::shared_ptr<FrameCallback> m_onFrame;
    std::shared_ptr<ErrorCallback> m_onError;
    Frame m_latest;       // grab(): the newest frame not yet taken
    // Frame announcements of the stream so far, and those that brought no frame to the
    // application (coalesced, replaced before a grab, or not fetched).
    std::uint64_t m_announced = 0, m_skipped = 0;
    bool m_ended = false; // the library's capture loop has ended (13)
    std::exception_ptr m_thrown;
};

} // namespace detail
/// @endcond

// ---- the camera ------------------------------------------------------------------------------

/**
 * @brief One opened camera: owns a handle of Vonkel_Initialize, released (settings saved,
 * acquisition stopped, a recording finished) when the object goes. Move-only.
 *
 * The constructor turns the library's default preview window off (see
 * setPreviewWindow()): frames go to callbacks and grab() only.
 */
class Camera {
public:
    /** @brief Opens device `device` (0..31). Throws Error: device when it is not present. */
    explicit Camera(int device = 0) {
        std::error_code ec;
        Open(device, ec, true);
    }
    /** @brief Opens device `device`; on failure `ec` is set and the camera is empty (valid() false). */
    Camera(int device, std::error_code &ec) noexcept { Open(device, ec, false); }
    ~Camera() { Close(); }
    Camera(const Camera &) = delete;
    Camera &operator=(const Camera &) = delete;
    /** @brief Takes over the other camera's handle and stream; the other is left empty. */
    Camera(Camera &&other) noexcept
        : m_handle(std::exchange(other.m_handle, 0)), m_device(other.m_device),
          m_dispatcher(std::move(other.m_dispatcher)) {}
    /** @brief Releases this camera's handle, then takes over the other's. */
    Camera &operator=(Camera &&other) noexcept {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, 0);
            m_device = other.m_device;
            m_dispatcher = std::move(other.m_dispatcher);
        }
        return *this;
    }

    /** @brief Whether the camera holds a handle. */
    bool valid() const noexcept { return m_handle != 0; }
    /** @brief The C handle, for the exports this interface does not wrap. Stays owned by the camera. */
    int handle() const noexcept { return m_handle; }
    /** @brief Drains the handle's error history, newest first. */
    std::vector<int> errorHistory() const { return detail::DrainHistory(m_handle); }

    // ---- device ----
    /** @brief Name of the device in use ("Vonkel430NVTX-QEL_01" for device 0). */
    std::string deviceName() const { return Name(m_device, nullptr); }
    /** @copydoc deviceName() */
    std::string deviceName(std::error_code &ec) const noexcept { return Name(m_device, &ec); }
    /** @brief The device number given to the constructor. */
    int deviceNumber() const noexcept { return m_device; }
    /** @brief Fixed properties of the camera. */
    CameraInfo info() const { return Info(nullptr); }
    /** @copydoc info() */
    CameraInfo info(std::error_code &ec) const noexcept { return Info(&ec); }
    /** @brief The camera's serial number (may be empty). */
    std::string serialNumber() const { return Serial(nullptr); }
    /** @copydoc serialNumber() */
    std::string serialNumber(std::error_code &ec) const noexcept { return Serial(&ec); }
    /** @brief Sensor temperature in degrees Celsius. */
    double temperature() const { return Temperature(nullptr); }
    /** @copydoc temperature() */
    double temperature(std::error_code &ec) const noexcept { return Temperature(&ec); }

    // ---- settings (take effect at the next start unless said) ----
    /** @brief Sets the colour mode; takes effect at the next acquisition start. */
    void setColorMode(ColorMode mode) { Done(Vonkel_SetColorMode(m_handle, static_cast<int>(mode)), nullptr); }
    /** @copydoc setColorMode() */
    void setColorMode(ColorMode mode, std::error_code &ec) noexcept {
        Done(Vonkel_SetColorMode(m_handle, static_cast<int>(mode)), &ec);
    }
    /** @brief The colour mode set. */
    ColorMode colorMode() const { return Mode(nullptr); }
    /** @copydoc colorMode() */
    ColorMode colorMode(std::error_code &ec) const noexcept { return Mode(&ec); }
    /** @brief Every other pixel and line (true) or full resolution. */
    void setSubsample(bool on) { Done(Vonkel_SetSubSample(m_handle, on ? 1 : 0), nullptr); }
    /** @copydoc setSubsample() */
    void setSubsample(bool on, std::error_code &ec) noexcept { Done(Vonkel_SetSubSample(m_handle, on ? 1 : 0), &ec); }
    /** @brief The capture window on the sensor; Errc::capture_window when it does not fit. */
    void setCaptureWindow(const Rect &r) { Done(SetWindow(r), nullptr); }
    /** @copydoc setCaptureWindow() */
    void setCaptureWindow(const Rect &r, std::error_code &ec) noexcept { Done(SetWindow(r), &ec); }
    /** @brief The capture window set. */
    Rect captureWindow() const { return Window(nullptr); }
    /** @copydoc captureWindow() */
    Rect captureWindow(std::error_code &ec) const noexcept { return Window(&ec); }
    /** @brief Sensor gain 0..420, at once. */
    void setGain(int value) { setFilter(Filter::gain, value); }
    /** @copydoc setGain() */
    void setGain(int value, std::error_code &ec) noexcept { setFilter(Filter::gain, value, ec); }
    /** @brief The gain the camera has. */
    int gain() const { return filter(Filter::gain); }
    /** @copydoc gain() */
    int gain(std::error_code &ec) const noexcept { return filter(Filter::gain, ec); }
    /** @brief Exposure in seconds (2.0333e-05 .. 2.0; outside, clamped to the nearer end), at once. */
    void setExposure(std::chrono::duration<double> time) {
        Done(Vonkel_SetExposureTimeEx(m_handle, time.count()), nullptr);
    }
    /** @copydoc setExposure() */
    void setExposure(std::chrono::duration<double> time, std::error_code &ec) noexcept {
        Done(Vonkel_SetExposureTimeEx(m_handle, time.count()), &ec);
    }
    /** @brief The exposure in seconds. */
    std::chrono::duration<double> exposure() const { return Exposure(nullptr); }
    /** @copydoc exposure() */
    std::chrono::duration<double> exposure(std::error_code &ec) const noexcept { return Exposure(&ec); }
    /** @brief Mirrors the picture left to right. */
    void setMirrorH(bool on) { Done(Vonkel_SetMirrorH(m_handle, on), nullptr); }
    /** @copydoc setMirrorH() */
    void setMirrorH(bool on, std::error_code &ec) noexcept { Done(Vonkel_SetMirrorH(m_handle, on), &ec); }
    /** @brief Mirrors the picture top to bottom. */
    void setMirrorV(bool on) { Done(Vonkel_SetMirrorV(m_handle, on), nullptr); }
    /** @copydoc setMirrorV() */
    void setMirrorV(bool on, std::error_code &ec) noexcept { Done(Vonkel_SetMirrorV(m_handle, on), &ec); }
    /** @brief Automatic exposure or gain. */
    void setAutoIris(AutoIris mode) { Done(Vonkel_SetAutoIris(m_handle, static_cast<int>(mode)), nullptr); }
    /** @copydoc setAutoIris() */
    void setAutoIris(AutoIris mode, std::error_code &ec) noexcept {
        Done(Vonkel_SetAutoIris(m_handle, static_cast<int>(mode)), &ec);
    }
    /** @brief Pause of the preview loop before each frame (default 10 ms). */
    void setWaitTime(std::chrono::milliseconds ms) { Done(Vonkel_SetWaitTime(m_handle, Int(ms.count())), nullptr); }
    /** @copydoc setWaitTime() */
    void setWaitTime(std::chrono::milliseconds ms, std::error_code &ec) noexcept {
        Done(Vonkel_SetWaitTime(m_handle, Int(ms.count())), &ec);
    }
    /** @brief Sets a numbered filter value; Errc::argument outside its range. */
    void setFilter(Filter f, int value) { Done(Vonkel_SetFilterValue(m_handle, static_cast<int>(f), value), nullptr); }
    /** @copydoc setFilter() */
    void setFilter(Filter f, int value, std::error_code &ec) noexcept {
        Done(Vonkel_SetFilterValue(m_handle, static_cast<int>(f), value), &ec);
    }
    /** @brief Reads a numbered filter value. */
    int filter(Filter f) const { return FilterValue(f, nullptr); }
    /** @copydoc filter() */
    int filter(Filter f, std::error_code &ec) const noexcept { return FilterValue(f, &ec); }
    /**
     * @brief Where the library's own preview window goes while streaming: a child of
     * `parent` at `r`, or a centred top-level window of `r`'s size when `parent` is null.
     * The window belongs to the thread that calls start(), which must run a message loop.
     */
    void setPreviewWindow(HWND parent, const Rect &r) {
        Done(Vonkel_SetPreviewWindow(m_handle, parent, r.x, r.y, r.width, r.height), nullptr);
    }
    /** @copydoc setPreviewWindow() */
    void setPreviewWindow(HWND parent, const Rect &r, std::error_code &ec) noexcept {
        Done(Vonkel_SetPreviewWindow(m_handle, parent, r.x, r.y, r.width, r.height), &ec);
    }

    // ---- acquisition ----
    /**
     * @brief Continuous acquisition: `onFrame` gets each picture on the dispatch thread
     * (newest first: pictures that come while it runs replace each other). Without a
     * callback the frames wait for grab(). `onError` hears failures of the running stream
     * (Errc::frame_wait: it ended). Starting again replaces the callbacks.
     */
    void start(FrameCallback onFrame = {}, ErrorCallback onError = {}) {
        std::error_code ec;
        Start(false, std::move(onFrame), std::move(onError), ec, true);
    }
    /** @copydoc start() */
    void start(FrameCallback onFrame, ErrorCallback onError, std::error_code &ec) noexcept {
        Start(false, std::move(onFrame), std::move(onError), ec, false);
    }
    /** @brief Trigger mode: one frame per external trigger, delivered as by start(); frame rate 0. */
    void startTriggered(FrameCallback onFrame = {}, ErrorCallback onError = {}) {
        std::error_code ec;
        Start(true, std::move(onFrame), std::move(onError), ec, true);
    }
    /** @copydoc startTriggered() */
    void startTriggered(FrameCallback onFrame, ErrorCallback onError, std::error_code &ec) noexcept {
        Start(true, std::move(onFrame), std::move(onError), ec, false);
    }
    /**
     * @brief The next frame of a stream started without a callback: the newest picture
     * not yet grabbed, waiting at most `timeout`. Errc::timeout when none came,
     * Errc::frame_wait when the stream ended, Errc::no_camera when no such stream runs.
     */
    Frame grab(std::chrono::milliseconds timeout) {
        Frame frame;
        const Errc code = GrabInto(timeout, &frame);
        if (code != Errc::none)
            Throw(make_error_code(code), {}, GrabRefusal(code, timeout));
        return frame;
    }
    /** @copydoc grab() */
    Frame grab(std::chrono::milliseconds timeout, std::error_code &ec) noexcept {
        Frame frame;
        ec = make_error_code(GrabInto(timeout, &frame));
        if (!ec)
            ec.clear();
        return frame;
    }
    /**
     * @brief Stops acquisition (and a recording, whose file is then finished); waits for
     * the library's capture thread. Rethrows what a frame callback threw (Errc::callback in
     * the error_code form).
     */
    void stop() {
        std::exception_ptr thrown;
        const int ok = Stop(&thrown);
        if (thrown)
            std::rethrow_exception(thrown);
        Done(ok, nullptr);
    }
    /** @copydoc stop() */
    void stop(std::error_code &ec) noexcept {
        std::exception_ptr thrown;
        const int ok = Stop(&thrown);
        Done(ok, &ec);
        if (!ec && thrown)
            ec = make_error_code(Errc::callback);
    }
    /** @brief One frame read on demand (the camera must be idle). */
    Frame snap() { return Snap(nullptr); }
    /** @copydoc snap() */
    Frame snap(std::error_code &ec) noexcept { return Snap(&ec); }

    // ---- files ----
    /**
     * @brief Saves the last picture (of a stream, snap() or grab()) in `format`, whatever
     * the name's extension. Errc::no_camera before the first frame; Errc::conversion (a
     * file error) when the file cannot be written, its name in the exception's text.
     */
    void save(const std::filesystem::path &path, StillFormat format) { Save(path, format, nullptr); }
    /** @copydoc save() */
    void save(const std::filesystem::path &path, StillFormat format, std::error_code &ec) noexcept {
        Save(path, format, &ec);
    }
    /**
     * @brief Records the preview into an uncompressed AVI file for `duration` from the
     * first picture; returns at once. The recording ends by itself, or early with stop()
     * or the camera's end, always leaving a finished file. It takes the place of a
     * running stream: callbacks and grab() get no more frames.
     */
    void record(const std::filesystem::path &path, std::chrono::milliseconds duration) {
        Record(path, duration, nullptr);
    }
    /** @copydoc record() */
    void record(const std::filesystem::path &path, std::chrono::milliseconds duration, std::error_code &ec) noexcept {
        Record(path, duration, &ec);
    }

private:
    static int Int(long long v) noexcept { return v < 0 ? -1 : v > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(v); }

    // Turns a C result into nothing (success), an exception or an error_code.
    bool Done(int ok, std::error_code *ec) const {
        return DoneSaying(ok, ec, [](Errc *) { return std::string(); });
    }

    // As Done, with what was refused and why in the exception: `refusal(&code)` says it,
    // and may put a fitting code in place of one the library did not record.
    template <class Refusal>
    bool DoneSaying(int ok, std::error_code *ec, Refusal refusal) const {
        if (ok) {
            if (ec)
                ec->clear();
            return true;
        }
        std::vector<int> history;
        int newest = 0;
        if (ec) {
            newest = m_handle ? Vonkel_GetLastError(m_handle) : 0;
        } else {
            history = detail::DrainHistory(m_handle);
            newest = history.empty() ? 0 : history.front();
        }
        Errc code = newest != 0 ? static_cast<Errc>(newest) : Errc::failed;
        if (ec) {
            refusal(&code);
            *ec = make_error_code(code);
            return false;
        }
        const std::string why = refusal(&code);
        Throw(make_error_code(code), std::move(history), why);
    }

    // "vonkel: <what was refused and why>: <the code's text> (error N, history ...)"
    [[noreturn]] static void Throw(std::error_code code, std::vector<int> history, const std::string &refused = {}) {
        std::string what = "vonkel: " + (refused.empty() ? std::string() : refused + ": ") + code.message() +
                           " (error " + std::to_string(code.value());
        if (!history.empty()) {
            what += ", history";
            for (int c : history)
                what += " " + std::to_string(c);
        }
        throw Error(code, std::move(history), what + ")");
    }

    std::string SnapRefusal(Errc code) const {
        if (code != Errc::no_camera)
            return "snap()";
        if (m_dispatcher && m_dispatcher->Active())
            return "snap() refused: the camera is streaming; stop() it first";
        return "snap() refused: the camera is not idle (a recording runs) or has no driver";
    }

    static std::string GrabRefusal(Errc code, std::chrono::milliseconds timeout) {
        switch (code) {
        case Errc::timeout: return "grab(): no frame came within " + std::to_string(timeout.count()) + " ms";
        case Errc::frame_wait: return "grab(): the stream ended";
        case Errc::no_camera:
            return "grab() refused: no stream started without a callback runs (start() one; stop(), a "
                   "recording or a frame callback ends grabbing)";
        default: return "grab()";
        }
    }

    // A file the library could not write records no code: a file error is put in its place.
    static std::string FileRefusal(const char *action, const std::filesystem::path &path, Errc *code) {
        const std::string what = std::string(action) + " \"" + detail::Utf8(path) + "\"";
        if (*code == Errc::failed) {
            *code = Errc::conversion;
            return what + ": the file could not be written (does its folder exist, and may it be written?)";
        }
        return what;
    }

    void Save(const std::filesystem::path &path, StillFormat format, std::error_code *ec) {
        const int ok = Vonkel_SaveImageW(m_handle, path.c_str(), static_cast<int>(format));
        DoneSaying(ok, ec, [&](Errc *code) {
            if (*code == Errc::no_camera)
                return "save to \"" + detail::Utf8(path) +
                       "\" refused: no picture of the current colour mode yet (snap(), grab() or a stream's "
                       "frame comes first), or no camera driver";
            return FileRefusal("save to", path, code);
        });
    }

    void Open(int device, std::error_code &ec, bool throws) {
        m_device = device;
        m_handle = Vonkel_Initialize(nullptr);
        if (!m_handle) {
            ec = make_error_code(Errc::memory);
            if (throws)
                Throw(ec, {});
            return;
        }
        // Acquisition opens no window of the library's unless asked to.
        Vonkel_SetPreviewWindow(m_handle, nullptr, 0, 0, 0, 0);
        detail::DrainHistory(m_handle);
        char name[32];
        const int ok = device == 0 ? Vonkel_GetDeviceName(m_handle, 0, name, sizeof name)
                                   : Vonkel_SetDeviceNumber(m_handle, device);
        // The dispatch thread is made here, once: start() may then be called from any
        // thread without a race for it.
        if (ok && (m_dispatcher = detail::Dispatcher::Make()) != nullptr) {
            ec.clear();
            return;
        }
        std::vector<int> history = detail::DrainHistory(m_handle);
        ec = make_error_code(!ok ? (history.empty() ? Errc::device : static_cast<Errc>(history.front())) : Errc::thread);
        Vonkel_Release(std::exchange(m_handle, 0));
        if (throws)
            Throw(ec, std::move(history));
    }

    void Close() noexcept {
        if (m_dispatcher)
            m_dispatcher->End();
        if (m_handle)
            Vonkel_Release(std::exchange(m_handle, 0)); // no frame is posted after this
        if (m_dispatcher)
            std::exchange(m_dispatcher, nullptr)->Shutdown();
    }

    int SetWindow(const Rect &r) noexcept {
        return Vonkel_SetCaptureWindowEx(m_handle, 640, r.x, r.width, 512, r.y, r.height);
    }

    Rect Window(std::error_code *ec) const {
        Rect r;
        Done(Vonkel_GetCaptureWindowEx(m_handle, nullptr, &r.x, &r.width, nullptr, &r.y, &r.height), ec);
        return r;
    }

    int FilterValue(Filter f, std::error_code *ec) const {
        int ok = 0;
        const int value = Vonkel_GetFilterValue(m_handle, static_cast<int>(f), &ok);
        Done(ok, ec);
        return value;
    }

    ColorMode Mode(std::error_code *ec) const {
        const int bits = Vonkel_GetColorMode(m_handle);
        if (!Done(bits > 0, ec))
            return ColorMode::gray8;
        return static_cast<ColorMode>(bits == 12 ? 16 : bits == 44 ? 48 : bits == 60 ? 64 : bits);
    }

    std::chrono::duration<double> Exposure(std::error_code *ec) const {
        int ok = 0;
        const double seconds = Vonkel_GetExposureTimeEx(m_handle, &ok);
        Done(ok, ec);
        return std::chrono::duration<double>(ok ? seconds : 0.0);
    }

    std::string Name(int device, std::error_code *ec) const {
        char name[64] = {};
        Done(Vonkel_GetDeviceName(m_handle, device, name, sizeof name), ec);
        return name;
    }

    CameraInfo Info(std::error_code *ec) const {
        VONKEL_CAMERA_INFO c{};
        c.size = sizeof c;
        CameraInfo i;
        if (!Done(Vonkel_GetCameraInfo(m_handle, &c), ec))
            return i;
        i.width = c.width;
        i.height = c.height;
        i.gainMin = c.gainMin;
        i.gainMax = c.gainMax;
        i.exposureLinesMin = c.exposureLinesMin;
        i.exposureLinesMax = c.exposureLinesMax;
        i.exposureMin = c.realExposureMin;
        i.exposureMax = c.realExposureMax;
        return i;
    }

    std::string Serial(std::error_code *ec) const {
        char text[64] = {};
        Done(Vonkel_ReadSerialNumberA(m_handle, text, sizeof text), ec);
        return text;
    }

    double Temperature(std::error_code *ec) const {
        int ok = 0;
        const double t = Vonkel_GetTemperatureEx(m_handle, &ok);
        // A successful read records code 0 in the history: it is taken out again.
        if (ok)
            Vonkel_GetLastError(m_handle);
        Done(ok, ec);
        return t;
    }

    void Start(bool triggered, FrameCallback onFrame, ErrorCallback onError, std::error_code &ec, bool throws) {
        if (!m_dispatcher) { // a moved-from camera
            ec = make_error_code(Errc::failed);
            if (throws)
                Throw(ec, {});
            return;
        }
        // The picture the stream will deliver follows from the stream format now.
        int width = 0, height = 0, bits = 0;
        detail::Dispatcher::Geometry(m_handle, &width, &height, &bits);
        m_dispatcher->Begin(m_handle, width, height, bits, std::move(onFrame), std::move(onError));
        HWND window = m_dispatcher->Window();
        const int ok = triggered ? Vonkel_Trigger(m_handle, window, nullptr, 0, 1)
                                 : Vonkel_CallBackPreview(m_handle, window, nullptr, 0, 1);
        if (!ok)
            m_dispatcher->End();
        Done(ok, throws ? nullptr : &ec);
    }

    Errc GrabInto(std::chrono::milliseconds timeout, Frame *frame) {
        if (!m_dispatcher)
            return m_handle ? Errc::no_camera : Errc::failed;
        return m_dispatcher->Grab(timeout, frame);
    }

    int Stop(std::exception_ptr *thrown) noexcept {
        const int ok = Vonkel_StopPreview(m_handle);
        if (m_dispatcher)
            *thrown = m_dispatcher->End();
        return ok;
    }

    Frame Snap(std::error_code *ec) {
        int width = 0, height = 0, bits = 0;
        if (!detail::Dispatcher::Geometry(m_handle, &width, &height, &bits)) {
            Done(0, ec);
            return Frame();
        }
        Frame frame(width, height, bits);
        const int ok = Vonkel_SnapShot(m_handle, frame.data(), static_cast<int>(frame.pixels().size()), 1);
        if (!DoneSaying(ok, ec, [this](Errc *code) { return SnapRefusal(*code); }))
            return Frame();
        return frame;
    }

    void Record(const std::filesystem::path &path, std::chrono::milliseconds duration, std::error_code *ec) {
        if (m_dispatcher)
            m_dispatcher->End(); // the recording takes the stream's place
        const int ok = Vonkel_RecordW(m_handle, path.c_str(), Int(duration.count()), 0);
        DoneSaying(ok, ec, [&](Errc *code) { return FileRefusal("record to", path, code); });
    }

    int m_handle = 0;
    int m_device = 0;
    std::shared_ptr<detail::Dispatcher> m_dispatcher;
};

/**
 * @brief The cameras attached now, with their device numbers. Uses a handle of its own
 * for the question (Vonkel_EnumDevice, Vonkel_GetDeviceName); throws Error when the
 * library cannot make one.
 */
inline std::vector<Device> devices() {
    const int handle = Vonkel_Initialize(nullptr);
    if (!handle)
        throw Error(make_error_code(Errc::memory), {}, "vonkel: no camera instance");
    std::vector<Device> found;
    char names[32][256];
    const int count = Vonkel_EnumDevice(handle, names); // probes the devices afresh
    for (int number = 0; number < 32 && static_cast<int>(found.size()) < count; ++number) {
        char name[64];
        if (Vonkel_GetDeviceName(handle, number, name, sizeof name))
            found.push_back({number, name});
    }
    Vonkel_Release(handle);
    return found;
}

/**
 * @brief Where the library stores the settings of device `device` (0..31): this key under
 * HKEY_CURRENT_USER. Empty for another number.
 */
inline std::wstring settingsKey(int device) {
    if (device < 0 || device > 31)
        return {};
    return L"Software\\Pelkor\\Vonkel430NVTXQELSdk\\Camera_" + std::wstring(device < 10 ? L"0" : L"") +
           std::to_wstring(device);
}

/// @cond
namespace detail {

// Removes the stored settings of a device; `why` says what was refused.
inline Errc RemoveSettings(int device, std::string *why) {
    const std::wstring key = settingsKey(device);
    if (key.empty()) {
        *why = "device " + std::to_string(device) + " is not one of 0..31";
        return Errc::argument;
    }
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        return Errc::none;
    *why = "the stored settings of device " + std::to_string(device) +
           " could not be removed (Windows error " + std::to_string(status) + ")";
    return Errc::failed;
}

} // namespace detail
/// @endcond

/**
 * @brief Returns device `device` to the settings of a fresh machine: what the library stored
 * for it (settingsKey()) is removed, and the next Camera or Vonkel_Initialize starts from the
 * defaults. Nothing stored is no error. A camera open meanwhile, in this program or another,
 * writes its own settings back when it is released: reset while none is. Throws Error:
 * Errc::argument for a device outside 0..31, Errc::failed when the registry refuses.
 */
inline void resetSettings(int device) {
    std::string why;
    const Errc code = detail::RemoveSettings(device, &why);
    if (code != Errc::none)
        throw Error(make_error_code(code), {}, "vonkel: " + why);
}

/** @copydoc resetSettings(int) */
inline void resetSettings(int device, std::error_code &ec) noexcept {
    std::string why;
    ec = make_error_code(detail::RemoveSettings(device, &why));
    if (!ec)
        ec.clear();
}

} // namespace vonkel

#endif // VONKEL_VONKEL_HPP

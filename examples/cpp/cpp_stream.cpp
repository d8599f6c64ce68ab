// cpp_stream: the C++ interface streaming 100 frames into a lambda.
//
// Build: include/ on the include path, link VonkelSdk_430NVTX_QEL.dll.a (or .lib), user32 and advapi32.
// Run without a camera: VONKEL_SIMULATE=1 cpp_stream.exe
#include "vonkel/vonkel.hpp"

#include <condition_variable>
#include <cstdio>
#include <mutex>

int main() {
    try {
        vonkel::Camera camera; // device 0; released when `camera` goes
        camera.setColorMode(vonkel::ColorMode::bgr24);

        std::mutex lock;
        std::condition_variable done;
        int frames = 0;
        long long brightness = 0;

        // The lambda runs on the camera's own dispatch thread, once per picture.
        camera.start([&](const vonkel::Frame &frame) {
            // The middle pixel's green sample: frames are blue, green, red, top row first.
            const vonkel::Bytes row = frame.row(frame.height() / 2);
            const int green = row[(frame.width() / 2) * 3 + 1];
            std::lock_guard<std::mutex> hold(lock);
            if (frames == 100)
                return; // the stream runs on until stop(): ignore the extra pictures
            brightness += green;
            if (++frames == 100)
                done.notify_one();
        });

        {
            std::unique_lock<std::mutex> hold(lock);
            if (!done.wait_for(hold, std::chrono::seconds(30), [&] { return frames == 100; })) {
                std::fprintf(stderr, "cpp_stream: only %d frames in 30 s\n", frames);
                return 1;
            }
        }
        camera.stop(); // waits for the library's capture thread; no callback after this

        std::printf("100 frames of %d x %d, mean green at the centre %lld\n", camera.captureWindow().width,
                    camera.captureWindow().height, brightness / 100);
        return 0;
    } catch (const vonkel::Error &e) {
        // The library's code and the handle's error history, newest first.
        std::fprintf(stderr, "cpp_stream: %s (%s)\n", e.what(), e.code().message().c_str());
        return 1;
    }
}

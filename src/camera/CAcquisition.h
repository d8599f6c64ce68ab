// The acquisition of one camera instance: the mode entries and their state, the capture
// thread with its preview and trigger loops, the preview window and where each frame
// goes. It owns the mode lock; the image lock and the processing chain it works on
// belong to the instance, which it reaches through IAcquisitionHost.
//
// Lock order: the mode lock, then (the recorder's control, then) the image lock, then
// the chain's mask lock. Windows are made and destroyed outside all of them; register
// I/O runs under the mode lock only, except the automatic exposure's inside a frame.
#pragma once
#include "camera/AcquisitionState.h"
#include "camera/CFrameDelivery.h"
#include "image/CProcessingChain.h"
#include "model/CVonkel430NVTXQELSdk.h"
#include "platform/Event.h"
#include "platform/PreviewWindow.h"
#include "platform/Types.h"
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// What the acquisition asks of the camera instance that owns it.
class IAcquisitionHost {
public:
    virtual int RaiseError(int32_t code) = 0;
    // 0 when a capture may start on the selected device in the stored window, else the
    // error code that refuses it.
    virtual int32_t CaptureRefusal() = 0;
    // The colour mode and the size of the pictures a capture starts with.
    virtual int CaptureColorMode() const = 0;
    virtual void CaptureSize(int *width, int *height) const = 0;
    // The stored settings to the camera before a capture starts (under the mode lock).
    virtual void ApplyCaptureSettings() = 0;
    // Runs the processing chain on the raw buffer; the caller holds the image lock.
    virtual void ProcessFrame() = 0;
    virtual int WaitTime() const = 0;
    // The device's entry in the ownership table; 0 when there is no table.
    virtual int ClaimDevice(int device) = 0;
    virtual int ReleaseDevice(int device) = 0;
    // A preview picture is ready (a running recording takes it), and the acquisition has
    // stopped (a recording's file is finished).
    virtual void PreviewPictureReady() = 0;
    virtual void AcquisitionStopped() = 0;

protected:
    ~IAcquisitionHost() = default;
};

// Told of every frame the preview delivers, on the capture thread right after its
// notification was posted: how long the frame took from the ring to the application, for
// the measurements of the road a frame takes. It must return quickly and call nothing of
// the camera's.
class IDeliveryObserver {
public:
    virtual void FrameDelivered(const FrameTicket &frame, std::chrono::steady_clock::time_point posted) = 0;

protected:
    ~IDeliveryObserver() = default;
};

class CAcquisition {
public:
    CAcquisition(IAcquisitionHost &host, std::mutex &imageLock, CProcessingChain &chain);
    ~CAcquisition();
    CAcquisition(const CAcquisition &) = delete;
    CAcquisition &operator=(const CAcquisition &) = delete;

    // The driver, once the instance has made it; set before any other call.
    void Attach(CVonkel430NVTXQELSdk *driver) { m_driver = driver; }

    // ---- the mode entries: 1 or 0 with the error recorded, as the exports report ----
    int StartPreview();
    int StopPreview();
    int CallBackPreview(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder);
    int Capture();
    int SnapShot(uint8_t *buffer, int32_t length, int rowOrder);
    int GetImage(uint8_t *buffer, int32_t length, int rowOrder);
    int Trigger(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder);
    int Close();
    // Starts the preview for a recording; `startRecorder` runs under the mode lock once
    // the preview runs and gives 0 or the error code. 0 here, or the code that failed.
    int32_t StartRecordingPreview(bool showWindow, const std::function<int32_t()> &startRecorder);
    void SetPreviewWindow(WindowHandle parent, int x, int y, int width, int height);

    AcquisitionState Mode() const { return m_mode.load(); }
    bool Running() const { return m_loopState.load() != 0; }
    // Idles a running trigger loop (and lets it go on again): the loop keeps its thread
    // and delivery, it only stops reading.
    void HoldTriggerLoop(bool hold) {
        int from = hold ? 1 : 2;
        m_loopState.compare_exchange_strong(from, hold ? 2 : 1);
    }
    bool FrameAvailable() const { return m_frameAvailable.load() != 0; }
    // Whether any frame was ever processed: Close keeps the buffers and the picture in them.
    bool PictureKept() const { return m_pictureKept.load(); }
    // Read under the image lock.
    const FrameInfo &LastFrameInfo() const { return m_delivery.Info(); }
    platform::CPreviewWindow *PreviewWindow() { return m_preview.get(); }
    // Null for none; the observer outlives the streams it watches.
    void SetDeliveryObserver(IDeliveryObserver *observer) { m_observer.store(observer); }

private:
    int PrepareCapture();
    int StartPreviewLocked();
    int StopPreviewLocked();
    bool Refused(ModeEntry entry);
    int StartTrigger(); // 0, or the error code of the step that failed
    // Claims the selected device for the mode just entered, until the stop.
    void ClaimSelectedDevice();
    int StartCaptureThread(AcquisitionState mode);
    void JoinCaptureThread();
    void CaptureThread(AcquisitionState mode);
    void PreviewLoop();
    void PauseBetweenTurns(std::chrono::steady_clock::time_point lastTurn);
    void TriggerLoop();
    DriverResult CopyFrameToRaw(bool fromRing);
    // Gives the chain's buffers the capture window's size when a frame no longer fits
    // them; under the image lock. False when that is not the cause or they cannot grow.
    bool FollowGeometry();
    // The frame in the raw buffer, processed and handed on; called under `lock` (the
    // image lock), which it gives up before the notification is posted.
    // True when the frame notification went out.
    bool DeliverFrame(std::unique_lock<std::mutex> &lock, bool preview);
    void PostFailure(std::unique_lock<std::mutex> &lock, int32_t code);
    // A capture path has processed a frame into the chain's buffers.
    void MarkPictureProcessed() {
        m_frameAvailable.store(1);
        m_pictureKept.store(true);
    }
    // Where the frames of a callback mode go.
    void SetDelivery(WindowHandle window, uint8_t *buffer, int32_t length, int rowOrder);
    int MakePreview(std::unique_ptr<platform::CPreviewWindow> *made);
    std::unique_ptr<platform::CPreviewWindow> PublishPreview(std::unique_ptr<platform::CPreviewWindow> window);
    int DrawFrame();
    int SizeDisplayBuffer(int32_t width, int32_t height);

    IAcquisitionHost &m_host;
    CVonkel430NVTXQELSdk *m_driver = nullptr;

    // ---- the mode lock: one mode change at a time; first in the lock order ----
    std::mutex m_modeLock;
    std::atomic<AcquisitionState> m_mode{AcquisitionState::Idle}; // changed under the mode lock
    // The device the running mode claimed in the ownership table, -1 for none; a
    // device switch while streaming does not move the claim.
    int m_claimedDevice = -1;
    // Where a preview window goes: a child of the parent at the rectangle, or a
    // top-level window; read when a mode entry makes the window.
    WindowHandle m_previewParent = nullptr;
    int32_t m_previewRect[4] = {0, 0, 640, 512};
    // The capture thread, its completion event and the loop state (1 run, 2 held, 0 stop).
    std::thread m_captureThread;
    std::unique_ptr<platform::CEvent> m_captureDone;
    std::atomic<int> m_loopState{0};
    // Set by a stop: wakes the preview loop from its pause between turns.
    platform::CEvent m_loopWake{true};
    std::atomic<IDeliveryObserver *> m_observer{nullptr};

    // ---- under the instance's image lock ----
    std::mutex &m_imageLock;
    CProcessingChain &m_chain;
    // Where frames go and how they are described.
    CFrameDelivery m_delivery;
    // The preview window: published under the image lock, made and destroyed outside
    // every lock.
    std::unique_ptr<platform::CPreviewWindow> m_preview;
    // Set when a capture path has processed a frame; cleared by Close.
    std::atomic<int> m_frameAvailable{0};
    // Set with it, never cleared.
    std::atomic<bool> m_pictureKept{false};
};

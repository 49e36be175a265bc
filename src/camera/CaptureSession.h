#pragma once

#include "BusWatch.h"
#include "CaptureDevice.h"
#include "CaptureMode.h"
#include "Error.h"
#include "GstHandles.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Receives every frame of a running session, on GStreamer's streaming thread.
class FrameDelegate {
public:
    virtual ~FrameDelegate() = default;
    virtual void captureOutput(GstSample* frame) = 0;
};

// Hands each frame to the views that show the session live. Views come and go on
// the main thread while frames arrive on the streaming thread.
class FrameFanout {
public:
    void add(FrameDelegate* listener);
    // After this returns the listener is never called again.
    void remove(FrameDelegate* listener);
    void deliver(GstSample* frame);

private:
    std::mutex m_lock;
    std::vector<FrameDelegate*> m_listeners;
};

// Where a session's frames go: conversion to 32-bit RGB (QImage::Format_RGB32
// layout) and an app sink that hands each frame to the delegate. Made once, it
// stays in the session while cameras are swapped in front of it.
class DecompressedVideoOutput {
public:
    DecompressedVideoOutput(FrameDelegate* delegate, FrameFanout* previews);
    ~DecompressedVideoOutput();
    DecompressedVideoOutput(const DecompressedVideoOutput&) = delete;
    DecompressedVideoOutput& operator=(const DecompressedVideoOutput&) = delete;

    // Null when an element is missing; error() then says which.
    GstElement* convert() const { return m_convert.get(); }
    GstElement* filter() const { return m_filter.get(); }
    GstElement* sink() const { return m_sink.get(); }
    const Error& error() const { return m_error; }
    bool isValid() const { return m_convert && m_sink; }

private:
    GstElementRef m_convert;
    GstElementRef m_filter;
    GstElementRef m_sink;
    Error m_error;
    FrameDelegate* m_delegate;
    FrameFanout* m_previews;
};

// The one capture pipeline of the process: camera inputs in front, the output
// behind. Not running until started; stopping waits until frames have stopped.
// Each camera is asked for the mode chooseCaptureMode() picks from what it offers,
// and MJPEG is decoded in front of the conversion.
class CaptureSession {
public:
    // Told on the main thread when the running session fails: an error or the end
    // of the stream. It may be told more than once for one failure.
    using FailureHandler = std::function<void(const Error& error)>;

    CaptureSession();
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    bool isRunning() const { return m_running; }
    bool startRunning(Error* error);
    void stopRunning();

    void setFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }
    // For cameras added from now on. Sparse: the slowest rate of the chosen mode, and
    // at most kSparseFramesPerSecond frames reach the output (fewer to decode and convert).
    void setPace(CaptureMode::Pace pace) { m_pace = pace; }
    void setPictureSize(const PictureSize& size) { m_size = size; }
    // The mode the last camera added was asked for; none when it was linked without a choice.
    const std::optional<CaptureMode>& chosenMode() const { return m_chosen; }
    static constexpr int kSparseFramesPerSecond = 2;

    // Inputs are the opened cameras' source elements.
    std::vector<GstElementRef> inputs() const;
    void removeInput(const GstElementRef& input);
    bool addInput(const CaptureDevice& device, Error* error);
    bool addOutput(DecompressedVideoOutput* output, Error* error);

    GstElement* pipeline() const { return m_pipeline.get(); }
    // Live views of the session register here.
    FrameFanout* previews() { return &m_previews; }

private:
    // A camera's source and what stands between it and the output.
    struct Input {
        GstElementRef source;
        std::vector<GstElementRef> front; // the mode's filter, the decoder
        GstElement* last() const { return front.empty() ? source.get() : front.back().get(); }
    };
    bool linkInput(const Input& input, Error* error);
    void busMessage(GstMessage* message);

    GstElementRef m_pipeline;
    GstBusRef m_bus;
    std::unique_ptr<BusWatch> m_busWatch;
    FailureHandler m_onFailure;
    std::vector<Input> m_inputs;
    CaptureMode::Pace m_pace = CaptureMode::Pace::Smooth;
    PictureSize m_size;
    std::optional<CaptureMode> m_chosen;
    DecompressedVideoOutput* m_output = nullptr;
    bool m_running = false;
    FrameFanout m_previews;
};

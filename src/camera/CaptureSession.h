#pragma once

#include "CaptureDevice.h"
#include "Error.h"
#include "GstHandles.h"

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
class CaptureSession {
public:
    CaptureSession();
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    bool isRunning() const { return m_running; }
    bool startRunning(Error* error);
    void stopRunning();

    // Inputs are the opened cameras' source elements.
    const std::vector<GstElementRef>& inputs() const { return m_inputs; }
    void removeInput(const GstElementRef& input);
    bool addInput(const CaptureDevice& device, Error* error);
    bool addOutput(DecompressedVideoOutput* output, Error* error);

    GstElement* pipeline() const { return m_pipeline.get(); }
    // Live views of the session register here.
    FrameFanout* previews() { return &m_previews; }

private:
    bool linkInput(GstElement* input, Error* error);

    GstElementRef m_pipeline;
    GstBusRef m_bus;
    std::vector<GstElementRef> m_inputs;
    DecompressedVideoOutput* m_output = nullptr;
    bool m_running = false;
    FrameFanout m_previews;
};

#pragma once

#include "CaptureSession.h"
#include "GstHandles.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <functional>
#include <mutex>

// Shows a capture session's live video, scaled to fit on black. Before it draws a
// frame it asks its delegate what to show in its place.
class CapturePreviewView : public QWidget, private FrameDelegate {
    Q_OBJECT
public:
    using Delegate = std::function<QImage(const QImage& frame)>;

    explicit CapturePreviewView(QWidget* parent = nullptr);
    ~CapturePreviewView() override;

    void setCaptureSession(CaptureSession* session);
    void setDelegate(Delegate delegate) { m_delegate = std::move(delegate); }
    // Frames drawn so far; a live preview keeps counting.
    long framesShown() const { return m_framesShown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void captureOutput(GstSample* frame) override; // streaming thread

    CaptureSession* m_session = nullptr;
    Delegate m_delegate;
    std::mutex m_frameLock; // guards m_frame
    GstSampleRef m_frame;
    std::atomic<bool> m_updatePending{false};
    long m_framesShown = 0;
};

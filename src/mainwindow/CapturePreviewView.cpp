#include "CapturePreviewView.h"

#include "VideoFrame.h"

#include <QMetaObject>
#include <QPainter>

CapturePreviewView::CapturePreviewView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CapturePreviewView::~CapturePreviewView()
{
    if (m_session)
        m_session->previews()->remove(this);
}

void CapturePreviewView::setCaptureSession(CaptureSession* session)
{
    if (m_session)
        m_session->previews()->remove(this);
    m_session = session;
    if (m_session)
        m_session->previews()->add(this);
}

void CapturePreviewView::captureOutput(GstSample* frame)
{
    {
        std::lock_guard lock(m_frameLock);
        m_frame = GstSampleRef::ref(frame);
    }
    // One redraw at a time is asked for; frames in between are simply replaced.
    if (!m_updatePending.exchange(true))
        QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void CapturePreviewView::paintEvent(QPaintEvent*)
{
    m_updatePending = false;
    GstSampleRef frame;
    {
        std::lock_guard lock(m_frameLock);
        frame = m_frame;
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!frame)
        return;
    const MappedFrame mapped(frame.get());
    const QImage image = mapped.image();
    if (image.isNull())
        return;
    const QImage shown = m_delegate ? m_delegate(image) : image;
    QSize size = shown.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawImage(target, shown);
    ++m_framesShown;
}

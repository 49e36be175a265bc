#include "ContentViewControllers.h"

#include "CameraSuspendedView.h"
#include "CapturePreviewView.h"

#include <QImage>

ContentViewController::~ContentViewController()
{
    delete m_view.data();
}

QWidget* ContentViewController::view()
{
    if (!m_view)
        m_view = loadView();
    return m_view.data();
}

QWidget* CaptureViewController::loadView()
{
    auto* preview = new CapturePreviewView;
    preview->setObjectName(kCaptureView);
    preview->setDelegate(&CaptureViewController::viewWillDisplayImage);
    return preview;
}

CapturePreviewView* CaptureViewController::previewView()
{
    return static_cast<CapturePreviewView*>(view());
}

void CaptureViewController::setCaptureSession(CaptureSession* session)
{
    previewView()->setCaptureSession(session);
}

QImage CaptureViewController::viewWillDisplayImage(const QImage& frame)
{
    return frame.mirrored(true, false); // left and right swap, up stays up
}

QWidget* SuspendedCameraViewController::loadView()
{
    auto* placeholder = new CameraSuspendedView;
    placeholder->setObjectName(kSuspendedView);
    placeholder->setAttrString(tr("Camera turned off"));
    return placeholder;
}

QWidget* NoCameraViewController::loadView()
{
    auto* placeholder = new CameraSuspendedView;
    placeholder->setObjectName(kNoCameraView);
    placeholder->setAttrString(tr("No camera available"));
    return placeholder;
}

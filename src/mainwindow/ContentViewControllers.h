#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class CaptureSession;
class CapturePreviewView;
class CameraSuspendedView;
class QImage;
class QWidget;

// The three content views of the main window's swap area, by identifier.
inline const QString kCaptureView = QStringLiteral("CaptureView");
inline const QString kNoCameraView = QStringLiteral("NoCameraView");
inline const QString kSuspendedView = QStringLiteral("SuspendedView");

// A controller of one content view, made afresh at every switch of the swap area.
class ContentViewController : public QObject {
    Q_OBJECT
public:
    ~ContentViewController() override;
    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    // Made on first use.
    QWidget* view();

protected:
    virtual QWidget* loadView() = 0;

private:
    QPointer<QWidget> m_view; // shown inside the window, which may delete it first
    QString m_title;
};

// The live preview, mirrored left to right like a mirror; stills are not mirrored.
class CaptureViewController : public ContentViewController {
    Q_OBJECT
public:
    CapturePreviewView* previewView();
    void setCaptureSession(CaptureSession* session);
    static QImage viewWillDisplayImage(const QImage& frame);

protected:
    QWidget* loadView() override;
};

class SuspendedCameraViewController : public ContentViewController {
    Q_OBJECT
protected:
    QWidget* loadView() override;
};

class NoCameraViewController : public ContentViewController {
    Q_OBJECT
protected:
    QWidget* loadView() override;
};

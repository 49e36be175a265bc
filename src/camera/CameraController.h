#pragma once

#include "Clock.h"

#include "AlertPresenter.h"
#include "CaptureDevice.h"
#include "CaptureSession.h"
#include "DeviceWatcher.h"
#include "JpegEncoder.h"
#include "PrivacyWatcher.h"
#include "StillMaker.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QMap>
#include <QObject>
#include <QTimer>
#include <QVariant>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class UserDefaults;

// The one object through which the application knows and drives cameras: the
// registry of attached cameras (display name to unique ID), the current camera,
// the one capture session, the latest frame and the stills made from it.
//
// Everything but captureOutput() runs on the main thread. captureOutput() runs on
// the streaming thread; the latest frame is the only state the two threads share.
class CameraController : public QObject, private FrameDelegate {
    Q_OBJECT
    Q_PROPERTY(bool cameraSuspended READ cameraSuspended NOTIFY cameraSuspendedChanged)
public:
    using Clock = ::Clock;
    // The file types of stills; only JPEG is made (its number is the one the design gives it).
    enum class FileType : unsigned { JPEG = 3 };

    // The alert presenter may be null (errors then go unseen) and set later.
    explicit CameraController(UserDefaults* userDefaults, AlertPresenter* alertPresenter = nullptr,
                              Clock clock = {}, QObject* parent = nullptr);
    ~CameraController() override;

    // The process's controller, made on first use and kept until the process ends.
    static CameraController* sharedCameraController();

    void setAlertPresenter(AlertPresenter* presenter) { m_alertPresenter = presenter; }

    QMap<QString, QString> devicesDict() const { return m_devicesDict; }
    bool cameraSuspended() const { return m_cameraSuspended; }
    void setCameraSuspended(bool suspended);
    const CaptureDevicePtr& userDevice() const { return m_userDevice; }
    CaptureSession* mCaptureSession() const { return m_session.get(); }
    DeviceWatcher* deviceWatcher() const { return m_watcher.get(); }

    // Sparse where only stills are wanted (no preview): fewer frames, less work. From the next camera opened.
    void setPace(CaptureMode::Pace pace) { m_session->setPace(pace); }
    void changeDevice(const QString& displayName);
    // The name of the attached camera a person named: by its name, or by its device
    // node or a link to it (/dev/video0, /dev/v4l/by-id/…, /dev/v4l/by-path/…). Empty when none.
    QString cameraNamed(const QString& nameOrPath) const;
    void addAnyCaptureDevice();

    // The latest frame as a JPEG picture, with the date stamp when the settings ask
    // for it; none before the first frame.
    std::optional<QByteArray> takePictureWithFileType(FileType fileType, const QVariant& quality);
    // The newest frame, safe to hand to another thread; null before the first frame.
    GstSampleRef newestFrame();
    // A frame no earlier call was given: the newest when it is new, else the next to
    // come within `bound` while the camera runs. Null when none comes (a camera that
    // failed or fell silent), so that no frame becomes two pictures. Main thread.
    GstSampleRef takeNewFrame(std::chrono::milliseconds bound);
    // Whether any frame has come since this controller was made.
    bool hasHadFrames();
    // The date stamp the settings ask for, or none when stamping is off. Main thread.
    std::optional<StampStyle> stampStyle() const;
    // Draws the date into the picture's lower-left corner in the stored font and colour.
    void drawCaptureDate(const QDateTime& date, QImage& image) const;

    // Frame intake, on the streaming thread: keeps a reference on the newest frame.
    void captureOutput(GstSample* frame) override;

Q_SIGNALS:
    void cameraSuspendedChanged(bool suspended);
    void devicesDictChanged();
    // The camera in use stopped while it should run (an error, or no frame for a
    // while); the text says which. It is restarted until frames come again.
    void cameraFailed(const QString& text);
    // Frames come again after a failure, or another camera was chosen.
    void cameraRecovered();
    // Something about the camera worth one line in the log: the size asked for is not
    // one it gives, or the setting cannot be read. Said once, not at each restart.
    void cameraNote(const QString& text);

private:
    bool openCamera(const QString& displayName, bool restarting);
    bool userDeviceAttached() const;
    void sessionFailed(const Error& error);
    void confirmFailure(quint64 generation, const Error& error);
    void scheduleRestart();
    void checkFrames();
    // Closes the current camera and takes it out of the (stopped) session.
    void releaseCamera();

    void prepareDevices();
    void updateCameras(const CaptureDevicePtr& device, bool connected);
    void cameraAttributeChanged(const CaptureDevicePtr& device, const CaptureDevicePtr& previous);
    void suspendedAttributeChanged();
    bool hasCamerasAvailable() const { return m_watcher->hasCamerasAvailable(); }
    void presentError(const Error& error);

    UserDefaults* m_userDefaults;
    AlertPresenter* m_alertPresenter;
    Clock m_clock;

    std::unique_ptr<CaptureSession> m_session;
    std::unique_ptr<DecompressedVideoOutput> m_output;
    CaptureDevicePtr m_userDevice;
    std::unique_ptr<PrivacyWatcher> m_privacyWatcher; // the current camera's shutter, where it has one
    QMap<QString, QString> m_devicesDict;
    bool m_cameraSuspended = false;
    std::unique_ptr<DeviceWatcher> m_watcher;

    std::mutex m_frameLock; // guards mCurrentImageBuffer and m_frameNumber
    std::condition_variable m_frameArrived;
    GstSample* mCurrentImageBuffer = nullptr;
    quint64 m_frameNumber = 0; // counts the frames that came
    quint64 m_takenFrame = 0;  // the number of the last frame takeNewFrame() gave; main thread

    StillMaker m_stillMaker; // main thread only

    // Following a running camera: frames arrive, or it is failed and restarted.
    quint64 m_sessionGeneration = 0; // each opening of a camera counts one
    QTimer m_frameWatch;
    std::atomic<qint64> m_lastFrameMs{0}; // steady clock; written on the streaming thread
    qint64 m_startedMs = 0;
    bool m_failing = false; // alerted once; restarting until frames come
    QString m_lastNote;
    std::chrono::milliseconds m_restartDelay{0};
};

// The shared controller, once made.
extern CameraController* gCameraController;

#pragma once

#include "Error.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstddef>
#include <cstdint>

// Hears how an upload ended, inside the upload call. Either callback may be left
// as it is; the uploader then sends nothing for that outcome.
class FTPControllerDelegate {
public:
    virtual ~FTPControllerDelegate() = default;
    virtual void uploadDidFinish() {}
    virtual void uploadDidNotFinishWithError(const Error& error) { Q_UNUSED(error); }
};

// How uploads reach the network. The application keeps the defaults.
struct FTPTransferSettings {
    // Certificate authorities to trust instead of the system's (empty: the system's).
    QString caBundlePath;
    // Bounds that keep a silent or stalled server from holding the caller for long.
    std::chrono::seconds connectTimeout{15};
    std::chrono::seconds responseTimeout{20};
    std::chrono::seconds stallTimeout{20};
};

// The read side of one transfer: the part of the picture not yet handed to libcurl.
struct ReadMemoryState {
    const char* cursor = nullptr;
    std::uint64_t remaining = 0;
};

// libcurl's read callback over a ReadMemoryState: hands over the lesser of what is
// asked for and what is left; 0 ends the upload.
std::size_t ReadMemoryCallback(char* destination, std::size_t size, std::size_t count, void* state);

// Sends one picture held in memory to one FTP or FTPS address with libcurl, on the
// caller's thread, and tells the delegate how it went before returning.
class FTPController {
public:
    explicit FTPController(FTPTransferSettings settings = {});

    bool usePassiveMode() const { return m_usePassiveMode; }
    void setUsePassiveMode(bool passive) { m_usePassiveMode = passive; }
    FTPControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(FTPControllerDelegate* delegate) { m_delegate = delegate; }

    // True when the picture arrived; the delegate has heard the outcome by then.
    bool uploadData(const QByteArray& data, const QUrl& url, const QString& username, const QString& password);
    void completeUpload();
    void uploadError(const Error& error);

private:
    FTPTransferSettings m_settings;
    bool m_usePassiveMode = false; // kept for callers; transfers always use passive mode
    FTPControllerDelegate* m_delegate = nullptr;
};

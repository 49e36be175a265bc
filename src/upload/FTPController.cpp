#include "FTPController.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const QString kCurlErrorDomain = QStringLiteral("CurlErrorDomain");

Error curlError(CURLcode code)
{
    return Error{kCurlErrorDomain, static_cast<int>(code), QString::fromUtf8(curl_easy_strerror(code))};
}

struct EasyCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

// libcurl's global state, set up and released around each upload.
class CurlGlobal {
public:
    CurlGlobal()
        : m_code(curl_global_init(CURL_GLOBAL_ALL))
    {
    }
    ~CurlGlobal()
    {
        if (m_code == CURLE_OK)
            curl_global_cleanup();
    }
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
    CURLcode code() const { return m_code; }

private:
    CURLcode m_code;
};

} // namespace

std::size_t ReadMemoryCallback(char* destination, std::size_t size, std::size_t count, void* userState)
{
    auto* state = static_cast<ReadMemoryState*>(userState);
    const std::uint64_t wanted = static_cast<std::uint64_t>(size) * count;
    const std::uint64_t handed = std::min(wanted, state->remaining);
    if (handed == 0)
        return 0;
    std::memcpy(destination, state->cursor, static_cast<std::size_t>(handed));
    state->cursor += handed;
    state->remaining -= handed;
    return static_cast<std::size_t>(handed);
}

FTPController::FTPController(FTPTransferSettings settings)
    : m_settings(std::move(settings))
{
}

bool FTPController::uploadData(const QByteArray& data, const QUrl& url, const QString& username, const QString& password)
{
    ReadMemoryState state{data.constData(), static_cast<std::uint64_t>(data.size())};
    const QByteArray address = url.isEmpty() ? QByteArray() : url.toEncoded();
    const QByteArray user = username.toUtf8();
    const QByteArray secret = password.toUtf8();
    const QByteArray caBundle = m_settings.caBundlePath.toLocal8Bit();

    CURLcode result = CURLE_FAILED_INIT;
    {
        const CurlGlobal global;
        std::unique_ptr<CURL, EasyCleanup> curl(global.code() == CURLE_OK ? curl_easy_init() : nullptr);
        if (curl) {
            CURL* h = curl.get();
            curl_easy_setopt(h, CURLOPT_READFUNCTION, &ReadMemoryCallback);
            curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(h, CURLOPT_URL, address.isEmpty() ? nullptr : address.constData());
            curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
            curl_easy_setopt(h, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
            // Certificates must name the host: otherwise anyone with any certificate could read the password.
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
            curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
            curl_easy_setopt(h, CURLOPT_PASSWORD, secret.constData());
            curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
            curl_easy_setopt(h, CURLOPT_READDATA, &state);
            curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size()));
            // The upload runs on the caller's thread: bound every wait on the server.
            curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_settings.connectTimeout.count()));
            curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(m_settings.responseTimeout.count()));
            curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_settings.stallTimeout.count()));
            if (!caBundle.isEmpty())
                curl_easy_setopt(h, CURLOPT_CAINFO, caBundle.constData());
            result = curl_easy_perform(h);
        }
    }

    if (result == CURLE_OK) {
        completeUpload();
        return true;
    }
    uploadError(curlError(result));
    return false;
}

void FTPController::completeUpload()
{
    if (m_delegate)
        m_delegate->uploadDidFinish();
}

void FTPController::uploadError(const Error& error)
{
    if (m_delegate)
        m_delegate->uploadDidNotFinishWithError(error);
}

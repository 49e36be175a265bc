#include "SecretStore.h"

#include <QCoreApplication>

#include <libsecret/secret.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr const char* kProtocol = "ftps";
constexpr const char* kAuthType = "default";
constexpr int kPort = 0;

struct CancellableDeleter {
    void operator()(GCancellable* c) const { g_object_unref(c); }
};
struct GErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

// Runs a blocking libsecret call and cancels it if it has not returned in time.
template <typename Call>
auto withDeadline(std::chrono::milliseconds timeout, Call call)
{
    std::unique_ptr<GCancellable, CancellableDeleter> cancellable(g_cancellable_new());
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!finished.wait_for(lock, timeout, [&] { return done; }))
            g_cancellable_cancel(cancellable.get());
    });
    auto result = call(cancellable.get());
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    finished.notify_one();
    watchdog.join();
    return result;
}

Error secretError(const GError* error, const QString& context)
{
    const QString why = error ? QString::fromUtf8(error->message)
                              : QCoreApplication::translate("SecretStore", "no answer from the keyring");
    return Error{QStringLiteral("SecretServiceErrorDomain"), error ? error->code : 0,
                 QStringLiteral("%1 (%2)").arg(context, why)};
}

} // namespace

SecretStore::SecretStore(std::chrono::milliseconds timeout)
    : m_timeout(timeout)
{
}

std::optional<QString> SecretStore::passwordForHost(const QString& host, Error* error) const
{
    const QByteArray server = host.toUtf8();
    GError* raw = nullptr;
    gchar* password = withDeadline(m_timeout, [&](GCancellable* cancellable) {
        return secret_password_lookup_sync(SECRET_SCHEMA_COMPAT_NETWORK, cancellable, &raw, "server", server.constData(),
                                           "protocol", kProtocol, "port", kPort, "authtype", kAuthType, nullptr);
    });
    ErrorPtr failure(raw);
    if (!password) {
        if (failure && error)
            *error = secretError(failure.get(), QCoreApplication::translate("SecretStore",
                                                                            "The FTP password could not be read from the keyring"));
        return std::nullopt;
    }
    QString result = QString::fromUtf8(password);
    secret_password_free(password); // wipes the copy libsecret handed out
    return result;
}

bool SecretStore::storePassword(const QString& host, const QString& user, const QString& password, Error* error) const
{
    const QByteArray server = host.toUtf8();
    const QByteArray userName = user.toUtf8();
    const QByteArray secret = password.toUtf8();
    const QByteArray label = QStringLiteral("Ombrix FTP password for %1").arg(host).toUtf8();
    GError* raw = nullptr;
    const bool stored = withDeadline(m_timeout, [&](GCancellable* cancellable) -> bool {
        // One entry per host: an earlier one, under whatever user name, is replaced.
        secret_password_clear_sync(SECRET_SCHEMA_COMPAT_NETWORK, cancellable, &raw, "server", server.constData(),
                                   "protocol", kProtocol, "port", kPort, "authtype", kAuthType, nullptr);
        if (raw)
            return false;
        return secret_password_store_sync(SECRET_SCHEMA_COMPAT_NETWORK, SECRET_COLLECTION_DEFAULT, label.constData(),
                                          secret.constData(), cancellable, &raw, "server", server.constData(),
                                          "protocol", kProtocol, "port", kPort, "authtype", kAuthType, "user",
                                          userName.constData(), nullptr);
    });
    ErrorPtr failure(raw);
    if (!stored && error)
        *error = secretError(failure.get(),
                             QCoreApplication::translate("SecretStore", "The FTP password could not be stored in the keyring"));
    return stored;
}

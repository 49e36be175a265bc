#include "SecretStore.h"

#include <QCoreApplication>

#include <libsecret/secret.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

struct CancellableDeleter {
    void operator()(GCancellable* c) const { g_object_unref(c); }
};
struct GErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

namespace {

constexpr const char* kProtocol = "ftps";
constexpr const char* kAuthType = "default";
constexpr int kPort = 0;


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

// What a pending call and its GLib callback share. The callback holds a reference
// of its own, so it may come after the call's owner has gone.
struct SecretCall::State {
    std::unique_ptr<GCancellable, CancellableDeleter> cancellable{g_cancellable_new()};
    std::function<void(GObject*, GAsyncResult*)> next; // cleared on cancel
    bool finished = false;
};

namespace {

// The GLib callback: runs the state's next step unless the call was cancelled.
void resumeCall(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<std::shared_ptr<SecretCall::State>> held(static_cast<std::shared_ptr<SecretCall::State>*>(data));
    const std::shared_ptr<SecretCall::State> state = *held;
    if (auto step = std::exchange(state->next, nullptr))
        step(source, result);
}

gpointer holdFor(const std::shared_ptr<SecretCall::State>& state)
{
    return new std::shared_ptr<SecretCall::State>(state);
}

} // namespace

SecretCall::SecretCall(std::shared_ptr<State> state)
    : m_state(std::move(state))
{
}

SecretCall::~SecretCall()
{
    cancel();
}

void SecretCall::cancel()
{
    if (m_state->finished)
        return;
    m_state->next = nullptr;
    g_cancellable_cancel(m_state->cancellable.get());
}

bool SecretCall::isFinished() const
{
    return m_state->finished;
}

std::unique_ptr<SecretCall> SecretStore::lookupPassword(const QString& host, LookupDone done) const
{
    auto state = std::make_shared<SecretCall::State>();
    SecretCall::State* raw = state.get();
    state->next = [raw, done = std::move(done)](GObject*, GAsyncResult* result) {
        GError* failure = nullptr;
        gchar* password = secret_password_lookup_finish(result, &failure);
        ErrorPtr owned(failure);
        raw->finished = true;
        if (!password) {
            done(std::nullopt, owned ? secretError(owned.get(), QCoreApplication::translate(
                                                                  "SecretStore", "The FTP password could not be read from the keyring"))
                                     : Error{});
            return;
        }
        const QString text = QString::fromUtf8(password);
        secret_password_free(password);
        done(text, Error{});
    };
    const QByteArray server = host.toUtf8();
    secret_password_lookup(SECRET_SCHEMA_COMPAT_NETWORK, state->cancellable.get(), &resumeCall, holdFor(state), "server",
                           server.constData(), "protocol", kProtocol, "port", kPort, "authtype", kAuthType, nullptr);
    return std::make_unique<SecretCall>(std::move(state));
}

std::unique_ptr<SecretCall> SecretStore::storePasswordLater(const QString& host, const QString& user,
                                                            const QString& password, StoreDone done) const
{
    auto state = std::make_shared<SecretCall::State>();
    SecretCall::State* raw = state.get();
    const QByteArray server = host.toUtf8();
    const QByteArray userName = user.toUtf8();
    const QByteArray secret = password.toUtf8();
    const QByteArray label = QStringLiteral("Ombrix FTP password for %1").arg(host).toUtf8();
    auto fail = [done](const GError* failure) {
        done(false, secretError(failure, QCoreApplication::translate("SecretStore",
                                                                     "The FTP password could not be stored in the keyring")));
    };
    auto stored = [raw, done, fail](GObject*, GAsyncResult* result) {
        GError* failure = nullptr;
        const bool ok = secret_password_store_finish(result, &failure);
        ErrorPtr owned(failure);
        raw->finished = true;
        if (ok)
            done(true, Error{});
        else
            fail(owned.get());
    };
    // One entry per host: an earlier one, under whatever user name, is cleared first.
    state->next = [raw, state = std::weak_ptr<SecretCall::State>(state), stored, fail, server, userName, secret,
                   label](GObject*, GAsyncResult* result) {
        GError* failure = nullptr;
        secret_password_clear_finish(result, &failure);
        ErrorPtr owned(failure);
        const auto alive = state.lock();
        if (owned || !alive) {
            raw->finished = true;
            fail(owned.get());
            return;
        }
        alive->next = stored;
        secret_password_store(SECRET_SCHEMA_COMPAT_NETWORK, SECRET_COLLECTION_DEFAULT, label.constData(), secret.constData(),
                              alive->cancellable.get(), &resumeCall, holdFor(alive), "server", server.constData(),
                              "protocol", kProtocol, "port", kPort, "authtype", kAuthType, "user", userName.constData(),
                              nullptr);
    };
    secret_password_clear(SECRET_SCHEMA_COMPAT_NETWORK, state->cancellable.get(), &resumeCall, holdFor(state), "server",
                          server.constData(), "protocol", kProtocol, "port", kPort, "authtype", kAuthType, nullptr);
    return std::make_unique<SecretCall>(std::move(state));
}

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

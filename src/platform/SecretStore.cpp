#include "SecretStore.h"

#include <QCoreApplication>

#include "GstHandles.h"

#include <libsecret/secret.h>

#include <memory>
#include <utility>
#include <vector>

struct CancellableDeleter {
    void operator()(GCancellable* c) const { g_object_unref(c); }
};

namespace {

// The network-password schema, matching entries whatever schema name they carry:
// entries made by hand (secret-tool store ... server HOST protocol ftps) have none.
const SecretSchema* anyNameNetworkSchema()
{
    static const SecretSchema schema = [] {
        SecretSchema copy = *SECRET_SCHEMA_COMPAT_NETWORK;
        copy.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        return copy;
    }();
    return &schema;
}

// The entries for the host under another user name than `user`, to be removed
// once the new entry is safely stored. Takes the search's list.
std::vector<SecretItem*> entriesOfOtherUsers(GList* found, const QByteArray& user)
{
    std::vector<SecretItem*> others;
    for (GList* it = found; it; it = it->next) {
        auto* retrievable = static_cast<SecretRetrievable*>(it->data);
        GHashTable* attributes = secret_retrievable_get_attributes(retrievable);
        const auto* owner = static_cast<const char*>(g_hash_table_lookup(attributes, "user"));
        if (SECRET_IS_ITEM(retrievable) && (!owner || user != owner))
            others.push_back(SECRET_ITEM(g_object_ref(retrievable)));
        g_hash_table_unref(attributes);
    }
    g_list_free_full(found, g_object_unref);
    return others;
}

constexpr const char* kAuthType = "default";
constexpr int kPort = 0;


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

std::unique_ptr<SecretCall> SecretStore::lookupPassword(const QString& host, const QString& protocol, LookupDone done) const
{
    auto state = std::make_shared<SecretCall::State>();
    SecretCall::State* raw = state.get();
    state->next = [raw, done = std::move(done)](GObject*, GAsyncResult* result) {
        GError* failure = nullptr;
        gchar* password = secret_password_lookup_finish(result, &failure);
        GErrorPtr owned(failure);
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
    const QByteArray scheme = protocol.toUtf8();
    secret_password_lookup(anyNameNetworkSchema(), state->cancellable.get(), &resumeCall, holdFor(state), "server",
                           server.constData(), "protocol", scheme.constData(), nullptr);
    return std::make_unique<SecretCall>(std::move(state));
}

std::unique_ptr<SecretCall> SecretStore::storePasswordLater(const QString& host, const QString& protocol, const QString& user,
                                                            const QString& password, StoreDone done) const
{
    const QByteArray scheme = protocol.toUtf8();
    auto state = std::make_shared<SecretCall::State>();
    const std::weak_ptr<SecretCall::State> weak = state;
    const QByteArray server = host.toUtf8();
    const QByteArray userName = user.toUtf8();
    const QByteArray secret = password.toUtf8();
    const QByteArray label = QStringLiteral("Ombrix FTP password for %1").arg(host).toUtf8();
    auto finish = [weak, done](const GError* failure) {
        if (const auto alive = weak.lock())
            alive->finished = true;
        if (failure)
            done(false, secretError(failure, QCoreApplication::translate("SecretStore",
                                                                         "The FTP password could not be stored in the keyring")));
        else
            done(true, Error{});
    };
    // Removes the older entries one after the other; the new one is safe already.
    auto removeOthers = std::make_shared<std::function<void(std::vector<SecretItem*>)>>();
    *removeOthers = [weak, finish, self = std::weak_ptr(removeOthers)](std::vector<SecretItem*> others) {
        const auto alive = weak.lock();
        if (others.empty() || !alive) {
            for (SecretItem* item : others)
                g_object_unref(item);
            finish(nullptr);
            return;
        }
        SecretItem* item = others.back();
        others.pop_back();
        alive->next = [next = self.lock(), others](GObject* source, GAsyncResult* result) {
            secret_item_delete_finish(SECRET_ITEM(source), result, nullptr); // one left behind does no harm
            (*next)(others);
        };
        secret_item_delete(item, alive->cancellable.get(), &resumeCall, holdFor(alive));
        g_object_unref(item);
    };
    // Stored first: when storing fails, the old password is still there.
    state->next = [weak, finish, removeOthers, server, scheme, userName](GObject*, GAsyncResult* result) {
        GError* failure = nullptr;
        const bool ok = secret_password_store_finish(result, &failure);
        GErrorPtr owned(failure);
        const auto alive = weak.lock();
        if (!ok || !alive) {
            finish(owned.get());
            return;
        }
        alive->next = [removeOthers, userName](GObject*, GAsyncResult* found) {
            (*removeOthers)(entriesOfOtherUsers(secret_password_search_finish(found, nullptr), userName));
        };
        secret_password_search(anyNameNetworkSchema(), SECRET_SEARCH_ALL, alive->cancellable.get(), &resumeCall,
                               holdFor(alive), "server", server.constData(), "protocol", scheme.constData(), nullptr);
    };
    secret_password_store(SECRET_SCHEMA_COMPAT_NETWORK, SECRET_COLLECTION_DEFAULT, label.constData(), secret.constData(),
                          state->cancellable.get(), &resumeCall, holdFor(state), "server", server.constData(), "protocol",
                          scheme.constData(), "port", kPort, "authtype", kAuthType, "user", userName.constData(), nullptr);
    return std::make_unique<SecretCall>(std::move(state));
}

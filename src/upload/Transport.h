#pragma once

#include "TransferResult.h"

#include <QByteArray>
#include <QStringList>
#include <QUrl>

// One protocol's way of doing what delivery asks of a server, over the shared libcurl
// session. Every call returns one result value and leaves nothing for the caller to
// read afterwards. Addresses and logins are checked for control characters before.
class Transport {
public:
    enum class Removal { GoneIsFine, Strict };
    virtual ~Transport() = default;

    // Sends the data to the address so that readers never see part of it: under a
    // temporary name beside the final one and then renamed, or in one step where the
    // protocol has one.
    virtual TransferResult upload(const QByteArray& data, const QUrl& url, const QString& username, const QString& password) = 0;
    // The names of the files in the folder, in the result's `names`.
    virtual TransferResult list(const QUrl& folder, const QString& username, const QString& password) = 0;
    // Removes the named files from the folder; a name already gone is no error unless strict.
    virtual TransferResult remove(const QUrl& folder, const QStringList& names, const QString& username,
                                  const QString& password, Removal removal) = 0;
    // Connects, logs in and finds the folder, making it when it is missing: the first
    // steps of Test Connection, one sentence each, appended to `steps`.
    virtual TransferResult reach(const QUrl& folder, const QString& username, const QString& password, QStringList* steps) = 0;
};

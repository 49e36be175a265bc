#pragma once

#include "Error.h"
#include "KnownHosts.h"

#include <QStringList>

// How one attempt on a server ended (an upload, a listing, a removal): all that the
// caller needs to decide what comes next, in one value.
struct TransferResult {
    bool ok = false;
    Error error;            // why not, in words a person can act on
    bool permanent = false; // the server refuses this for good (its folder or its file), not the connection's fault
    bool usedTls = false;   // the connection was encrypted
    // Valid when the server was refused for a key the owner has not trusted yet, to ask about.
    SshHostKey unknownHostKey;
    TrustedCertificate unknownCertificate;
    QStringList names; // what a listing found

    static TransferResult success()
    {
        TransferResult result;
        result.ok = true;
        return result;
    }
    static TransferResult failed(Error error, bool permanent = false)
    {
        TransferResult result;
        result.error = std::move(error);
        result.permanent = permanent;
        return result;
    }
};

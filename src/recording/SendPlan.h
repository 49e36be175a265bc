#pragma once

#include "DeliveryValues.h"
#include "Outbox.h"
#include "TransferResult.h"

#include <QSet>
#include <QString>

#include <optional>
#include <vector>

// The sending policy, with no threads, clocks or I/O of its own: given the outbox's
// entries, the time (milliseconds since the epoch) and the results of the attempts,
// it says what to send next and on which connection, what to set aside and until
// when, and which servers count as away. The sending thread asks and carries out.
//
// Oldest first. A server whose upload failed is away for a pause that doubles with
// each failure (up to the longest) and ends at its first success; while it is away
// only its new pictures are tried, once each, and their failures do not lengthen the
// pause. A picture the server refuses for good is set aside and tried again after
// a long pause, so that it never holds the pictures behind it. A backlog goes over
// several connections at once (two over SFTP, four over WebDAV and S3), never two
// to one name, unless the server refused one; over FTP, whose servers often allow
// one connection per address, one at a time.
class SendPlan {
public:
    struct Rules {
        qint64 firstRetryPauseMs = 2000;
        qint64 longestRetryPauseMs = 5 * 60 * 1000;
        qint64 setAsidePauseMs = 60 * 60 * 1000;
    };
    // What to send now: `first` on the usual connection, `others` each on a connection of its own.
    struct Pick {
        std::optional<Outbox::Item> first;
        std::vector<Outbox::Item> others;
        bool firstFresh = false; // never tried before
    };
    // What becomes of one picture after its attempt, and what its tick hears.
    struct Fate {
        enum class Action { Keep, Remove, SetAside };
        Action action = Action::Keep;
        qint64 retryAfterMs = 0; // SetAside: when to try it again (0: never)
        QString problem;         // SetAside: why
        TickOutcome::Upload told = TickOutcome::Upload::NotAsked; // NotAsked: nothing to tell
        Error error;
    };
    struct Settled {
        Fate first;
        std::vector<Fate> others; // one for each of the pick's others
    };

    SendPlan() = default;
    explicit SendPlan(Rules rules)
        : m_rules(rules)
    {
    }

    // A picture just kept: it is tried at once, whatever its server's pause.
    void added(const QString& id) { m_fresh.insert(id); }
    // Every waiting picture may go again now (a key was just trusted).
    void retryNow();
    // The next pictures to send; none when nothing is due or no password is known for what is.
    Pick next(const std::vector<Outbox::Item>& items, const QSet<QString>& hostsWithPassword, qint64 nowMs);
    // The attempt's results, one for each of the pick's others too: what to do with the
    // pictures, and the plan's own state moved on.
    Settled settle(const Pick& pick, const TransferResult& first, const std::vector<TransferResult>& others, qint64 nowMs);
    // Drops what it knows of pictures no longer in the outbox (replaced, dropped, sent).
    void forgetGone(const std::vector<Outbox::Item>& items);

    // When something not due now comes due (a pause ends, a set-aside picture's time comes); 0: never.
    qint64 nextDueMs(const std::vector<Outbox::Item>& items, qint64 nowMs) const;
    // The end of the pause under way; 0: none.
    qint64 nextTryMs() const { return m_nextTryMs; }
    bool isAway(const QString& server) const { return m_away.contains(server); }

    // "host:port", the unit of pauses and connections.
    static QString serverOf(const QUrl& url);
    // How many connections a backlog to the address may use at once.
    static int connectionsFor(const QUrl& url);
    static constexpr int kMostConnections = 4;
    // Why a picture can never be sent as it stands; empty when it can.
    static QString unsendable(const Outbox::Item& item, const QByteArray& picture);

private:
    bool isDue(const Outbox::Item& item, qint64 nowMs) const;
    void endPauseIfOver(qint64 nowMs);

    Rules m_rules;
    QSet<QString> m_fresh;           // outbox ids never tried yet
    QSet<QString> m_away;            // servers whose last try failed during the pause
    QSet<QString> m_oneConnection;   // servers that refused another connection
    qint64 m_pauseMs = 0;            // the last pause, doubled at each failure until a success
    qint64 m_nextTryMs = 0;          // the end of the pause under way; 0: none
};

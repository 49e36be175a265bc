#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

// Pictures waiting for their server, kept in a folder so that they survive a
// restart: each as NAME.jpg (a plain JPEG a person can open) beside NAME.json
// (where it goes). Names sort oldest first. The folder is bounded in bytes; past
// the bound the oldest pictures are dropped and counted. The folder is its owner's
// alone: pictures waiting for a private server are nobody else's to read.
//
// Used from one thread at a time.
class Outbox {
public:
    struct Item {
        QString id;         // the files' common name; ids sort oldest first
        QUrl url;           // the final address on the server
        QString username;
        bool replaceable = false; // the always-current picture: a newer one for the same address replaces it
        qint64 bytes = 0;
        // Set aside: the server refused it for good, or it can never be sent. It stays
        // (and counts) but is tried again only after this time; invalid: never.
        bool setAside = false;
        QDateTime retryAfter;
        QString problem; // why it was set aside
    };

    // Reads what an earlier run left in the folder. Half-written entries (a picture
    // without its address, or the reverse) are removed.
    Outbox(QString folder, qint64 byteLimit);

    // The suffix of the kept file: a film's own (.mp4, .webm), otherwise .jpg.
    static QString contentSuffix(const QUrl& url);
    // $XDG_STATE_HOME/Ombrix/outbox (by default ~/.local/state/Ombrix/outbox).
    static QString defaultFolder();

    QString folder() const { return m_folder; }

    // Keeps the picture for the address. False, with the reason in *problem, when
    // it could not be written.
    bool add(const QByteArray& picture, const QUrl& url, const QString& username, bool replaceable,
             QString* problem = nullptr);
    std::optional<QByteArray> picture(const Item& item) const;
    // Forgets the item; one already gone is no error.
    void remove(const QString& id);
    // Sets the item aside for the reason, to be tried again after the time (invalid:
    // never); kept so across restarts. False when that could not be written.
    bool setAside(const QString& id, const QString& problem, const QDateTime& retryAfter);
    bool contains(const QString& id) const;

    const std::vector<Item>& items() const { return m_items; }
    bool isEmpty() const { return m_items.empty(); }
    qint64 totalBytes() const;
    // Pictures dropped for the bound since the outbox was made.
    int droppedCount() const { return m_dropped; }

private:
    QString path(const QString& id, const QString& suffix) const;
    QString contentPath(const Item& item) const { return path(item.id, contentSuffix(item.url)); }
    void load();
    void enforceLimit();
    void erase(std::vector<Item>::iterator item);
    bool writeAddress(const Item& item, QString* problem);

    QString m_folder;
    qint64 m_byteLimit;
    std::vector<Item> m_items;
    int m_dropped = 0;
    qint64 m_lastStamp = 0;
    int m_sameStampCount = 0;
};

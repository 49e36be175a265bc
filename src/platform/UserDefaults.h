#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <utility>
#include <vector>

class QSettings;

// The per-user settings store: a registration layer kept in memory only, under a
// user layer that persists in an INI file. Reads give the user's value, else the
// registered default, else an invalid QVariant; every write is stored at once and
// announced through valueChanged(key).
//
// A settings file that cannot be read, or is not a well-formed INI file, is never
// silently replaced: what could be read is used, and a copy of the file is kept
// beside it before the first write (loadProblem() says what happened).
class UserDefaults : public QObject {
    Q_OBJECT
public:
    using Registration = std::vector<std::pair<QString, QVariant>>;

    explicit UserDefaults(const QString& filePath, QObject* parent = nullptr);
    ~UserDefaults() override;

    // The process's shared store at $XDG_CONFIG_HOME/Ombrix/Ombrix.conf, made on first use.
    static UserDefaults* standardUserDefaults();
    static QString standardFilePath();

    void registerDefaults(const Registration& defaults);

    QVariant objectForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    // The registered default alone, whatever the user stored.
    QVariant registeredValueForKey(const QString& key) const { return m_registered.value(key); }
    void setObject(const QVariant& value, const QString& key);

    QString filePath() const { return m_filePath; }
    // Empty when the file was read cleanly (or did not exist yet).
    QString loadProblem() const { return m_loadProblem; }
    // Empty while every write reached the file.
    QString saveProblem() const { return m_saveProblem; }
    // Where the damaged file was copied to, once that has happened.
    QString backupPath() const { return m_backupPath; }

Q_SIGNALS:
    void valueChanged(const QString& key);

private:
    void load();
    bool keepCopyOfDamagedFile();
    static QVariant coerced(const QVariant& stored, const QVariant& registered);

    QString m_filePath;
    std::unique_ptr<QSettings> m_settings;
    QHash<QString, QVariant> m_registered;
    QHash<QString, QVariant> m_user;
    QString m_loadProblem;
    QString m_saveProblem;
    QString m_backupPath;
    bool m_needsBackup = false;
    bool m_persistent = true;
};

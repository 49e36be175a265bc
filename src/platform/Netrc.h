#pragma once

#include <QString>

#include <optional>

// FTP passwords for machines without a keyring: a netrc file, in the format ftp
// and curl read ("machine HOST login USER password SECRET", "default ..."), at
// $XDG_CONFIG_HOME/Ombrix/netrc. It holds passwords in the clear, so a file that
// other users can read, or that belongs to someone else, is refused.
struct NetrcLookup {
    std::optional<QString> password; // for the host (and user, where the entry names one)
    QString problem;                 // the file was refused or unreadable, said for a person
};

class Netrc {
public:
    static QString defaultPath();
    // Nothing and no problem when the file does not exist.
    static NetrcLookup passwordFor(const QString& path, const QString& host, const QString& user);
    // The same over a file's text, after its safety was checked.
    static std::optional<QString> passwordIn(const QByteArray& text, const QString& host, const QString& user);
};

#include "Netrc.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whitespace-separated tokens; a token may be double-quoted, with backslash escapes.
QStringList tokens(const QByteArray& text)
{
    QStringList result;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && QChar::isSpace(uchar(text[i])))
            ++i;
        if (i >= n)
            break;
        QByteArray token;
        if (text[i] == '"') {
            for (++i; i < n && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < n)
                    ++i;
                token += text[i];
            }
            ++i; // the closing quote
        } else {
            while (i < n && !QChar::isSpace(uchar(text[i])))
                token += text[i++];
        }
        result.append(QString::fromUtf8(token));
    }
    return result;
}

} // namespace

QString Netrc::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Ombrix/netrc");
}

std::optional<QString> Netrc::passwordIn(const QByteArray& text, const QString& host, const QString& user)
{
    // A macro definition runs to the next empty line and holds no entries.
    QByteArray withoutMacros;
    bool inMacro = false;
    for (const QByteArray& line : text.split('\n')) {
        if (inMacro) {
            inMacro = !line.trimmed().isEmpty();
            continue;
        }
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.contains("macdef"))
            inMacro = true;
        withoutMacros += line + '\n';
    }
    const QStringList words = tokens(withoutMacros);
    struct Entry {
        bool isDefault = false;
        QString machine, login;
        std::optional<QString> password;
    };
    std::vector<Entry> entries;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        const bool hasValue = i + 1 < words.size();
        if (word == QLatin1String("machine") && hasValue) {
            entries.push_back(Entry{false, words[++i], {}, {}});
        } else if (word == QLatin1String("default")) {
            entries.push_back(Entry{true, {}, {}, {}});
        } else if (entries.empty()) {
            continue;
        } else if (word == QLatin1String("login") && hasValue) {
            entries.back().login = words[++i];
        } else if (word == QLatin1String("password") && hasValue) {
            entries.back().password = words[++i];
        } else if ((word == QLatin1String("account") || word == QLatin1String("macdef")) && hasValue) {
            ++i;
        }
    }
    // The machine's own entry first (with the user's login where it names one), then default.
    const auto matches = [&](const Entry& e) { return e.password && (e.login.isEmpty() || user.isEmpty() || e.login == user); };
    for (const Entry& entry : entries)
        if (!entry.isDefault && entry.machine.compare(host, Qt::CaseInsensitive) == 0 && matches(entry))
            return entry.password;
    for (const Entry& entry : entries)
        if (entry.isDefault && matches(entry))
            return entry.password;
    return std::nullopt;
}

NetrcLookup Netrc::passwordFor(const QString& path, const QString& host, const QString& user)
{
    NetrcLookup lookup;
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0)
        return lookup; // no file: nothing to say
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        lookup.problem = QCoreApplication::translate("Netrc", "The password file %1 can be read by other users, so it is "
                                                              "not used; make it private with: chmod 600 %1")
                             .arg(path);
        return lookup;
    }
    if (info.st_uid != ::geteuid()) {
        lookup.problem =
            QCoreApplication::translate("Netrc", "The password file %1 belongs to another user, so it is not used.").arg(path);
        return lookup;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        lookup.problem = QCoreApplication::translate("Netrc", "The password file %1 cannot be read: %2").arg(path, file.errorString());
        return lookup;
    }
    lookup.password = passwordIn(file.read(1024 * 1024), host, user);
    return lookup;
}

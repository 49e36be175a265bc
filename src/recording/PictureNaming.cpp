#include "PictureNaming.h"

#include "SequenceName.h"
#include "Paths.h"
#include "SettingsTable.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kExtension = QStringLiteral("jpg");

// Appends one path component: exactly one slash before it, its own slashes kept as
// levels, everything a URL path cannot carry percent-encoded; empty adds nothing.
QString appendEncodedComponent(const QString& encodedPath, const QString& component)
{
    QString trimmed = component;
    while (trimmed.startsWith(QLatin1Char('/')))
        trimmed.remove(0, 1);
    if (trimmed.isEmpty())
        return encodedPath;
    QString path = encodedPath;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + QString::fromLatin1(QUrl::toPercentEncoding(trimmed, "/"));
}

} // namespace

PictureNaming::PictureNaming(UserDefaults* userDefaults, Clock clock)
    : m_userDefaults(userDefaults)
    , m_clock(systemClockUnless(std::move(clock)))
{
}

QString PictureNaming::imageWithSequence(bool sequence, const QDateTime& tick) const
{
    const QString name = settingValue(*m_userDefaults, OXImageFilename);
    return sequence ? SequenceName::of(name, tick) : name + QLatin1Char('.') + kExtension;
}

QString PictureNaming::saveToDiskPath(const QString& name) const
{
    const QString folder = expandTilde(settingValue(*m_userDefaults, OXSaveToDiskPath));
    if (folder.isEmpty())
        return name;
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QUrl PictureNaming::uploadURL(const QString& serverAddress, const QString& pathText, const QString& fileName) const
{
    // As typed, spaces and accents included: the path is sent percent-encoded in UTF-8.
    QUrl url(serverAddress.trimmed(), QUrl::TolerantMode);
    if (serverAddress.isEmpty() || !url.isValid())
        return QUrl();
    QString path = url.path(QUrl::FullyEncoded);
    path = appendEncodedComponent(path, pathText);
    path = appendEncodedComponent(path, fileName);
    url.setPath(path, QUrl::StrictMode);
    return url;
}

QString PictureNaming::namingProblem() const
{
    if (!settingValue(*m_userDefaults, OXSaveSequenceFlag) && settingValue(*m_userDefaults, OXImageFilename).isEmpty())
        return QCoreApplication::translate("PictureNaming",
                                           "The picture has no name: enter a file name, or add the date to the name.");
    // Subfolders are fine; ".." would save and upload outside the chosen folders.
    const QString name = settingValue(*m_userDefaults, OXImageFilename);
    if (name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        return QCoreApplication::translate("PictureNaming",
                                           "The picture name \"%1\" leads out of its folder: remove \"..\" from it.")
            .arg(name);
    return {};
}

QString GivenSequenceNames::unused(const QString& fileName)
{
    QString name = fileName;
    for (int n = 2; m_names.contains(name); ++n)
        name = SequenceName::withCounter(fileName, n);
    m_names.insert(name);
    m_order.push_back(name);
    constexpr size_t kRememberedNames = 7200; // two hours of one-second ticks
    if (m_order.size() > kRememberedNames) {
        m_names.remove(m_order.front());
        m_order.pop_front();
    }
    return name;
}

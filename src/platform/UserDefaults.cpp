#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A line-level check of what QSettings would accept without complaint: UTF-8 text of
// sections, "key=value" lines and comments. A last line without its newline is read
// all the same (editors leave it out); one cut short is caught as no setting.
QString iniProblem(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    if (bytes.contains('\0'))
        return QStringLiteral("the file holds binary data");
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return QStringLiteral("the file is not UTF-8 text");
    const auto lines = QStringView(text).split(QLatin1Char('\n'));
    for (QStringView line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            continue;
        if (line.indexOf(QLatin1Char('=')) > 0)
            continue;
        return QStringLiteral("a line is neither a section nor a setting");
    }
    return {};
}

bool boolFromText(const QString& text, bool* ok)
{
    const QString t = text.trimmed().toLower();
    *ok = true;
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("0") || t.isEmpty())
        return false;
    *ok = false;
    return false;
}

} // namespace

UserDefaults::UserDefaults(const QString& filePath, QObject* parent)
    : QObject(parent)
    , m_filePath(filePath)
{
    load();
}

UserDefaults::~UserDefaults() = default;

QString UserDefaults::standardFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Ombrix/Ombrix.conf");
}

UserDefaults* UserDefaults::standardUserDefaults()
{
    // Lives until the process ends; every write is already on disk, so nothing is lost.
    static UserDefaults* const shared = new UserDefaults(standardFilePath());
    return shared;
}

void UserDefaults::load()
{
    QFile file(m_filePath);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            m_loadProblem = QCoreApplication::translate("UserDefaults",
                                                        "The settings file %1 cannot be read (%2). Ombrix uses the default "
                                                        "settings and keeps your changes for this session only.")
                                .arg(m_filePath, file.errorString());
            m_persistent = false;
            return;
        }
        const QString problem = iniProblem(file.readAll());
        if (!problem.isEmpty()) {
            m_loadProblem = QCoreApplication::translate("UserDefaults",
                                                        "The settings file %1 is damaged (%2). Ombrix uses the default settings "
                                                        "for what it cannot read, and keeps a copy of the damaged file beside "
                                                        "it before it next saves the settings.")
                                .arg(m_filePath, problem);
            m_needsBackup = true;
        }
    }

    m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
    if (m_settings->status() != QSettings::NoError && m_loadProblem.isEmpty()) {
        m_loadProblem = QCoreApplication::translate("UserDefaults",
                                                    "The settings file %1 is damaged. Ombrix uses the default settings for "
                                                    "what it cannot read, and keeps a copy of the damaged file beside it "
                                                    "before it next saves the settings.")
                            .arg(m_filePath);
        m_needsBackup = true;
    }
    const QStringList keys = m_settings->allKeys();
    for (const QString& key : keys)
        m_user.insert(key, m_settings->value(key));
}

bool UserDefaults::keepCopyOfDamagedFile()
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString candidate = m_filePath + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = m_filePath + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::copy(m_filePath, candidate))
        return false;
    m_backupPath = candidate;
    return true;
}

void UserDefaults::registerDefaults(const Registration& defaults)
{
    for (const auto& [key, value] : defaults)
        m_registered.insert(key, value);
}

// User values come back from the INI file as text; they are read in the form of the
// registered default, and a value that does not fit that form reads as the default.
QVariant UserDefaults::coerced(const QVariant& stored, const QVariant& registered)
{
    QVariant value = stored;
    if (value.typeId() == QMetaType::QStringList) // an unquoted text with commas
        value = value.toStringList().join(QStringLiteral(", "));
    if (!registered.isValid())
        return value;

    bool ok = false;
    switch (registered.typeId()) {
    case QMetaType::Int: {
        // A whole number past an int's range is held at its end, never wrapped.
        const QString text = value.toString().trimmed();
        const qlonglong n = text.toLongLong(&ok);
        if (ok)
            return QVariant(int(std::clamp<qlonglong>(n, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
        static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
        if (digits.match(text).hasMatch())
            return QVariant(text.startsWith(QLatin1Char('-')) ? std::numeric_limits<int>::min() : std::numeric_limits<int>::max());
        return registered;
    }
    case QMetaType::Float:
    case QMetaType::Double: {
        const float f = value.toFloat(&ok);
        return ok && std::isfinite(f) ? QVariant(f) : registered;
    }
    case QMetaType::Bool: {
        if (value.typeId() == QMetaType::Bool)
            return value;
        const bool b = boolFromText(value.toString(), &ok);
        return ok ? QVariant(b) : registered;
    }
    case QMetaType::QString:
        return value.canConvert<QString>() ? QVariant(value.toString()) : registered;
    default:
        return value;
    }
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    const QVariant registered = m_registered.value(key);
    const auto it = m_user.constFind(key);
    if (it == m_user.cend())
        return registered;
    return coerced(*it, registered);
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return false;
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::QString: {
        bool ok = false;
        const bool b = boolFromText(value.toString(), &ok);
        if (ok)
            return b;
        const double d = value.toString().toDouble(&ok);
        return ok && d != 0.0;
    }
    default:
        return value.toDouble() != 0.0;
    }
}

void UserDefaults::setObject(const QVariant& value, const QString& key)
{
    m_user.insert(key, value);
    if (m_persistent && m_needsBackup) {
        if (keepCopyOfDamagedFile()) {
            m_needsBackup = false;
            // Start a clean file from what could be read, rather than merging into the damage.
            m_settings.reset();
            QFile::remove(m_filePath);
            m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
            for (auto it = m_user.cbegin(); it != m_user.cend(); ++it)
                m_settings->setValue(it.key(), it.value());
        } else {
            // Without a copy the damaged file would be lost on the next write.
            m_persistent = false;
            m_loadProblem += QLatin1Char(' ') + QCoreApplication::translate(
                                 "UserDefaults", "A copy could not be made, so changes are kept for this session only.");
        }
    }
    if (m_persistent) {
        m_settings->setValue(key, value);
        m_settings->sync();
        if (m_settings->status() != QSettings::NoError && m_saveProblem.isEmpty())
            m_saveProblem = QCoreApplication::translate("UserDefaults", "The settings could not be saved to %1.").arg(m_filePath);
    }
    Q_EMIT valueChanged(key);
}

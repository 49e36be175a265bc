#include "DailyFilm.h"

#include "DiskKeeper.h"
#include "Paths.h"
#include "PictureSequence.h"
#include "SettingsTable.h"
#include "UserDefaults.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

#include <map>

namespace {

constexpr int kFramesPerSecond = 24;

QDateTime readDone(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QDateTime::fromString(QString::fromLatin1(file.readLine().trimmed()), Qt::ISODate);
}

// The day that holds most of the 24 hours before the film's time.
QDate dayOfInterval(const QDateTime& due)
{
    return due.time() >= QTime(12, 0) ? due.date() : due.date().addDays(-1);
}

QString dayText(QDate day)
{
    return QLocale().toString(day, DailyFilm::tr("d MMMM"));
}

} // namespace

DailyFilm::DailyFilm(UserDefaults* settings, Clock clock, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_clock(systemClockUnless(std::move(clock)))
{
    m_done = readDone(stateFile());
    if (!m_done.isValid()) {
        // The first run with daily films makes none for the days before it.
        m_done = lastDue(m_clock(), settingValue(*m_settings, OXDailyFilmTime));
        if (settingValue(*m_settings, OXDailyFilmFlag))
            markDone(m_done);
    }
    connect(m_settings, &UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == OXDailyFilmFlag && settingValue(*m_settings, OXDailyFilmFlag) && !QFile::exists(stateFile()))
            markDone(lastDue(m_clock(), settingValue(*m_settings, OXDailyFilmTime)));
    });
    m_poll.setInterval(std::chrono::seconds(10));
    connect(&m_poll, &QTimer::timeout, this, &DailyFilm::check);
    m_poll.start();
    // One a quit or a crash interrupted is made again at once, told to whoever listens by then.
    QTimer::singleShot(0, this, &DailyFilm::check);
}

DailyFilm::~DailyFilm() = default;

QString DailyFilm::stateFile()
{
    return stateFolder() + QStringLiteral("/daily-film");
}

QDateTime DailyFilm::lastDue(const QDateTime& now, QTime at)
{
    const QDateTime today(now.date(), at.isValid() ? at : QTime(0, 15));
    return today <= now ? today : today.addDays(-1);
}

QString DailyFilm::madeText(QDate day, int pictures, double seconds)
{
    const QString length = seconds < 60 ? tr("%1 s").arg(std::max(1, qRound(seconds))) : tr("%1 min").arg(qRound(seconds / 60));
    return tr("Film of %1: %2 pictures, %3").arg(dayText(day), QLocale().toString(pictures), length);
}

void DailyFilm::check()
{
    if (m_maker || !settingValue(*m_settings, OXDailyFilmFlag))
        return;
    const QDateTime due = lastDue(m_clock(), settingValue(*m_settings, OXDailyFilmTime));
    if (due > m_done)
        make(due);
}

void DailyFilm::make(const QDateTime& due)
{
    m_due = due;
    const SequencePlace place = SequencePlace::fromUserDefaults(*m_settings);
    const std::vector<SequencePicture> pictures =
        place.isValid() ? PictureSequence::scan(place.folder, place.base).between(due.addSecs(-86400 + 1), due)
                        : std::vector<SequencePicture>();
    const QList<FilmFormat> formats = FilmFormat::installed();
    if (pictures.empty() || formats.isEmpty()) {
        markDone(due);
        Q_EMIT notMade(pictures.empty() ? tr("No film of %1: no pictures were taken in the 24 hours before %2")
                                              .arg(dayText(dayOfInterval(due)), QLocale().toString(due.time(), QLocale::ShortFormat))
                                        : tr("No film of %1: no film encoder is installed (gstreamer1.0-plugins-good)")
                                              .arg(dayText(dayOfInterval(due))));
        return;
    }
    std::map<QDate, int> perDay;
    for (const SequencePicture& picture : pictures)
        ++perDay[picture.taken.date()];
    m_day = std::max_element(perDay.begin(), perDay.end(), [](const auto& a, const auto& b) { return a.second < b.second; })->first;

    QString folder = expandTilde(settingValue(*m_settings, OXFilmFolder).trimmed());
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    QDir().mkpath(folder);
    FilmRequest request;
    for (const SequencePicture& picture : pictures)
        request.pictures.append(picture.path);
    request.format = formats.first();
    request.output = QStringLiteral("%1/%2_%3.%4").arg(folder, place.base, m_day.toString(QStringLiteral("yyyyMMdd")),
                                                       request.format.extension());
    request.framesPerSecond = kFramesPerSecond;
    request.deflicker = settingValue(*m_settings, OXFilmDeflicker);
    m_output = request.output;
    m_maker = std::make_unique<FilmMaker>();
    connect(m_maker.get(), &FilmMaker::finished, this, &DailyFilm::finished, Qt::QueuedConnection);
    m_maker->start(std::move(request));
}

void DailyFilm::finished(const FilmOutcome& outcome)
{
    m_maker.reset();
    markDone(m_due);
    if (outcome.status == FilmOutcome::Status::Made)
        Q_EMIT made(m_output, madeText(m_day, outcome.framesWritten, double(outcome.framesWritten) / kFramesPerSecond));
    else
        Q_EMIT notMade(tr("No film of %1: %2").arg(dayText(m_day), outcome.error));
}

void DailyFilm::markDone(const QDateTime& due)
{
    m_done = due;
    QDir().mkpath(QFileInfo(stateFile()).path());
    writeWholeFile(stateFile(), due.toString(Qt::ISODate).toLatin1() + '\n', nullptr);
}

#include "MakeVideoCommand.h"

#include "ConsoleLine.h"
#include "FilmMaker.h"
#include "PictureSequence.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

class Text {
    Q_DECLARE_TR_FUNCTIONS(MakeVideoCommand)
};

int usageError(const QString& problem)
{
    printLine(stderr, QStringLiteral("ombrix: ") + problem);
    return 2;
}

// 2026-12-01T08:00[:00], "2026-12-01 08:00[:00]" or a picture name's 20261201_080000.
QDateTime parseDateTime(const QString& text)
{
    const QString trimmed = text.trimmed();
    for (const QString& format : {QStringLiteral("yyyy-MM-ddTHH:mm:ss"), QStringLiteral("yyyy-MM-ddTHH:mm"),
                                  QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
                                  QStringLiteral("yyyyMMdd_HHmmss"), QStringLiteral("yyyy-MM-dd")}) {
        const QDateTime parsed = QDateTime::fromString(trimmed, format);
        if (parsed.isValid())
            return parsed;
    }
    return {};
}

} // namespace

bool isMakeVideoCommand(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (qstrcmp(argv[i], "--make-video") == 0 || qstrncmp(argv[i], "--make-video=", 13) == 0)
            return true;
    return false;
}

int runMakeVideoCommand(const QStringList& arguments, const QString& defaultName)
{
    QCommandLineParser parser;
    const QCommandLineOption folderOption(QStringLiteral("make-video"), Text::tr("Make a film of the pictures in FOLDER."),
                                          QStringLiteral("FOLDER"));
    const QCommandLineOption nameOption(QStringLiteral("name"), Text::tr("The pictures' base name (default: the settings')."),
                                        QStringLiteral("NAME"), defaultName);
    const QCommandLineOption fromOption(QStringLiteral("from"), Text::tr("The first date and time to use."), QStringLiteral("DATE_TIME"));
    const QCommandLineOption toOption(QStringLiteral("to"), Text::tr("The last date and time to use."), QStringLiteral("DATE_TIME"));
    const QCommandLineOption fpsOption(QStringLiteral("fps"), Text::tr("Frames per second (default 24)."), QStringLiteral("N"),
                                       QStringLiteral("24"));
    const QCommandLineOption sizeOption(QStringLiteral("size"), Text::tr("The film's size (default: the first picture's)."),
                                        QStringLiteral("WxH"));
    const QCommandLineOption outputOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                          Text::tr("The film to write: .mp4 (H.264) or .webm (VP8)."), QStringLiteral("FILE"));
    const QCommandLineOption deflickerOption(QStringLiteral("deflicker"),
                                             Text::tr("Smooth light: even out brightness jumps between pictures."));
    parser.addOptions({folderOption, nameOption, fromOption, toOption, fpsOption, sizeOption, outputOption, deflickerOption});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(Text::tr("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    const QString folder = parser.value(folderOption);
    const QString output = parser.value(outputOption);
    if (output.isEmpty())
        return usageError(Text::tr("--make-video needs -o FILE, the film to write"));
    const std::optional<FilmFormat> format = FilmFormat::forFileName(output);
    if (!format)
        return usageError(Text::tr("unknown film format \"%1\": use .mp4 or .webm").arg(QFileInfo(output).suffix()));
    if (!format->isInstalled())
        return usageError(format->codec == FilmCodec::H264
                              ? Text::tr("MP4 needs GStreamer's x264enc (gstreamer1.0-plugins-ugly); use .webm instead")
                              : Text::tr("%1 needs GStreamer's good plugins").arg(format->displayName()));
    bool ok = false;
    const int fps = parser.value(fpsOption).toInt(&ok);
    if (!ok || fps < 1 || fps > 120)
        return usageError(Text::tr("--fps must be a whole number from 1 to 120"));
    QSize size;
    if (parser.isSet(sizeOption)) {
        const QStringList parts = parser.value(sizeOption).toLower().split(QLatin1Char('x'));
        bool okWidth = false, okHeight = false;
        if (parts.size() == 2)
            size = QSize(parts[0].toInt(&okWidth), parts[1].toInt(&okHeight));
        if (!okWidth || !okHeight || size.width() < 2 || size.height() < 2 || size.width() > 7680 || size.height() > 4320)
            return usageError(Text::tr("--size must be WIDTHxHEIGHT, for example 1280x720"));
    }
    QDateTime from, to;
    if (parser.isSet(fromOption) && !(from = parseDateTime(parser.value(fromOption))).isValid())
        return usageError(Text::tr("--from: not a date and time: %1").arg(parser.value(fromOption)));
    if (parser.isSet(toOption) && !(to = parseDateTime(parser.value(toOption))).isValid())
        return usageError(Text::tr("--to: not a date and time: %1").arg(parser.value(toOption)));

    const QString name = parser.value(nameOption);
    const PictureSequence sequence = PictureSequence::scan(folder, name);
    const std::vector<SequencePicture> chosen = sequence.between(from, to);
    if (chosen.empty()) {
        printLine(stderr, QStringLiteral("ombrix: ") +
                        (sequence.isEmpty() ? Text::tr("no pictures named %1_yyyyMMdd_HHmmss.jpg in %2").arg(name, folder)
                                            : Text::tr("no picture in %1 was taken in that time (%2 in all)")
                                                  .arg(folder)
                                                  .arg(sequence.pictures().size())));
        return 1;
    }

    FilmRequest request;
    for (const SequencePicture& picture : chosen)
        request.pictures.append(picture.path);
    request.output = output;
    request.format = *format;
    request.framesPerSecond = fps;
    request.size = size;
    request.deflicker = parser.isSet(deflickerOption);

    // A line rewritten in place on a terminal; a line now and then into a log.
    const bool terminal = ::isatty(STDERR_FILENO);
    QElapsedTimer elapsed;
    elapsed.start();
    int lastTenth = -1;
    FilmMaker maker;
    QEventLoop loop;
    FilmOutcome outcome;
    QObject::connect(&maker, &FilmMaker::progressed, &loop, [&](int done, int total) {
        QString line = Text::tr("%1 of %2 pictures").arg(done).arg(total);
        if (done > 0 && elapsed.elapsed() > 1000)
            line += Text::tr(", about %1 s left").arg(qRound64(double(elapsed.elapsed()) / 1000.0 * (total - done) / done));
        if (terminal) {
            std::fprintf(stderr, "\r%-60s", line.toLocal8Bit().constData());
            std::fflush(stderr);
        } else if (done * 10 / total != lastTenth) {
            lastTenth = done * 10 / total;
            printLine(stderr, line);
        }
    });
    QObject::connect(&maker, &FilmMaker::finished, &loop, [&](const FilmOutcome& result) {
        outcome = result;
        loop.quit();
    });
    maker.start(request);
    loop.exec();
    if (terminal)
        std::fputs("\n", stderr);

    if (outcome.status != FilmOutcome::Status::Made) {
        printLine(stderr, QStringLiteral("ombrix: ") + outcome.error);
        return 1;
    }
    const QString frames = outcome.framesWritten == 1 ? Text::tr("1 frame")
                                                      : Text::tr("%1 frames").arg(outcome.framesWritten);
    QString done = Text::tr("Made %1: %2, %3 s at %4 fps, %5x%6.")
                       .arg(output, frames)
                       .arg(double(outcome.framesWritten) / fps, 0, 'f', 1)
                       .arg(fps)
                       .arg(outcome.size.width())
                       .arg(outcome.size.height());
    if (outcome.picturesSkipped > 0)
        done += QLatin1Char(' ') + (outcome.picturesSkipped == 1 ? Text::tr("1 unreadable picture skipped.")
                                                                 : Text::tr("%1 unreadable pictures skipped.").arg(outcome.picturesSkipped));
    printLine(stdout, done);
    return 0;
}

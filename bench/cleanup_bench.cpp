// The disk keeper over a big sequence: a folder of 200 000 pictures read at start
// and cleaned for the first time (time and memory), then saves at a steady pace
// while each one makes the keeper remove the oldest picture: how long a save
// takes with the keeper at work beside it, against the same saves without it.
//
//   bench_cleanup [pictures, default 200000] [saves, default 30]
#include "DiskKeeper.h"
#include "WholeFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

QString nameAt(const QDateTime& time)
{
    return QStringLiteral("/shed_%1.jpg").arg(time.toString(QStringLiteral("yyyyMMdd_HHmmss")));
}

// The longest of `saves` saves of a 100 kB picture, 100 ms apart, each told to the keeper if there is one.
qint64 longestSave(const QString& folder, int saves, DiskKeeper* keeper, QDateTime& time)
{
    const QByteArray picture(100 * 1024, 'x');
    qint64 longest = 0;
    for (int n = 0; n < saves; ++n) {
        time = time.addSecs(10);
        QElapsedTimer save;
        save.start();
        qint64 free = 0;
        DiskKeeper::floorBytes(folder, &free);
        writeWholeFile(folder + nameAt(time), picture);
        if (keeper) // told as one byte, like the pictures before it, so that each save removes one
            keeper->pictureSaved(folder + nameAt(time), 1);
        longest = std::max(longest, save.nsecsElapsed() / 1000);
        QTest::qWait(100);
    }
    return longest;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int pictures = argc > 1 ? QByteArray(argv[1]).toInt() : 200000;
    const int saves = argc > 2 ? QByteArray(argv[2]).toInt() : 30;
    QTemporaryDir folder;
    QDateTime time = QDateTime::currentDateTime().addSecs(-10LL * pictures);
    for (int n = 0; n < pictures; ++n) {
        time = time.addSecs(10);
        QFile file(folder.path() + nameAt(time));
        if (!file.open(QIODevice::WriteOnly) || file.write("x", 1) != 1)
            return 1;
    }
    std::printf("%d pictures in %s\n", pictures, qPrintable(folder.path()));

    const double before = residentMegabytes();
    QElapsedTimer start;
    start.start();
    DiskKeeper keeper;
    int cleanups = 0;
    CleanupReport last;
    QObject::connect(&keeper, &DiskKeeper::cleaned, &app, [&](const CleanupReport& report) {
        ++cleanups;
        last = report;
    });
    KeepRules rules;
    rules.maxBytes = qint64(pictures) - 1000; // the oldest thousand go at once
    keeper.setRules(rules);
    keeper.setPlace(SequencePlace{folder.path(), QStringLiteral("shed")});
    keeper.start();
    if (!QTest::qWaitFor([&] { return cleanups > 0; }, 60000))
        return 1;
    std::printf("start-up read and first clean-up: %lld ms, %d removed, %d kept, %.1f MB more resident "
                "(targets: under 2000 ms and 50 MB)\n",
                static_cast<long long>(start.elapsed()), last.removed, last.kept, residentMegabytes() - before);

    // Each save pushes the sequence past its bound again: the keeper removes the oldest.
    rules.maxBytes = qint64(last.kept);
    keeper.setRules(rules);
    const qint64 with = longestSave(folder.path(), saves, &keeper, time);
    const qint64 without = longestSave(folder.path(), saves, nullptr, time);
    std::printf("longest save of a 100 kB picture: %.1f ms with the keeper removing one picture a save, %.1f ms "
                "without it (target: under 20 ms added)\n",
                with / 1000.0, without / 1000.0);
    return 0;
}

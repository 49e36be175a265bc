// Picture names and upload addresses from a base name, a server address and a
// server folder as a settings file may hold them: three texts split at NUL bytes,
// the first byte choosing the sequence form.
#include "PictureNaming.h"
#include "SequenceName.h"
#include "SettingsTable.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

UserDefaults& store()
{
    static QTemporaryDir dir;
    static UserDefaults defaults(dir.path() + QStringLiteral("/Ombrix.conf"));
    return defaults;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool sequence = data[0] & 1;
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1)).split('\0');
    const QString base = QString::fromUtf8(parts.value(0));
    const QString server = QString::fromUtf8(parts.value(1));
    const QString folder = QString::fromUtf8(parts.value(2));

    // Defaults live in memory only: no file is written per input.
    store().registerDefaults({{OXImageFilename, QVariant(base)},
                              {OXSaveSequenceFlag, QVariant(sequence)},
                              {OXSaveToDiskPath, QVariant(QStringLiteral("/srv/cam"))}});
    const PictureNaming naming(&store(), [] { return QDateTime(QDate(2026, 3, 29), QTime(2, 30, 0)); });
    const QString name = naming.imageWithSequence(sequence, naming.now());
    const QString problem = naming.namingProblem();
    if (problem.isEmpty()) {
        // A name without a problem never leads out of the save folder.
        if (name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
            std::abort();
        if (!naming.saveToDiskPath(name).startsWith(QStringLiteral("/srv/cam/")))
            std::abort();
    }
    (void)naming.uploadURL(server, folder, name);
    // A sequence name is read back as written, with its time and its counter.
    if (sequence && !base.contains(QLatin1Char('/'))) {
        const auto parsed = SequenceName::parse(name, base);
        const auto counted = SequenceName::parse(SequenceName::withCounter(name, 2), base);
        if (!parsed || parsed->key != SequenceName::keyOf(naming.now()) || parsed->counter != 1 || !counted ||
            counted->key != parsed->key || counted->counter != 2)
            std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

#include "WholeFile.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* problem)
{
    QSaveFile file(path);
    errno = 0;
    // Unbuffered: a buffered write that fails for want of space is not always told
    // by commit(), which then leaves an empty file under the final name.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    const int code = errno;
    if (problem) // Qt says "Unknown error" for some failures the system can name
        *problem = code != 0 && file.errorString() == QLatin1String("Unknown error") ? QString::fromLocal8Bit(std::strerror(code))
                                                                                     : file.errorString();
    return false;
}

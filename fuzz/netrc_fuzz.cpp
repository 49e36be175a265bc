// The netrc file a person writes by hand for a computer without a keyring.
#include "Netrc.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QString> password = Netrc::passwordIn(text, QStringLiteral("127.0.0.1"), QStringLiteral("tester"));
    // Whatever is found is part of the file: never longer than it.
    if (password && password->size() > text.size()) // a byte gives at most one UTF-16 unit
        std::abort();
    return 0;
}

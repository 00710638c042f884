// Any stored password text unscrambles or is refused; any password of
// Latin-1 characters scrambles and unscrambles to itself.

#include "app/scramble.h"

#include <QString>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 512)
        return 0;
    const QString stored = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)Scramble::unscramble(stored);
    const QString plain = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QString> back = Scramble::unscramble(Scramble::scramble(plain));
    if (!back || *back != plain)
        std::abort();
    return 0;
}

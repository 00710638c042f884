// Any text as a number: the stored-bytes reading agrees with the text
// reading; number text reads back and is a fixpoint; a field text that
// fits reads back as the number it stands for; the exits never fail.

#include "storage/cp1252.h"
#include "storage/numberformat.h"

#include <QString>

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 255)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = Cp1252::decode(bytes);
    char room[260];
    const std::optional<double> a = NumberFormat::readDecimal(text);
    const std::optional<double> b = NumberFormat::readDecimal(bytes.constData(), int(bytes.size()), room);
    if (a.has_value() != b.has_value())
        std::abort();
    if (!a)
        return 0;
    if (!(*a == *b || (std::isnan(*a) && std::isnan(*b))) || std::signbit(*a) != std::signbit(*b))
        std::abort();
    const QString shown = NumberFormat::numberText(*a);
    const std::optional<double> back = NumberFormat::readDecimal(shown);
    if (!back || NumberFormat::numberText(*back) != shown)
        std::abort();
    if (const std::optional<QString> fitted = NumberFormat::fitField(shown, 15)) {
        if (fitted->size() > 15 || NumberFormat::readDecimal(*fitted) != back)
            std::abort();
    }
    if (NumberFormat::moneyExit(text).isEmpty() || NumberFormat::wholeNumberExit(text).isEmpty())
        std::abort();
    return 0;
}

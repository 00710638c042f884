#include "scramble.h"

namespace Scramble {

namespace {

constexpr quint16 kStart = 8796;
constexpr quint16 kMultiplier = 40127;
constexpr quint16 kAddend = 51336;

quint16 nextKey(quint16 key, quint8 scrambled)
{
    return quint16((quint32(quint16(key + scrambled)) * kMultiplier + kAddend) & 0xFFFF);
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

QString scramble(QStringView plain)
{
    static const char kHex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(plain.size() * 2);
    quint16 key = kStart;
    for (QChar c : plain) {
        const quint8 s = quint8((c.unicode() & 0xFF) ^ (key >> 8));
        out += QLatin1Char(kHex[s >> 4]);
        out += QLatin1Char(kHex[s & 0x0F]);
        key = nextKey(key, s);
    }
    return out;
}

std::optional<QString> unscramble(QStringView stored)
{
    QString out;
    quint16 key = kStart;
    for (qsizetype i = 0; i + 1 < stored.size(); i += 2) {
        const int high = hexValue(stored[i]);
        const int low = hexValue(stored[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        const quint8 s = quint8(high * 16 + low);
        out += QChar(char16_t(s ^ (key >> 8)));
        key = nextKey(key, s);
    }
    return out;
}

} // namespace Scramble

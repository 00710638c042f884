#include "cp1252.h"

namespace {

// 0x80..0x9F; the unassigned bytes keep their own code.
constexpr char16_t kHighBytes[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

namespace Cp1252 {

char encodeCodePoint(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return char(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighBytes[i] == cp)
            return char(0x80 + i);
    }
    return '?';
}

QByteArray encode(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        // A pair of surrogates is one character: one '?'.
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        out.append(c.isSurrogate() ? '?' : encodeCodePoint(c.unicode()));
    }
    return out;
}

QChar decodeByte(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kHighBytes[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString decode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = decodeByte(static_cast<unsigned char>(bytes[i]));
    return out;
}

int toUtf8(unsigned char byte, char out[3])
{
    const char16_t c = decodeByte(byte).unicode();
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    out[0] = char(0xE0 | (c >> 12));
    out[1] = char(0x80 | ((c >> 6) & 0x3F));
    out[2] = char(0x80 | (c & 0x3F));
    return 3;
}

QString unrepresentable(QStringView text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString character(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            character += text[++i];
        // Control characters are stored as blanks, so they are no loss.
        const bool fits = character.size() == 1 && !character[0].isSurrogate()
                          && (character[0] == u'?' || character[0].category() == QChar::Other_Control
                              || encodeCodePoint(character[0].unicode()) != '?');
        if (!fits && !out.contains(character))
            out += character;
    }
    return out;
}

} // namespace Cp1252

#include "record.h"

#include "cp1252.h"
#include "textrules.h"

#include <cstring>

namespace ShortString {

void write(char *field, int capacity, QStringView value)
{
    // A line break or tab pasted into a box would break list lines and
    // exported rows: every control character is stored as a blank.
    QString text = value.toString();
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    const QByteArray bytes = Cp1252::encode(TextRules::trimmed(text));
    const int length = int(qMin<qsizetype>(bytes.size(), capacity));
    field[0] = char(static_cast<unsigned char>(length));
    std::memcpy(field + 1, bytes.constData(), size_t(length));
    std::memset(field + 1 + length, 0, size_t(capacity - length));
}

QByteArrayView rawText(const char *field, int capacity)
{
    const int length = qMin<int>(static_cast<unsigned char>(field[0]), capacity);
    return QByteArrayView(field + 1, length);
}

QString read(const char *field, int capacity)
{
    return TextRules::trimmed(Cp1252::decode(rawText(field, capacity)));
}

} // namespace ShortString

namespace YesNo {

QString text(bool yes)
{
    return yes ? QStringLiteral("S\u00EC") : QStringLiteral("No");
}

std::optional<bool> read(QStringView text)
{
    if (text == u"S\u00EC")
        return true;
    if (text == u"No")
        return false;
    return std::nullopt;
}

} // namespace YesNo

Record::Record(const RecordLayout &layout)
    : m_layout(&layout), m_bytes(layout.size(), '\0')
{
}

Record::Record(const RecordLayout &layout, QByteArrayView bytes)
    : m_layout(&layout), m_bytes(layout.size(), '\0')
{
    if (!bytes.isEmpty())
        std::memcpy(m_bytes.data(), bytes.data(), size_t(qMin<qsizetype>(bytes.size(), layout.size())));
}

QString Record::value(int field) const
{
    return ShortString::read(m_bytes.constData() + m_layout->offset(field), m_layout->capacity(field));
}

void Record::setValue(int field, QStringView value)
{
    ShortString::write(m_bytes.data() + m_layout->offset(field), m_layout->capacity(field), value);
}

int Record::storedLength(int field) const
{
    return static_cast<unsigned char>(m_bytes.at(m_layout->offset(field)));
}

#include "listline.h"

#include "storage/cp1252.h"
#include "storage/record.h"

#include <algorithm>
#include <cstring>

LineFormat::LineFormat(const RecordLayout &layout, const std::vector<LineColumn> &columns) : m_layout(&layout)
{
    for (const LineColumn &c : columns) {
        Column column;
        const QByteArray literal = Cp1252::encode(QString::fromUtf8(c.literal));
        column.literalAt = m_literals.size();
        column.literalLength = literal.size();
        m_literals += literal;
        m_maxLength += literal.size();
        if (c.field >= 0) {
            column.offset = layout.offset(c.field);
            column.capacity = layout.capacity(c.field);
            column.width = c.width;
            if (c.joined >= 0) {
                column.joinedOffset = layout.offset(c.joined);
                column.joinedCapacity = layout.capacity(c.joined);
            }
            m_maxLength += c.width > 0 ? c.width : column.capacity + (c.joined >= 0 ? 1 + column.joinedCapacity : 0);
        }
        m_columns.push_back(column);
    }
}

qsizetype LineFormat::write(const char *record, char *out) const
{
    char *o = out;
    const char *literals = m_literals.constData();
    for (const Column &c : m_columns) {
        std::memcpy(o, literals + c.literalAt, size_t(c.literalLength));
        o += c.literalLength;
        if (c.offset < 0)
            continue;
        const QByteArrayView stored = ShortString::trimmedText(record + c.offset, c.capacity);
        const char *text = stored.data();
        const int length = int(stored.size());
        if (c.width == 0) {
            std::memcpy(o, text, size_t(length));
            o += length;
            continue;
        }
        // Padded with blanks or cut to the width; a joined pair is cut as one.
        int room = c.width;
        const int first = qMin(length, room);
        std::memcpy(o, text, size_t(first));
        o += first;
        room -= first;
        if (c.joinedOffset >= 0 && room > 0) {
            *o++ = ' ';
            --room;
            const QByteArrayView joined = ShortString::trimmedText(record + c.joinedOffset, c.joinedCapacity);
            const int second = qMin(int(joined.size()), room);
            std::memcpy(o, joined.data(), size_t(second));
            o += second;
            room -= second;
        }
        std::memset(o, ' ', size_t(room));
        o += room;
    }
    return o - out;
}

void LineFormat::prefetch(const char *record) const
{
    for (const Column &c : m_columns) {
        if (c.offset >= 0)
            __builtin_prefetch(record + c.offset);
        if (c.joinedOffset >= 0)
            __builtin_prefetch(record + c.joinedOffset);
    }
}

QByteArray LineFormat::bytes(QByteArrayView wholeRecord) const
{
    Q_ASSERT(wholeRecord.size() == m_layout->size());
    QByteArray line(m_maxLength, Qt::Uninitialized);
    line.truncate(write(wholeRecord.data(), line.data()));
    return line;
}

QString LineFormat::build(QByteArrayView wholeRecord) const
{
    return Cp1252::decode(bytes(wholeRecord));
}


#pragma once

#include "storage/recordlayout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// A fixed-column list line: each column is a literal text followed by a
// field, trimmed and then padded with blanks or cut to its width; a column of
// width 0 takes the trimmed field whole.
struct LineColumn
{
    const char *literal; // UTF-8
    int field = -1;      // -1: the literal alone
    int joined = -1;     // a second field, joined to the first with one blank
    int width = 0;
};

// Lines are kept in Windows-1252, as the fields are stored: one byte a
// character, decoded only when shown.
class LineFormat
{
public:
    LineFormat(const RecordLayout &layout, const std::vector<LineColumn> &columns);

    const RecordLayout &layout() const { return *m_layout; }
    // The most bytes a line can take.
    qsizetype maxLength() const { return m_maxLength; }

    // Writes the line of a whole stored record to `out` (room for
    // maxLength()) and returns its length. Plain code: it may run under a
    // scan's read guard.
    qsizetype write(const char *record, char *out) const;

    // Asks the processor for the fields a line of this record takes.
    void prefetch(const char *record) const;

    QByteArray bytes(QByteArrayView wholeRecord) const;
    QString build(QByteArrayView wholeRecord) const;

private:
    struct Column
    {
        qsizetype literalAt;
        qsizetype literalLength;
        int offset = -1; // of the field in a stored record, -1: none
        int capacity = 0;
        int joinedOffset = -1;
        int joinedCapacity = 0;
        int width = 0;
    };
    const RecordLayout *m_layout;
    QByteArray m_literals;
    std::vector<Column> m_columns;
    qsizetype m_maxLength = 0;
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// One line of a result list, in Windows-1252, with the 1-based position of
// the record it was built from.
struct ListLine
{
    QByteArray bytes;
    qint64 position = 0;

    QString text() const;
};

// The lines of a list, kept back to back in a few large buffers: a hundred
// thousand lines cost no more than their characters and a small index.
class LineList
{
public:
    qsizetype size() const { return qsizetype(m_entries.size()); }
    bool empty() const { return m_entries.empty(); }

    QByteArrayView bytes(qsizetype i) const
    {
        const Entry &e = m_entries[size_t(i)];
        return QByteArrayView(m_chunks[size_t(e.chunk)].constData() + e.offset, e.length);
    }
    QString text(qsizetype i) const;
    qint64 position(qsizetype i) const { return m_entries[size_t(i)].position; }
    ListLine line(qsizetype i) const { return {bytes(i).toByteArray(), position(i)}; }
    // Bytes of the longest line.
    qsizetype longest() const { return m_longest; }

    void reserve(qsizetype lines, qsizetype bytes);
    void append(QByteArrayView line, qint64 position);
    // Takes over the lines of another list, after these.
    void append(LineList &&more);
    void clear();

    // Ascending order of the whole text, character code by character code
    // with the letters a-z taken as capitals. Stable: equal lines keep file
    // order.
    void sortFolded();

private:
    struct Entry
    {
        qint64 offset; // in its chunk
        qint64 position;
        qint32 length;
        qint32 chunk;
    };
    const char *data(const Entry &e) const { return m_chunks[size_t(e.chunk)].constData() + e.offset; }
    std::vector<QByteArray> m_chunks;
    std::vector<Entry> m_entries;
    qsizetype m_longest = 0;
};

// What a scan for a list produced.
struct ListResult
{
    LineList lines;
    // Records that could not be judged (unreadable numbers, a failed read)
    // and are therefore missing from the list, with the first few positions.
    qint64 leftOut = 0;
    QList<qint64> leftOutPositions;
    // Some of them because the archive could not be read to its end.
    bool readFailed = false;
    // The sum of the listed records' amounts, added in file order.
    double total = 0;
    // Each listed record's amount in file order, until it is summed.
    std::vector<double> amounts;

    bool complete() const { return leftOut == 0; }
    void leaveOut(qint64 position, qint64 count = 1);
};

namespace ResultLines {

// How many left-out positions a warning names.
inline constexpr int namedPositions = 5;

// The order of sortFolded, on Windows-1252 lines: <0, 0 or >0.
int compareFolded(QByteArrayView a, QByteArrayView b);

// The in-list find. `selected` is the selected line or -1; `last` is the key
// of the previous find (A-Z lower-cased), and is updated. Returns the line to
// select: the next line holding the key with A-Z folded, or the selection as
// it stands (the first line when there was none). An empty key finds nothing.
qsizetype find(const LineList &lines, qsizetype selected, const QString &typed, QString &last);

// The warning of a list that is not whole; `withTotal` for a list that
// sums its records.
QString incompleteWarning(const ListResult &result, bool withTotal = false);

} // namespace ResultLines

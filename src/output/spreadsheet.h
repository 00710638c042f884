#pragma once

#include "search/resultlines.h"
#include "storage/recordlayout.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;
class RecordFile;

// The spreadsheet export of an archive: an HTML table marked up for the
// spreadsheet program, in Windows-1252, on one line.
namespace Spreadsheet {

struct Column
{
    const char *gridHeader; // UTF-8
    int gridWidth;
    int field;
    int joined; // a second field after one blank (city and province), or -1
    const char *header;     // UTF-8, of the exported file
    int width;
};

struct Table
{
    QString objectName;
    QString caption;
    QString fileName;
    QString worksheet;
    const RecordLayout *layout;
    QList<Column> columns;
};

// The exported cells of an archive's records, trimmed, as stored
// (Windows-1252): each row keeps its record's position.
class Rows
{
public:
    qsizetype size() const { return m_rows.size(); }
    qsizetype columns() const { return m_columns; }
    QByteArrayView cell(qsizetype row, qsizetype column) const;
    // A row's cells, each as a 2-byte length (low byte first) and its bytes.
    QByteArrayView rowBytes(qsizetype row) const { return m_rows.bytes(row); }
    qint64 position(qsizetype row) const { return m_rows.position(row); }

    // Records left out because the archive could not be read to its end.
    qint64 unread = 0;

    // Reads every record of the archive, in file order. A read that fails
    // part-way keeps the rows read before it and counts the rest in `unread`.
    static Rows read(RecordFile &file, const Table &table);

private:
    void readRange(RecordFile &file, const Table &table, qint64 from, qint64 to);

    LineList m_rows; // per row: each cell as a 2-byte length and its bytes
    qsizetype m_columns = 0;
};

// The rows an export writes: the archive's, or ten empty rows for an empty
// archive, as the window's grid shows them.
inline constexpr int kEmptyRows = 10;

// Writes the whole file to `out`; false when a write fails.
bool write(QIODevice &out, const Table &table, const Rows &rows);

// A cell's text as the file carries it: &, < and > escaped.
QByteArray escaped(QByteArrayView cell);

} // namespace Spreadsheet

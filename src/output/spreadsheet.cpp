#include "spreadsheet.h"

#include "storage/archiveerror.h"
#include "storage/cp1252.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "storage/rungatherer.h"
#include "storage/twohalves.h"

#include <QIODevice>

#include <atomic>
#include <cstring>
#include <memory>

namespace Spreadsheet {

namespace {

// Everything the guarded gathering reads and writes: plain data only.
struct Gathering
{
    const int *offsets;   // of each column's field, then of its joined field (or -1)
    const int *capacities;
    int columns;
    int recordSize;
    qint64 rowRoom;
    char *rows;           // each record's row, at rowRoom intervals
    qint64 *rowLengths;
    volatile qint64 done; // whole rows of the current run

    void gather(const RecordFile::Run &run);
};

constexpr qint64 kRecordsPerRun = 2048;

// A cell: its two fields, each trimmed, joined by one blank when both have
// text, so the cell itself never starts or ends with a blank.
void putCell(char *&o, QByteArrayView first, QByteArrayView second)
{
    const bool both = !first.isEmpty() && !second.isEmpty();
    const qsizetype length = first.size() + (both ? 1 : 0) + second.size();
    o[0] = char(length & 0xFF);
    o[1] = char(length >> 8);
    o += 2;
    // An absent joined field has no bytes at all, not even an address.
    if (!first.isEmpty())
        std::memcpy(o, first.data(), size_t(first.size()));
    o += first.size();
    if (both)
        *o++ = ' ';
    if (!second.isEmpty())
        std::memcpy(o, second.data(), size_t(second.size()));
    o += second.size();
}

void Gathering::gather(const RecordFile::Run &run)
{
    Gathering *g = this;
    g->done = 0;
    const char *record = run.data;
    for (qint64 i = 0; i < run.count; ++i, record += g->recordSize) {
        char *o = g->rows + i * g->rowRoom;
        char *const start = o;
        for (int c = 0; c < g->columns; ++c) {
            const QByteArrayView first = ShortString::trimmedText(record + g->offsets[2 * c], g->capacities[2 * c]);
            const bool joined = g->offsets[2 * c + 1] >= 0;
            const QByteArrayView second
                = joined ? ShortString::trimmedText(record + g->offsets[2 * c + 1], g->capacities[2 * c + 1])
                         : QByteArrayView();
            putCell(o, first, second);
        }
        g->rowLengths[i] = o - start;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g->done = i + 1;
    }
}

const char kHead[] = "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
                     "xmlns:x=\"urn:schemas-microsoft-com:office:excel\" "
                     "xmlns=\"http://www.w3.org/TR/REC-html40\">"
                     "<head>"
                     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
                     "<!--[if gte mso 9]><xml>"
                     "<x:ExcelWorkbook>"
                     "<x:ExcelWorksheets>"
                     "<x:ExcelWorksheet>"
                     "<x:Name>";
const char kAfterName[] = "</x:Name>"
                          "<x:WorksheetOptions>"
                          "<x:Selected/>"
                          "<x:Panes>"
                          "<x:Pane>"
                          "<x:Number>1</x:Number>"
                          "<x:ActiveRow>3</x:ActiveRow>"
                          "</x:Pane>"
                          "</x:Panes>"
                          "<x:ProtectContents>False</x:ProtectContents>"
                          "<x:ProtectObjects>False</x:ProtectObjects>"
                          "<x:ProtectScenarios>False</x:ProtectScenarios>"
                          "</x:WorksheetOptions>"
                          "</x:ExcelWorksheet>"
                          "</x:ExcelWorksheets>"
                          "</x:ExcelWorkbook>"
                          "</xml><![endif]-->"
                          "</head>"
                          "<body>"
                          "<table x:str>";
const char kTail[] = "</table></body></html>";
// Every data cell is text for both spreadsheet programs: the table's x:str
// for one, the number format "@" for the other, which would otherwise turn
// a postal code 00184 into 184.
const char kCellOpen[] = "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">";
const char kCellClose[] = "</td>";

void appendEscaped(QByteArray &out, QByteArrayView cell)
{
    for (char c : cell) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
}

} // namespace

QByteArray escaped(QByteArrayView cell)
{
    QByteArray out;
    out.reserve(cell.size());
    appendEscaped(out, cell);
    return out;
}

QByteArrayView Rows::cell(qsizetype row, qsizetype column) const
{
    QByteArrayView bytes = m_rows.bytes(row);
    const char *p = bytes.data();
    for (qsizetype c = 0;; ++c) {
        const qsizetype length = qsizetype(static_cast<unsigned char>(p[0])) | qsizetype(static_cast<unsigned char>(p[1])) << 8;
        if (c == column)
            return QByteArrayView(p + 2, length);
        p += 2 + length;
    }
}

void Rows::readRange(RecordFile &file, const Table &table, qint64 from, qint64 to)
{
    const qsizetype n = table.columns.size();
    m_columns = n;
    std::vector<int> offsets, capacities;
    qint64 rowRoom = 0;
    for (const Column &c : table.columns) {
        offsets.push_back(table.layout->offset(c.field));
        capacities.push_back(table.layout->capacity(c.field));
        offsets.push_back(c.joined >= 0 ? table.layout->offset(c.joined) : -1);
        capacities.push_back(c.joined >= 0 ? table.layout->capacity(c.joined) : 0);
        rowRoom += 2 + table.layout->capacity(c.field) + (c.joined >= 0 ? 1 + table.layout->capacity(c.joined) : 0);
    }
    const std::unique_ptr<char[]> scratch(new char[size_t(kRecordsPerRun * rowRoom)]);
    const std::unique_ptr<qint64[]> lengths(new qint64[size_t(kRecordsPerRun)]);
    Gathering g{offsets.data(), capacities.data(), int(n), file.recordSize(), rowRoom, scratch.get(), lengths.get(), 0};
    file.setReads(RecordFile::Reads::EveryRecord);
    const qint64 last = qMin(to, file.count());
    qint64 next = from;
    auto take = [&](qint64 first) {
        for (qint64 k = 0; k < g.done; ++k)
            m_rows.append(QByteArrayView(g.rows + k * rowRoom, g.rowLengths[size_t(k)]), first + k);
        next = first + g.done;
        g.done = 0;
    };
    try {
        gatherRuns(file, from, last, kRecordsPerRun, g, [&](qint64 first, qint64) { take(first); });
    } catch (const ArchiveError &) {
        // The rows of the failing run that were whole are kept too.
        take(next);
        unread += qMax<qint64>(1, last - next + 1);
    }
}

Rows Rows::read(RecordFile &file, const Table &table)
{
    constexpr qint64 kTwoHalvesFrom = 20000;
    Rows rows;
    const qint64 n = file.count();
    if (n < kTwoHalvesFrom) {
        rows.readRange(file, table, 1, n);
        return rows;
    }
    const qint64 half = n / 2;
    Rows second;
    const bool secondRead = !readInTwoHalves(
        file, half, n, [&](RecordFile &f, qint64 from, qint64 to) { rows.readRange(f, table, from, to); },
        [&](RecordFile &f, qint64 from, qint64 to) { second.readRange(f, table, from, to); });
    // Rows after a gap would look like the next records: only what follows
    // a whole first half is kept.
    if (rows.unread > 0 || !secondRead) {
        rows.unread += n - half;
        return rows;
    }
    rows.m_rows.append(std::move(second.m_rows));
    rows.unread = second.unread;
    return rows;
}

bool write(QIODevice &out, const Table &table, const Rows &rows)
{
    // Rows go into a block of memory written out a megabyte at a time; a
    // row never needs more than its cells escaped five times over.
    constexpr qsizetype kBlock = 1 << 20;
    QByteArray block(kBlock, Qt::Uninitialized);
    char *const begin = block.data();
    char *o = begin;
    auto put = [&o](const char *text, size_t length) {
        std::memcpy(o, text, length);
        o += length;
    };
    auto putEscaped = [&o](QByteArrayView cell) {
        const char *p = cell.data();
        const char *const end = p + cell.size();
        while (p < end) {
            const char *run = p;
            while (p < end && *p != '&' && *p != '<' && *p != '>')
                ++p;
            std::memcpy(o, run, size_t(p - run));
            o += p - run;
            if (p == end)
                break;
            const char *entity = *p == '&' ? "&amp;" : *p == '<' ? "&lt;" : "&gt;";
            const size_t length = *p == '&' ? 5 : 4;
            std::memcpy(o, entity, length);
            o += length;
            ++p;
        }
    };
    auto flush = [&] {
        const qint64 n = o - begin;
        o = begin;
        return out.write(begin, n) == n;
    };

    QByteArray head = kHead;
    head += Cp1252::encode(table.worksheet);
    head += kAfterName;
    head += "<tr>";
    for (const Column &c : table.columns) {
        head += "<td style=\"text-align: left; font-weight: bold;\" width=";
        head += QByteArray::number(c.width);
        head += '>';
        head += escaped(Cp1252::encode(QString::fromUtf8(c.header)));
        head += kCellClose;
    }
    head += "</tr>";
    if (out.write(head) != head.size())
        return false;

    const qsizetype columns = table.columns.size();
    const qsizetype count = rows.size() > 0 ? rows.size() : kEmptyRows;
    const size_t open = sizeof kCellOpen - 1, close = sizeof kCellClose - 1;
    for (qsizetype r = 0; r < count; ++r) {
        const QByteArrayView row = rows.size() > 0 ? rows.rowBytes(r) : QByteArrayView();
        const qsizetype most = 9 + columns * qsizetype(open + close) + row.size() * 5;
        // Fields of at most 250 bytes: a row always fits in the block.
        Q_ASSERT(most <= kBlock);
        if (kBlock - (o - begin) < most && !flush())
            return false;
        put("<tr>", 4);
        const char *p = row.data();
        for (qsizetype c = 0; c < columns; ++c) {
            put(kCellOpen, open);
            if (p) {
                const qsizetype length = qsizetype(static_cast<unsigned char>(p[0]))
                                         | qsizetype(static_cast<unsigned char>(p[1])) << 8;
                putEscaped(QByteArrayView(p + 2, length));
                p += 2 + length;
            }
            put(kCellClose, close);
        }
        put("</tr>", 5);
    }
    if (kBlock - (o - begin) < qsizetype(sizeof kTail) && !flush())
        return false;
    put(kTail, sizeof kTail - 1);
    return flush();
}





} // namespace Spreadsheet

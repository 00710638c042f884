#include "spreadsheet.h"

#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "storage/archiveerror.h"
#include "storage/cp1252.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "storage/twohalves.h"
#include "suppliers/supplierrecord.h"

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

void gather(void *context, const RecordFile::Run &run)
{
    auto *g = static_cast<Gathering *>(context);
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
        file.scanRuns(from, last, kRecordsPerRun, gather, &g, [&](qint64 first, qint64) { take(first); });
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

namespace {

QList<Column> columns(const QList<Column> &list)
{
    return list;
}

} // namespace

const Table &fornitori()
{
    using namespace SupplierRecord;
    static const Table t{
        QStringLiteral("frmExpFornitori"),
        QStringLiteral(" Esporta archivio fornitori in Microsoft Excel"),
        QStringLiteral("Fornitori.xls"),
        QStringLiteral("Riepilogo Fornitori"),
        &layout(),
        columns({{"Denominazione Ditta", 250, Ditta, -1, "Denominazione Ditta", 250},
                 {"Titolare o responsabile", 250, Titolare, -1, "Titolare o responsabile", 250},
                 {"Recapito preferenziale", 200, Recapito, -1, "Recapito preferenziale", 250},
                 {"Indirizzo", 250, IndirizzoRes, -1, "Indirizzo", 300},
                 {"Città", 250, ComuneRes, ProvRes, "Città", 250},
                 {"CAP", 100, CapRes, -1, "CAP", 150},
                 {"Modalità di pagamento", 250, Pagamento, -1, "Modalità di pagamento", 250},
                 {"Tel. casa", 200, TelCasa, -1, "Tel. casa", 250},
                 {"Tel. ufficio", 200, TelUff, -1, "Tel. ufficio", 250},
                 {"Tel. cellulare", 200, TelCel, -1, "Tel. cellulare", 250},
                 {"Fax", 200, Fax, -1, "Fax", 250},
                 {"E-mail", 250, Email, -1, "E-mail", 250},
                 {"Codice fiscale", 150, CodFisc, -1, "Codice fiscale", 250},
                 {"Partita IVA", 150, PartitaIva, -1, "Partita IVA", 250},
                 {"Carta di credito n.", 250, Carta, -1, "Carta di credito n.", 300},
                 {"Scadenza", 160, ScadeCarta, -1, "Scadenza", 150},
                 {"IBAN", 250, Iban, -1, "IBAN", 300},
                 {"Articoli forniti", 300, Articoli, -1, "Articoli forniti", 300},
                 {"Offerte e sconti", 300, Offerte, -1, "Offerte e sconti", 300},
                 {"Modalità di ordine merce", 250, Ordine, -1, "Modalità di ordine merce", 300},
                 {"Questioni in sospeso", 300, Questioni, -1, "Questioni in sospeso", 300},
                 {"Note", 350, Note, -1, "Note", 300}}),
    };
    return t;
}

const Table &magazzino()
{
    using namespace ProductRecord;
    static const Table t{
        QStringLiteral("frmExpMagazzino"),
        QStringLiteral(" Esporta archivio prodotti e servizi in Microsoft Excel"),
        QStringLiteral("Magazzino.xls"),
        QStringLiteral("Magazzino"),
        &layout(),
        columns({{"Codice articolo", 150, Codice, -1, "Codice articolo", 250},
                 {"Tipologia", 150, Tipologia, -1, "Tipologia", 250},
                 {"Marca", 150, Marca, -1, "Marca", 250},
                 {"Modello", 150, Modello, -1, "Modello", 250},
                 {"Descrizione", 350, Descrizione, -1, "Descrizione", 400},
                 {"Accessori", 350, Accessori, -1, "Accessori", 400},
                 {"Fornitore", 200, Fornitore, -1, "Fornitore", 250},
                 {"Recapito preferenziale", 250, Recapiti, -1, "Recapito preferenziale", 250},
                 {"Data acquisto", 100, Data, -1, "Data acquisto", 200},
                 {"Estremi documento di acquisto", 350, Documento, -1, "Estremi documento acquisto", 350},
                 {"Modalità ordine merce", 250, Ordine, -1, "Modalità ordine merce", 350},
                 {"Giacenza", 100, Giacenza, -1, "Giacenza", 200},
                 {"Costo", 100, Costo, -1, "Costo", 200},
                 {"Valore", 100, Valore, -1, "Valore", 200},
                 {"Prezzo senza IVA", 100, Prezzo, -1, "Prezzo senza IVA", 200},
                 {"Perc. IVA", 100, PercIva, -1, "Perc. IVA", 150},
                 {"Prezzo con IVA", 100, Prezzo_con_Iva, -1, "Prezzo con IVA", 200},
                 {"Collocazione in magazzino", 300, Collocazione, -1, "Collocazione in magazzino", 350},
                 {"Altezza", 200, Consumo, -1, "Altezza", 200},
                 {"Larghezza", 200, Aderenza, -1, "Larghezza", 200},
                 {"Lunghezza", 200, Rumore, -1, "Lunghezza", 200},
                 {"Scadenza", 200, Onde, -1, "Scadenza", 200},
                 {"Note", 350, Note, -1, "Note", 400}}),
    };
    return t;
}

const Table &carichi()
{
    using namespace ReceiptRecord;
    static const Table t{
        QStringLiteral("frmExpCarichi"),
        QStringLiteral(" Esporta archivio operazioni di carico in Microsoft Excel"),
        QStringLiteral("Operazioni_Carico.xls"),
        QStringLiteral("Operazioni Carico"),
        &layout(),
        columns({{"Documento n.", 160, NumDoc, -1, "Documento n.", 250},
                 {"Data emissione", 150, DataDoc, -1, "Data emissione", 200},
                 {"Fornitore", 250, Fornitore, -1, "Fornitore", 250},
                 {"Recapito preferenziale", 200, Recapiti, -1, "Recapito preferenziale", 250},
                 {"Data carico", 150, Data, -1, "Data carico", 200},
                 {"Codice articolo", 160, Codice, -1, "Codice articolo", 250},
                 {"Tipologia", 200, Tipologia, -1, "Tipologia", 250},
                 {"Marca e modello", 200, Marca, -1, "Marca e modello", 250},
                 {"Descrizione", 300, Descrizione, -1, "Descrizione", 400},
                 {"Costo unitario", 150, CostoUni, -1, "Costo unitario", 200},
                 {"Quantità caricata", 150, Quant, -1, "Quantità caricata", 200},
                 {"Costo totale", 150, CostoTot, -1, "Costo totale", 200},
                 {"Note", 350, Note, -1, "Note", 400},
                 {"Conto da saldare", 150, DaSaldare, -1, "Conto da saldare", 200}}),
    };
    return t;
}

} // namespace Spreadsheet

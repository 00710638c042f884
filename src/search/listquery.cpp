#include "listquery.h"

#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "storage/cp1252.h"
#include "storage/numberformat.h"
#include "storage/recordfile.h"
#include "storage/textrules.h"
#include "suppliers/supplierrecord.h"

#include <cstring>

namespace {

// Everything the guarded gathering reads and writes: plain data only.
struct Gathering
{
    const RecordTest *test;
    const int *from;     // offset of each kept field in a stored record
    const int *capacity; // its capacity
    const int *to;       // its offset in the gathered copy
    int fields;
    int recordSize;
    int stride;
    char *copies;
    qint64 *positions;
    qint64 found;
};

// Keeps the records the test accepts: their position and the bytes of the
// fields the list needs, and nothing of the rest.
void gather(void *context, const RecordFile::Run &run)
{
    auto *g = static_cast<Gathering *>(context);
    g->found = 0;
    const char *record = run.data;
    for (qint64 i = 0; i < run.count; ++i, record += g->recordSize) {
        if (g->test && !g->test->accepts(record))
            continue;
        char *copy = g->copies + g->found * g->stride;
        for (int f = 0; f < g->fields; ++f) {
            const char *field = record + g->from[f];
            const int length = qMin<int>(static_cast<unsigned char>(field[0]), g->capacity[f]);
            copy[g->to[f]] = char(length);
            std::memcpy(copy + g->to[f] + 1, field + 1, size_t(length));
        }
        g->positions[g->found++] = run.first + i;
    }
}

constexpr qint64 kRecordsPerRun = 8192;

} // namespace

ListResult runQuery(RecordFile &file, const ListQuery &query)
{
    const RecordLayout &layout = query.format->layout();
    Q_ASSERT(file.recordSize() == layout.size());
    std::vector<int> fields = query.format->fields();
    fields.insert(fields.end(), query.judged.begin(), query.judged.end());
    const FieldMap map(layout, fields);

    std::vector<int> from, capacity, to;
    for (int f : map.fields()) {
        from.push_back(layout.offset(f));
        capacity.push_back(layout.capacity(f));
        to.push_back(map.offset(f));
    }
    std::vector<char> copies(size_t(kRecordsPerRun) * size_t(map.stride()));
    std::vector<qint64> positions(static_cast<size_t>(kRecordsPerRun));
    Gathering g{query.test.get(), from.data(), capacity.data(), to.data(), int(from.size()), layout.size(),
                map.stride(), copies.data(), positions.data(), 0};

    ListResult result;
    const qint64 total = file.count();
    qint64 next = 1;
    try {
        file.scanRuns(kRecordsPerRun, gather, &g, [&](qint64 first, qint64 count) {
            for (qint64 k = 0; k < g.found; ++k) {
                const FieldsView record{g.copies + k * g.stride, &map};
                const qint64 position = g.positions[size_t(k)];
                const ListQuery::Verdict verdict
                    = query.judge ? query.judge(position, record) : ListQuery::Verdict::Listed;
                if (verdict == ListQuery::Verdict::Listed)
                    result.add(query.format->build(record), position);
                else if (verdict == ListQuery::Verdict::Unreadable)
                    result.leaveOut(position);
            }
            next = first + count;
        });
    } catch (const ArchiveError &) {
        if (!query.keepPartial)
            throw;
        result.leaveOut(next, qMax<qint64>(1, total - next + 1));
    }
    if (query.sorted)
        ResultLines::sortFolded(result.lines);
    return result;
}

std::optional<ChosenRecord> locateRecord(RecordFile &file, const LineFormat &format, const ListLine &line)
{
    const qint64 n = file.count();
    if (line.position >= 1 && line.position <= n) {
        QByteArray bytes = file.read(line.position);
        if (format.build(bytes) == line.text)
            return ChosenRecord{line.position, bytes};
    }
    // Rebuilt as the list built it, the last equal line wins.
    const QString wanted = TextRules::trimmed(line.text);
    qint64 last = 0;
    ListQuery rescan;
    rescan.format = &format;
    rescan.judge = [&](qint64 position, const FieldsView &record) {
        if (TextRules::trimmed(format.build(record)) == wanted)
            last = position;
        return ListQuery::Verdict::Skipped;
    };
    runQuery(file, rescan);
    if (last == 0)
        return std::nullopt;
    QByteArray bytes = file.read(last);
    if (TextRules::trimmed(format.build(bytes)) != wanted)
        return std::nullopt;
    return ChosenRecord{last, bytes};
}

namespace Lists {

std::optional<Stock> stockOf(const FieldsView &product)
{
    auto number = [&product](int field) -> std::optional<double> {
        const QByteArrayView bytes = product.raw(field);
        char16_t text[256];
        for (qsizetype i = 0; i < bytes.size(); ++i)
            text[i] = Cp1252::decodeByte(static_cast<unsigned char>(bytes[i])).unicode();
        return NumberFormat::readDecimal(TextRules::trimmed(QStringView(text, bytes.size())));
    };
    const std::optional<double> giacenza = number(ProductRecord::Giacenza);
    const std::optional<double> sottoscorta = number(ProductRecord::Sottoscorta);
    if (!giacenza || !sottoscorta)
        return std::nullopt;
    return Stock{*giacenza, *sottoscorta};
}

ListQuery ricontatta()
{
    ListQuery q;
    q.format = &LineFormats::ricontatta();
    q.test = std::make_shared<YesField>(SupplierRecord::layout(), SupplierRecord::Ricontatta);
    q.sorted = true;
    q.keepPartial = true;
    return q;
}

ListQuery sottoscorta()
{
    ListQuery q;
    q.format = &LineFormats::magazzino();
    q.judged = {ProductRecord::Giacenza, ProductRecord::Sottoscorta};
    q.judge = [](qint64, const FieldsView &product) {
        const std::optional<Stock> stock = stockOf(product);
        if (!stock)
            return ListQuery::Verdict::Unreadable;
        return stock->giacenza <= stock->sottoscorta ? ListQuery::Verdict::Listed : ListQuery::Verdict::Skipped;
    };
    q.sorted = true;
    q.keepPartial = true;
    return q;
}

ListQuery sospese()
{
    ListQuery q;
    q.format = &LineFormats::carichi();
    q.test = std::make_shared<YesField>(ReceiptRecord::layout(), ReceiptRecord::DaSaldare);
    q.keepPartial = true;
    return q;
}

} // namespace Lists

#include "listquery.h"

#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "storage/rungatherer.h"
#include "storage/twohalves.h"

#include <atomic>
#include <exception>
#include <memory>
#include <optional>

namespace {

// Everything the guarded gathering reads and writes: plain data only.
struct Gathering
{
    const RecordTest *test;
    const LineFormat *format;
    int recordSize;
    qint64 lineRoom;
    char *lines;          // each kept record's line, at lineRoom intervals
    qint64 *lineLengths;
    qint64 *positions;
    qint64 *unreadable;
    int amountOffset;     // -1: no amount
    int amountCapacity;
    double *amounts;      // each kept record's amount
    // Kept in memory as they change, so that after a failed read they say
    // how far the run went: each count only grows once its entry is whole,
    // and `reading` names the record being read.
    volatile qint64 found;
    volatile qint64 unreadableCount;
    volatile qint64 reading;

    void gather(const RecordFile::Run &run);
};

constexpr qint64 kRecordsPerRun = 8192;
// From this many records on, two threads read half the archive each.
constexpr qint64 kTwoHalvesFrom = 20000;
// How many records ahead the processor is asked for what the test reads.
constexpr qint64 kAhead = 16;

// Keeps the records the test accepts: their position and line; nothing of
// the rest is read.
void Gathering::gather(const RecordFile::Run &run)
{
    Gathering *g = this;
    g->found = 0;
    g->unreadableCount = 0;
    const char *record = run.data;
    for (qint64 i = 0; i < run.count; ++i, record += g->recordSize) {
        g->reading = run.first + i;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        // Only a mapped file is read where it lies; blocks were just copied in.
        if (g->test && i + kAhead < run.count) {
            g->format->prefetch(record + kAhead * g->recordSize);
            if (g->amountOffset >= 0)
                __builtin_prefetch(record + kAhead * g->recordSize + g->amountOffset);
        }
        if (g->test) {
            if (i + kAhead < run.count)
                g->test->prefetch(record + kAhead * g->recordSize);
            const RecordTest::Result result = g->test->test(record);
            if (result == RecordTest::Result::Unreadable) {
                g->unreadable[g->unreadableCount] = run.first + i;
                std::atomic_signal_fence(std::memory_order_seq_cst);
                g->unreadableCount = g->unreadableCount + 1;
            }
            if (result != RecordTest::Result::Listed)
                continue;
        }
        const qint64 k = g->found;
        if (g->amountOffset >= 0) {
            char room[260];
            const QByteArrayView text = ShortString::trimmedText(record + g->amountOffset, g->amountCapacity);
            const std::optional<double> amount = NumberFormat::readDecimal(text.data(), int(text.size()), room);
            if (!amount) {
                g->unreadable[g->unreadableCount] = run.first + i;
                std::atomic_signal_fence(std::memory_order_seq_cst);
                g->unreadableCount = g->unreadableCount + 1;
                continue;
            }
            g->amounts[k] = *amount;
        }
        g->positions[k] = run.first + i;
        g->lineLengths[k] = g->format->write(record, g->lines + k * g->lineRoom);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        g->found = k + 1;
    }
}

// Lists records `from` to `to` into `result`.
void runRange(RecordFile &file, const ListQuery &query, qint64 from, qint64 to, ListResult &result)
{
    // Without a test every record gives a line.
    file.setReads(query.test ? RecordFile::Reads::FewBytes : RecordFile::Reads::EveryRecord);
    const RecordLayout &layout = query.format->layout();
    Q_ASSERT(file.recordSize() == layout.size());
    // Scratch for the longest run, left uninitialised: a run read in small
    // blocks never touches most of it, and untouched memory costs nothing.
    const qint64 lineRoom = query.format->maxLength();
    const std::unique_ptr<char[]> lines(new char[size_t(kRecordsPerRun * lineRoom)]);
    const std::unique_ptr<qint64[]> lineLengths(new qint64[size_t(kRecordsPerRun)]);
    const std::unique_ptr<qint64[]> positions(new qint64[size_t(kRecordsPerRun)]);
    const std::unique_ptr<qint64[]> unreadable(new qint64[size_t(kRecordsPerRun)]);
    const bool summed = query.amountField >= 0;
    const std::unique_ptr<double[]> amounts(summed ? new double[size_t(kRecordsPerRun)] : nullptr);
    Gathering g{query.test.get(),
                query.format,
                layout.size(),
                lineRoom,
                lines.get(),
                lineLengths.get(),
                positions.get(),
                unreadable.get(),
                summed ? layout.offset(query.amountField) : -1,
                summed ? layout.capacity(query.amountField) : 0,
                amounts.get(),
                0,
                0,
                0};

    const qint64 total = qMin(to, file.count()) - from + 1;
    if (!query.test && total > 0)
        result.lines.reserve(total, total * qMin<qint64>(lineRoom, 160));
    // Everything a run gathered goes into the list.
    auto take = [&] {
        for (qint64 k = 0; k < g.unreadableCount; ++k)
            result.leaveOut(g.unreadable[size_t(k)]);
        for (qint64 k = 0; k < g.found; ++k) {
            const qint64 position = g.positions[size_t(k)];
            const QByteArrayView line(g.lines + k * lineRoom, g.lineLengths[size_t(k)]);
            const ListQuery::Verdict verdict = query.judge ? query.judge(position, line) : ListQuery::Verdict::Listed;
            if (verdict == ListQuery::Verdict::Listed) {
                result.lines.append(line, position);
                if (summed)
                    result.amounts.push_back(g.amounts[size_t(k)]);
            } else if (verdict == ListQuery::Verdict::Unreadable)
                result.leaveOut(position);
        }
    };
    qint64 next = from;
    try {
        gatherRuns(file, from, to, kRecordsPerRun, g, [&](qint64 first, qint64 count) {
            take();
            next = first + count;
        });
    } catch (const ArchiveError &) {
        if (!query.keepPartial)
            throw;
        result.readFailed = true;
        // A read of the mapped file failed inside a run: what the run had
        // gathered before the failing record is whole and is kept.
        if (g.reading >= next) {
            take();
            next = g.reading;
        }
        result.leaveOut(next, qMax<qint64>(1, from + total - next));
    }
}

} // namespace

ListResult runQuery(RecordFile &file, const ListQuery &query)
{
    ListResult result;
    const qint64 n = file.count();
    // A large archive is read in two halves at once; a judgement may keep
    // state, so it keeps to one.
    if (n < kTwoHalvesFrom || query.judge) {
        runRange(file, query, 1, n, result);
    } else {
        const qint64 half = n / 2;
        ListResult second;
        const std::exception_ptr failure = readInTwoHalves(
            file, half, n, [&](RecordFile &f, qint64 from, qint64 to) { runRange(f, query, from, to, result); },
            [&](RecordFile &f, qint64 from, qint64 to) { runRange(f, query, from, to, second); });
        if (failure) {
            if (!query.keepPartial)
                std::rethrow_exception(failure);
            second = ListResult();
            second.readFailed = true;
            second.leaveOut(half + 1, n - half);
        }
        result.readFailed = result.readFailed || second.readFailed;
        result.lines.append(std::move(second.lines));
        result.amounts.insert(result.amounts.end(), second.amounts.begin(), second.amounts.end());
        for (qint64 p : second.leftOutPositions)
            result.leaveOut(p);
        result.leftOut += second.leftOut - second.leftOutPositions.size();
    }
    // One running total from the first record to the last, as a reader
    // adding them up in file order would get.
    for (double amount : result.amounts)
        result.total += amount;
    result.amounts = std::vector<double>();
    if (query.sorted)
        result.lines.sortFolded();
    return result;
}



std::optional<ChosenRecord> locateRecord(RecordFile &file, const LineFormat &format, const ListLine &line)
{
    const qint64 n = file.count();
    if (line.position >= 1 && line.position <= n) {
        QByteArray bytes = file.read(line.position);
        if (format.bytes(bytes) == line.bytes)
            return ChosenRecord{line.position, bytes};
    }
    // Rebuilt as the list built it, the last equal line wins.
    const QByteArrayView wanted = ShortString::trimmed(line.bytes);
    qint64 last = 0;
    ListQuery rescan;
    rescan.format = &format;
    rescan.judge = [&](qint64 position, QByteArrayView rebuilt) {
        if (ShortString::trimmed(rebuilt) == wanted)
            last = position;
        return ListQuery::Verdict::Skipped;
    };
    runQuery(file, rescan);
    if (last == 0)
        return std::nullopt;
    QByteArray bytes = file.read(last);
    if (ShortString::trimmed(format.bytes(bytes)) != wanted)
        return std::nullopt;
    return ChosenRecord{last, bytes};
}


// The scans of an archive: every record from first to last, read in large
// blocks or through a mapping of the file.
#include "recordfile.h"

#include "filelock.h"
#include "readguard.h"
#include "rollbackjournal.h"

#include <atomic>

namespace {

std::atomic<bool> g_mappingAllowed{true};

// Mapped bytes per run: enough to make the mapping calls rare, small enough
// that a long scan never holds much of a large archive in memory at once.
constexpr qint64 kRunBytes = 32 << 20;
// Read bytes per run, or per block of scan(), where the file is not mapped.
constexpr qint64 kBlockBytes = 1 << 20;

struct GuardedGather
{
    RecordFile::Gather gather;
    void *context;
    const RecordFile::Run *run;
};

void callGather(void *p)
{
    auto *g = static_cast<GuardedGather *>(p);
    g->gather(g->context, *g->run);
}

} // namespace

void RecordFile::setMappingAllowed(bool allowed)
{
    g_mappingAllowed = allowed;
}

bool RecordFile::mappingAllowed()
{
    return g_mappingAllowed && ReadGuard::available();
}

void RecordFile::readRecords(qint64 first, qint64 count, char *into)
{
    FileLock lock(m_file, FileLock::Shared);
    RollbackJournal::checkReadable(m_file);
    seekTo(first);
    const qint64 want = count * m_recordSize;
    qint64 got = 0;
    while (got < want) {
        const qint64 r = m_file.read(into + got, want - got);
        if (r <= 0)
            fail(QStringLiteral("lettura del record %1 non riuscita").arg(first + got / m_recordSize));
        got += r;
    }
}

void RecordFile::scan(const std::function<bool(qint64, QByteArrayView)> &visit)
{
    const qint64 n = count();
    if (n == 0)
        return;
    const qint64 perBlock = qMax<qint64>(1, kBlockBytes / m_recordSize);
    QByteArray block(perBlock * m_recordSize, Qt::Uninitialized);
    qint64 p = 1;
    while (p <= n) {
        const qint64 records = qMin(perBlock, n - p + 1);
        readRecords(p, records, block.data());
        for (qint64 i = 0; i < records; ++i, ++p) {
            if (!visit(p, QByteArrayView(block.constData() + i * m_recordSize, m_recordSize)))
                return;
        }
    }
}

void RecordFile::scanRuns(qint64 maxRecords, Gather gather, void *context,
                          const std::function<void(qint64, qint64)> &afterRun)
{
    scanRuns(1, count(), maxRecords, gather, context, afterRun);
}

void RecordFile::scanRuns(qint64 from, qint64 to, qint64 maxRecords, Gather gather, void *context,
                          const std::function<void(qint64, qint64)> &afterRun)
{
    const qint64 n = qMin(to, count());
    bool mapping = mappingAllowed() && m_reads == Reads::FewBytes;
    const qint64 runBytes = mapping ? kRunBytes : kBlockBytes;
    const qint64 perRun = qBound<qint64>(1, qMin(maxRecords, runBytes / m_recordSize), qMax<qint64>(n, 1));
    QByteArray block;
    for (qint64 p = qMax<qint64>(1, from); p <= n; p += perRun) {
        const qint64 k = qMin(perRun, n - p + 1);
        const qint64 offset = (p - 1) * m_recordSize;
        uchar *mapped = mapping ? m_file.map(offset, k * m_recordSize) : nullptr;
        if (mapped) {
            const Run run{reinterpret_cast<const char *>(mapped), p, k};
            GuardedGather g{gather, context, &run};
            bool whole;
            {
                FileLock lock(m_file, FileLock::Shared);
                RollbackJournal::checkReadable(m_file);
                whole = ReadGuard::run(callGather, &g);
            }
            m_file.unmap(mapped);
            if (!whole)
                fail(QStringLiteral("lettura dei record da %1 a %2 non riuscita").arg(p).arg(p + k - 1));
        } else {
            // A file system that cannot map the file is read block by block
            // from here on.
            mapping = false;
            if (block.size() < k * m_recordSize)
                block.resize(k * m_recordSize);
            readRecords(p, k, block.data());
            gather(context, Run{block.constData(), p, k});
        }
        if (afterRun)
            afterRun(p, k);
    }
}

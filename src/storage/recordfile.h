#pragma once

#include "archiveerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <functional>

// An archive of fixed-size records: no header, record p (1-based) at byte
// (p - 1) * recordSize. Opened for one user action and closed when the
// object goes away; every failure throws ArchiveError.
//
// Its work is spread by job: opening, counting and record input and output
// here (recordfile.cpp), the scans (recordscan.cpp), whole-file images
// (recordimage.cpp); the locks are FileLock's, and every change goes
// through the archive's RollbackJournal.
class RecordFile
{
public:
    enum class Mode {
        ReadWrite, // the application: creates the file empty when missing
        ReadOnly,  // inspection: never creates or changes anything, but
                   // an interrupted write is undone before it is read
        // Lists that only read: a missing file is created empty, an existing
        // one is opened for reading, so a read-only share can still be read.
        ReadOrCreate,
    };

    RecordFile(const QString &path, int recordSize, Mode mode = Mode::ReadWrite);
    ~RecordFile();

    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    const QString &path() const { return m_path; }
    int recordSize() const { return m_recordSize; }

    // Whole records in the file; a trailing partial record is not counted.
    qint64 count();
    // Bytes of a trailing partial record, 0 when there is none.
    qint64 trailingBytes();

    // 1 <= p <= count. Reads wait for a write in progress on another
    // workstation; writes hold the file's exclusive lock, as appends do.
    // Every write is whole or not at all: the bytes it replaces go to the
    // journal first, and the write is committed on the disk before it
    // returns. A write whose commit could not be flushed returns all the
    // same, and close() then throws.
    QByteArray read(qint64 p);
    void write(qint64 p, QByteArrayView record);
    // Writes record p only if it still holds `expected` (or already holds
    // `record`), checked and written under the lock; false, with nothing
    // written, when another workstation has changed it meanwhile. `found`
    // receives the bytes the record held.
    bool replace(qint64 p, QByteArrayView expected, QByteArrayView record, QByteArray *found = nullptr);
    // Writes just past the last whole record (over a trailing partial one)
    // and returns the new record's position. The file is locked while it is
    // counted and written, so concurrent appends from other processes or
    // workstations both land.
    qint64 append(QByteArrayView record);
    // Reads record p, hands it to `change` and writes back what it returns,
    // all under the lock appends take: an update made at the same time on
    // another workstation is never lost. Whatever `change` throws leaves the
    // record as it was.
    QByteArray update(qint64 p, const std::function<QByteArray(const QByteArray &)> &change);

    // Hands the file's bytes, from the first to the last (a trailing partial
    // record included), to `take` in blocks of whole records, each read under
    // the shared lock: a copy taken so never holds half of a record written
    // meanwhile. False when `take` stopped it.
    bool readWhole(const std::function<bool(QByteArrayView)> &take);

    // Puts `size` new bytes in place of the whole file, under the exclusive
    // lock and through the journal: whole or not at all. `produce` hands
    // them to its sink in order and returns false (as the sink does) when
    // something failed.
    using Sink = std::function<bool(QByteArrayView)>;
    using Producer = std::function<bool(const Sink &)>;
    void rewrite(qint64 size, const Producer &produce);

    // Calls `visit(position, bytes)` for every whole record in order, reading
    // in large blocks; stops early when `visit` returns false.
    void scan(const std::function<bool(qint64, QByteArrayView)> &visit);

    // Consecutive whole records held in memory: record `first` at `data`.
    struct Run
    {
        const char *data;
        qint64 first;
        qint64 count;
    };
    using Gather = void (*)(void *context, const Run &run);

    // Hands every whole record to `gather`, in runs of at most `maxRecords`,
    // and calls `afterRun(first, count)` once `gather` is done with a run.
    // Where the system allows it the file is mapped, so only the bytes that
    // `gather` touches are read and a record's zero padding never is;
    // elsewhere the runs are read in large blocks.
    // `gather` runs under a read guard: a read that fails while it touches
    // the mapped file (a share gone away, the file cut short by another
    // program) leaves it at once and raises ArchiveError. So `gather` may
    // only copy bytes into buffers that its context owns: no allocation, no
    // exception, no local that needs destroying.
    void scanRuns(qint64 maxRecords, Gather gather, void *context,
                  const std::function<void(qint64 first, qint64 count)> &afterRun = {});
    // The same over records `from` to `to` only (clamped to the file).
    void scanRuns(qint64 from, qint64 to, qint64 maxRecords, Gather gather, void *context,
                  const std::function<void(qint64 first, qint64 count)> &afterRun = {});

    // What a scan reads of each record. Few bytes: the file is mapped and the
    // rest is never read. Much of every record: it is read in blocks, since
    // one sequential copy costs less than faulting in every page.
    enum class Reads { FewBytes, EveryRecord };
    void setReads(Reads reads) { m_reads = reads; }

    // Tests and benchmarks compare the mapped path with the block reads.
    static void setMappingAllowed(bool allowed);
    static bool mappingAllowed();

    // Closes the file; after a write, a failed close throws, since some
    // shares report a lost write-back only there, and so does a write whose
    // commit could not be flushed.
    void close();

private:
    void open(Mode mode);
    qint64 fileSize();
    void seekTo(qint64 p);
    void checkPosition(qint64 p);
    void checkRecord(QByteArrayView record) const;
    [[noreturn]] void fail(const QString &reason) const;

    void readRecords(qint64 first, qint64 count, char *into);
    // Unlocked: only under a lock the caller holds.
    QByteArray readAt(qint64 p);
    void writeAt(qint64 p, QByteArrayView record);
    // Under the exclusive lock: journal, write, flush, commit.
    void writeJournaled(qint64 offset, QByteArrayView bytes, const QString &what);
    // After the new bytes of `journal`'s change went down (`written`) or
    // failed (`why`): commits, or rolls back and throws.
    void finishChange(class RollbackJournal &journal, bool written, QString why, const QString &what);
    void lockForWriting(const std::function<void()> &action, const QString &what);

    QString m_path;
    int m_recordSize;
    QFile m_file;
    Reads m_reads = Reads::FewBytes;
    bool m_written = false;
    // A change that stands, whose commit is not known to be on the disk:
    // said by close().
    QString m_unflushed;
    QString m_readOnlyReason;
};

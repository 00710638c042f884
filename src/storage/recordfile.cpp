#include "recordfile.h"

#include "readguard.h"

#include <QFileInfo>

#include <atomic>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::atomic<quint64> g_lockWaits{0};

// A POSIX record lock (fcntl) or LockFileEx, both honoured across NFS and
// SMB shares, unlike flock() or a lock file. Writers take the whole file
// exclusively (an append moves the end, an overwrite may reach another
// workstation in pieces); readers take the bytes they read shared, so they
// wait for a write in progress instead of seeing half of it.
// fcntl locks belong to the process: inside one lock the file must not be
// locked again, or the inner release would drop the outer lock.
class FileLock
{
public:
    enum Kind { Shared, Exclusive };

    FileLock(int fd, Kind kind, qint64 offset = 0, qint64 length = 0) : m_fd(fd), m_offset(offset), m_length(length)
    {
#ifdef Q_OS_WIN
        OVERLAPPED ov = {};
        ov.Offset = DWORD(quint64(offset) & 0xFFFFFFFFu);
        ov.OffsetHigh = DWORD(quint64(offset) >> 32);
        const quint64 n = length > 0 ? quint64(length) : ~quint64(0);
        const DWORD flags = kind == Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
        m_locked = LockFileEx(handle(), flags | LOCKFILE_FAIL_IMMEDIATELY, 0, DWORD(n & 0xFFFFFFFFu),
                              DWORD(n >> 32), &ov);
        if (!m_locked && GetLastError() == ERROR_LOCK_VIOLATION) {
            g_lockWaits.fetch_add(1);
            ov = {};
            ov.Offset = DWORD(quint64(offset) & 0xFFFFFFFFu);
            ov.OffsetHigh = DWORD(quint64(offset) >> 32);
            m_locked = LockFileEx(handle(), flags, 0, DWORD(n & 0xFFFFFFFFu), DWORD(n >> 32), &ov);
        }
        m_unsupported = !m_locked && GetLastError() == ERROR_NOT_SUPPORTED;
#else
        struct flock fl = {};
        fl.l_type = kind == Exclusive ? F_WRLCK : F_RDLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(offset);
        fl.l_len = off_t(length); // 0: to the end, however far it grows
        int rc = fcntl(m_fd, F_SETLK, &fl);
        if (rc == -1 && (errno == EACCES || errno == EAGAIN || errno == EINTR)) {
            g_lockWaits.fetch_add(1);
            do {
                rc = fcntl(m_fd, F_SETLKW, &fl);
            } while (rc == -1 && errno == EINTR);
        }
        m_locked = rc == 0;
        // A share without lock support still reads and takes records,
        // unlocked, rather than refusing every card.
        m_unsupported = rc == -1 && (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL);
#endif
    }

    ~FileLock()
    {
        if (!m_locked)
            return;
#ifdef Q_OS_WIN
        OVERLAPPED ov = {};
        ov.Offset = DWORD(quint64(m_offset) & 0xFFFFFFFFu);
        ov.OffsetHigh = DWORD(quint64(m_offset) >> 32);
        const quint64 n = m_length > 0 ? quint64(m_length) : ~quint64(0);
        UnlockFileEx(handle(), 0, DWORD(n & 0xFFFFFFFFu), DWORD(n >> 32), &ov);
#else
        struct flock fl = {};
        fl.l_type = F_UNLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(m_offset);
        fl.l_len = off_t(m_length);
        fcntl(m_fd, F_SETLK, &fl);
#endif
    }

    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // Held, or not available on this file system at all.
    bool usable() const { return m_locked || m_unsupported; }

private:
#ifdef Q_OS_WIN
    HANDLE handle() const { return reinterpret_cast<HANDLE>(_get_osfhandle(m_fd)); }
#endif
    int m_fd;
    qint64 m_offset;
    qint64 m_length;
    bool m_locked = false;
    bool m_unsupported = false;
};

} // namespace

RecordFile::RecordFile(const QString &path, int recordSize, Mode mode)
    : m_path(path), m_recordSize(recordSize), m_file(path)
{
    Q_ASSERT(recordSize > 0);
#ifndef Q_OS_WIN
    // A named pipe or a device would block the open or the reads for good:
    // only a regular file (or a missing one, to be created) is an archive.
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        fail(S_ISDIR(st.st_mode) ? QStringLiteral("è una cartella, non un archivio")
                                 : QStringLiteral("non è un file normale, non un archivio"));
#endif
    if (mode == Mode::ReadOrCreate && !QFileInfo::exists(path)) {
        QFile create(path);
        if (!create.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(path))
            fail(QStringLiteral("impossibile creare il file (%1)").arg(create.errorString()));
    }
    if (mode != Mode::ReadWrite) {
        if (QFileInfo(path).isDir())
            fail(QStringLiteral("è una cartella, non un archivio"));
        if (!m_file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("impossibile aprire il file in lettura (%1)").arg(m_file.errorString()));
    } else {
        // ReadWrite creates a missing file empty; a read-only or locked
        // file fails here, so it cannot even be browsed.
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            fail(QStringLiteral("impossibile aprire o creare il file in lettura e scrittura (%1)")
                     .arg(m_file.errorString()));
    }
#ifdef Q_OS_WIN
    // A pipe or a device (CON, NUL) is no archive.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(m_file.handle()))) != FILE_TYPE_DISK)
        fail(QStringLiteral("non è un file normale, non un archivio"));
#endif
}

RecordFile::~RecordFile()
{
    m_file.close();
}

void RecordFile::close()
{
    m_file.close();
}

void RecordFile::fail(const QString &reason) const
{
    throw ArchiveError(m_path, reason);
}

qint64 RecordFile::fileSize()
{
    if (!m_file.isOpen())
        fail(QStringLiteral("archivio chiuso"));
#ifdef Q_OS_WIN
    const qint64 size = m_file.size();
#else
    // Straight from the descriptor: another process may have appended.
    struct stat st;
    if (fstat(m_file.handle(), &st) != 0)
        fail(QStringLiteral("impossibile leggere la dimensione del file"));
    const qint64 size = st.st_size;
#endif
    return size;
}

qint64 RecordFile::count()
{
    return fileSize() / m_recordSize;
}

qint64 RecordFile::trailingBytes()
{
    return fileSize() % m_recordSize;
}

void RecordFile::checkPosition(qint64 p)
{
    const qint64 n = count();
    if (p < 1 || p > n)
        fail(QStringLiteral("posizione %1 fuori dall'archivio (%2 record)").arg(p).arg(n));
}

void RecordFile::checkRecord(QByteArrayView record) const
{
    if (record.size() != m_recordSize)
        fail(QStringLiteral("record di %1 byte invece di %2").arg(record.size()).arg(m_recordSize));
}

void RecordFile::seekTo(qint64 p)
{
    if (!seekTo(p, std::nothrow))
        fail(QStringLiteral("impossibile posizionarsi sul record %1").arg(p));
}

bool RecordFile::seekTo(qint64 p, std::nothrow_t)
{
    return m_file.seek((p - 1) * m_recordSize);
}

QByteArray RecordFile::readAt(qint64 p)
{
    checkPosition(p);
    seekTo(p);
    QByteArray bytes = m_file.read(m_recordSize);
    if (bytes.size() != m_recordSize)
        fail(QStringLiteral("lettura del record %1 non riuscita").arg(p));
    return bytes;
}

void RecordFile::writeAt(qint64 p, QByteArrayView record, QByteArrayView previous)
{
    checkRecord(record);
    checkPosition(p);
    seekTo(p);
    if (m_file.write(record.data(), record.size()) != record.size()) {
        const QString reason = m_file.errorString();
        // Still under the lock: what part of the new record went down is
        // put back, so no reader ever finds the record half overwritten.
        if (seekTo(p, std::nothrow))
            m_file.write(previous.data(), previous.size());
        fail(QStringLiteral("scrittura del record %1 non riuscita (%2)").arg(p).arg(reason));
    }
}

void RecordFile::lockForWriting(const std::function<void()> &action, const QString &what)
{
    if (!m_file.isOpen() || !m_file.isWritable())
        fail(QStringLiteral("archivio non aperto in scrittura"));
    FileLock lock(m_file.handle(), FileLock::Exclusive);
    if (!lock.usable())
        fail(QStringLiteral("impossibile bloccare il file per %1").arg(what));
    action();
}

QByteArray RecordFile::read(qint64 p)
{
    if (!m_file.isOpen())
        fail(QStringLiteral("archivio chiuso"));
    // Where the lock cannot be had the record is still read, as it always was.
    FileLock lock(m_file.handle(), FileLock::Shared, (p - 1) * qint64(m_recordSize), m_recordSize);
    return readAt(p);
}

void RecordFile::write(qint64 p, QByteArrayView record)
{
    checkRecord(record);
    lockForWriting([&] { writeAt(p, record, readAt(p)); }, QStringLiteral("la scrittura del record %1").arg(p));
}

bool RecordFile::replace(qint64 p, QByteArrayView expected, QByteArrayView record, QByteArray *found)
{
    checkRecord(record);
    bool written = false;
    lockForWriting([&] {
        const QByteArray current = readAt(p);
        if (found)
            *found = current;
        if (current != expected && current != record)
            return;
        writeAt(p, record, current);
        written = true;
    }, QStringLiteral("la scrittura del record %1").arg(p));
    return written;
}

qint64 RecordFile::append(QByteArrayView record)
{
    checkRecord(record);
    qint64 p = 0;
    lockForWriting([&] {
        p = count() + 1;
        seekTo(p);
        if (m_file.write(record.data(), record.size()) != record.size()) {
            const QString reason = m_file.errorString();
            // Still under the lock: the part that was written goes, so that no
            // other reader ever sees a cut record at the end of the archive.
            m_file.resize((p - 1) * m_recordSize);
            fail(QStringLiteral("aggiunta del record %1 non riuscita (%2)").arg(p).arg(reason));
        }
    }, QStringLiteral("l'aggiunta di un record"));
    return p;
}

QByteArray RecordFile::update(qint64 p, const std::function<QByteArray(const QByteArray &)> &change)
{
    QByteArray changed;
    lockForWriting([&] {
        const QByteArray current = readAt(p);
        changed = change(current);
        writeAt(p, changed, current);
    }, QStringLiteral("l'aggiornamento del record %1").arg(p));
    return changed;
}

void RecordFile::scan(const std::function<bool(qint64, QByteArrayView)> &visit)
{
    const qint64 n = count();
    if (n == 0)
        return;
    constexpr qint64 kBlockBytes = 1 << 20;
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

namespace {

std::atomic<bool> g_mappingAllowed{true};

// Mapped bytes per run: enough to make the mapping calls rare, small enough
// that a long scan never holds much of a large archive in memory at once.
constexpr qint64 kRunBytes = 32 << 20;
// Read bytes per run where the file is not mapped.
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

quint64 RecordFile::lockWaits()
{
    return g_lockWaits.load();
}

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
    FileLock lock(m_file.handle(), FileLock::Shared, (first - 1) * qint64(m_recordSize), count * m_recordSize);
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
                FileLock lock(m_file.handle(), FileLock::Shared, offset, k * m_recordSize);
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

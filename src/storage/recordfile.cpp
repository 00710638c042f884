#include "recordfile.h"

#include "disk.h"
#include "readguard.h"

#include <QCryptographicHash>
#include <QDataStream>

#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <mutex>

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

// fcntl locks belong to the process, not the thread: the safety copy's
// reads on its own thread would neither wait for a save of this process nor
// keep their lock once the save released its own. So within the process one
// thread at a time holds archive locks; a thread may nest them.
std::recursive_mutex g_inProcess;
// Set on a thread that works behind the screens (the safety copy), with
// the flag that asks it to stop.
thread_local bool t_background = false;
thread_local const std::atomic<bool> *t_stop = nullptr;

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

    FileLock(int fd, Kind kind, qint64 offset = 0, qint64 length = 0)
        : m_thread(g_inProcess, std::defer_lock), m_fd(fd), m_offset(offset), m_length(length)
    {
        if (kind == Exclusive && Disk::Faults::lockFails()) {
            m_thread.lock();
            return;
        }
        if (!t_background) {
            m_thread.lock();
            if (!take(kind, false)) {
                g_lockWaits.fetch_add(1);
                take(kind, true);
            }
            return;
        }
        // A background thread waits for another's lock without holding the
        // program's own gate, so the screens never wait behind it.
        for (bool counted = false;; QThread::msleep(10)) {
            m_thread.lock();
            if (take(kind, false))
                return;
            m_thread.unlock();
            if (!counted)
                g_lockWaits.fetch_add(1);
            counted = true;
            if (t_stop && t_stop->load())
                throw ArchiveError(QString(), QStringLiteral("interrotto in attesa del blocco dell'archivio"));
        }
    }

    ~FileLock()
    {
        if (!m_locked)
            return;
#ifdef Q_OS_WIN
        OVERLAPPED ov = {};
        ov.Offset = DWORD(quint64(m_offset) & 0xFFFFFFFFu);
        ov.OffsetHigh = DWORD(quint64(m_offset) >> 32);
        const quint64 n = span();
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
    // False only when someone else holds a conflicting lock and `wait` is
    // false; otherwise the lock is held, or known not to be available.
    bool take(Kind kind, bool wait)
    {
#ifdef Q_OS_WIN
        OVERLAPPED ov = {};
        ov.Offset = DWORD(quint64(m_offset) & 0xFFFFFFFFu);
        ov.OffsetHigh = DWORD(quint64(m_offset) >> 32);
        const quint64 n = span();
        const DWORD flags = (kind == Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
        m_locked = LockFileEx(handle(), flags, 0, DWORD(n & 0xFFFFFFFFu), DWORD(n >> 32), &ov);
        const DWORD error = m_locked ? 0 : GetLastError();
        if (!m_locked && !wait && error == ERROR_LOCK_VIOLATION)
            return false;
        m_unsupported = !m_locked && error == ERROR_NOT_SUPPORTED;
        return true;
#else
        struct flock fl = {};
        fl.l_type = kind == Exclusive ? F_WRLCK : F_RDLCK;
        fl.l_whence = SEEK_SET;
        fl.l_start = off_t(m_offset);
        fl.l_len = off_t(m_length); // 0: to the end, however far it grows
        int rc;
        do {
            rc = fcntl(m_fd, wait ? F_SETLKW : F_SETLK, &fl);
        } while (rc == -1 && errno == EINTR);
        if (rc == -1 && !wait && (errno == EACCES || errno == EAGAIN))
            return false;
        m_locked = rc == 0;
        // A share without lock support still reads and takes records,
        // unlocked, rather than refusing every card.
        m_unsupported = rc == -1 && (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL);
        return true;
#endif
    }

#ifdef Q_OS_WIN
    // "To the end" is the bytes from the offset to the last one a lock can
    // name: a range may not wrap past it.
    quint64 span() const { return m_length > 0 ? quint64(m_length) : ~quint64(0) - quint64(m_offset); }
#endif

#ifdef Q_OS_WIN
    HANDLE handle() const { return reinterpret_cast<HANDLE>(_get_osfhandle(m_fd)); }
#endif
    std::unique_lock<std::recursive_mutex> m_thread;
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
    // Opening and closing the archive under the gate too: closing any
    // descriptor of a file drops every fcntl lock the process holds on it.
    std::lock_guard<std::recursive_mutex> gate(g_inProcess);
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
        // ReadWrite creates a missing file empty. An existing archive that
        // cannot be written (a read-only share, a CD) is still opened to be
        // browsed, searched and printed; its writes fail.
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
            const QString reason = m_file.errorString();
            if (!QFileInfo::exists(path) || !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                fail(QStringLiteral("impossibile aprire o creare il file in lettura e scrittura (%1)").arg(reason));
            m_readOnlyReason = reason;
        }
    }
#ifdef Q_OS_WIN
    // A pipe or a device (CON, NUL) is no archive.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(m_file.handle()))) != FILE_TYPE_DISK)
        fail(QStringLiteral("non è un file normale, non un archivio"));
#endif
    recover();
}

RecordFile::~RecordFile()
{
    std::lock_guard<std::recursive_mutex> gate(g_inProcess);
    m_file.close();
}

void RecordFile::setBackgroundThread(bool background, const std::atomic<bool> *stop)
{
    t_background = background;
    t_stop = background ? stop : nullptr;
}

void RecordFile::close()
{
    std::lock_guard<std::recursive_mutex> gate(g_inProcess);
    // After a write the close is checked too: a share may report a failed
    // write-back only there.
    QString why;
    if (!Disk::close(m_file, m_written ? &why : nullptr) && m_written)
        fail(QStringLiteral("chiusura del file non riuscita (%1)").arg(why));
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

namespace {

// What an interrupted write needs to be undone: the bytes it covers as they
// were, where they were, and the archive's size before and after it.
struct Journal
{
    qint64 oldSize = 0;
    qint64 offset = 0;
    qint64 newEnd = 0;
    QByteArray old;
    QByteArray newHash; // of the bytes the write puts down
};

constexpr int kHash = 20;

QByteArray hashOf(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

constexpr char kJournalMagic[8] = {'S', 'C', 'X', 'J', 'R', 'N', 'L', '1'};

QByteArray encodeJournal(const Journal &j)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData(kJournalMagic, sizeof kJournalMagic);
    out << j.oldSize << j.offset << j.newEnd << quint32(j.old.size());
    out.writeRawData(j.old.constData(), int(j.old.size()));
    out.writeRawData(j.newHash.constData(), kHash);
    bytes += hashOf(bytes);
    return bytes;
}

// False for a journal cut short or damaged: its write never finished, so
// the archive was not touched yet.
bool decodeJournal(const QByteArray &bytes, Journal *j)
{
    if (bytes.size() < int(sizeof kJournalMagic) + 28 + 2 * kHash)
        return false;
    const QByteArray body = bytes.left(bytes.size() - kHash);
    if (hashOf(body) != bytes.right(kHash)
        || !body.startsWith(QByteArray(kJournalMagic, sizeof kJournalMagic)))
        return false;
    QDataStream in(body);
    in.setByteOrder(QDataStream::LittleEndian);
    in.skipRawData(sizeof kJournalMagic);
    quint32 length = 0;
    in >> j->oldSize >> j->offset >> j->newEnd >> length;
    if (in.status() != QDataStream::Ok || qint64(length) != body.size() - qint64(sizeof kJournalMagic) - 28 - kHash
        || j->offset < 0 || j->oldSize < 0 || j->newEnd < j->offset)
        return false;
    j->old = body.mid(sizeof kJournalMagic + 28, length);
    j->newHash = body.right(kHash);
    return true;
}

// Whether the journal's write reached the disk whole: then it stands, and
// the journal is only one whose removal did not.
bool completed(QFile &file, const Journal &j)
{
    const qint64 length = j.newEnd - j.offset;
    if (file.size() < j.newEnd || !file.seek(j.offset))
        return false;
    const QByteArray bytes = file.read(length);
    return bytes.size() == length && hashOf(bytes) == j.newHash;
}

// The archive as it was before the journal's write, flushed to the disk.
// Only the archive's own write is cut off its end: should anything stand
// beyond it, someone wrote there since, and it stays.
bool rollBack(QFile &file, const Journal &j, QString *why)
{
    if (!j.old.isEmpty() && !Disk::write(file, j.offset, j.old.constData(), j.old.size(), why))
        return false;
    const qint64 size = file.size();
    if (size > j.oldSize && size <= j.newEnd && !Disk::resize(file, j.oldSize, why))
        return false;
    return Disk::sync(file, why);
}

} // namespace

QString RecordFile::journalPath(const QString &archive)
{
    return archive + QStringLiteral("-journal");
}

bool RecordFile::isJournal(const QString &fileName)
{
    return fileName.endsWith(QLatin1String("-journal"), Qt::CaseInsensitive);
}

QString RecordFile::folder() const
{
    return QFileInfo(m_path).absolutePath();
}

void RecordFile::recover()
{
    if (!QFileInfo::exists(journalPath(m_path)))
        return;
    // An earlier write stopped half-way (a crash, a share gone): it is undone
    // before anything is read, under the lock writers take, so the archive
    // holds the record as it was before it and never a mixture.
    QFile own(m_path);
    QFile &file = m_file.isWritable() ? m_file : own;
    if (&file == &own && !own.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        fail(QStringLiteral("l'ultima scrittura dell'archivio si è interrotta e va annullata, ma da qui il file "
                            "non si può scrivere (%1)")
                 .arg(own.errorString()));
    {
        FileLock lock(file.handle(), FileLock::Exclusive);
        if (!lock.usable())
            fail(QStringLiteral("impossibile bloccare il file per annullare una scrittura interrotta"));
        undoJournal(file);
    }
    if (&file == &own)
        own.close();
}

void RecordFile::undoJournal(QFile &file)
{
    QFile journalFile(journalPath(m_path));
    if (!journalFile.open(QIODevice::ReadOnly))
        return; // finished meanwhile by the workstation that was writing
    const QByteArray bytes = journalFile.readAll();
    journalFile.close();
    Journal j;
    QString why;
    if (decodeJournal(bytes, &j) && !completed(file, j) && !rollBack(file, j, &why))
        fail(QStringLiteral("impossibile annullare una scrittura interrotta (%1)").arg(why));
    if (!Disk::remove(journalPath(m_path), &why))
        fail(QStringLiteral("impossibile annullare una scrittura interrotta (%1)").arg(why));
}

void RecordFile::saveJournal(const QString &what, const std::function<bool(const JournalPut &)> &body)
{
    const QString journal = journalPath(m_path);
    QString why;
    QFile out(journal);
    bool saved = out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    if (!saved)
        why = out.errorString();
    saved = saved && body([&](const char *data, qint64 n) { return Disk::write(out, -1, data, n, &why); });
    if (!saved && why.isEmpty())
        why = QStringLiteral("lettura dei dati precedenti");
    saved = saved && Disk::sync(out, &why);
    saved = Disk::close(out, saved ? &why : nullptr) && saved;
    saved = saved && Disk::syncFolder(folder(), &why);
    if (!saved) {
        // The archive is untouched; a journal left behind would only put
        // back the bytes it already holds.
        Disk::remove(journal, nullptr);
        fail(QStringLiteral("%1 non riuscita (%2)").arg(what, why));
    }
}

void RecordFile::writeJournaled(qint64 offset, QByteArrayView bytes, const QString &what)
{
    Journal j;
    j.oldSize = fileSize();
    j.offset = offset;
    j.newEnd = offset + bytes.size();
    j.newHash = hashOf(bytes);
    const qint64 oldLength = qBound<qint64>(0, j.oldSize - offset, bytes.size());
    if (oldLength > 0) {
        if (!m_file.seek(offset) || (j.old = m_file.read(oldLength)).size() != oldLength)
            fail(QStringLiteral("%1 non riuscita (lettura dei dati precedenti)").arg(what));
    }
    // First the old bytes, whole and on the disk, beside the archive.
    const QString journal = journalPath(m_path);
    const QByteArray encoded = encodeJournal(j);
    QString why;
    saveJournal(what, [&](const JournalPut &put) { return put(encoded.constData(), encoded.size()); });
    m_written = true;
    // Then the new bytes, on the disk before anyone is told they are saved.
    if (!Disk::write(m_file, offset, bytes.data(), bytes.size(), &why) || !Disk::sync(m_file, &why)) {
        // Still under the lock: what went down is taken back now, or, where
        // the disk refuses that too, by the next access through the journal.
        QString ignored;
        if (rollBack(m_file, j, &ignored))
            Disk::remove(journal, &ignored);
        fail(QStringLiteral("%1 non riuscita (%2)").arg(what, why));
    }
    // Done: the new bytes are on the disk. A journal that outlives this (a
    // removal refused, a crash just here) is recognised by them and only
    // dropped: its removal can fail or be lost without harm.
    QFile::remove(journal);
}

void RecordFile::writeAt(qint64 p, QByteArrayView record)
{
    checkRecord(record);
    checkPosition(p);
    writeJournaled((p - 1) * m_recordSize, record, QStringLiteral("scrittura del record %1").arg(p));
}

void RecordFile::lockForWriting(const std::function<void()> &action, const QString &what)
{
    if (!m_file.isOpen() || !m_file.isWritable())
        fail(m_readOnlyReason.isEmpty()
                 ? QStringLiteral("archivio non aperto in scrittura")
                 : QStringLiteral("impossibile aprire il file in lettura e scrittura (%1)").arg(m_readOnlyReason));
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
    lockForWriting([&] { writeAt(p, record); }, QStringLiteral("la scrittura del record %1").arg(p));
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
        writeAt(p, record);
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
        writeJournaled((p - 1) * m_recordSize, record, QStringLiteral("aggiunta del record %1").arg(p));
    }, QStringLiteral("l'aggiunta di un record"));
    return p;
}

QByteArray RecordFile::update(qint64 p, const std::function<QByteArray(const QByteArray &)> &change)
{
    QByteArray changed;
    lockForWriting([&] {
        const QByteArray current = readAt(p);
        changed = change(current);
        writeAt(p, changed);
    }, QStringLiteral("l'aggiornamento del record %1").arg(p));
    return changed;
}

bool RecordFile::readWhole(const std::function<bool(QByteArrayView)> &take)
{
    constexpr qint64 kWholeBlock = 1 << 20;
    const qint64 perBlock = qMax<qint64>(1, kWholeBlock / m_recordSize) * m_recordSize;
    QByteArray block(perBlock, Qt::Uninitialized);
    qint64 offset = 0;
    for (;;) {
        qint64 n = 0;
        bool last = false;
        {
            // Locked from here to beyond the end, so an append waits as well:
            // a block ends on a record's end or on the file's own end.
            FileLock lock(m_file.handle(), FileLock::Shared, offset, 0);
            if (!lock.usable())
                fail(QStringLiteral("impossibile bloccare il file per leggerlo"));
            const qint64 size = fileSize();
            n = qBound<qint64>(0, size - offset, perBlock);
            last = offset + n >= size;
            if (n > 0 && !m_file.seek(offset))
                fail(QStringLiteral("lettura del file non riuscita"));
            for (qint64 got = 0; got < n;) {
                const qint64 r = m_file.read(block.data() + got, n - got);
                if (r <= 0)
                    fail(QStringLiteral("lettura del file non riuscita a %1 byte").arg(offset + got));
                got += r;
            }
        }
        if (n > 0 && !take(QByteArrayView(block.constData(), n)))
            return false;
        // A trailing partial record ends the copy: an append lands over it.
        if (last)
            return true;
        offset += n;
    }
}

void RecordFile::rewrite(qint64 size, QByteArrayView sha1, const Producer &produce)
{
    lockForWriting([&] {
        const QString what = QStringLiteral("sostituzione dell'archivio");
        Journal j;
        j.oldSize = fileSize();
        j.offset = 0;
        j.newEnd = size;
        j.newHash = sha1.toByteArray();
        if (j.oldSize > qint64(0xFFFFFFFFu) || j.newHash.size() != kHash)
            fail(QStringLiteral("%1 non riuscita (archivio oltre 4 GB)").arg(what));
        // The whole file as it is goes to the journal first, read in blocks.
        const QString journal = journalPath(m_path);
        QString why;
        saveJournal(what, [&](const JournalPut &write) {
            QCryptographicHash sum(QCryptographicHash::Sha1);
            auto put = [&](const char *data, qint64 n) {
                sum.addData(QByteArrayView(data, n));
                return write(data, n);
            };
            QByteArray head;
            {
                QDataStream h(&head, QIODevice::WriteOnly);
                h.setByteOrder(QDataStream::LittleEndian);
                h.writeRawData(kJournalMagic, sizeof kJournalMagic);
                h << j.oldSize << j.offset << j.newEnd << quint32(j.oldSize);
            }
            if (!put(head.constData(), head.size()))
                return false;
            QByteArray block(1 << 20, Qt::Uninitialized);
            for (qint64 at = 0; at < j.oldSize;) {
                const qint64 n = qMin<qint64>(block.size(), j.oldSize - at);
                if (!m_file.seek(at) || m_file.read(block.data(), n) != n || !put(block.constData(), n))
                    return false;
                at += n;
            }
            if (!put(j.newHash.constData(), kHash))
                return false;
            const QByteArray total = sum.result();
            return write(total.constData(), total.size());
        });
        m_written = true;
        // Shorter first, then the new bytes: a crash anywhere leaves either
        // the new file whole or a journal that puts the old one back.
        qint64 at = 0;
        bool whole = size >= j.oldSize || Disk::resize(m_file, size, &why);
        whole = whole && produce([&](QByteArrayView bytes) {
            if (at + bytes.size() > size || !Disk::write(m_file, at, bytes.data(), bytes.size(), &why))
                return false;
            at += bytes.size();
            return true;
        });
        if (whole && at != size)
            whole = false;
        whole = whole && Disk::resize(m_file, size, &why) && Disk::sync(m_file, &why);
        if (!whole) {
            if (why.isEmpty())
                why = QStringLiteral("dati nuovi incompleti");
            try {
                undoJournal(m_file);
            } catch (const ArchiveError &) {
                // The journal stays: the next open puts the old bytes back.
            }
            fail(QStringLiteral("%1 non riuscita (%2)").arg(what, why));
        }
        QFile::remove(journal);
    }, QStringLiteral("la sostituzione dell'archivio"));
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

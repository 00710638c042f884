#include "recordfile.h"

#include "disk.h"
#include "filelock.h"
#include "rollbackjournal.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

RecordFile::RecordFile(const QString &path, int recordSize, Mode mode)
    : m_path(path), m_recordSize(recordSize), m_file(path)
{
    Q_ASSERT(recordSize > 0);
    try {
        open(mode);
        // An earlier write stopped half-way (a crash, a share gone): it is
        // undone before anything is read.
        RollbackJournal::recover(m_file);
    } catch (...) {
        // Closed the way every archive is: a plain close could drop
        // another thread's lock of the same file.
        FileLock::close(m_file, nullptr);
        throw;
    }
}

void RecordFile::open(Mode mode)
{
#ifndef Q_OS_WIN
    // A named pipe or a device would block the open or the reads for good:
    // only a regular file (or a missing one, to be created) is an archive.
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        fail(S_ISDIR(st.st_mode) ? QStringLiteral("è una cartella, non un archivio")
                                 : QStringLiteral("non è un file normale, non un archivio"));
#endif
    if (mode == Mode::ReadOrCreate && !QFileInfo::exists(m_path)) {
        QFile create(m_path);
        if (create.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            FileLock::close(create, nullptr);
        else if (!QFileInfo::exists(m_path))
            fail(QStringLiteral("impossibile creare il file (%1)").arg(create.errorString()));
    }
    if (mode != Mode::ReadWrite) {
        if (QFileInfo(m_path).isDir())
            fail(QStringLiteral("è una cartella, non un archivio"));
        if (!m_file.open(QIODevice::ReadOnly))
            fail(QStringLiteral("impossibile aprire il file in lettura (%1)").arg(m_file.errorString()));
    } else if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        // ReadWrite creates a missing file empty. An existing archive that
        // cannot be written (a read-only share, a CD) is still opened to be
        // browsed, searched and printed; its writes fail.
        const QString reason = m_file.errorString();
        if (!QFileInfo::exists(m_path) || !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            fail(QStringLiteral("impossibile aprire o creare il file in lettura e scrittura (%1)").arg(reason));
        m_readOnlyReason = reason;
    }
#ifdef Q_OS_WIN
    // A pipe or a device (CON, NUL) is no archive.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(m_file.handle()))) != FILE_TYPE_DISK)
        fail(QStringLiteral("non è un file normale, non un archivio"));
#endif
}

RecordFile::~RecordFile()
{
    FileLock::close(m_file, nullptr);
}

void RecordFile::close()
{
    // After a write the close is checked too: a share may report a failed
    // write-back only there.
    QString why;
    if (!FileLock::close(m_file, m_written ? &why : nullptr) && m_written)
        fail(QStringLiteral("chiusura del file non riuscita (%1)").arg(why));
    if (!m_unflushed.isEmpty())
        fail(QStringLiteral("scrittura non confermata sul disco (%1)").arg(m_unflushed));
}

void RecordFile::fail(const QString &reason) const
{
    throw ArchiveError(m_path, reason);
}

qint64 RecordFile::fileSize()
{
    if (!m_file.isOpen())
        fail(QStringLiteral("archivio chiuso"));
    // From the system each time: another workstation may have appended.
    const qint64 size = Disk::size(m_file);
    if (size < 0)
        fail(QStringLiteral("impossibile leggere la dimensione del file"));
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
    if (!m_file.seek((p - 1) * m_recordSize))
        fail(QStringLiteral("impossibile posizionarsi sul record %1").arg(p));
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

void RecordFile::writeJournaled(qint64 offset, QByteArrayView bytes, const QString &what)
{
    RollbackJournal journal(m_file, offset, offset + bytes.size(), what);
    m_written = true;
    // The new bytes, on the disk before the commit.
    QString why;
    const bool written = Disk::write(m_file, offset, bytes.data(), bytes.size(), &why) && Disk::sync(m_file, &why);
    finishChange(journal, written, why, what);
}

void RecordFile::finishChange(RollbackJournal &journal, bool written, QString why, const QString &what)
{
    if (written) {
        switch (journal.commit(&why)) {
        case RollbackJournal::Commit::Done:
            return;
        case RollbackJournal::Commit::Unflushed:
            m_unflushed = why;
            return;
        case RollbackJournal::Commit::NotDone:
            break;
        }
    }
    // Taken back now, still under the lock; where the disk refuses that
    // too, the hot journal takes it back at the next open.
    QString ignored;
    journal.rollBack(&ignored);
    fail(QStringLiteral("%1 non riuscita (%2)").arg(what, why));
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
    FileLock lock(m_file, FileLock::Exclusive);
    if (!lock.usable())
        fail(QStringLiteral("impossibile bloccare il file per %1").arg(what));
    // Another workstation may have stopped half-way since the file was
    // opened: its journal is never written over, but rolled back first.
    RollbackJournal::settle(m_file);
    action();
}

QByteArray RecordFile::read(qint64 p)
{
    if (!m_file.isOpen())
        fail(QStringLiteral("archivio chiuso"));
    // Where the lock cannot be had the record is still read, as it always was.
    FileLock lock(m_file, FileLock::Shared);
    RollbackJournal::checkReadable(m_file);
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

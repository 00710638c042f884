// Whole-file images of an archive: the file handed over in blocks for a
// copy, and put back whole from one.
#include "recordfile.h"

#include "disk.h"
#include "filelock.h"
#include "rollbackjournal.h"

namespace {

constexpr qint64 kWholeBlock = 1 << 20;

} // namespace

bool RecordFile::readWhole(const std::function<bool(QByteArrayView)> &take)
{
    const qint64 perBlock = qMax<qint64>(1, kWholeBlock / m_recordSize) * m_recordSize;
    QByteArray block(perBlock, Qt::Uninitialized);
    qint64 offset = 0;
    for (;;) {
        qint64 n = 0;
        bool last = false;
        {
            // The whole file locked, so an append waits as well: a block ends
            // on a record's end or on the file's own end.
            FileLock lock(m_file, FileLock::Shared);
            if (!lock.usable())
                fail(QStringLiteral("impossibile bloccare il file per leggerlo"));
            RollbackJournal::checkReadable(m_file);
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

void RecordFile::rewrite(qint64 size, const Producer &produce)
{
    lockForWriting([&] {
        const QString what = QStringLiteral("sostituzione dell'archivio");
        const qint64 oldSize = fileSize();
        // The whole file as it is goes to the journal first, read in blocks.
        RollbackJournal journal(m_file, 0, size, what, RollbackJournal::Extent::ToTheEnd);
        m_written = true;
        // Shorter first, then the new bytes: a crash anywhere leaves a journal
        // that puts the old file back.
        QString why;
        qint64 at = 0;
        bool whole = size >= oldSize || Disk::resize(m_file, size, &why);
        whole = whole && produce([&](QByteArrayView bytes) {
            if (at + bytes.size() > size || !Disk::write(m_file, at, bytes.data(), bytes.size(), &why))
                return false;
            at += bytes.size();
            return true;
        });
        whole = whole && at == size && Disk::resize(m_file, size, &why) && Disk::sync(m_file, &why);
        if (!whole && why.isEmpty())
            why = QStringLiteral("dati nuovi incompleti");
        finishChange(journal, whole, why, what);
    }, QStringLiteral("la sostituzione dell'archivio"));
}

#include "rollbackjournal.h"

#include "archiveerror.h"
#include "disk.h"
#include "filelock.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace {

constexpr char kMagic[8] = {'S', 'C', 'X', 'J', 'R', 'N', 'L', '1'};
constexpr qint64 kHeader = 8 + 3 * 8 + 4;
constexpr qint64 kHash = 20;
// Journals are read, written and rolled back in blocks of this size.
constexpr qint64 kBlock = 1 << 20;

struct Header
{
    qint64 oldSize = 0;
    qint64 offset = 0;
    qint64 newEnd = 0;
    qint64 length = 0;
};

QByteArray encodeHeader(const Header &h)
{
    QByteArray bytes(kHeader, Qt::Uninitialized);
    char *p = bytes.data();
    std::memcpy(p, kMagic, sizeof kMagic);
    qToLittleEndian<qint64>(h.oldSize, p + 8);
    qToLittleEndian<qint64>(h.offset, p + 16);
    qToLittleEndian<qint64>(h.newEnd, p + 24);
    qToLittleEndian<quint32>(quint32(h.length), p + 32);
    return bytes;
}

// Whether `journal`, open for reading, is hot (rule 5); its fields in `h`.
bool isHot(QFile &journal, Header *h)
{
    const qint64 size = Disk::size(journal);
    QByteArray head(kHeader, Qt::Uninitialized);
    if (size < kHeader + 2 * kHash || !journal.seek(0) || journal.read(head.data(), kHeader) != kHeader
        || std::memcmp(head.constData(), kMagic, sizeof kMagic) != 0)
        return false;
    const char *p = head.constData();
    h->oldSize = qFromLittleEndian<qint64>(p + 8);
    h->offset = qFromLittleEndian<qint64>(p + 16);
    h->newEnd = qFromLittleEndian<qint64>(p + 24);
    h->length = qFromLittleEndian<quint32>(p + 32);
    if (h->length != size - kHeader - 2 * kHash || h->offset < 0 || h->oldSize < 0 || h->newEnd < h->offset)
        return false;
    QCryptographicHash sum(QCryptographicHash::Sha1);
    QByteArray block(qMin(kBlock, size), Qt::Uninitialized);
    if (!journal.seek(0))
        return false;
    for (qint64 at = 0; at < size - kHash;) {
        const qint64 n = qMin<qint64>(block.size(), size - kHash - at);
        if (journal.read(block.data(), n) != n)
            return false;
        sum.addData(QByteArrayView(block.constData(), n));
        at += n;
    }
    return journal.read(kHash) == sum.result();
}

// Rule 6, the archive's part: the old bytes back, the change's own growth
// cut off, flushed.
bool copyBack(QFile &journal, QFile &archive, const Header &h, QString *why)
{
    QByteArray block(qMin(kBlock, qMax<qint64>(h.length, 1)), Qt::Uninitialized);
    if (!journal.seek(kHeader)) {
        *why = journal.errorString();
        return false;
    }
    for (qint64 at = 0; at < h.length;) {
        const qint64 n = qMin<qint64>(block.size(), h.length - at);
        if (journal.read(block.data(), n) != n) {
            *why = QStringLiteral("lettura del giornale non riuscita");
            return false;
        }
        if (!Disk::write(archive, h.offset + at, block.constData(), n, why))
            return false;
        at += n;
    }
    const qint64 size = Disk::size(archive);
    if (size > h.oldSize && size <= h.newEnd && !Disk::resize(archive, h.oldSize, why))
        return false;
    return Disk::sync(archive, why);
}

// Rule 4's durable step: the magic overwritten with zeros and flushed.
bool invalidate(const QString &path, QString *why)
{
    QFile journal(path);
    if (!journal.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        *why = journal.errorString();
        return false;
    }
    static const char zeros[sizeof kMagic] = {};
    const bool flushed = Disk::write(journal, 0, zeros, sizeof zeros, why) && Disk::sync(journal, why);
    return Disk::close(journal, flushed ? why : nullptr) && flushed;
}

bool magicIntact(const QString &path)
{
    QFile journal(path);
    if (!journal.open(QIODevice::ReadOnly))
        return true; // unknown: the next open decides, as for a hot one
    return journal.read(sizeof kMagic) == QByteArrayView(kMagic, sizeof kMagic);
}

} // namespace

QString RollbackJournal::pathFor(const QString &archive)
{
    return archive + QStringLiteral("-journal");
}

bool RollbackJournal::isJournal(const QString &fileName)
{
    return fileName.endsWith(QLatin1String("-journal"), Qt::CaseInsensitive);
}

RollbackJournal::RollbackJournal(QFile &archive, qint64 offset, qint64 newEnd, QByteArrayView newHash,
                                 const QString &what, Extent extent)
    : m_archive(archive), m_path(pathFor(archive.fileName())), m_oldSize(Disk::size(archive)), m_offset(offset),
      m_newEnd(newEnd)
{
    Q_ASSERT(newHash.size() == kHash && offset >= 0 && newEnd >= offset);
    if (m_oldSize < 0)
        throw ArchiveError(archive.fileName(), QStringLiteral("%1 non riuscita (dimensione del file illeggibile)").arg(what));
    m_length = qMax<qint64>(0, m_oldSize - offset);
    if (extent == Extent::Range)
        m_length = qMin(m_length, newEnd - offset);
    if (m_length > qint64(0xFFFFFFFFu))
        throw ArchiveError(archive.fileName(), QStringLiteral("%1 non riuscita (archivio oltre 4 GB)").arg(what));

    QString why;
    QFile out(m_path);
    bool saved = out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    if (!saved)
        why = out.errorString();
    // Put down in blocks: a record's journal is one write, a rewrite's as
    // many as its size asks.
    QCryptographicHash sum(QCryptographicHash::Sha1);
    QByteArray pending;
    pending.reserve(int(qMin(kBlock, kHeader + m_length + 2 * kHash)));
    auto put = [&](const char *data, qint64 n) {
        sum.addData(QByteArrayView(data, n));
        pending.append(data, n);
        if (pending.size() < kBlock)
            return true;
        const bool written = Disk::write(out, -1, pending.constData(), pending.size(), &why);
        pending.clear();
        return written;
    };
    const QByteArray head = encodeHeader({m_oldSize, offset, newEnd, m_length});
    saved = saved && put(head.constData(), head.size());
    QByteArray block(qMin(kBlock, qMax<qint64>(m_length, 1)), Qt::Uninitialized);
    for (qint64 at = 0; saved && at < m_length;) {
        const qint64 n = qMin<qint64>(block.size(), m_length - at);
        if (!archive.seek(offset + at) || archive.read(block.data(), n) != n) {
            why = QStringLiteral("lettura dei dati precedenti");
            saved = false;
            break;
        }
        saved = put(block.constData(), n);
        at += n;
    }
    saved = saved && put(newHash.data(), kHash);
    if (saved) {
        pending += sum.result();
        saved = Disk::write(out, -1, pending.constData(), pending.size(), &why);
    }
    saved = saved && Disk::sync(out, &why);
    saved = Disk::close(out, saved ? &why : nullptr) && saved;
    saved = saved && Disk::syncFolder(QFileInfo(m_path).absolutePath(), &why);
    if (!saved) {
        // The archive is untouched: a journal left behind would only put
        // back the bytes it already holds.
        Disk::remove(m_path, nullptr);
        throw ArchiveError(archive.fileName(), QStringLiteral("%1 non riuscita (%2)").arg(what, why));
    }
}

RollbackJournal::Commit RollbackJournal::commit(QString *why)
{
    if (invalidate(m_path, why)) {
        // Not a step of the save: an invalid journal left behind is harmless.
        QFile::remove(m_path);
        return Commit::Done;
    }
    return magicIntact(m_path) ? Commit::NotDone : Commit::Unflushed;
}

bool RollbackJournal::rollBack(QString *why)
{
    QFile journal(m_path);
    if (!journal.open(QIODevice::ReadOnly)) {
        *why = journal.errorString();
        return false;
    }
    if (!copyBack(journal, m_archive, {m_oldSize, m_offset, m_newEnd, m_length}, why))
        return false;
    journal.close();
    // Rolled back: a journal that stays hot only does it once more.
    QString ignored;
    if (invalidate(m_path, &ignored))
        QFile::remove(m_path);
    return true;
}

void RollbackJournal::recover(QFile &archive)
{
    const QString path = pathFor(archive.fileName());
    if (!QFileInfo::exists(path))
        return;
    auto fail = [&](const QString &reason) { throw ArchiveError(archive.fileName(), reason); };
    // One that opened the archive for reading only rolls back through a
    // descriptor of its own, where it may write.
    QFile own(archive.fileName());
    struct Closer
    {
        QFile &file;
        ~Closer()
        {
            if (file.isOpen())
                FileLock::close(file, nullptr);
        }
    } closer{own};
    QFile *file = &archive;
    if (!archive.isWritable() && own.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        file = &own;
    if (!file->isWritable()) {
        FileLock lock(archive, FileLock::Shared);
        QFile journal(path);
        Header h;
        if (journal.open(QIODevice::ReadOnly) && isHot(journal, &h))
            fail(QStringLiteral("l'ultima scrittura dell'archivio si è interrotta e va annullata, ma da qui il file "
                                "non si può scrivere (%1)")
                     .arg(own.errorString()));
        return;
    }
    FileLock lock(*file, FileLock::Exclusive);
    if (!lock.usable())
        fail(QStringLiteral("impossibile bloccare il file per annullare una scrittura interrotta"));
    QFile journal(path);
    if (!journal.open(QIODevice::ReadOnly))
        return; // finished meanwhile by the workstation that was writing
    Header h;
    const bool hot = isHot(journal, &h);
    QString why;
    if (hot && !copyBack(journal, *file, h, &why))
        fail(QStringLiteral("impossibile annullare una scrittura interrotta (%1)").arg(why));
    journal.close();
    if (!hot || invalidate(path, &why))
        QFile::remove(path);
}

#include "rollbackjournal.h"

#include "archiveerror.h"
#include "disk.h"
#include "filelock.h"
#include "transaction.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

namespace {

constexpr char kMagic[8] = {'S', 'C', 'X', 'J', 'R', 'N', 'L', '1'};
constexpr qint64 kHeader = 8 + 3 * 8 + 4;
constexpr qint64 kHash = 20;
// This version's journals: no SHA-1 of any bytes, so every version rolls
// them back.
constexpr char kAlwaysRollBack[kHash] = {};
// Journals are read, written and rolled back in blocks of this size.
constexpr qint64 kBlock = 1 << 20;
// No archive of this program comes near: a larger value is damage.
constexpr qint64 kMaxOffset = qint64(1) << 50;
// The second format: a change of several archives.
constexpr char kRangesMagic[8] = {'S', 'C', 'X', 'J', 'R', 'N', 'L', '2'};
constexpr qint64 kRangesHeader = 8 + 2 * 8 + 2 * 4;
constexpr qint64 kRangeHead = 8 + 4;
constexpr qint64 kMaxName = 4096;

struct Header
{
    qint64 oldSize = 0;
    qint64 offset = 0;
    qint64 newEnd = 0; // the second format: newSize
    qint64 length = 0;
    // The second format only.
    bool ranges = false;
    quint32 count = 0;
    qint64 firstRange = 0;
    QString superJournal; // resolved; empty when none is named
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

enum class State {
    None,    // no journal
    Hot,     // rule 5: rolls back
    Invalid, // committed, damaged, or an earlier version's finished write
    Unknown, // there, but it could not be read: nothing is decided on it
};

// Reads `n` bytes at `at`, all of them; false on any failure.
bool readAt(QFile &file, qint64 at, char *into, qint64 n)
{
    if (!file.seek(at))
        return false;
    for (qint64 got = 0; got < n;) {
        const qint64 r = file.read(into + got, n - got);
        if (r <= 0)
            return false;
        got += r;
    }
    return true;
}

// Whether an earlier version's change of `archive` reached it whole: its
// new bytes hash to the journal's `newHash`.
State earlierVersion(QFile &archive, const Header &h, const QByteArray &newHash)
{
    const qint64 size = Disk::size(archive);
    if (size < 0)
        return State::Unknown;
    if (size < h.newEnd)
        return State::Hot;
    QCryptographicHash sum(QCryptographicHash::Sha1);
    QByteArray block(qMin(kBlock, qMax<qint64>(h.newEnd - h.offset, 1)), Qt::Uninitialized);
    for (qint64 at = h.offset; at < h.newEnd;) {
        const qint64 n = qMin<qint64>(block.size(), h.newEnd - at);
        if (!readAt(archive, at, block.data(), n))
            return State::Unknown;
        sum.addData(QByteArrayView(block.constData(), n));
        at += n;
    }
    return sum.result() == newHash ? State::Invalid : State::Hot;
}

// The SHA-1 of the journal's bytes before its check against the check.
State checked(QFile &journal, qint64 size)
{
    QCryptographicHash sum(QCryptographicHash::Sha1);
    QByteArray block(qMin(kBlock, size), Qt::Uninitialized);
    for (qint64 at = 0; at < size - kHash;) {
        const qint64 n = qMin<qint64>(block.size(), size - kHash - at);
        if (!readAt(journal, at, block.data(), n))
            return State::Unknown;
        sum.addData(QByteArrayView(block.constData(), n));
        at += n;
    }
    QByteArray check(kHash, Qt::Uninitialized);
    if (!readAt(journal, size - kHash, check.data(), kHash))
        return State::Unknown;
    return check == sum.result() ? State::Hot : State::Invalid;
}

// Rule 5 for a journal of the second format: valid, and hot while the
// super-journal it names stands.
State examineRanges(const QString &path, QFile &journal, qint64 size, Header *h)
{
    if (size < kRangesHeader + kHash)
        return State::Invalid;
    char head[kRangesHeader];
    if (!readAt(journal, 0, head, kRangesHeader))
        return State::Unknown;
    h->ranges = true;
    h->oldSize = qFromLittleEndian<qint64>(head + 8);
    h->newEnd = qFromLittleEndian<qint64>(head + 16);
    h->count = qFromLittleEndian<quint32>(head + 24);
    const qint64 nameLength = qFromLittleEndian<quint32>(head + 28);
    h->firstRange = kRangesHeader + nameLength;
    if (h->oldSize < 0 || h->oldSize > kMaxOffset || h->newEnd < 0 || h->newEnd > kMaxOffset || nameLength > kMaxName
        || h->firstRange + qint64(h->count) * kRangeHead > size - kHash)
        return State::Invalid;
    const State sum = checked(journal, size);
    if (sum != State::Hot)
        return sum;
    // Ranges that no write of this program makes are damage: they could
    // send a rollback anywhere.
    qint64 at = h->firstRange;
    qint64 end = 0;
    for (quint32 i = 0; i < h->count; ++i) {
        char range[kRangeHead];
        if (!readAt(journal, at, range, kRangeHead))
            return State::Unknown;
        const qint64 offset = qFromLittleEndian<qint64>(range);
        const qint64 length = qFromLittleEndian<quint32>(range + 8);
        if (offset < end || offset > h->oldSize || length > h->oldSize - offset || at + kRangeHead + length > size - kHash)
            return State::Invalid;
        end = offset + length;
        at += kRangeHead + length;
    }
    if (at != size - kHash)
        return State::Invalid;
    if (nameLength == 0)
        return State::Hot;
    QByteArray name(nameLength, Qt::Uninitialized);
    if (!readAt(journal, kRangesHeader, name.data(), nameLength))
        return State::Unknown;
    h->superJournal = QDir::cleanPath(QFileInfo(path).absoluteDir().filePath(QString::fromUtf8(name)));
    if (QFileInfo::exists(h->superJournal))
        return State::Hot;
    // Gone: the change committed. Unless the folder itself went away
    // meanwhile, and with it any answer.
    return QFileInfo::exists(path) ? State::Invalid : State::Unknown;
}

// Rule 5 for the journal at `path`, beside `archive`; its fields in `h`.
State examine(const QString &path, QFile &archive, Header *h)
{
    QFile journal(path);
    if (!journal.open(QIODevice::ReadOnly))
        return QFileInfo::exists(path) ? State::Unknown : State::None;
    const qint64 size = Disk::size(journal);
    if (size < 0)
        return State::Unknown;
    if (size >= qint64(sizeof kRangesMagic)) {
        char magic[sizeof kRangesMagic];
        if (!readAt(journal, 0, magic, sizeof magic))
            return State::Unknown;
        if (std::memcmp(magic, kRangesMagic, sizeof magic) == 0)
            return examineRanges(path, journal, size, h);
    }
    if (size < kHeader + 2 * kHash)
        return State::Invalid;
    QByteArray head(kHeader, Qt::Uninitialized);
    if (!readAt(journal, 0, head.data(), kHeader))
        return State::Unknown;
    if (std::memcmp(head.constData(), kMagic, sizeof kMagic) != 0)
        return State::Invalid;
    const char *p = head.constData();
    h->oldSize = qFromLittleEndian<qint64>(p + 8);
    h->offset = qFromLittleEndian<qint64>(p + 16);
    h->newEnd = qFromLittleEndian<qint64>(p + 24);
    h->length = qFromLittleEndian<quint32>(p + 32);
    // Fields that no write of this program makes are damage, whatever the
    // check says: they could send a rollback anywhere.
    if (h->length != size - kHeader - 2 * kHash || h->oldSize < 0 || h->oldSize > kMaxOffset || h->offset < 0
        || h->offset > h->oldSize || h->length > h->oldSize - h->offset || h->newEnd < h->offset
        || h->newEnd > kMaxOffset)
        return State::Invalid;
    if (const State sum = checked(journal, size); sum != State::Hot)
        return sum;
    QByteArray newHash(kHash, Qt::Uninitialized);
    if (!readAt(journal, size - 2 * kHash, newHash.data(), kHash))
        return State::Unknown;
    if (newHash == QByteArrayView(kAlwaysRollBack, kHash))
        return State::Hot;
    return earlierVersion(archive, *h, newHash);
}

// Rule 6, the archive's part: the old bytes back, the change's own growth
// cut off, flushed.
// Streams `length` old bytes from `from` in the journal to `offset` in the
// archive.
bool putBack(QFile &journal, qint64 from, QFile &archive, qint64 offset, qint64 length, QString *why)
{
    QByteArray block(qMin(kBlock, qMax<qint64>(length, 1)), Qt::Uninitialized);
    for (qint64 at = 0; at < length;) {
        const qint64 n = qMin<qint64>(block.size(), length - at);
        if (!readAt(journal, from + at, block.data(), n)) {
            *why = QStringLiteral("lettura del giornale non riuscita");
            return false;
        }
        if (!Disk::write(archive, offset + at, block.constData(), n, why))
            return false;
        at += n;
    }
    return true;
}

bool copyBack(const QString &path, QFile &archive, const Header &h, QString *why)
{
    QFile journal(path);
    if (!journal.open(QIODevice::ReadOnly)) {
        *why = journal.errorString();
        return false;
    }
    if (!h.ranges && !putBack(journal, kHeader, archive, h.offset, h.length, why))
        return false;
    qint64 at = h.firstRange;
    for (quint32 i = 0; h.ranges && i < h.count; ++i) {
        char range[kRangeHead];
        if (!readAt(journal, at, range, kRangeHead)) {
            *why = QStringLiteral("lettura del giornale non riuscita");
            return false;
        }
        const qint64 length = qFromLittleEndian<quint32>(range + 8);
        if (!putBack(journal, at + kRangeHead, archive, qFromLittleEndian<qint64>(range), length, why))
            return false;
        at += kRangeHead + length;
    }
    const qint64 size = Disk::size(archive);
    if (size > h.oldSize && size <= h.newEnd && !Disk::resize(archive, h.oldSize, why))
        return false;
    return Disk::sync(archive, why);
}

// The journal standing beside `archive`: the second format's, inside its
// folder, when the folder is there.
QString present(const QString &archive)
{
    const QString path = RollbackJournal::pathFor(archive);
    return QFileInfo(path).isDir() ? RollbackJournal::rangesPathFor(archive) : path;
}

// A journal removed, and its folder when it had one; a folder left behind
// empty is removed by the next settle.
void removeJournal(const QString &archive, const QString &path, bool throughDisk)
{
    if (throughDisk)
        Disk::remove(path, nullptr);
    else
        QFile::remove(path);
    if (path != RollbackJournal::pathFor(archive))
        QDir().rmdir(RollbackJournal::pathFor(archive));
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

// Whether the journal's magic reads back whole: false when it changed, or
// when it cannot be read back at all.
bool magicIntact(const QString &path)
{
    QFile journal(path);
    char magic[sizeof kMagic];
    return journal.open(QIODevice::ReadOnly) && readAt(journal, 0, magic, sizeof magic)
           && (std::memcmp(magic, kMagic, sizeof kMagic) == 0 || std::memcmp(magic, kRangesMagic, sizeof kMagic) == 0);
}

[[noreturn]] void refuse(const QFile &archive, const QString &reason)
{
    throw ArchiveError(archive.fileName(), reason);
}

QString unreadable()
{
    return QStringLiteral("il giornale dell'ultima scrittura dell'archivio non si può leggere");
}

} // namespace

QString RollbackJournal::pathFor(const QString &archive)
{
    return archive + QStringLiteral("-journal");
}

QString RollbackJournal::rangesPathFor(const QString &archive)
{
    return pathFor(archive) + QStringLiteral("/journal");
}

void RollbackJournal::discard(const QString &archive)
{
    removeJournal(archive, present(archive), true);
}

bool RollbackJournal::isJournal(const QString &fileName)
{
    return fileName.endsWith(QLatin1String("-journal"), Qt::CaseInsensitive);
}

RollbackJournal::RollbackJournal(QFile &archive, qint64 offset, qint64 newEnd, const QString &what, Extent extent)
    : m_archive(archive), m_path(pathFor(archive.fileName())), m_oldSize(Disk::size(archive)), m_offset(offset),
      m_newEnd(newEnd)
{
    Q_ASSERT(offset >= 0 && newEnd >= offset);
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
    const QByteArray head = encodeHeader(Header{m_oldSize, offset, newEnd, m_length, false, 0, 0, {}});
    saved = saved && put(head.constData(), head.size());
    QByteArray block(qMin(kBlock, qMax<qint64>(m_length, 1)), Qt::Uninitialized);
    for (qint64 at = 0; saved && at < m_length;) {
        const qint64 n = qMin<qint64>(block.size(), m_length - at);
        if (!readAt(archive, offset + at, block.data(), n)) {
            why = QStringLiteral("lettura dei dati precedenti");
            saved = false;
            break;
        }
        saved = put(block.constData(), n);
        at += n;
    }
    saved = saved && put(kAlwaysRollBack, kHash);
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
    // Rolled back only where the journal is surely still hot: a rollback
    // with zeros already in it could be cut short by a crash and leave a
    // mixture that nothing puts back.
    return magicIntact(m_path) ? Commit::NotDone : Commit::Unflushed;
}

bool RollbackJournal::rollBack(QString *why)
{
    if (!copyBack(m_path, m_archive, Header{m_oldSize, m_offset, m_newEnd, m_length, false, 0, 0, {}}, why))
        return false;
    // Rolled back: a journal that stays hot only does it once more.
    QString ignored;
    if (invalidate(m_path, &ignored))
        QFile::remove(m_path);
    return true;
}

void RollbackJournal::settle(QFile &archive)
{
    settle(archive, {&archive});
}

void RollbackJournal::settle(QFile &archive, const QList<QFile *> &held)
{
    const QString name = archive.fileName();
    const QString path = present(name);
    if (!QFileInfo::exists(path)) {
        if (path != pathFor(name))
            QDir().rmdir(pathFor(name));
        return;
    }
    Header h;
    QString why;
    switch (examine(path, archive, &h)) {
    case State::None:
        return;
    case State::Unknown:
        refuse(archive, unreadable());
    case State::Hot:
        if (!h.superJournal.isEmpty()) {
            // Every archive of the change goes back together; this one's
            // journal is then gone, or invalid.
            ArchiveTransaction::rollBackChange(h.superJournal, held);
            if (examine(path, archive, &h) == State::Hot)
                refuse(archive, QStringLiteral("impossibile annullare una scrittura interrotta su più archivi"));
            removeJournal(name, path, false);
            return;
        }
        if (!copyBack(path, archive, h, &why))
            refuse(archive, QStringLiteral("impossibile annullare una scrittura interrotta (%1)").arg(why));
        if (invalidate(path, &why))
            removeJournal(name, path, false);
        return;
    case State::Invalid:
        // Committed by the removal of its super-journal: that removal goes
        // to the disk first, or a crash could bring the super-journal back
        // with some of its journals gone.
        if (h.superJournal.isEmpty() || Disk::syncFolder(QFileInfo(h.superJournal).absolutePath(), nullptr))
            removeJournal(name, path, false);
        return;
    }
}

void RollbackJournal::checkReadable(QFile &archive)
{
    const QString path = present(archive.fileName());
    if (!QFileInfo::exists(path))
        return;
    Header h;
    switch (examine(path, archive, &h)) {
    case State::None:
    case State::Invalid:
        return;
    case State::Unknown:
        refuse(archive, unreadable());
    case State::Hot:
        refuse(archive, QStringLiteral("l'ultima scrittura dell'archivio si è interrotta e va annullata"));
    }
}

void RollbackJournal::recover(QFile &archive)
{
    if (!QFileInfo::exists(pathFor(archive.fileName())))
        return;
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
        try {
            checkReadable(archive);
        } catch (const ArchiveError &e) {
            refuse(archive, QStringLiteral("%1, ma da qui il file non si può scrivere (%2)").arg(e.reason(), own.errorString()));
        }
        return;
    }
    // A change of several archives goes back with every lock taken in the
    // change's own order, none held before: two workstations recovering
    // it at once never wait for each other.
    QString superJournal;
    if (lookAt(*file, &superJournal) == Found::Hot && !superJournal.isEmpty())
        ArchiveTransaction::rollBackChange(superJournal, {});
    FileLock lock(*file, FileLock::Exclusive);
    if (!lock.usable())
        refuse(archive, QStringLiteral("impossibile bloccare il file per annullare una scrittura interrotta"));
    settle(*file);
}

bool RollbackJournal::writeRanges(QFile &archive, const QList<Range> &ranges, qint64 newSize,
                                  const QString &superJournal, QString *why)
{
    const QString folder = pathFor(archive.fileName());
    const QString path = rangesPathFor(archive.fileName());
    if (!QDir().mkdir(folder) && !QFileInfo(folder).isDir()) {
        *why = QStringLiteral("impossibile creare la cartella %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    const qint64 oldSize = Disk::size(archive);
    if (oldSize < 0) {
        *why = QStringLiteral("dimensione del file illeggibile");
        return false;
    }
    const QByteArray name = superJournal.isEmpty()
                                ? QByteArray()
                                : QFileInfo(path).absoluteDir().relativeFilePath(superJournal).toUtf8();
    QFile out(path);
    bool saved = out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    if (!saved)
        *why = out.errorString();
    QCryptographicHash sum(QCryptographicHash::Sha1);
    QByteArray pending;
    auto put = [&](const char *data, qint64 n) {
        sum.addData(QByteArrayView(data, n));
        pending.append(data, n);
        if (pending.size() < kBlock)
            return true;
        const bool written = Disk::write(out, -1, pending.constData(), pending.size(), why);
        pending.clear();
        return written;
    };
    char head[kRangesHeader];
    std::memcpy(head, kRangesMagic, sizeof kRangesMagic);
    qToLittleEndian<qint64>(oldSize, head + 8);
    qToLittleEndian<qint64>(newSize, head + 16);
    qToLittleEndian<quint32>(quint32(ranges.size()), head + 24);
    qToLittleEndian<quint32>(quint32(name.size()), head + 28);
    saved = saved && put(head, kRangesHeader) && put(name.constData(), name.size());
    QByteArray block;
    for (const Range &r : ranges) {
        if (!saved)
            break;
        Q_ASSERT(r.offset >= 0 && r.length >= 0 && r.offset + r.length <= oldSize && r.length <= 0xFFFFFFFFll);
        char rangeHead[kRangeHead];
        qToLittleEndian<qint64>(r.offset, rangeHead);
        qToLittleEndian<quint32>(quint32(r.length), rangeHead + 8);
        saved = put(rangeHead, kRangeHead);
        block.resize(qMin(kBlock, qMax<qint64>(r.length, 1)));
        for (qint64 at = 0; saved && at < r.length;) {
            const qint64 n = qMin<qint64>(block.size(), r.length - at);
            if (!readAt(archive, r.offset + at, block.data(), n)) {
                *why = QStringLiteral("lettura dei dati precedenti");
                saved = false;
                break;
            }
            saved = put(block.constData(), n);
            at += n;
        }
    }
    if (saved) {
        pending += sum.result();
        saved = Disk::write(out, -1, pending.constData(), pending.size(), why);
    }
    saved = saved && Disk::sync(out, why);
    saved = Disk::close(out, saved ? why : nullptr) && saved;
    saved = saved && Disk::syncFolder(folder, why);
    if (!saved)
        removeJournal(archive.fileName(), path, true);
    return saved;
}

RollbackJournal::Found RollbackJournal::lookAt(QFile &archive, QString *superJournal)
{
    const QString path = present(archive.fileName());
    if (!QFileInfo::exists(path))
        return Found::None;
    Header h;
    switch (examine(path, archive, &h)) {
    case State::None:
    case State::Invalid:
        return Found::None;
    case State::Unknown:
        return Found::Unreadable;
    case State::Hot:
        break;
    }
    *superJournal = h.superJournal;
    return Found::Hot;
}

bool RollbackJournal::restore(QFile &archive, QString *why)
{
    const QString path = present(archive.fileName());
    Header h;
    if (examine(path, archive, &h) != State::Hot) {
        *why = unreadable();
        return false;
    }
    return ::copyBack(path, archive, h, why);
}

RollbackJournal::Commit RollbackJournal::commitAt(const QString &archive, QString *why)
{
    const QString path = present(archive);
    if (invalidate(path, why)) {
        removeJournal(archive, path, false);
        return Commit::Done;
    }
    return magicIntact(path) ? Commit::NotDone : Commit::Unflushed;
}

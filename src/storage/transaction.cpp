#include "transaction.h"

#include "disk.h"
#include "filelock.h"
#include "rollbackjournal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <map>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {

constexpr char kSuperMagic[8] = {'S', 'C', 'X', 'S', 'U', 'P', 'R', '1'};
constexpr qint64 kHash = 20;
// A list of a few archives: anything larger is damage.
constexpr qint64 kMaxSuper = 1 << 20;

QString absolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// Rule 1's order. The file name comes first: every workstation sees the
// same one, whatever path it reaches the shared folder by.
QString orderKey(const QString &path)
{
    const QFileInfo info(path);
    const QString full = info.canonicalFilePath().isEmpty() ? absolute(path) : info.canonicalFilePath();
    return QFileInfo(full).fileName().toCaseFolded() + QChar(0) + full.toCaseFolded() + QChar(0) + full;
}

bool sameFile(const QString &a, const QString &b)
{
#ifndef Q_OS_WIN
    // The file itself, whatever letter case a shared folder lets a path
    // reach it by.
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
    const QString ca = QFileInfo(a).canonicalFilePath();
    const QString cb = QFileInfo(b).canonicalFilePath();
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    const Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    if (ca.isEmpty() || cb.isEmpty())
        return absolute(a).compare(absolute(b), cs) == 0;
    return ca.compare(cb, cs) == 0;
}

enum class Super { Listed, Gone, Unreadable };

// The archives a super-journal lists, as paths from its folder resolved.
Super readSuper(const QString &path, QStringList *archives)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QFileInfo::exists(path) ? Super::Unreadable : Super::Gone;
    const qint64 size = file.size();
    if (size < qint64(sizeof kSuperMagic) + 4 + kHash || size > kMaxSuper)
        return Super::Unreadable;
    const QByteArray bytes = file.readAll();
    if (bytes.size() != size || std::memcmp(bytes.constData(), kSuperMagic, sizeof kSuperMagic) != 0
        || QCryptographicHash::hash(QByteArrayView(bytes).first(size - kHash), QCryptographicHash::Sha1)
               != bytes.right(kHash))
        return Super::Unreadable;
    const QDir folder = QFileInfo(path).absoluteDir();
    const quint32 count = qFromLittleEndian<quint32>(bytes.constData() + 8);
    qint64 at = 12;
    for (quint32 i = 0; i < count; ++i) {
        if (at + 4 > size - kHash)
            return Super::Unreadable;
        const qint64 n = qFromLittleEndian<quint32>(bytes.constData() + at);
        if (n == 0 || at + 4 + n > size - kHash)
            return Super::Unreadable;
        *archives << QDir::cleanPath(folder.filePath(QString::fromUtf8(bytes.constData() + at + 4, n)));
        at += 4 + n;
    }
    return at == size - kHash ? Super::Listed : Super::Unreadable;
}

// Whether the super-journal still reads as one: a removal that failed with
// it whole committed nothing.
bool superIntact(const QString &path)
{
    QFile file(path);
    char magic[sizeof kSuperMagic];
    return file.open(QIODevice::ReadOnly) && file.read(magic, sizeof magic) == qint64(sizeof magic)
           && std::memcmp(magic, kSuperMagic, sizeof magic) == 0;
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

} // namespace

struct ArchiveTransaction::Member
{
    explicit Member(const Archive &a) : path(a.path), recordSize(a.recordSize), file(a.path) {}
    ~Member()
    {
        lock.reset();
        FileLock::close(file, nullptr);
    }

    bool changed() const { return !rewritten.empty() || !appended.isEmpty(); }
    [[noreturn]] void fail(const QString &reason) const { throw ArchiveError(path, reason); }

    QString path;
    QString key;
    int recordSize;
    QFile file;
    std::unique_ptr<FileLock> lock;
    qint64 oldSize = 0;
    qint64 oldCount = 0;
    std::map<qint64, QByteArray> rewritten; // records that were there
    QList<QByteArray> appended;
    bool journaled = false;
};

ArchiveTransaction::ArchiveTransaction(const QList<Archive> &archives)
{
    for (const Archive &a : archives) {
        auto member = std::make_unique<Member>(a);
        if (a.recordSize <= 0)
            member->fail(QStringLiteral("dimensione del record non valida"));
        if (QFileInfo(a.path).isDir())
            member->fail(QStringLiteral("è una cartella, non un archivio"));
        // Created empty when missing, as RecordFile does.
        if (!member->file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            member->fail(QStringLiteral("impossibile aprire o creare il file in lettura e scrittura (%1)")
                           .arg(member->file.errorString()));
        if (!QFileInfo(a.path).isFile())
            member->fail(QStringLiteral("non è un file normale, non un archivio"));
        member->key = orderKey(a.path);
        m_members.push_back(std::move(member));
    }
    std::sort(m_members.begin(), m_members.end(), [](const auto &x, const auto &y) { return x->key < y->key; });
    for (size_t i = 1; i < m_members.size(); ++i) {
        if (sameFile(m_members[i - 1]->path, m_members[i]->path))
            m_members[i]->fail(QStringLiteral("archivio indicato due volte nella stessa scrittura"));
    }
    QList<QFile *> held;
    for (const auto &p : m_members) {
        p->lock = std::make_unique<FileLock>(p->file, FileLock::Exclusive);
        if (!p->lock->usable())
            p->fail(QStringLiteral("impossibile bloccare il file per la scrittura su più archivi"));
        held << &p->file;
    }
    for (const auto &p : m_members) {
        RollbackJournal::settle(p->file, held);
        p->oldSize = Disk::size(p->file);
        if (p->oldSize < 0)
            p->fail(QStringLiteral("impossibile leggere la dimensione del file"));
        p->oldCount = p->oldSize / p->recordSize;
    }
    dropStaleSuperJournals(held);
}

void ArchiveTransaction::dropStaleSuperJournals(const QList<QFile *> &held)
{
    // A super-journal whose archives are all locked here belongs to no
    // change under way, and every journal naming it was settled above: it
    // is one that a failing disk could not remove. One that cannot be read
    // was cut short while it was written, before any journal named it: it
    // goes when the archive it is named after is locked here, since its
    // writer held that lock.
    QStringList folders;
    for (QFile *f : held) {
        if (!folders.contains(folderOf(f->fileName())))
            folders << folderOf(f->fileName());
    }
    for (const QString &folder : folders) {
        const QStringList names = QDir(folder).entryList({QStringLiteral("*.super-journal")}, QDir::Files | QDir::Hidden);
        for (const QString &name : names) {
            const QString path = QDir(folder).filePath(name);
            QStringList listed;
            const Super super = readSuper(path, &listed);
            const auto isHeld = [&](const QString &a) {
                return std::any_of(held.begin(), held.end(), [&](QFile *f) { return sameFile(f->fileName(), a); });
            };
            const QString named = name.chopped(qsizetype(sizeof ".super-journal") - 1);
            const bool stale = super == Super::Listed ? std::all_of(listed.begin(), listed.end(), isHeld)
                               : super == Super::Unreadable && named.contains(u'-')
                                   && isHeld(QDir(folder).filePath(named.left(named.lastIndexOf(u'-'))));
            if (stale)
                Disk::remove(path, nullptr);
        }
    }
}

ArchiveTransaction::~ArchiveTransaction()
{
    finish();
}

void ArchiveTransaction::finish()
{
    m_over = true;
    for (const auto &p : m_members) {
        p->lock.reset();
        // After a write the close is checked: a share may report a lost
        // write-back only there.
        QString why;
        if (!FileLock::close(p->file, p->journaled ? &why : nullptr) && p->journaled && m_unflushed.isEmpty())
            m_unflushed = QStringLiteral("chiusura del file %1 non riuscita (%2)").arg(QFileInfo(p->path).fileName(), why);
    }
}

ArchiveTransaction::Member &ArchiveTransaction::member(const QString &path)
{
    if (m_over)
        throw ArchiveError(path, QStringLiteral("scrittura su più archivi già conclusa"));
    for (const auto &p : m_members) {
        if (p->path == path || sameFile(p->path, path))
            return *p;
    }
    throw ArchiveError(path, QStringLiteral("archivio non compreso nella scrittura su più archivi"));
}

qint64 ArchiveTransaction::count(const QString &path)
{
    const Member &p = member(path);
    return p.oldCount + p.appended.size();
}

QByteArray ArchiveTransaction::read(const QString &path, qint64 position)
{
    Member &p = member(path);
    const qint64 n = p.oldCount + p.appended.size();
    if (position < 1 || position > n)
        p.fail(QStringLiteral("posizione %1 fuori dall'archivio (%2 record)").arg(position).arg(n));
    if (position > p.oldCount)
        return p.appended.at(position - p.oldCount - 1);
    if (const auto it = p.rewritten.find(position); it != p.rewritten.end())
        return it->second;
    QByteArray bytes(p.recordSize, Qt::Uninitialized);
    qint64 got = 0;
    if (p.file.seek((position - 1) * p.recordSize)) {
        for (qint64 r = 0; got < bytes.size(); got += r) {
            r = p.file.read(bytes.data() + got, bytes.size() - got);
            if (r <= 0)
                break;
        }
    }
    if (got != bytes.size())
        p.fail(QStringLiteral("lettura del record %1 non riuscita").arg(position));
    return bytes;
}

void ArchiveTransaction::write(const QString &path, qint64 position, QByteArrayView record)
{
    Member &p = member(path);
    if (record.size() != p.recordSize)
        p.fail(QStringLiteral("record di %1 byte invece di %2").arg(record.size()).arg(p.recordSize));
    const qint64 n = p.oldCount + p.appended.size();
    if (position < 1 || position > n)
        p.fail(QStringLiteral("posizione %1 fuori dall'archivio (%2 record)").arg(position).arg(n));
    if (position > p.oldCount)
        p.appended[position - p.oldCount - 1] = record.toByteArray();
    else
        p.rewritten[position] = record.toByteArray();
}

qint64 ArchiveTransaction::append(const QString &path, QByteArrayView record)
{
    Member &p = member(path);
    if (record.size() != p.recordSize)
        p.fail(QStringLiteral("record di %1 byte invece di %2").arg(record.size()).arg(p.recordSize));
    p.appended << record.toByteArray();
    return p.oldCount + p.appended.size();
}

bool ArchiveTransaction::isSuperJournal(const QString &fileName)
{
    return fileName.endsWith(QLatin1String(".super-journal"), Qt::CaseInsensitive);
}

void ArchiveTransaction::failCommit(const QString &why)
{
    finish();
    throw ArchiveError(m_members.empty() ? QString() : m_members.front()->path,
                       QStringLiteral("scrittura su più archivi non riuscita (%1)").arg(why));
}

namespace {

// Rule 3: the super-journal listing `archives`, on the disk under a new
// name in the first one's folder; empty, with `why`, when it cannot be.
QString createSuper(const QStringList &archives, QString *why)
{
    const QString folder = folderOf(archives.front());
    QByteArray bytes(kSuperMagic, sizeof kSuperMagic);
    char n[4];
    qToLittleEndian<quint32>(quint32(archives.size()), n);
    bytes.append(n, 4);
    for (const QString &a : archives) {
        const QByteArray name = QDir(folder).relativeFilePath(absolute(a)).toUtf8();
        qToLittleEndian<quint32>(quint32(name.size()), n);
        bytes.append(n, 4);
        bytes += name;
    }
    bytes += QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    QFile file;
    for (int attempt = 0;; ++attempt) {
        file.setFileName(QStringLiteral("%1/%2-%3.super-journal")
                             .arg(folder, QFileInfo(archives.front()).fileName())
                             .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            break;
        if (attempt == 15 || !QFileInfo::exists(file.fileName())) {
            *why = file.errorString();
            return QString();
        }
    }
    bool saved = Disk::write(file, 0, bytes.constData(), bytes.size(), why) && Disk::sync(file, why);
    saved = Disk::close(file, saved ? why : nullptr) && saved;
    saved = saved && Disk::syncFolder(folder, why);
    if (!saved) {
        Disk::remove(file.fileName(), nullptr);
        return QString();
    }
    return file.fileName();
}

} // namespace

ArchiveTransaction::Committed ArchiveTransaction::commit()
{
    if (m_over)
        throw ArchiveError(QString(), QStringLiteral("scrittura su più archivi già conclusa"));
    std::vector<Member *> changed;
    QStringList paths;
    for (const auto &p : m_members) {
        if (p->changed()) {
            changed.push_back(p.get());
            paths << p->path;
        }
    }
    if (changed.empty()) {
        finish();
        return Committed::Done;
    }
    QString why;
    QString super;
    if (changed.size() > 1) {
        super = createSuper(paths, &why);
        if (super.isEmpty())
            failCommit(why);
    }
    // Before any archive is touched: what was put down goes, and the
    // archives stay as they are.
    auto abandon = [&] {
        for (Member *p : changed) {
            if (p->journaled)
                RollbackJournal::discard(p->file.fileName());
        }
        if (!super.isEmpty() && Disk::remove(super, nullptr))
            Disk::syncFolder(folderOf(super), nullptr);
        failCommit(why);
    };
    // Rule 9, once the archives may have been touched.
    auto rollBack = [&] {
        bool back = true;
        QString ignored;
        for (Member *p : changed)
            back = RollbackJournal::restore(p->file, &ignored) && back;
        if (back) {
            for (Member *p : changed)
                RollbackJournal::commitAt(p->file.fileName(), &ignored);
            if (!super.isEmpty() && Disk::remove(super, nullptr))
                Disk::syncFolder(folderOf(super), nullptr);
        }
        failCommit(why);
    };

    // Rule 4.
    QStringList folders;
    for (Member *p : changed) {
        const qint64 rs = p->recordSize;
        QList<RollbackJournal::Range> ranges;
        for (const auto &[position, record] : p->rewritten)
            ranges.append({(position - 1) * rs, rs});
        // A trailing partial record goes under the first one appended.
        if (!p->appended.isEmpty() && p->oldSize > p->oldCount * rs)
            ranges.append({p->oldCount * rs, p->oldSize - p->oldCount * rs});
        const qint64 newSize = p->appended.isEmpty() ? p->oldSize : (p->oldCount + p->appended.size()) * rs;
        if (!RollbackJournal::writeRanges(p->file, ranges, newSize, super, &why))
            abandon();
        p->journaled = true;
        if (!folders.contains(folderOf(p->file.fileName())))
            folders << folderOf(p->file.fileName());
    }
    for (const QString &folder : folders) {
        if (!Disk::syncFolder(folder, &why))
            abandon();
    }

    // Rule 5.
    for (Member *p : changed) {
        const qint64 rs = p->recordSize;
        bool written = true;
        for (const auto &[position, record] : p->rewritten)
            written = written && Disk::write(p->file, (position - 1) * rs, record.constData(), rs, &why);
        if (written && !p->appended.isEmpty()) {
            QByteArray records;
            records.reserve(p->appended.size() * rs);
            for (const QByteArray &r : p->appended)
                records += r;
            written = Disk::write(p->file, p->oldCount * rs, records.constData(), records.size(), &why);
        }
        if (!written || !Disk::sync(p->file, &why))
            rollBack();
    }

    // Rules 6, 10 and 11.
    Committed result = Committed::Done;
    if (super.isEmpty()) {
        switch (RollbackJournal::commitAt(changed.front()->file.fileName(), &why)) {
        case RollbackJournal::Commit::Done:
            break;
        case RollbackJournal::Commit::NotDone:
            rollBack();
            break;
        case RollbackJournal::Commit::Unflushed:
            m_unflushed = why;
            result = Committed::Unflushed;
            break;
        }
    } else if (!Disk::remove(super, &why)) {
        if (superIntact(super))
            rollBack();
        m_unflushed = why;
        result = Committed::Unflushed;
    } else if (!Disk::syncFolder(folderOf(super), &why)) {
        m_unflushed = why;
        result = Committed::Unflushed;
    } else {
        // Rule 7.
        for (Member *p : changed)
            RollbackJournal::discard(p->file.fileName());
    }
    finish();
    return m_unflushed.isEmpty() ? result : Committed::Unflushed;
}

void ArchiveTransaction::rollBackChange(const QString &superJournal, const QList<QFile *> &held)
{
    QStringList listed;
    switch (readSuper(superJournal, &listed)) {
    case Super::Gone:
        return;
    case Super::Unreadable:
        throw ArchiveError(superJournal, QStringLiteral("il giornale di una scrittura su più archivi non si può leggere"));
    case Super::Listed:
        break;
    }
    std::sort(listed.begin(), listed.end(), [](const QString &a, const QString &b) { return orderKey(a) < orderKey(b); });

    struct Opened
    {
        QFile *file = nullptr;
        std::unique_ptr<QFile> own;
        std::unique_ptr<FileLock> lock;
        Opened() = default;
        Opened(Opened &&) = default;
        ~Opened()
        {
            lock.reset();
            if (own)
                FileLock::close(*own, nullptr);
        }
    };
    std::vector<Opened> opened;
    opened.reserve(listed.size());
    for (const QString &path : listed) {
        Opened o;
        for (QFile *h : held) {
            if (sameFile(h->fileName(), path))
                o.file = h;
        }
        if (!o.file) {
            // No archive, no journal: nothing of it to put back.
            if (!QFileInfo::exists(path))
                continue;
            o.own = std::make_unique<QFile>(path);
            if (!o.own->open(QIODevice::ReadWrite | QIODevice::Unbuffered))
                throw ArchiveError(path, QStringLiteral("impossibile aprire il file per annullare una scrittura "
                                                        "interrotta su più archivi (%1)")
                                             .arg(o.own->errorString()));
            // Holding some locks already, the others are taken only when
            // free: waiting out of rule 1's order could wait for ever.
            o.lock = held.isEmpty() ? std::make_unique<FileLock>(*o.own, FileLock::Exclusive)
                                    : FileLock::tryTake(*o.own, FileLock::Exclusive);
            if (!o.lock)
                throw ArchiveError(path, QStringLiteral("un'altra postazione sta usando l'archivio mentre si annulla una "
                                                        "scrittura interrotta su più archivi: riprovare"));
            if (!o.lock->usable())
                throw ArchiveError(path, QStringLiteral("impossibile bloccare il file per annullare una scrittura "
                                                        "interrotta"));
            o.file = o.own.get();
        }
        opened.push_back(std::move(o));
    }
    if (!QFileInfo::exists(superJournal))
        return;
    std::vector<QFile *> rolled;
    for (const Opened &o : opened) {
        QString named;
        switch (RollbackJournal::lookAt(*o.file, &named)) {
        case RollbackJournal::Found::None:
            break;
        case RollbackJournal::Found::Unreadable:
            throw ArchiveError(o.file->fileName(),
                               QStringLiteral("il giornale dell'ultima scrittura dell'archivio non si può leggere"));
        case RollbackJournal::Found::Hot:
            if (named.isEmpty() || !sameFile(named, superJournal))
                break;
            QString why;
            if (!RollbackJournal::restore(*o.file, &why))
                throw ArchiveError(o.file->fileName(),
                                   QStringLiteral("impossibile annullare una scrittura interrotta (%1)").arg(why));
            rolled.push_back(o.file);
            break;
        }
    }
    QString ignored;
    for (QFile *f : rolled)
        RollbackJournal::commitAt(f->fileName(), &ignored);
    if (Disk::remove(superJournal, nullptr))
        Disk::syncFolder(folderOf(superJournal), nullptr);
}

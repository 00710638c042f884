// Making a copy: the day's own, and the one taken before a restore.
#include "safetycopies.h"

#include "storage/archiveerror.h"
#include "storage/archivekind.h"
#include "storage/filelock.h"
#include "storage/programfolder.h"
#include "storage/recordfile.h"
#include "storage/recordlayout.h"
#include "storage/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <new>

namespace SafetyCopies {

namespace {

// Archives are mostly zero padding: the fastest level packs them some
// twenty times smaller, in half the time of the default level.
constexpr int kLevel = 1;

// Hands the file's bytes to `take`: an archive in blocks of whole records
// under its shared lock, the password file whole (it is replaced, never
// written in place).
bool readFile(const QString &path, const std::function<bool(QByteArrayView)> &take)
{
    if (const ArchiveKind *kind = ArchiveKinds::byFileName(path)) {
        RecordFile file(path, kind->layout().size(), RecordFile::Mode::ReadOnly);
        return file.readWhole(take);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ArchiveError(path, QStringLiteral("impossibile aprire il file in lettura (%1)").arg(file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ArchiveError(path, QStringLiteral("lettura non riuscita (%1)").arg(file.errorString()));
    return take(bytes);
}

bool stopped(const std::atomic<bool> *stop)
{
    return stop && stop->load();
}

// Whether the file now differs from `entry`: by its size, or else by its CRC.
bool differs(const QString &path, const Zip::Entry &entry, const std::atomic<bool> *stop)
{
    if (QFileInfo(path).size() != entry.size)
        return true;
    quint32 crc = quint32(crc32(0, nullptr, 0));
    qint64 size = 0;
    readFile(path, [&](QByteArrayView bytes) {
        crc = quint32(crc32(crc, reinterpret_cast<const Bytef *>(bytes.data()), uInt(bytes.size())));
        size += bytes.size();
        return !stopped(stop);
    });
    return crc != entry.crc || size != entry.size;
}

// Writes `files` of the program folder into the copy `name`, whole or not
// at all.
Outcome write(const QString &programFolder, const QString &name, const QStringList &files, const QString &comment,
              const std::atomic<bool> *stop)
{
    Outcome out;
    out.name = name;
    const QString dirPath = folder(programFolder);
    if (!QDir().mkpath(dirPath)) {
        out.error = QStringLiteral("impossibile creare la cartella %1").arg(QDir::toNativeSeparators(dirPath));
        return out;
    }
    SafeFile zip(QDir(dirPath).filePath(name));
    if (!zip.open(QIODevice::WriteOnly)) {
        out.error = zip.errorString();
        return out;
    }
    Zip::Writer writer(&zip, kLevel);
    try {
        for (const QString &file : files) {
            const QString path = programFile(programFolder, file);
            const QFileInfo info(path);
            if (!writer.begin(file, info.lastModified(), info.size()))
                break;
            const bool whole = readFile(path, [&](QByteArrayView bytes) {
                return writer.add(bytes) && !stopped(stop);
            });
            if (!whole && stopped(stop)) {
                out.abandoned = true;
                zip.cancelWriting();
                return out;
            }
            if (!writer.end())
                break;
            out.files << file;
            out.bytes += writer.entries().last().size;
        }
    } catch (const ArchiveError &e) {
        zip.cancelWriting();
        out.files.clear();
        // Told to stop while it waited for another workstation's lock.
        if (stopped(stop))
            out.abandoned = true;
        else
            out.error = QStringLiteral("%1: %2").arg(QFileInfo(e.path()).fileName(), e.reason());
        return out;
    }
    if (!writer.finish(comment) || !zip.commit()) {
        out.error = writer.errorString().isEmpty() ? zip.errorString() : writer.errorString();
        zip.cancelWriting();
        out.files.clear();
        out.bytes = 0;
        return out;
    }
    out.made = true;
    out.zipBytes = QFileInfo(zip.fileName()).size();
    return out;
}

Outcome dailyCopy(const QString &programFolder, const QDate &today, const std::atomic<bool> *stop)
{
    Outcome out;
    const QString todayName = copyFileName(today);
    const QDir dir(folder(programFolder));
    if (QFileInfo::exists(dir.filePath(todayName)))
        return out;
    if (!QDir().mkpath(dir.path())) {
        out.error = QStringLiteral("impossibile creare la cartella %1").arg(QDir::toNativeSeparators(dir.path()));
        return out;
    }
    // One workstation at a time: the one that holds the lock makes the day's
    // copy, the others leave it to that one. Where the lock file cannot be
    // had (another user's, on a share), the copy is made all the same: the
    // lock only saves doing it twice.
    QFile lockFile(dir.filePath(lockFileName()));
    struct Closer
    {
        QFile &file;
        ~Closer() { FileLock::close(file, nullptr); }
    } closer{lockFile};
    std::unique_ptr<FileLock> making;
    if (lockFile.open(QIODevice::ReadWrite)) {
        making = FileLock::tryTake(lockFile, FileLock::Exclusive);
        if (!making) {
            out.elsewhere = true;
            return out;
        }
        if (QFileInfo::exists(dir.filePath(todayName)))
            return out;
    }

    const QList<Copy> copies = list(programFolder);
    QList<Held> held;
    for (const Copy &c : copies) {
        Held h{c.name + QStringLiteral(".zip"), {}};
        for (const Zip::Entry &e : c.entries)
            h.files << e.name;
        held << h;
    }
    const QStringList present = filesIn(programFolder);
    // A file is copied again when its newest copy that stays differs from
    // it, or when no copy that stays holds it: an archive left unchanged for
    // a year is carried into a new copy before its old one goes.
    const QStringList keepWithToday = kept(held + QList<Held>{{todayName, {}}}, present, today);
    QStringList changed;
    try {
        for (const QString &file : present) {
            const Zip::Entry *last = nullptr;
            for (auto c = copies.crbegin(); c != copies.crend() && !last; ++c) {
                if (!c->damage.isEmpty() || !keepWithToday.contains(c->name + QStringLiteral(".zip")))
                    continue;
                for (const Zip::Entry &e : c->entries) {
                    if (e.name.compare(file, Qt::CaseInsensitive) == 0)
                        last = &e;
                }
            }
            if (!last || differs(programFile(programFolder, file), *last, stop))
                changed << file;
            if (stopped(stop)) {
                out.abandoned = true;
                return out;
            }
        }
    } catch (const ArchiveError &e) {
        if (stopped(stop))
            out.abandoned = true;
        else
            out.error = QStringLiteral("%1: %2").arg(QFileInfo(e.path()).fileName(), e.reason());
        return out;
    }
    if (!changed.isEmpty()) {
        out = write(programFolder, todayName, changed,
                    QStringLiteral("Copia di sicurezza di Scortex del %1").arg(today.toString(QStringLiteral("dd/MM/yyyy"))),
                    stop);
        if (!out.made)
            return out;
        held << Held{todayName, changed};
    }
    // Only once the new copy stands are the old ones let go.
    const QStringList keep = kept(held, present, today);
    for (const Copy &c : copies) {
        const QString name = c.name + QStringLiteral(".zip");
        if (!keep.contains(name) && QFile::remove(c.path))
            out.removed << name;
    }
    return out;
}

} // namespace

Outcome daily(const QString &programFolder, const QDate &today, const std::atomic<bool> *stop)
{
    try {
        return dailyCopy(programFolder, today, stop);
    } catch (const std::bad_alloc &) {
        Outcome out;
        out.error = QStringLiteral("memoria insufficiente");
        return out;
    } catch (const std::exception &e) {
        Outcome out;
        out.error = QString::fromUtf8(e.what());
        return out;
    }
}

Outcome beforeRestore(const QString &programFolder, const QDate &today, const QStringList &files)
{
    QStringList present;
    for (const QString &file : files) {
        if (QFileInfo::exists(programFile(programFolder, file)))
            present << file;
    }
    if (present.isEmpty())
        return {};
    int number = 2;
    const QDir dir(folder(programFolder));
    while (QFileInfo::exists(dir.filePath(copyFileName(today, number))))
        ++number;
    return write(programFolder, copyFileName(today, number), present,
                 QStringLiteral("Copia di sicurezza di Scortex presa prima di un ripristino, il %1")
                     .arg(today.toString(QStringLiteral("dd/MM/yyyy"))),
                 nullptr);
}

} // namespace SafetyCopies

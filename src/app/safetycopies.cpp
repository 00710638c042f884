#include "safetycopies.h"

#include "app/passwordfile.h"
#include "storage/archiveerror.h"
#include "storage/archivekind.h"
#include "storage/programfolder.h"
#include "storage/recordfile.h"
#include "storage/recordlayout.h"
#include "storage/safefile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>

namespace SafetyCopies {

namespace {

// Archives are mostly zero padding: the fastest level packs them some
// twenty times smaller, in half the time of the default level.
constexpr int kLevel = 1;

const ArchiveKind *kindOf(const QString &fileName)
{
    return ArchiveKinds::byFileName(fileName);
}

bool isPasswordFile(const QString &fileName)
{
    return fileName.compare(QLatin1StringView(PasswordFile::FileName), Qt::CaseInsensitive) == 0;
}

QString copyFileName(const QDate &date, int number)
{
    const QString day = date.toString(QStringLiteral("yyyy-MM-dd"));
    return number <= 1 ? day + QStringLiteral(".zip") : QStringLiteral("%1-%2.zip").arg(day).arg(number);
}

// Hands the file's bytes to `take`: an archive in blocks of whole records
// under its shared lock, the password file whole (it is replaced, never
// written in place).
bool readFile(const QString &path, const std::function<bool(QByteArrayView)> &take)
{
    if (const ArchiveKind *kind = kindOf(QFileInfo(path).fileName())) {
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

} // namespace

QString folderName()
{
    return QStringLiteral("Copie di sicurezza");
}

QString folder(const QString &programFolder)
{
    return programFile(programFolder, folderName());
}

bool isCopiedName(const QString &fileName)
{
    if (fileName.contains(u'/') || fileName.contains(u'\\') || RecordFile::isJournal(fileName))
        return false;
    return isPasswordFile(fileName) || kindOf(fileName) != nullptr;
}

QStringList filesIn(const QString &programFolder)
{
    QStringList files;
    const QStringList names = QDir(programFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        if (isCopiedName(name))
            files << name;
    }
    return files;
}

bool parseName(const QString &fileName, QDate *date, int *number)
{
    // yyyy-MM-dd.zip or yyyy-MM-dd-N.zip, N from 2 to 9999.
    if (fileName.size() < 14 || !fileName.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        return false;
    const QStringView name = QStringView(fileName).chopped(4);
    auto digits = [](QStringView s) {
        return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!digits(name.sliced(0, 4)) || name[4] != u'-' || !digits(name.sliced(5, 2)) || name[7] != u'-'
        || !digits(name.sliced(8, 2)))
        return false;
    int n = 1;
    if (name.size() > 10) {
        const QStringView tail = name.sliced(11);
        if (name[10] != u'-' || tail.size() > 4 || !digits(tail) || tail.startsWith(u'0'))
            return false;
        n = tail.toInt();
        if (n < 2)
            return false;
    }
    const QDate d(name.sliced(0, 4).toInt(), name.sliced(5, 2).toInt(), name.sliced(8, 2).toInt());
    if (!d.isValid())
        return false;
    if (date)
        *date = d;
    if (number)
        *number = n;
    return true;
}

QList<Copy> list(const QString &programFolder)
{
    QList<Copy> copies;
    const QDir dir(folder(programFolder));
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        Copy c;
        if (!parseName(name, &c.date, &c.number))
            continue;
        c.name = name.left(name.size() - 4);
        c.path = dir.filePath(name);
        QFile file(c.path);
        if (!file.open(QIODevice::ReadOnly)) {
            c.damage = file.errorString();
        } else {
            Zip::Reader reader(&file);
            if (reader.open())
                c.entries = reader.entries();
            else
                c.damage = reader.errorString();
        }
        copies << c;
    }
    std::sort(copies.begin(), copies.end(), [](const Copy &a, const Copy &b) {
        return a.date != b.date ? a.date < b.date : a.number < b.number;
    });
    return copies;
}

QStringList kept(const QStringList &copyNames, const QDate &today)
{
    struct Named
    {
        QString name;
        QDate date;
        int number;
    };
    QList<Named> named;
    for (const QString &name : copyNames) {
        Named n{name, {}, 1};
        if (parseName(name, &n.date, &n.number))
            named << n;
    }
    std::sort(named.begin(), named.end(), [](const Named &a, const Named &b) {
        return a.date != b.date ? a.date < b.date : a.number < b.number;
    });
    QList<QDate> days;
    for (auto it = named.crbegin(); it != named.crend() && days.size() < 10; ++it) {
        if (it->date <= today && (days.isEmpty() || days.last() != it->date))
            days << it->date;
    }
    const QDate firstMonth = QDate(today.year(), today.month(), 1).addMonths(-11);
    QStringList keep;
    QDate monthTaken;
    for (const Named &n : named) {
        const QDate month(n.date.year(), n.date.month(), 1);
        const bool firstOfMonth = month >= firstMonth && month != monthTaken;
        if (firstOfMonth)
            monthTaken = month;
        if (n.date > today || days.contains(n.date) || firstOfMonth)
            keep << n.name;
    }
    return keep;
}

Outcome daily(const QString &programFolder, const QDate &today, const std::atomic<bool> *stop)
{
    Outcome out;
    const QString todayName = copyFileName(today, 1);
    if (QFileInfo::exists(QDir(folder(programFolder)).filePath(todayName)))
        return out;
    const QList<Copy> copies = list(programFolder);
    QStringList names;
    for (const Copy &c : copies)
        names << c.name + QStringLiteral(".zip");
    // A file is copied again when its newest copy that stays differs from
    // it, or when no copy that stays holds it: an archive left unchanged for
    // a year is carried into a new copy before its old one goes.
    const QStringList keepWithToday = kept(names + QStringList{todayName}, today);
    const QStringList present = filesIn(programFolder);
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
        out.error = QStringLiteral("%1: %2").arg(QFileInfo(e.path()).fileName(), e.reason());
        return out;
    }
    if (!changed.isEmpty()) {
        out = write(programFolder, todayName, changed,
                    QStringLiteral("Copia di sicurezza di Scortex del %1").arg(today.toString(QStringLiteral("dd/MM/yyyy"))),
                    stop);
        if (!out.made)
            return out;
        names << todayName;
    }
    // Only once the new copy stands are the old ones let go; the newest
    // copy of a file no longer in the folder (a year's archive deleted by
    // mistake) stays as long as the file is missing.
    QStringList keep = kept(names, today);
    QStringList seen;
    for (auto c = copies.crbegin(); c != copies.crend(); ++c) {
        for (const Zip::Entry &e : c->entries) {
            const bool missing = std::none_of(present.begin(), present.end(), [&](const QString &f) {
                return f.compare(e.name, Qt::CaseInsensitive) == 0;
            });
            if (missing && !seen.contains(e.name, Qt::CaseInsensitive)) {
                seen << e.name;
                keep << c->name + QStringLiteral(".zip");
            }
        }
    }
    for (const Copy &c : copies) {
        const QString name = c.name + QStringLiteral(".zip");
        if (!keep.contains(name) && QFile::remove(c.path))
            out.removed << name;
    }
    return out;
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

namespace {

struct Source
{
    const Copy *copy;
    Zip::Entry entry;
    QByteArray sha1;
};

// The program folder's own spelling of a file name, when it has the file.
QString existingName(const QString &programFolder, const QString &name)
{
    for (const QString &file : filesIn(programFolder)) {
        if (file.compare(name, Qt::CaseInsensitive) == 0)
            return file;
    }
    return name;
}

bool readEntry(const Source &s, const std::function<bool(QByteArrayView)> &take, QString *why)
{
    QFile file(s.copy->path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return false;
    }
    Zip::Reader reader(&file);
    if (!reader.open() || !reader.read(s.entry, take)) {
        *why = reader.errorString();
        return false;
    }
    return true;
}

} // namespace

Restored restore(const QString &programFolder, const QString &copyName, const QStringList &files, const QDate &today)
{
    Restored r;
    auto refuse = [&r](const QString &why) {
        r.refused = true;
        r.error = why;
        return r;
    };
    QString wanted = copyName;
    if (wanted.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        wanted.chop(4);
    const QList<Copy> copies = list(programFolder);
    qsizetype at = -1;
    for (qsizetype i = 0; i < copies.size(); ++i) {
        if (copies[i].name.compare(wanted, Qt::CaseInsensitive) == 0)
            at = i;
    }
    if (at < 0)
        return refuse(QStringLiteral("Nessuna copia di sicurezza %1 nella cartella %2.")
                          .arg(wanted, QDir::toNativeSeparators(folder(programFolder))));
    const Copy &copy = copies[at];
    if (!copy.damage.isEmpty())
        return refuse(QStringLiteral("La copia di sicurezza %1 è danneggiata (%2): nessun archivio è stato ripristinato.")
                          .arg(copy.name, copy.damage));
    for (const Zip::Entry &e : copy.entries) {
        if (!isCopiedName(e.name))
            return refuse(QStringLiteral("La copia di sicurezza %1 contiene il file \"%2\", che non è un archivio di "
                                         "Scortex: nessun archivio è stato ripristinato.")
                              .arg(copy.name, e.name));
    }

    QList<Source> sources;
    if (files.isEmpty()) {
        for (const Zip::Entry &e : copy.entries)
            sources << Source{&copy, e, {}};
    } else {
        for (const QString &file : files) {
            if (!isCopiedName(file))
                return refuse(QStringLiteral("\"%1\" non è un archivio di Scortex: si possono ripristinare Fornitori.pro, "
                                             "Magazzino.pro, gli archivi annuali come 2024.odc e %2.")
                                  .arg(file, QLatin1StringView(PasswordFile::FileName)));
            // Not in this copy: unchanged since an earlier one, which has it.
            // A copy taken before a restore holds only what that restore
            // replaced, so it says nothing of the other files.
            const Zip::Entry *found = nullptr;
            const Copy *from = nullptr;
            if (copy.number > 1 && !copy.entries.isEmpty()
                && std::none_of(copy.entries.begin(), copy.entries.end(), [&](const Zip::Entry &e) {
                       return e.name.compare(file, Qt::CaseInsensitive) == 0;
                   }))
                return refuse(QStringLiteral("La copia di sicurezza %1, presa prima di un ripristino, non contiene %2.")
                                  .arg(copy.name, file));
            for (qsizetype i = at; i >= 0 && !found; --i) {
                // A damaged copy in between may hold a newer version.
                if (!copies[i].damage.isEmpty())
                    return refuse(QStringLiteral("La copia di sicurezza %1 non contiene %2 e la copia %3, che potrebbe "
                                                 "contenerlo, è danneggiata (%4): nessun archivio è stato ripristinato.")
                                      .arg(copy.name, file, copies[i].name, copies[i].damage));
                for (const Zip::Entry &e : copies[i].entries) {
                    if (e.name.compare(file, Qt::CaseInsensitive) == 0) {
                        found = &e;
                        from = &copies[i];
                    }
                }
            }
            if (!found)
                return refuse(QStringLiteral("Nessuna copia di sicurezza di %1 fino alla copia %2.").arg(file, copy.name));
            sources << Source{from, *found, {}};
        }
    }

    // Every file is read whole, CRC checked, before anything is written.
    for (Source &s : sources) {
        QCryptographicHash sum(QCryptographicHash::Sha1);
        QString why;
        if (!readEntry(s, [&](QByteArrayView bytes) {
                sum.addData(bytes);
                return true;
            }, &why))
            return refuse(QStringLiteral("La copia di sicurezza %1 è danneggiata (%2): nessun archivio è stato "
                                         "ripristinato.")
                              .arg(s.copy->name, why));
        s.sha1 = sum.result();
    }

    QStringList targets;
    for (const Source &s : sources)
        targets << existingName(programFolder, s.entry.name);
    const Outcome undo = beforeRestore(programFolder, today, targets);
    if (!undo.error.isEmpty())
        return refuse(QStringLiteral("Impossibile salvare prima una copia degli archivi attuali (%1): nessun archivio "
                                     "è stato ripristinato.")
                          .arg(undo.error));
    if (undo.made)
        r.undoCopy = undo.name.left(undo.name.size() - 4);

    for (qsizetype i = 0; i < sources.size(); ++i) {
        const Source &s = sources[i];
        const QString path = programFile(programFolder, targets[i]);
        QString why;
        try {
            if (const ArchiveKind *kind = kindOf(targets[i])) {
                RecordFile file(path, kind->layout().size(), RecordFile::Mode::ReadWrite);
                file.rewrite(s.entry.size, s.sha1, [&](const RecordFile::Sink &sink) {
                    return readEntry(s, sink, &why);
                });
                file.close();
            } else {
                SafeFile file(path);
                bool whole = file.open(QIODevice::WriteOnly) && readEntry(s, [&](QByteArrayView bytes) {
                    return file.write(bytes.data(), bytes.size()) == bytes.size();
                }, &why);
                whole = whole && file.commit();
                if (!whole)
                    throw ArchiveError(path, why.isEmpty() ? file.errorString() : why);
            }
        } catch (const ArchiveError &e) {
            r.error = QStringLiteral("%1 non è stato ripristinato: %2").arg(targets[i], e.reason());
            if (!why.isEmpty() && !e.reason().contains(why))
                r.error += QStringLiteral(" (%1)").arg(why);
            return r;
        }
        r.files << targets[i];
        r.from << s.copy->name;
    }
    return r;
}

} // namespace SafetyCopies

#include "safetycopies.h"

#include "app/passwordfile.h"
#include "storage/archivekind.h"
#include "storage/programfolder.h"
#include "storage/rollbackjournal.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace SafetyCopies {

QString folderName()
{
    return QStringLiteral("Copie di sicurezza");
}

QString folder(const QString &programFolder)
{
    return programFile(programFolder, folderName());
}

QString copyFileName(const QDate &date, int number)
{
    const QString day = date.toString(QStringLiteral("yyyy-MM-dd"));
    return number <= 1 ? day + QStringLiteral(".zip") : QStringLiteral("%1-%2.zip").arg(day).arg(number);
}

QString lockFileName()
{
    return QStringLiteral(".copia-in-corso.lock");
}

bool isCopiedName(const QString &fileName)
{
    if (fileName.contains(u'/') || fileName.contains(u'\\') || RollbackJournal::isJournal(fileName))
        return false;
    return fileName.compare(QLatin1StringView(PasswordFile::FileName), Qt::CaseInsensitive) == 0
           || ArchiveKinds::byFileName(fileName) != nullptr;
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

QStringList kept(const QList<Held> &copies, const QStringList &present, const QDate &today)
{
    struct Named
    {
        const Held *copy;
        QDate date;
        int number;
    };
    QList<Named> named;
    for (const Held &c : copies) {
        Named n{&c, {}, 1};
        if (parseName(c.name, &n.date, &n.number))
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
            keep << n.copy->name;
    }
    // The newest copy of a file that is gone from the folder stays as long
    // as the file is missing: it may be all there is of it.
    QStringList seen;
    for (auto it = named.crbegin(); it != named.crend(); ++it) {
        for (const QString &file : it->copy->files) {
            const bool missing = std::none_of(present.begin(), present.end(), [&](const QString &f) {
                return f.compare(file, Qt::CaseInsensitive) == 0;
            });
            if (missing && !seen.contains(file, Qt::CaseInsensitive)) {
                seen << file;
                if (!keep.contains(it->copy->name))
                    keep << it->copy->name;
            }
        }
    }
    return keep;
}

} // namespace SafetyCopies

// Putting a copy back.
#include "safetycopies.h"

#include "app/passwordfile.h"
#include "storage/archiveerror.h"
#include "storage/archivekind.h"
#include "storage/programfolder.h"
#include "storage/recordfile.h"
#include "storage/recordlayout.h"
#include "storage/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace SafetyCopies {

namespace {

struct Source
{
    const Copy *copy;
    Zip::Entry entry;
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
            sources << Source{&copy, e};
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
            sources << Source{from, *found};
        }
    }

    // Every file is read whole, CRC checked, before anything is written.
    for (const Source &s : sources) {
        QString why;
        if (!readEntry(s, [](QByteArrayView) { return true; }, &why))
            return refuse(QStringLiteral("La copia di sicurezza %1 è danneggiata (%2): nessun archivio è stato "
                                         "ripristinato.")
                              .arg(s.copy->name, why));
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
            if (const ArchiveKind *kind = ArchiveKinds::byFileName(targets[i])) {
                RecordFile file(path, kind->layout().size(), RecordFile::Mode::ReadWrite);
                file.rewrite(s.entry.size, [&](const RecordFile::Sink &sink) {
                    return readEntry(s, sink, &why);
                });
                try {
                    file.close();
                } catch (const ArchiveError &e) {
                    // Put back already: only its close or its last flush failed.
                    r.files << targets[i];
                    r.from << s.copy->name;
                    r.error = QStringLiteral("%1 è stato ripristinato, ma non risulta confermato sul disco: %2")
                                  .arg(targets[i], e.reason());
                    return r;
                }
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

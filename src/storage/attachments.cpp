#include "attachments.h"
#include "storage/archiveerror.h"
#include "storage/cp1252.h"

#include <QDir>
#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include "storage/safefile.h"

namespace Attachments {

namespace {

QString failed(const QString &name, const QString &why)
{
    return QStringLiteral("Attenzione: non è stato possibile allegare il file \"%1\".\r\n\r\n%2\r\n\r\nIl file allegato "
                          "alla scheda non è stato modificato.")
        .arg(name, why);
}

} // namespace

QString copyInto(const QString &source, const QString &folder, const QString &name)
{
    if (!QDir().mkpath(folder))
        return failed(name, QStringLiteral("Impossibile creare la cartella dei documenti allegati."));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return failed(name, QStringLiteral("Il file scelto non può essere letto."));
    SafeFile out(QDir(folder).filePath(name));
    if (!out.open(QIODevice::WriteOnly))
        return failed(name, QStringLiteral("La cartella dei documenti allegati non consente la scrittura."));
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(block.data(), block.size());
        if (n < 0) {
            out.cancelWriting();
            return failed(name, QStringLiteral("Il file scelto non può essere letto."));
        }
        if (n == 0)
            break;
        if (out.write(block.constData(), n) != n) {
            out.cancelWriting();
            return failed(name, QStringLiteral("La copia non è stata completata: il disco potrebbe essere pieno."));
        }
    }
    if (!out.commit())
        return failed(name, QStringLiteral("La copia non è stata completata: il disco potrebbe essere pieno."));
    return QString();
}

bool isPlainName(const QString &name)
{
    // Archives travel between systems: a separator of any of them is refused.
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u"." && name != u".."
           && !name.contains(u':');
}

bool isWindowsName(const QString &name)
{
    if (name.isEmpty() || name.endsWith(u'.') || name.endsWith(u' '))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 32 || QStringView(u"<>:\"/\\|?*").contains(c))
            return false;
    }
    // The devices keep their names with any extension: "con.txt" is CON.
    const QString base = name.section(u'.', 0, 0).trimmed().toUpper();
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                        QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (devices.contains(base))
        return false;
    if (base.size() == 4 && (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT")))
        && base[3] >= u'1' && base[3] <= u'9')
        return false;
    return true;
}

bool isStorableName(const QString &name)
{
    // The card keeps the name trimmed, in Windows-1252, in 250 bytes: a name
    // it would change would point at no file. The folder is shared with
    // Windows workstations, so the name must be one that Windows can open.
    const QByteArray stored = Cp1252::encode(name);
    return isPlainName(name) && isWindowsName(name) && name == name.trimmed() && stored.size() <= 250
           && Cp1252::decode(stored) == name;
}

QString unstorableNameMessage(const QString &name)
{
    if (isPlainName(name) && !isWindowsName(name))
        return failed(name, QStringLiteral("Il nome del file non è ammesso su Windows: non può contenere i caratteri "
                                           "\\ / : * ? \" < > |, né finire con un punto o uno spazio, né essere un "
                                           "nome riservato come CON, PRN, AUX, NUL, COM1 o LPT1. Rinominare il file "
                                           "e allegarlo di nuovo."));
    return failed(name, QStringLiteral("Il nome del file contiene caratteri non ammessi o supera i 250 caratteri: "
                                       "rinominare il file e allegarlo di nuovo."));
}

QString unsafeNameMessage(const QString &name)
{
    return QStringLiteral("Attenzione: il nome del file allegato \"%1\" non è valido.\r\n\r\nUn file allegato si "
                          "apre soltanto dalla cartella dei documenti allegati: allegarlo di nuovo con il pulsante "
                          "Sfoglia.")
        .arg(name);
}

namespace {

// Opening an attachment hands it to the desktop: a foreign file that the
// desktop would run (a program, a script, a link) is kept as data.
QString asData(const QString &name)
{
    static const QStringList harmless = {
        QStringLiteral(".pdf"), QStringLiteral(".xml"),  QStringLiteral(".p7m"), QStringLiteral(".p7s"),
        QStringLiteral(".txt"), QStringLiteral(".csv"),  QStringLiteral(".jpg"), QStringLiteral(".jpeg"),
        QStringLiteral(".png"), QStringLiteral(".gif"),  QStringLiteral(".tif"), QStringLiteral(".tiff"),
        QStringLiteral(".bmp"), QStringLiteral(".zip"),  QStringLiteral(".doc"), QStringLiteral(".docx"),
        QStringLiteral(".xls"), QStringLiteral(".xlsx"), QStringLiteral(".odt"), QStringLiteral(".ods"),
        QStringLiteral(".rtf"), QStringLiteral(".eml")};
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 && harmless.contains(name.mid(dot), Qt::CaseInsensitive) ? name : name + QStringLiteral(".bin");
}

} // namespace

QString storableName(const QString &foreign, const QString &fallback)
{
    QString name = foreign;
    const qsizetype cut = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    if (cut >= 0)
        name = name.mid(cut + 1);
    QString out;
    for (const QChar c : name)
        out += c.unicode() < 32 || QStringView(u"<>:\"/\\|?*").contains(c) ? QChar(u'_') : c;
    // What Windows-1252 cannot hold would read back as another name.
    out = Cp1252::decode(Cp1252::encode(out)).replace(u'?', u'_');
    out = out.trimmed();
    while (out.endsWith(u'.') || out.endsWith(u' '))
        out.chop(1);
    if (out.isEmpty() || out == u"." || out == u"..")
        return asData(fallback);
    if (!isWindowsName(out))
        out.prepend(u'_');
    const qsizetype dot = out.lastIndexOf(u'.');
    QString extension = dot > 0 && out.size() - dot <= 10 ? out.mid(dot) : QString();
    QString stem = out.left(out.size() - extension.size());
    // Short enough for every file system to take with a temporary suffix,
    // also where each character takes several bytes.
    constexpr qsizetype kLongest = 100;
    if (stem.size() + extension.size() > kLongest)
        stem = stem.left(kLongest - extension.size()).trimmed();
    out = asData(stem + extension);
    return isStorableName(out) ? out : asData(fallback);
}

QString keepBytes(const QString &folder, const QString &name, const QByteArray &bytes)
{
    const auto refuse = [&](const QString &why) {
        throw ArchiveError(QDir(folder).filePath(name),
                           QStringLiteral("il file allegato \"%1\" non può essere salvato nella cartella dei documenti "
                                          "allegati: %2")
                               .arg(name, why));
    };
    if (!QDir().mkpath(folder))
        refuse(QStringLiteral("impossibile creare la cartella."));
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1; n < 1000; ++n) {
        QString candidate = n == 1 ? name : QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(extension);
        const QString path = QDir(folder).filePath(candidate);
        QFile existing(path);
        if (existing.exists()) {
            if (existing.size() != bytes.size())
                continue;
            if (!existing.open(QIODevice::ReadOnly))
                refuse(QStringLiteral("un file con lo stesso nome non si può leggere."));
            if (existing.readAll() == bytes)
                return candidate;
            continue;
        }
        // The name is taken first, atomically: another workstation keeping
        // a different file of the same name at the same moment moves on to
        // the next name instead of writing over this one.
        QFile reserved(path);
        if (!reserved.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(path))
                continue;
            refuse(QStringLiteral("la cartella non consente la scrittura."));
        }
        reserved.close();
        SafeFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
            out.cancelWriting();
            QFile::remove(path);
            refuse(QStringLiteral("la cartella non consente la scrittura o il disco è pieno."));
        }
        if (!out.commit()) {
            QFile::remove(path);
            refuse(QStringLiteral("la copia non è stata completata: il disco potrebbe essere pieno."));
        }
        return candidate;
    }
    refuse(QStringLiteral("troppi file con lo stesso nome."));
    return {};
}

} // namespace Attachments

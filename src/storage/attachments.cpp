#include "attachments.h"


#include "storage/cp1252.h"

#include <QDir>
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

} // namespace Attachments

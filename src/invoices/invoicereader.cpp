#include "invoicereader.h"

#include "invoices/envelope.h"
#include "invoices/invoicexml.h"
#include "storage/zipfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

namespace Invoices {

int Source::lineCount() const
{
    int n = 0;
    for (const Invoice &v : invoices)
        n += int(v.lines.size());
    return n;
}

namespace {

bool isZip(QByteArrayView head)
{
    return head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06");
}

// A file that is not a zip: its envelopes opened, its XML read.
Source readOne(const QString &name, const QByteArray &bytes, bool *notInvoice = nullptr)
{
    Source s;
    s.name = name;
    const Unwrapped u = unwrap(bytes);
    if (!u.error.isEmpty()) {
        s.error = u.error;
        return s;
    }
    ParsedXml parsed = parseXml(u.xml);
    if (notInvoice)
        *notInvoice = parsed.notInvoice;
    if (!parsed.error.isEmpty()) {
        s.error = parsed.error;
        return s;
    }
    s.invoices = std::move(parsed.invoices);
    if (s.invoices.isEmpty())
        s.note = QStringLiteral("il file non contiene alcuna fattura (nessun FatturaElettronicaBody)");
    else if (s.invoices.first().simplified)
        s.note = QStringLiteral("fattura semplificata: non ha righe di dettaglio da caricare");
    else if (s.lineCount() == 0)
        s.note = QStringLiteral("la fattura non ha righe di dettaglio");
    return s;
}

bool invoiceEntryName(const QString &name)
{
    return name.endsWith(QLatin1StringView(".xml"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1StringView(".p7m"), Qt::CaseInsensitive);
}

QList<Source> readZip(const QString &name, QIODevice *in)
{
    auto failed = [&](const QString &why) { return QList<Source>{Source{name, {}, why, {}}}; };
    Zip::Reader zip(in);
    if (!zip.open())
        return failed(QStringLiteral("il file zip non si può leggere: %1").arg(zip.errorString()));
    qint64 total = 0;
    for (const Zip::Entry &e : zip.entries()) {
        if (invoiceEntryName(e.name))
            total += e.size;
    }
    // Refused before anything is unpacked: a bomb costs nothing.
    if (total > Limits::ZipTotalBytes)
        return failed(QStringLiteral("il file zip, estratto, supererebbe %1 MB: non viene letto")
                          .arg(Limits::ZipTotalBytes >> 20));
    QList<Source> out;
    for (const Zip::Entry &e : zip.entries()) {
        if (e.name.endsWith(u'/') || !invoiceEntryName(e.name))
            continue;
        const QString shown = name + u'/' + e.name;
        if (e.size > Limits::ZipEntryBytes) {
            out.append(Source{shown, {},
                              QStringLiteral("estratto supererebbe %1 MB: non viene letto").arg(Limits::ZipEntryBytes >> 20),
                              {}});
            continue;
        }
        QByteArray bytes;
        bytes.reserve(qsizetype(e.size));
        if (!zip.read(e, [&](QByteArrayView piece) {
                bytes.append(piece);
                return true;
            })) {
            out.append(Source{shown, {}, zip.errorString(), {}});
            continue;
        }
        bool notInvoice = false;
        Source s = readOne(shown, bytes, &notInvoice);
        // The exchange system's receipts and metadata travel with the invoices.
        if (notInvoice)
            continue;
        out.append(std::move(s));
    }
    if (out.isEmpty())
        return QList<Source>{Source{name, {}, {}, QStringLiteral("il file zip non contiene fatture elettroniche")}};
    return out;
}

} // namespace

QList<Source> readBytes(const QString &name, const QByteArray &bytes)
{
    if (isZip(bytes)) {
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        return readZip(name, &buffer);
    }
    return {readOne(name, bytes)};
}

QList<Source> readFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    auto failed = [&](const QString &why) { return QList<Source>{Source{name, {}, why, {}}}; };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(QFileInfo(path).isDir() ? QStringLiteral("è una cartella, non un file")
                                              : QStringLiteral("il file non si può aprire"));
    const QByteArray head = file.peek(4);
    if (isZip(head))
        return readZip(name, &file);
    if (file.size() > Limits::FileBytes)
        return failed(QStringLiteral("il file supera %1 MB: non è una fattura elettronica").arg(Limits::FileBytes >> 20));
    const QByteArray bytes = file.read(Limits::FileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failed(QStringLiteral("il file non si può leggere per intero"));
    return {readOne(name, bytes)};
}

} // namespace Invoices

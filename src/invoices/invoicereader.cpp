#include "invoicereader.h"

#include "invoices/envelope.h"
#include "invoices/invoicexml.h"
#include "storage/zipfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

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
Source readOneUnguarded(const QString &name, const QByteArray &bytes, bool *notInvoice)
{
    Source s;
    s.name = name;
    s.bytes = bytes;
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

Source readOne(const QString &name, const QByteArray &bytes, bool *notInvoice = nullptr)
{
    try {
        return readOneUnguarded(name, bytes, notInvoice);
    } catch (const std::bad_alloc &) {
        return Source{name, {}, QStringLiteral("memoria insufficiente per leggere il file"), {}};
    }
}

bool invoiceEntryName(const QString &name)
{
    return name.endsWith(QLatin1StringView(".xml"), Qt::CaseInsensitive) ||
           name.endsWith(QLatin1StringView(".p7m"), Qt::CaseInsensitive);
}

using OpenDevice = std::function<std::unique_ptr<QIODevice>()>;

// A zip of a period holds hundreds of invoices: each worker opens the zip
// on a device of its own and takes the next entry, so that every core
// reads. The results keep the zip's order.
QList<Source> readZip(const QString &name, const OpenDevice &openDevice)
{
    auto failed = [&](const QString &why) { return QList<Source>{Source{name, {}, why, {}}}; };
    const std::unique_ptr<QIODevice> in = openDevice();
    if (!in)
        return failed(QStringLiteral("il file non si può aprire"));
    Zip::Reader zip(in.get());
    if (!zip.open())
        return failed(QStringLiteral("il file zip non si può leggere: %1").arg(zip.errorString()));
    QList<qsizetype> wanted;
    qint64 total = 0;
    for (qsizetype i = 0; i < zip.entries().size(); ++i) {
        const Zip::Entry &e = zip.entries()[i];
        if (e.name.endsWith(u'/') || !invoiceEntryName(e.name))
            continue;
        wanted << i;
        total += e.size;
    }
    // Refused before anything is unpacked: a bomb costs nothing.
    if (total > Limits::ZipTotalBytes)
        return failed(QStringLiteral("il file zip, estratto, supererebbe %1 MB: non viene letto")
                          .arg(Limits::ZipTotalBytes >> 20));

    std::vector<std::optional<Source>> results(size_t(wanted.size()));
    std::atomic<qsizetype> next{0};
    auto work = [&](Zip::Reader &reader) {
        for (qsizetype k; (k = next.fetch_add(1)) < wanted.size();) {
            const Zip::Entry &e = reader.entries()[wanted[k]];
            const QString shown = name + u'/' + e.name;
            if (e.size > Limits::ZipEntryBytes ||
                (e.size > (1 << 20) && e.size > e.packed * Limits::ZipRatio)) {
                results[size_t(k)] = Source{shown, {},
                                            e.size > Limits::ZipEntryBytes
                                                ? QStringLiteral("il file, estratto, supererebbe %1 MB: non viene letto")
                                                      .arg(Limits::ZipEntryBytes >> 20)
                                                : QStringLiteral("il file si estrarrebbe in oltre %1 volte il suo "
                                                                 "spazio nello zip: non viene letto")
                                                      .arg(Limits::ZipRatio),
                                            {}};
                continue;
            }
            QByteArray bytes;
            bool read = false;
            try {
                bytes.reserve(qsizetype(e.size));
                read = reader.read(e, [&](QByteArrayView piece) {
                    bytes.append(piece);
                    return true;
                });
            } catch (const std::bad_alloc &) {
                results[size_t(k)] = Source{shown, {}, QStringLiteral("memoria insufficiente per leggere il file"), {}};
                continue;
            }
            if (!read) {
                // The zip's reason names the entry, which `shown` names already.
                QString why = reader.errorString();
                if (why.startsWith(e.name + QStringLiteral(": ")))
                    why = why.mid(e.name.size() + 2);
                results[size_t(k)] = Source{shown, {}, why, {}};
                continue;
            }
            bool notInvoice = false;
            Source s = readOne(shown, bytes, &notInvoice);
            // The exchange system's receipts and metadata travel with the invoices.
            if (!notInvoice)
                results[size_t(k)] = std::move(s);
        }
    };
    // A thread is worth its start for some entries each.
    const qsizetype cores = qMax(1u, std::thread::hardware_concurrency());
    const int helpers = int(qMax<qsizetype>(0, qMin<qsizetype>(qMin<qsizetype>(cores, 8), wanted.size() / 8) - 1));
    std::vector<std::thread> threads;
    for (int t = 0; t < helpers; ++t) {
        try {
            threads.emplace_back([&] {
                const std::unique_ptr<QIODevice> own = openDevice();
                if (!own)
                    return;
                Zip::Reader reader(own.get());
                if (reader.open() && reader.entries().size() == zip.entries().size())
                    work(reader);
            });
        } catch (const std::system_error &) {
            break; // no thread to be had: this one reads the rest
        }
    }
    work(zip);
    for (std::thread &t : threads)
        t.join();

    QList<Source> out;
    for (std::optional<Source> &s : results) {
        if (s)
            out.append(std::move(*s));
    }
    if (out.isEmpty())
        return QList<Source>{Source{name, {}, {}, QStringLiteral("il file zip non contiene fatture elettroniche")}};
    return out;
}

} // namespace

QList<Source> readBytes(const QString &name, const QByteArray &bytes)
{
    if (isZip(bytes)) {
        return readZip(name, [&bytes]() -> std::unique_ptr<QIODevice> {
            auto buffer = std::make_unique<QBuffer>();
            buffer->setData(bytes);
            buffer->open(QIODevice::ReadOnly);
            return buffer;
        });
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
    if (isZip(head)) {
        file.close();
        return readZip(name, [&path]() -> std::unique_ptr<QIODevice> {
            auto f = std::make_unique<QFile>(path);
            if (!f->open(QIODevice::ReadOnly))
                return nullptr;
            return f;
        });
    }
    if (file.size() > Limits::FileBytes)
        return failed(QStringLiteral("il file supera %1 MB: non è una fattura elettronica").arg(Limits::FileBytes >> 20));
    const QByteArray bytes = file.read(Limits::FileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return failed(QStringLiteral("il file non si può leggere per intero"));
    return {readOne(name, bytes)};
}

} // namespace Invoices

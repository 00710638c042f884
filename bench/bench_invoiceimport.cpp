// One invoice of 500 lines loaded into 100 000 products and a year of
// 100 000 receipts (and 1 000 suppliers, the invoice's a new one), as whole
// processes: `scortex-cli carica`, against writing the same changed bytes
// straight into the three archives with one flush per file; and the same
// import in this process (reading, plan, commit), without the start-up.
// Each run starts from fresh copies of the archives, made outside the time.
//   bench_invoiceimport [DIR] [RUNS]

#include "archivegen.h"
#include "benchrows.h"

#include "invoices/invoicereader.h"
#include "products/productrecord.h"
#include "receipts/invoiceimport.h"
#include "receipts/receiptrecord.h"
#include "storage/record.h"
#include "suppliers/supplierrecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

using namespace BenchRows;

namespace {

constexpr int kLines = 500;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// 500 lines, each the code of a product no other product shares.
QByteArray invoice(const QByteArray &products)
{
    const int size = ProductRecord::Size;
    QHash<QString, int> seen;
    QStringList codes;
    for (qsizetype at = 0; at + size <= products.size(); at += size)
        seen[Record(ProductRecord::layout(), products.mid(at, size)).value(ProductRecord::Codice).trimmed()]++;
    QRandomGenerator random(31);
    for (qsizetype at = 0; at + size <= products.size() && codes.size() < kLines; at += size * (1 + random.bounded(150))) {
        const QString code = Record(ProductRecord::layout(), products.mid(at, size)).value(ProductRecord::Codice).trimmed();
        if (!code.isEmpty() && seen.value(code) == 1 && !codes.contains(code))
            codes << code;
    }
    if (codes.size() < kLines)
        qFatal("only %lld unique codes", qlonglong(codes.size()));
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<p:FatturaElettronica versione=\"FPR12\" "
                   "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">\n"
                   "<FatturaElettronicaHeader><CedentePrestatore><DatiAnagrafici><IdFiscaleIVA><IdPaese>IT</IdPaese>"
                   "<IdCodice>03128745605</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Ingrosso Adriatico "
                   "S.r.l.</Denominazione></Anagrafica></DatiAnagrafici><Sede><Indirizzo>Via del Porto</Indirizzo>"
                   "<CAP>65122</CAP><Comune>Pescara</Comune><Provincia>PE</Provincia><Nazione>IT</Nazione></Sede>"
                   "</CedentePrestatore></FatturaElettronicaHeader>\n<FatturaElettronicaBody><DatiGenerali>"
                   "<DatiGeneraliDocumento><TipoDocumento>TD01</TipoDocumento><Divisa>EUR</Divisa><Data>2026-12-04"
                   "</Data><Numero>500/A</Numero></DatiGeneraliDocumento></DatiGenerali>\n<DatiBeniServizi>\n";
    for (int l = 0; l < kLines; ++l) {
        const int quantity = 1 + int(random.bounded(50));
        const int cents = 50 + int(random.bounded(20000));
        const qint64 total = qint64(cents) * quantity;
        x += "<DettaglioLinee><NumeroLinea>" + QByteArray::number(l + 1)
             + "</NumeroLinea><CodiceArticolo><CodiceTipo>FORN</CodiceTipo><CodiceValore>" + codes[l].toUtf8()
             + "</CodiceValore></CodiceArticolo><Descrizione>Articolo " + QByteArray::number(l + 1)
             + "</Descrizione><Quantita>" + QByteArray::number(quantity) + ".00</Quantita><PrezzoUnitario>"
             + QByteArray::number(cents / 100) + '.' + QByteArray::number(cents % 100).rightJustified(2, '0')
             + "</PrezzoUnitario><PrezzoTotale>" + QByteArray::number(total / 100) + '.'
             + QByteArray::number(total % 100).rightJustified(2, '0')
             + "</PrezzoTotale><AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>\n";
    }
    x += "</DatiBeniServizi></FatturaElettronicaBody>\n</p:FatturaElettronica>\n";
    return x;
}

struct Change
{
    QString path;
    QList<QPair<qint64, QByteArray>> writes; // offset, bytes
};

// What the import changed: every record that differs, appends as one write.
Change changeOf(const QString &path, const QByteArray &before, const QByteArray &after, int size)
{
    Change c{path, {}};
    for (qsizetype at = 0; at + size <= before.size(); at += size) {
        if (before.mid(at, size) != after.mid(at, size))
            c.writes.append({at, after.mid(at, size)});
    }
    if (after.size() > before.size())
        c.writes.append({before.size(), after.mid(before.size())});
    return c;
}

QString writeStraight(const QList<Change> &changes)
{
    int writes = 0;
    for (const Change &c : changes) {
        const int fd = ::open(QFile::encodeName(c.path).constData(), O_WRONLY);
        if (fd < 0)
            qFatal("cannot open %s", qPrintable(c.path));
        for (const auto &[offset, bytes] : c.writes) {
            if (::pwrite(fd, bytes.constData(), size_t(bytes.size()), offset) != bytes.size())
                qFatal("write failed");
            ++writes;
        }
        if (::fsync(fd) != 0 || ::close(fd) != 0)
            qFatal("flush failed");
    }
    return QStringLiteral("%1 writes, %2 flushes").arg(writes).arg(changes.size());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const int runs = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 5;
    const QString pristine = dir + QStringLiteral("/pristine");
    const QString work = dir + QStringLiteral("/work");
    QDir().mkpath(pristine);
    QDir().mkpath(work);
    const QString files[] = {QStringLiteral("Magazzino.pro"), QStringLiteral("2026.odc"), QStringLiteral("Fornitori.pro")};
    ArchiveGen::products(pristine + u'/' + files[0], 100000);
    ArchiveGen::receipts(pristine + u'/' + files[1], 100000, 2026);
    ArchiveGen::suppliers(pristine + u'/' + files[2], 1000);
    QHash<QString, QByteArray> before;
    for (const QString &f : files)
        before[f] = readAll(pristine + u'/' + f);
    const QString invoicePath = dir + QStringLiteral("/IT03128745605_00500.xml");
    writeAll(invoicePath, invoice(before[files[0]]));

    const auto fresh = [&] {
        for (const QString &f : files)
            writeAll(work + u'/' + f, before[f]);
        QDir(work + QStringLiteral("/Documenti_Allegati")).removeRecursively();
    };
    const QStringList cliArgs = {QStringLiteral("carica"), invoicePath, QStringLiteral("--data"),
                                 QStringLiteral("11/12/2026"), QStringLiteral("--aggiorna-costo"), work};
    const auto cli = [&] {
        QProcess p;
        p.start(QStringLiteral(SCORTEX_CLI), cliArgs);
        if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            qFatal("scortex-cli carica failed: %s", p.readAllStandardError().constData());
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed().section(u',', 1);
    };
    const auto inProcess = [&] {
        InvoiceImport::Plan plan = InvoiceImport::plan(work, work + QStringLiteral("/2026.odc"),
                                                       InvoiceImport::received(Invoices::readFile(invoicePath)))
                                       .front();
        InvoiceImport::Choices choices;
        choices.data = QStringLiteral("11/12/2026");
        const InvoiceImport::Outcome done = InvoiceImport::commit(work, work + QStringLiteral("/2026.odc"), plan, choices);
        if (!done.ok)
            qFatal("import failed: %s", qPrintable(done.message));
        return QStringLiteral("%1 receipts, %2 products").arg(done.receipts).arg(done.productsChanged);
    };

    // The bytes the import writes, found once.
    fresh();
    const QString loaded = cli();
    QList<Change> changes;
    const int sizes[] = {ProductRecord::Size, ReceiptRecord::Size, SupplierRecord::Size};
    for (int i = 0; i < 3; ++i)
        changes << changeOf(work + u'/' + files[i], before[files[i]], readAll(work + u'/' + files[i]), sizes[i]);

    struct Timed
    {
        const char *name;
        std::function<QString()> work;
        std::vector<double> times;
        QString found;
    };
    std::vector<Timed> rows = {{"same bytes written, 1 flush per file", [&] { return writeStraight(changes); }, {}, {}},
                               {"scortex-cli carica (whole process)", cli, {}, {}},
                               {"import in this process", inProcess, {}, {}}};
    for (int i = 0; i < runs; ++i) {
        for (Timed &r : rows) {
            fresh();
            const auto start = Clock::now();
            r.found = r.work();
            r.times.push_back(msSince(start));
        }
    }
    std::printf("\nOne invoice of %d lines into 100 000 products, 100 000 receipts, 1 000 suppliers (%d runs)\n",
                kLines, runs);
    std::printf("  %-40s %9s %9s %7s %7s  %s\n", "", "min ms", "median ms", "min x", "med x", "result");
    for (const Timed &r : rows) {
        std::printf("  %-40s %9.1f %9.1f %7.2f %7.2f  %s\n", r.name, minOf(r.times), medianOf(r.times),
                    minOf(r.times) / minOf(rows.front().times), medianOf(r.times) / medianOf(rows.front().times),
                    qPrintable(r.found));
    }
    std::printf("  (x: against the same bytes written straight; the import said:%s)\n", qPrintable(loaded));
    return 0;
}

// Receipts loaded from electronic invoices: what the plan finds in the
// archives, what one invoice writes, and that it writes all of it or none.
#include "invoices/invoicereader.h"
#include "products/productrecord.h"
#include "receipts/invoiceimport.h"
#include "receipts/receiptrecord.h"
#include "storage/archiveerror.h"
#include "storage/attachments.h"
#include "storage/disk.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "suppliers/supplierrecord.h"
#include "support/files.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Disk::Faults::Kind;
using InvoiceImport::LinePlan;

QString fixture(const QString &name)
{
    return QStringLiteral(SCORTEX_TEST_DATA "/invoices/") + name;
}

QByteArray product(const QString &codice, const QString &descrizione, const QString &fornitore,
                   const QString &giacenza = QStringLiteral("10"), const QString &costo = QStringLiteral("2,50"))
{
    using namespace ProductRecord;
    Record r(layout());
    r.setValue(Codice, codice);
    r.setValue(Tipologia, QStringLiteral("Alimentari"));
    r.setValue(Marca, QStringLiteral("ACME"));
    r.setValue(Modello, QStringLiteral("X1"));
    r.setValue(Descrizione, descrizione);
    r.setValue(Fornitore, fornitore);
    r.setValue(Costo, costo);
    r.setValue(Giacenza, giacenza);
    r.setValue(Valore, QStringLiteral("25,00"));
    return r.bytes();
}

QByteArray supplier(const QString &ditta, const QString &piva, const QString &recapito = {})
{
    using namespace SupplierRecord;
    Record r(layout());
    r.setValue(Ditta, ditta);
    r.setValue(PartitaIva, piva);
    r.setValue(Recapito, recapito);
    return r.bytes();
}

QByteArray receipt(const QString &fornitore, const QString &numDoc, const QString &dataDoc)
{
    using namespace ReceiptRecord;
    Record r(layout());
    r.setValue(Fornitore, fornitore);
    r.setValue(NumDoc, numDoc);
    r.setValue(DataDoc, dataDoc);
    r.setValue(Codice, QStringLiteral("OLD"));
    return r.bytes();
}

QList<QByteArray> records(const QString &path, int size)
{
    QList<QByteArray> out;
    const QByteArray all = readAll(path);
    for (qsizetype at = 0; at + size <= all.size(); at += size)
        out.append(all.mid(at, size));
    return out;
}

QString field(const QByteArray &record, const RecordLayout &layout, int f)
{
    return Record(layout, record).value(f);
}

struct Folder
{
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
    QString year() const { return dir.path() + QStringLiteral("/2024.odc"); }
    QString products() const { return ProductRecord::archivePath(dir.path()); }
    QString suppliers() const { return SupplierRecord::archivePath(dir.path()); }
};

QList<InvoiceImport::Received> invoicesOf(const QString &name)
{
    return InvoiceImport::received(Invoices::readFile(fixture(name)));
}

InvoiceImport::Choices choices(bool updateCost = false)
{
    InvoiceImport::Choices c;
    c.data = QStringLiteral("10/04/2024");
    c.updateCost = updateCost;
    return c;
}

// The fault table's folder: an unrelated supplier, the product of line 1
// and another, one old receipt.
void prepareFault(const QString &folder)
{
    writeBytes(SupplierRecord::archivePath(folder), supplier(QStringLiteral("Altra Ditta"), QStringLiteral("01234567890")));
    writeBytes(ProductRecord::archivePath(folder),
               product(QStringLiteral("ZZ-1"), QStringLiteral("Altro"), QStringLiteral("Altra Ditta"))
                   + product(QStringLiteral("mv-1001 "), QStringLiteral("Farina 00"), QStringLiteral("Molino")));
    writeBytes(folder + QStringLiteral("/2024.odc"), receipt(QStringLiteral("Altra Ditta"), QStringLiteral("9"),
                                                             QStringLiteral("01/01/2024")));
}

// A 3-line invoice: line 1 on the product found, line 2 on a new product,
// line 7 without one; its supplier is new and it carries an attachment.
enum class Said { Saved, Failed, Unconfirmed };
Said importThree(const QString &folder)
{
    QList<InvoiceImport::Received> in = invoicesOf(QStringLiteral("IT01234567890_FPR01.xml"));
    QList<Invoices::Line> &lines = in.front().invoice.lines;
    lines = {lines[0], lines[1], lines[6]};
    InvoiceImport::Plan p;
    try {
        p = InvoiceImport::plan(folder, folder + QStringLiteral("/2024.odc"), in).front();
    } catch (const ArchiveError &) {
        return Said::Failed;
    }
    p.lines[1].product = LinePlan::Product::New;
    p.lines[1].record = InvoiceImport::newProduct(p, p.lines[1], QStringLiteral("Pasta"));
    p.lines[2].product = LinePlan::Product::None;
    p.lines[2].tipologia = QStringLiteral("Cereali");
    const InvoiceImport::Outcome o = InvoiceImport::commit(folder, folder + QStringLiteral("/2024.odc"), p, choices(true));
    if (!o.ok)
        return Said::Failed;
    return o.unflushed.isEmpty() ? Said::Saved : Said::Unconfirmed;
}

QStringList archiveNames()
{
    return {QStringLiteral("2024.odc"), QStringLiteral("Fornitori.pro"), QStringLiteral("Magazzino.pro")};
}

QMap<QString, QByteArray> archivesAfterOpening(const QString &folder, int first)
{
    const QList<QPair<QString, int>> all{{QStringLiteral("2024.odc"), ReceiptRecord::Size},
                                         {QStringLiteral("Fornitori.pro"), SupplierRecord::Size},
                                         {QStringLiteral("Magazzino.pro"), ProductRecord::Size}};
    for (int i = 0; i < 3; ++i) {
        const auto &[name, size] = all[(first + i) % 3];
        try {
            RecordFile(folder + u'/' + name, size, RecordFile::Mode::ReadOnly);
        } catch (const ArchiveError &e) {
            qWarning("%s", e.what());
        }
    }
    QMap<QString, QByteArray> m;
    for (const QString &name : archiveNames())
        m.insert(name, readAll(folder + u'/' + name));
    return m;
}

int importInChild(const QString &folder, const QString &fault)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SCORTEX_FAULT"), fault);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--import"), QDir::toNativeSeparators(folder)});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}

} // namespace

class TestInvoiceImport : public QObject
{
    Q_OBJECT

private slots:
    void newSupplierAndProductCreated();
    void matchingByCode_data();
    void matchingByCode();
    void secondImportIsAlreadyLoaded();
    void deliveryNoteAlreadyReceived();
    void productOnTwoLinesRisesTwice();
    void invoiceFileKeptBesideADifferentOne();
    void hostileAttachmentNames_data();
    void hostileAttachmentNames();
    void everyCallFailed_data();
    void everyCallFailed();
};

void TestInvoiceImport::newSupplierAndProductCreated()
{
    Folder f;
    prepareFault(f.path());
    QCOMPARE(importThree(f.path()), Said::Saved);

    const QList<QByteArray> suppliers = records(f.suppliers(), SupplierRecord::Size);
    QCOMPARE(suppliers.size(), 2);
    {
        using namespace SupplierRecord;
        const QByteArray &s = suppliers[1];
        QCOMPARE(field(s, layout(), Ditta), QStringLiteral("Molino e Pastificio Valcerina S.r.l."));
        QCOMPARE(field(s, layout(), IndirizzoRes), QStringLiteral("Via dei Mulini 14"));
        QCOMPARE(field(s, layout(), CapRes), QStringLiteral("42121"));
        QCOMPARE(field(s, layout(), ComuneRes), QStringLiteral("Reggio nell'Emilia"));
        QCOMPARE(field(s, layout(), ProvRes), QStringLiteral("RE"));
        QCOMPARE(field(s, layout(), PartitaIva), QStringLiteral("04578120364"));
        QCOMPARE(field(s, layout(), TelUff), QStringLiteral("0522123456"));
        QCOMPARE(field(s, layout(), Email), QStringLiteral("ordini@valcerina.example"));
        QCOMPARE(field(s, layout(), Iban), QStringLiteral("IT62D0538712900000000012345"));
        QCOMPARE(field(s, layout(), Ricontatta), QStringLiteral("No"));
    }
    const QList<QByteArray> products = records(f.products(), ProductRecord::Size);
    QCOMPARE(products.size(), 3);
    {
        using namespace ProductRecord;
        // Found ignoring case and blanks; cost, date and document updated
        // first, then the stock raised and its value recomputed.
        QCOMPARE(field(products[1], layout(), Giacenza), QStringLiteral("15"));
        QCOMPARE(field(products[1], layout(), Costo), QStringLiteral("12,50"));
        QCOMPARE(field(products[1], layout(), Valore), QStringLiteral("187,50"));
        QCOMPARE(field(products[1], layout(), Data), QStringLiteral("15/03/2024"));
        QCOMPARE(field(products[1], layout(), Documento), QStringLiteral("Fattura n. FV/2024/0153 del 15/03/2024"));
        // The new product of line 2.
        QCOMPARE(field(products[2], layout(), Codice), QStringLiteral("MV-2040"));
        QCOMPARE(field(products[2], layout(), Tipologia), QStringLiteral("Pasta"));
        QCOMPARE(field(products[2], layout(), Fornitore), QStringLiteral("Molino e Pastificio Valcerina S.r.l."));
        QCOMPARE(field(products[2], layout(), PercIva), QStringLiteral("22"));
        QCOMPARE(field(products[2], layout(), Giacenza), QStringLiteral("3"));
        QCOMPARE(field(products[2], layout(), Valore), QStringLiteral("27,00"));
    }
    const QList<QByteArray> receipts = records(f.year(), ReceiptRecord::Size);
    QCOMPARE(receipts.size(), 4);
    using namespace ReceiptRecord;
    const QStringList codes{field(receipts[1], layout(), Codice), field(receipts[2], layout(), Codice),
                            field(receipts[3], layout(), Codice)};
    QCOMPARE(codes, QStringList({"mv-1001", "MV-2040", "MV-4410"}));
    QCOMPARE(field(receipts[1], layout(), Marca), QStringLiteral("ACME X1"));
    QCOMPARE(field(receipts[1], layout(), Tipologia), QStringLiteral("Alimentari"));
    QCOMPARE(field(receipts[1], layout(), Descrizione), QStringLiteral("Farina 00"));
    // A line without a product: its own code and description, no stock.
    QCOMPARE(field(receipts[3], layout(), Tipologia), QStringLiteral("Cereali"));
    QCOMPARE(field(receipts[3], layout(), Descrizione), QStringLiteral("Farro decorticato sfuso"));
    QCOMPARE(field(receipts[3], layout(), Quant), QStringLiteral("2,5"));
    QCOMPARE(field(receipts[3], layout(), CostoUni), QStringLiteral("3,0001"));
    QCOMPARE(field(receipts[3], layout(), Note), QString());
    for (const QByteArray &r : receipts.mid(1)) {
        QCOMPARE(field(r, layout(), Fornitore), QStringLiteral("Molino e Pastificio Valcerina S.r.l."));
        QCOMPARE(field(r, layout(), NumDoc), QStringLiteral("FV/2024/0153"));
        QCOMPARE(field(r, layout(), DataDoc), QStringLiteral("15/03/2024"));
        QCOMPARE(field(r, layout(), Data), QStringLiteral("10/04/2024"));
        QCOMPARE(field(r, layout(), DaSaldare), QStringLiteral("Sì"));
        QCOMPARE(field(r, layout(), File01), QStringLiteral("IT01234567890_FPR01.xml"));
        QCOMPARE(field(r, layout(), Desc01), QStringLiteral("Fattura n. FV/2024/0153 del 15/03/2024"));
        QCOMPARE(field(r, layout(), File02), QStringLiteral("ordine.txt"));
        QCOMPARE(field(r, layout(), Desc02), QStringLiteral("Copia dell'ordine del cliente"));
    }
    QCOMPARE(field(receipts[1], layout(), Note), QStringLiteral("DDT n. DDT-77 del 12/03/2024"));
    QCOMPARE(field(receipts[2], layout(), CostoUni), QStringLiteral("9,00"));
    QCOMPARE(field(receipts[2], layout(), CostoTot), QStringLiteral("27,00"));
    const QString kept = f.path() + QStringLiteral("/Documenti_Allegati/");
    QCOMPARE(readAll(kept + QStringLiteral("IT01234567890_FPR01.xml")), readAll(fixture(QStringLiteral("IT01234567890_FPR01.xml"))));
    QCOMPARE(readAll(kept + QStringLiteral("ordine.txt")).size(), 86);
    QCOMPARE(QDir(f.path()).entryList(QDir::Files, QDir::Name), archiveNames());
}

void TestInvoiceImport::matchingByCode_data()
{
    QTest::addColumn<QList<QByteArray>>("products");
    QTest::addColumn<int>("taken"); // position, 0 none
    QTest::addColumn<int>("candidates");
    QTest::addColumn<QString>("problem");
    const QString molino = QStringLiteral("Molino e Pastificio Valcerina S.r.l.");
    QTest::newRow("one, by its second code") << QList<QByteArray>{product(QStringLiteral("x"), {}, {}),
                                                                   product(QStringLiteral("8007771234568"), {}, {})}
                                             << 2 << 1 << QString();
    QTest::newRow("several, one of the invoice's supplier")
        << QList<QByteArray>{product(QStringLiteral("MV-1001"), QStringLiteral("a"), QStringLiteral("Altri")),
                             product(QStringLiteral(" Mv-1001"), QStringLiteral("b"), molino.toUpper())}
        << 2 << 2 << QString();
    QTest::newRow("several, none of the supplier")
        << QList<QByteArray>{product(QStringLiteral("MV-1001"), QStringLiteral("a"), QStringLiteral("Altri")),
                             product(QStringLiteral("8007771234568"), QStringLiteral("b"), QStringLiteral("Terzi"))}
        << 0 << 2 << QStringLiteral("2 articoli in magazzino hanno il codice MV-1001");
    QTest::newRow("several of the supplier")
        << QList<QByteArray>{product(QStringLiteral("MV-1001"), QStringLiteral("a"), molino),
                             product(QStringLiteral("MV-1001"), QStringLiteral("b"), molino)}
        << 0 << 2 << QStringLiteral("2 articoli in magazzino hanno il codice MV-1001");
    QTest::newRow("none: a code only contained is no match")
        << QList<QByteArray>{product(QStringLiteral("MV-100"), {}, {}), product(QStringLiteral("MV-1001-B"), {}, {})}
        << 0 << 0 << QStringLiteral("nessun articolo in magazzino ha il codice MV-1001");
}

void TestInvoiceImport::matchingByCode()
{
    QFETCH(QList<QByteArray>, products);
    QFETCH(int, taken);
    QFETCH(int, candidates);
    QFETCH(QString, problem);
    Folder f;
    QByteArray all;
    for (const QByteArray &p : products)
        all += p;
    writeBytes(f.products(), all);
    writeBytes(f.suppliers(), supplier(QStringLiteral("Molino e Pastificio Valcerina S.r.l."), QStringLiteral("04578120364")));
    const InvoiceImport::Plan p =
        InvoiceImport::plan(f.path(), f.year(), invoicesOf(QStringLiteral("IT01234567890_FPR01.xml"))).front();
    QCOMPARE(p.supplierPosition, 1);
    const LinePlan &l = p.lines.front();
    QCOMPARE(l.candidates.size(), candidates);
    QCOMPARE(l.product == LinePlan::Product::Existing ? int(l.position) : 0, taken);
    QCOMPARE(InvoiceImport::matchProblem(l), problem);
    // Nothing was written by the plan, and the year's archive not created.
    QCOMPARE(readAll(f.products()), all);
    QVERIFY(!QFile::exists(f.year()));
}

void TestInvoiceImport::secondImportIsAlreadyLoaded()
{
    Folder f;
    prepareFault(f.path());
    QCOMPARE(importThree(f.path()), Said::Saved);
    const QMap<QString, QByteArray> after = archivesAfterOpening(f.path(), 0);
    InvoiceImport::Plan p =
        InvoiceImport::plan(f.path(), f.year(), invoicesOf(QStringLiteral("IT01234567890_FPR01.xml"))).front();
    QVERIFY(p.alreadyLoaded);
    QVERIFY(p.supplierPosition == 2);
    for (const LinePlan &l : p.lines)
        QVERIFY(!l.ticked);
    // Ticked by hand, it is refused without the confirmation.
    p.lines.front().ticked = true;
    const InvoiceImport::Outcome o = InvoiceImport::commit(f.path(), f.year(), p, choices());
    QVERIFY(!o.ok);
    QVERIFY2(o.message.contains(QStringLiteral("già caricata")), qPrintable(o.message));
    QCOMPARE(archivesAfterOpening(f.path(), 0), after);
    // Loaded by another workstation between the plan and the commit.
    Folder g;
    prepareFault(g.path());
    InvoiceImport::Plan early =
        InvoiceImport::plan(g.path(), g.year(), invoicesOf(QStringLiteral("IT01234567890_FPR01.xml"))).front();
    for (LinePlan &l : early.lines)
        l.ticked = &l == &early.lines.front();
    QCOMPARE(importThree(g.path()), Said::Saved);
    const InvoiceImport::Outcome late = InvoiceImport::commit(g.path(), g.year(), early, choices());
    QVERIFY(!late.ok);
    QVERIFY2(late.message.contains(QStringLiteral("nel frattempo")), qPrintable(late.message));
}

void TestInvoiceImport::deliveryNoteAlreadyReceived()
{
    // Lines 1 and 2 came on DDT-77, already loaded under the supplier's
    // name on the card; line 7 and 8 did not.
    Folder f;
    writeBytes(f.suppliers(), supplier(QStringLiteral("Molino Valcerina"), QStringLiteral("04578120364")));
    writeBytes(f.products(), product(QStringLiteral("MV-4410"), QStringLiteral("Farro"), {}));
    writeBytes(f.year(), receipt(QStringLiteral("MOLINO VALCERINA"), QStringLiteral("ddt-77"), QStringLiteral("12/03/2024")));
    InvoiceImport::Plan p =
        InvoiceImport::plan(f.path(), f.year(), invoicesOf(QStringLiteral("IT01234567890_FPR01.xml"))).front();
    QVERIFY(!p.alreadyLoaded);
    QCOMPARE(p.lines[0].receivedWith, QStringLiteral("DDT-77 del 12/03/2024"));
    QCOMPARE(p.lines[1].receivedWith, QStringLiteral("DDT-77 del 12/03/2024"));
    QVERIFY(!p.lines[0].ticked && !p.lines[1].ticked);
    QVERIFY(p.lines[6].receivedWith.isEmpty() && p.lines[6].ticked);
    p.lines[7].ticked = false;
    const InvoiceImport::Outcome o = InvoiceImport::commit(f.path(), f.year(), p, choices());
    QVERIFY2(o.ok, qPrintable(o.message));
    QCOMPARE(o.receipts, 1);
    QCOMPARE(o.firstReceipt, 2);
    const QList<QByteArray> receipts = records(f.year(), ReceiptRecord::Size);
    QCOMPARE(receipts.size(), 2);
    QCOMPARE(field(receipts[1], ReceiptRecord::layout(), ReceiptRecord::Fornitore), QStringLiteral("Molino Valcerina"));
    QCOMPARE(field(records(f.products(), ProductRecord::Size)[0], ProductRecord::layout(), ProductRecord::Giacenza),
             QStringLiteral("12,5"));

    // A document of that number on another day (an invoice numbered as the
    // note) is not the note; a receipt without a date may be; the note of
    // a deferred invoice is looked for in its own year's archive.
    const struct
    {
        const char *archive, *dataDoc;
        bool received;
    } cases[] = {{"2024.odc", "05/01/2024", false}, {"2024.odc", "", true}, {"2023.odc", "12/03/2024", false}};
    for (const auto &c : cases) {
        Folder g;
        writeBytes(g.suppliers(), supplier(QStringLiteral("Molino Valcerina"), QStringLiteral("04578120364")));
        writeBytes(g.path() + u'/' + QLatin1StringView(c.archive),
                   receipt(QStringLiteral("Molino Valcerina"), QStringLiteral("DDT-77"), QLatin1StringView(c.dataDoc)));
        const InvoiceImport::Plan q =
            InvoiceImport::plan(g.path(), g.year(), invoicesOf(QStringLiteral("IT01234567890_FPR01.xml"))).front();
        QVERIFY2(q.lines[0].receivedWith.isEmpty() != c.received, c.dataDoc);
    }
    QList<InvoiceImport::Received> deferred = invoicesOf(QStringLiteral("IT01234567890_FPR01.xml"));
    deferred.front().invoice.deliveryNotes.front().data = QStringLiteral("2023-12-28");
    Folder h;
    writeBytes(h.suppliers(), supplier(QStringLiteral("Molino Valcerina"), QStringLiteral("04578120364")));
    writeBytes(h.path() + QStringLiteral("/2023.odc"),
               receipt(QStringLiteral("Molino Valcerina"), QStringLiteral("DDT-77"), QStringLiteral("28/12/2023")));
    const InvoiceImport::Plan late = InvoiceImport::plan(h.path(), h.year(), deferred).front();
    QCOMPARE(late.lines[0].receivedWith, QStringLiteral("DDT-77 del 28/12/2023"));
    QVERIFY(!late.lines[0].ticked);
}

void TestInvoiceImport::productOnTwoLinesRisesTwice()
{
    Folder f;
    writeBytes(f.products(), product(QStringLiteral("MV-1001"), QStringLiteral("Farina"), {}, QStringLiteral("1"),
                                     QStringLiteral("2,00")));
    QList<InvoiceImport::Received> in = invoicesOf(QStringLiteral("IT01234567890_FPR01.xml"));
    QList<Invoices::Line> &lines = in.front().invoice.lines;
    lines = {lines[0], lines[0]};
    const InvoiceImport::Plan p = InvoiceImport::plan(f.path(), f.year(), in).front();
    QVERIFY(p.lines[0].ticked && p.lines[1].ticked);
    // The stock is read inside the commit: a change made after the plan
    // is added to, not lost.
    writeBytes(f.products(), product(QStringLiteral("MV-1001"), QStringLiteral("Farina"), {}, QStringLiteral("4"),
                                     QStringLiteral("2,00")));
    const InvoiceImport::Outcome o = InvoiceImport::commit(f.path(), f.year(), p, choices());
    QVERIFY2(o.ok, qPrintable(o.message));
    QCOMPARE(o.receipts, 2);
    QCOMPARE(o.productsChanged, 1);
    const QByteArray after = records(f.products(), ProductRecord::Size).front();
    QCOMPARE(field(after, ProductRecord::layout(), ProductRecord::Giacenza), QStringLiteral("14"));
    QCOMPARE(field(after, ProductRecord::layout(), ProductRecord::Valore), QStringLiteral("28,00"));
    QCOMPARE(records(f.suppliers(), SupplierRecord::Size).size(), 1);

    // A product made from the line, on both lines: one new card, raised
    // twice, not two cards of one code.
    Folder g;
    InvoiceImport::Plan q = InvoiceImport::plan(g.path(), g.year(), in).front();
    for (LinePlan &l : q.lines) {
        l.product = LinePlan::Product::New;
        l.record = InvoiceImport::newProduct(q, l, QStringLiteral("Farine"));
        l.ticked = true;
    }
    const InvoiceImport::Outcome made = InvoiceImport::commit(g.path(), g.year(), q, choices());
    QVERIFY2(made.ok, qPrintable(made.message));
    QCOMPARE(made.receipts, 2);
    QCOMPARE(made.productsChanged, 1);
    const QList<QByteArray> cards = records(g.products(), ProductRecord::Size);
    QCOMPARE(cards.size(), 1);
    QCOMPARE(field(cards.front(), ProductRecord::layout(), ProductRecord::Giacenza), QStringLiteral("10"));

    // Two invoices of one batch, planned together, each making the product
    // from its line: the second raises the card the first made.
    Folder b;
    QList<InvoiceImport::Received> batch = {in.front(), in.front()};
    batch[0].invoice.lines = {batch[0].invoice.lines[0]};
    batch[1].invoice.lines = batch[0].invoice.lines;
    batch[1].invoice.numero = QStringLiteral("FV/2024/0154");
    for (InvoiceImport::Plan &one : InvoiceImport::plan(b.path(), b.year(), batch)) {
        LinePlan &l = one.lines.front();
        l.product = LinePlan::Product::New;
        l.record = InvoiceImport::newProduct(one, l, QStringLiteral("Farine"));
        const InvoiceImport::Outcome done = InvoiceImport::commit(b.path(), b.year(), one, choices());
        QVERIFY2(done.ok, qPrintable(done.message));
    }
    const QList<QByteArray> made2 = records(b.products(), ProductRecord::Size);
    QCOMPARE(made2.size(), 1);
    QCOMPARE(field(made2.front(), ProductRecord::layout(), ProductRecord::Giacenza), QStringLiteral("10"));
    QCOMPARE(records(b.year(), ReceiptRecord::Size).size(), 2);
}

void TestInvoiceImport::invoiceFileKeptBesideADifferentOne()
{
    const QString name = QStringLiteral("IT01234567890_FPR01.xml");
    Folder f;
    const QString kept = f.path() + QStringLiteral("/Documenti_Allegati");
    QVERIFY(QDir().mkpath(kept));
    writeBytes(kept + u'/' + name, "another invoice");
    writeBytes(f.products(), product(QStringLiteral("MV-1001"), {}, {}));
    for (int round = 0; round < 2; ++round) {
        InvoiceImport::Plan p = InvoiceImport::plan(f.path(), f.year(), invoicesOf(name)).front();
        for (LinePlan &l : p.lines)
            l.ticked = &l == &p.lines.front();
        InvoiceImport::Choices c = choices();
        c.loadAgain = true;
        c.daSaldare = false;
        const InvoiceImport::Outcome o = InvoiceImport::commit(f.path(), f.year(), p, c);
        QVERIFY2(o.ok, qPrintable(o.message));
    }
    // The different file stays; the second import reuses the first copy.
    QCOMPARE(readAll(kept + u'/' + name), QByteArray("another invoice"));
    QCOMPARE(QDir(kept).entryList(QDir::Files, QDir::Name),
             QStringList({"IT01234567890_FPR01 (2).xml", name, "ordine.txt"}));
    for (const QByteArray &r : records(f.year(), ReceiptRecord::Size)) {
        QCOMPARE(field(r, ReceiptRecord::layout(), ReceiptRecord::File01), QStringLiteral("IT01234567890_FPR01 (2).xml"));
        QCOMPARE(field(r, ReceiptRecord::layout(), ReceiptRecord::DaSaldare), QStringLiteral("No"));
    }
}

void TestInvoiceImport::hostileAttachmentNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kept");
    QTest::newRow("folder climbing") << "../../x.pdf" << "x.pdf";
    QTest::newRow("Windows folders") << "..\\..\\Windows\\win.ini" << "win.ini.bin";
    QTest::newRow("device") << "CON.pdf" << "_CON.pdf";
    QTest::newRow("device, lower case") << "com1.txt" << "_com1.txt";
    QTest::newRow("colon") << "fattura:1.pdf" << "fattura_1.pdf";
    QTest::newRow("drive") << "C:evil.pdf" << "C_evil.pdf";
    QTest::newRow("trailing dots") << "nota. . ." << "nota.bin";
    QTest::newRow("only dots") << ".." << "Allegato.pdf";
    QTest::newRow("empty") << "" << "Allegato.pdf";
    QTest::newRow("control characters") << QString::fromUtf8("a\x01\tb.pdf") << "a__b.pdf";
    QTest::newRow("no Windows-1252") << QString::fromUtf8("≈ prezzi.pdf") << "_ prezzi.pdf";
    QTest::newRow("too long") << QString(300, u'a') + QStringLiteral(".pdf") << QString(96, u'a') + QStringLiteral(".pdf");
    // The desktop must never run what a supplier sent.
    QTest::newRow("a program") << "Fattura.pdf.exe" << "Fattura.pdf.exe.bin";
    QTest::newRow("a shortcut, upper case") << "Fattura.PDF.LNK" << "Fattura.PDF.LNK.bin";
    QTest::newRow("no extension") << "Fattura" << "Fattura.bin";
    QTest::newRow("a document, upper case") << "Fattura.PDF" << "Fattura.PDF";
}

void TestInvoiceImport::hostileAttachmentNames()
{
    QFETCH(QString, name);
    QFETCH(QString, kept);
    Folder f;
    writeBytes(f.products(), product(QStringLiteral("MB250"), {}, {}));
    QList<InvoiceImport::Received> in = invoicesOf(QStringLiteral("IT22222222222_MALFORMED_NS.xml"));
    Invoices::Attachment a;
    a.nome = name;
    a.formato = QStringLiteral("PDF");
    a.bytes = "%PDF-1.4 hostile";
    in.front().invoice.attachments = {a};
    const InvoiceImport::Plan p = InvoiceImport::plan(f.path(), f.year(), in).front();
    const InvoiceImport::Outcome o = InvoiceImport::commit(f.path(), f.year(), p, choices());
    QVERIFY2(o.ok, qPrintable(o.message));
    const QByteArray r = records(f.year(), ReceiptRecord::Size).front();
    QCOMPARE(field(r, ReceiptRecord::layout(), ReceiptRecord::File02), kept);
    QVERIFY(Attachments::isStorableName(kept));
    QCOMPARE(readAll(f.path() + QStringLiteral("/Documenti_Allegati/") + kept), QByteArray("%PDF-1.4 hostile"));
    // Nothing outside the attachments folder but the archives.
    QCOMPARE(QDir(f.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
             QStringList({"2024.odc", "Documenti_Allegati", "Fornitori.pro", "Magazzino.pro"}));
    QCOMPARE(QDir(f.path() + QStringLiteral("/Documenti_Allegati")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
}

void TestInvoiceImport::everyCallFailed_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("first");
    QTest::newRow("once") << int(Kind::Once) << 0;
    QTest::newRow("persistent") << int(Kind::Persistent) << 1;
    QTest::newRow("short write") << int(Kind::Short) << 2;
    for (int first = 0; first < 3; ++first)
        QTest::addRow("crash, %s opened first", qPrintable(archiveNames()[first])) << int(Kind::Crash) << first;
}

// Every checked call of the import fails in turn: the three archives are
// then all as before or all as after a clean import, and when they are new
// the files they name are whole in Documenti_Allegati.
void TestInvoiceImport::everyCallFailed()
{
    QFETCH(int, kind);
    QFETCH(int, first);
    QMap<QString, QByteArray> before, after;
    int calls = 0;
    {
        Folder f;
        prepareFault(f.path());
        before = archivesAfterOpening(f.path(), 0);
        Disk::Faults::arm(1 << 30, Kind::Once);
        QCOMPARE(importThree(f.path()), Said::Saved);
        calls = Disk::Faults::calls();
        Disk::Faults::disarm();
        after = archivesAfterOpening(f.path(), 0);
    }
    QVERIFY(calls > 20);
    for (int nth = 1; nth <= calls; ++nth) {
        Folder f;
        prepareFault(f.path());
        const QString where = QStringLiteral("call %1 of %2: ").arg(nth).arg(calls);
        Said said = Said::Failed;
        bool crashed = false;
        if (Kind(kind) == Kind::Crash) {
            const int exit = importInChild(f.path(), QStringLiteral("%1:crash").arg(nth));
            QVERIFY2(exit == 86, qPrintable(where + QStringLiteral("exit %1").arg(exit)));
            crashed = true;
        } else {
            Disk::Faults::arm(nth, Kind(kind));
            said = importThree(f.path());
            QVERIFY2(Disk::Faults::hit(), qPrintable(where + QStringLiteral("not reached")));
            Disk::Faults::disarm();
        }
        const QMap<QString, QByteArray> now = archivesAfterOpening(f.path(), first);
        const bool old = now == before, neu = now == after;
        QVERIFY2(old || neu, qPrintable(where + QStringLiteral("the archives are neither all old nor all new")));
        if (said == Said::Saved)
            QVERIFY2(neu, qPrintable(where + QStringLiteral("old after it said it saved")));
        if (said == Said::Failed && !crashed)
            QVERIFY2(old, qPrintable(where + QStringLiteral("new after it said it failed")));
        if (neu) {
            const QString kept = f.path() + QStringLiteral("/Documenti_Allegati/");
            QCOMPARE(readAll(kept + QStringLiteral("IT01234567890_FPR01.xml")),
                     readAll(fixture(QStringLiteral("IT01234567890_FPR01.xml"))));
            QCOMPARE(readAll(kept + QStringLiteral("ordine.txt")).size(), 86);
        }
    }
    qInfo("%d calls", calls);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--import") == 0) {
        Disk::Faults::armFromEnvironment();
        switch (importThree(QDir::fromNativeSeparators(QString::fromLocal8Bit(argv[2])))) {
        case Said::Saved: return 0;
        case Said::Failed: return 1;
        case Said::Unconfirmed: return 3;
        }
        return 1;
    }
    TestInvoiceImport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_invoiceimport.moc"

#include "products/inventory.h"
#include "products/productarchive.h"
#include "products/productrecord.h"
#include "receipts/productimport.h"
#include "receipts/receiptarchive.h"
#include "receipts/receiptrecord.h"
#include "receipts/receiptsummary.h"
#include "search/listquery.h"
#include "storage/numberformat.h"
#include "storage/recordfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

QByteArray product(const QString &codice, const QString &tipologia, const QString &valore,
                   const QString &giacenza = QStringLiteral("1"), const QString &costo = QStringLiteral("1,00"))
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, codice);
    r.setValue(ProductRecord::Tipologia, tipologia);
    r.setValue(ProductRecord::Valore, valore);
    r.setValue(ProductRecord::Giacenza, giacenza);
    r.setValue(ProductRecord::Costo, costo);
    return r.bytes();
}

QByteArray receipt(const QString &data, const QString &codice, const QString &costoTot)
{
    Record r(ReceiptRecord::layout());
    r.setValue(ReceiptRecord::Data, data);
    r.setValue(ReceiptRecord::Codice, codice);
    r.setValue(ReceiptRecord::CostoTot, costoTot);
    return r.bytes();
}

QStringList codes(const ListResult &result, const LineFormat &format, int field, const QString &path)
{
    QStringList out;
    RecordFile file(path, format.layout().size(), RecordFile::Mode::ReadOnly);
    for (qsizetype i = 0; i < result.lines.size(); ++i)
        out << Record(format.layout(), file.read(result.lines.position(i))).value(field).trimmed();
    return out;
}

} // namespace

class TestTotals : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void inventoryFilter_data();
    void inventoryFilter();
    void inventoryTotalAndTexts();
    void unreadableValueIsLeftOutOfListAndTotal();
    void twoHalvesAddUpInFileOrder();

    void periodChecks_data();
    void periodChecks();
    void boxesKeepOnlyListValues();
    void summaryPeriodAndFilter_data();
    void summaryPeriodAndFilter();
    void summaryTotalsAndPrint();
    void summaryLeavesOutBadDatesAndAmounts();

    void importAddsStock_data();
    void importAddsStock();
    void importFillsTheCard();

private:
    ListResult run(const QList<QByteArray> &records, const ListQuery &query);
    QTemporaryDir m_dir;
    QString m_path;
};

void TestTotals::init()
{
    m_path = m_dir.filePath(QStringLiteral("archive"));
    QFile::remove(m_path);
}

ListResult TestTotals::run(const QList<QByteArray> &records, const ListQuery &query)
{
    QFile f(m_path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write the archive");
    for (const QByteArray &r : records)
        f.write(r);
    f.close();
    RecordFile file(m_path, query.format->layout().size());
    return runQuery(file, query);
}

void TestTotals::inventoryFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("empty lists all") << QString() << QStringList{"A", "B", "C", "D"};
    QTest::newRow("blanks are no filter") << QStringLiteral("   ") << QStringList{"A", "B", "C", "D"};
    QTest::newRow("vit: any case, not without type") << QStringLiteral("vit") << QStringList{"A", "B"};
    QTest::newRow("trailing blank kept") << QStringLiteral("viti ") << QStringList{"B"};
    QTest::newRow("nothing") << QStringLiteral("bulloni") << QStringList{};
}

void TestTotals::inventoryFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, listed);
    const ListResult result = run({product("C", "", "1,00"), product("A", "Viti", "2,00"), product("B", "VITI INOX", "3,00"),
                                   product("D", "Dadi", "4,00")},
                                  Inventory::query(filter));
    QCOMPARE(codes(result, LineFormats::inventario(), ProductRecord::Codice, m_path), listed);
    QVERIFY(result.complete());
}

void TestTotals::inventoryTotalAndTexts()
{
    const ListResult result = run({product("P1", "", "7,50", "3", "2,50"), product("P2", "", "12,20"),
                                   product("P3", "", "-2,50", "-1", "2,50")},
                                  Inventory::query(QString()));
    QCOMPARE(Inventory::totalText(result.total), QStringLiteral("€ 17,20"));
    QCOMPARE(Inventory::totalText(7.5 + 12.2), QStringLiteral("€ 19,70"));
    QCOMPARE(Inventory::totalText(0), QStringLiteral("€ 0,00"));
    QCOMPARE(Inventory::countText(1), QStringLiteral("Il presente inventario contiene 1 articoli."));
    QCOMPARE(Inventory::tipologiaText(QStringLiteral("  vit ")), QStringLiteral("vit"));
    QCOMPARE(Inventory::tipologiaText(QStringLiteral("  ")), QStringLiteral("Tutti gli articoli in magazzino."));
    QCOMPARE(result.lines.text(0), QStringLiteral("P1                              %1  Costo: € 2,50          "
                                                  "Giacenza: 3             Valore: € 7,50")
                                       .arg(QString(40, u' ')));
    const QStringList printed = Inventory::printLines({"a", "b", "c"}, Inventory::totalText(result.total));
    QCOMPARE(printed.size(), 5);
    QCOMPARE(printed[3], QStringLiteral("--------------------------"));
    QCOMPARE(printed[4], QStringLiteral("VALORE TOTALE: € 17,20"));
    QCOMPARE(Inventory::printTitle(QStringLiteral("Tutti gli articoli in magazzino.")),
             QStringLiteral("Inventario merce - Tipologia: Tutti gli articoli in magazzino."));
}

void TestTotals::unreadableValueIsLeftOutOfListAndTotal()
{
    const ListResult result = run({product("P1", "", "7,50"), product("P2", "", "abc"), product("P3", "", ""),
                                   product("P4", "", "12,20")},
                                  Inventory::query(QString()));
    QCOMPARE(codes(result, LineFormats::inventario(), ProductRecord::Codice, m_path), (QStringList{"P1", "P4"}));
    QCOMPARE(Inventory::totalText(result.total), QStringLiteral("€ 19,70"));
    QCOMPARE(result.leftOut, 2);
    QCOMPARE(result.leftOutPositions, (QList<qint64>{2, 3}));
    // A filtered-out product is not judged at all.
    const ListResult typed = run({product("P1", "Viti", "7,50"), product("P2", "Dadi", "abc")},
                                 Inventory::query(QStringLiteral("viti")));
    QVERIFY(typed.complete());
}

void TestTotals::twoHalvesAddUpInFileOrder()
{
    // Large enough to be read in two halves; the amounts do not add up
    // exactly in double precision, so the order shows.
    QList<QByteArray> records;
    double expected = 0;
    for (int i = 0; i < 30000; ++i) {
        const QString value = QStringLiteral("%1,%2").arg(i % 97).arg(i % 89, 2, 10, QLatin1Char('0'));
        records << product(QStringLiteral("P%1").arg(i), QString(), value);
        expected += *NumberFormat::readDecimal(value);
    }
    const ListResult result = run(records, Inventory::query(QString()));
    QCOMPARE(result.lines.size(), 30000);
    QCOMPARE(result.total, expected);
}

void TestTotals::periodChecks_data()
{
    QTest::addColumn<QStringList>("boxes"); // anno, gi, mi, gf, mf
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("warning");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("focus");
    using Box = ReceiptSummary::Check::Box;
    const QString valid = QStringLiteral("\n\r\n\rPer poter visualizzare il riepilogo è necessario indicare una data valida.");
    QTest::newRow("a path in the year box") << QStringList{"../x", "01", "Marzo", "31", "Marzo"} << false << true
                                            << "Attenzione: indicare l'anno solare utilizzando quattro cifre."
                                            << int(Box::Anno);
    QTest::newRow("year of three digits") << QStringList{"202", "01", "Marzo", "31", "Marzo"} << false << true
                                          << "Attenzione: indicare l'anno solare utilizzando quattro cifre." << int(Box::Anno);
    QTest::newRow("no start day") << QStringList{"2024", " ", "Marzo", "", ""} << false << true
                                  << "Attenzione: indicare il giorno di inizio intervallo selezionandolo dall'elenco a cascata."
                                  << int(Box::GiornoInizio);
    QTest::newRow("no start month") << QStringList{"2024", "01", "", "", ""} << false << true
                                    << "Attenzione: indicare il mese di inizio intervallo selezionandolo dall'elenco a cascata."
                                    << int(Box::MeseInizio);
    QTest::newRow("no end day") << QStringList{"2024", "01", "Marzo", "", ""} << false << true
                                << "Attenzione: indicare il giorno di fine intervallo selezionandolo dall'elenco a cascata."
                                << int(Box::GiornoFine);
    QTest::newRow("no end month") << QStringList{"2024", "01", "Marzo", "02", ""} << false << true
                                  << "Attenzione: indicare il mese di fine intervallo selezionandolo dall'elenco a cascata."
                                  << int(Box::MeseFine);
    QTest::newRow("29/02/2024") << QStringList{"2024", "29", "Febbraio", "29", "febbraio"} << true << false << QString()
                                << int(Box::None);
    QTest::newRow("29/02/2000") << QStringList{"2000", "29", "Febbraio", "01", "Marzo"} << true << false << QString()
                                << int(Box::None);
    QTest::newRow("29/02/2023") << QStringList{"2023", "29", "Febbraio", "01", "Marzo"} << false << false
                                << "Attenzione: la data 29/02/2023 di inizio intervallo non esiste." + valid
                                << int(Box::GiornoInizio);
    QTest::newRow("29/02/1900") << QStringList{"1900", "29", "Febbraio", "01", "Marzo"} << false << false
                                << "Attenzione: la data 29/02/1900 di inizio intervallo non esiste." + valid
                                << int(Box::GiornoInizio);
    QTest::newRow("year 0000") << QStringList{"0000", "01", "Gennaio", "02", "Gennaio"} << false << false
                               << "Attenzione: la data 01/01/0000 di inizio intervallo non esiste." + valid
                               << int(Box::GiornoInizio);
    QTest::newRow("31 Aprile as end") << QStringList{"2024", "01", "Aprile", "31", "Aprile"} << false << false
                                      << "Attenzione: la data 31/04/2024 di fine intervallo non esiste." + valid
                                      << int(Box::GiornoFine);
    QTest::newRow("end before start")
        << QStringList{"2024", "15", "Marzo", "10", "Marzo"} << false << false
        << "Attenzione: la data di fine intervallo (10/03/2024) non può essere anteriore a quella di inizio "
           "intervallo (15/03/2024).\n\r\n\rPer poter visualizzare il riepilogo è necessario indicare un intervallo "
           "di tempo valido."
        << int(Box::None);
    QTest::newRow("one day") << QStringList{"2024", "10", "Marzo", "10", "MARZO"} << true << false << QString()
                             << int(Box::None);
}

void TestTotals::periodChecks()
{
    QFETCH(QStringList, boxes);
    QFETCH(bool, ok);
    QFETCH(bool, warning);
    QFETCH(QString, message);
    QFETCH(int, focus);
    const ReceiptSummary::Request request{boxes[0], boxes[1], boxes[2], boxes[0], boxes[3], boxes[4], boxes[0]};
    const ReceiptSummary::Check c = ReceiptSummary::check(request);
    QCOMPARE(c.ok, ok);
    QCOMPARE(c.warning, warning);
    QCOMPARE(c.message, message);
    QCOMPARE(int(c.focus), focus);
}

void TestTotals::boxesKeepOnlyListValues()
{
    QCOMPARE(ReceiptSummary::dayExit(QStringLiteral("5")), QString());
    QCOMPARE(ReceiptSummary::dayExit(QStringLiteral("32")), QString());
    QCOMPARE(ReceiptSummary::dayExit(QStringLiteral("05")), QStringLiteral("05"));
    QCOMPARE(ReceiptSummary::monthExit(QStringLiteral(" marzo ")), QStringLiteral(" marzo "));
    QCOMPARE(ReceiptSummary::monthExit(QStringLiteral("Marz")), QString());
    QCOMPARE(ReceiptSummary::monthNumber(u"DICEMBRE"), QStringLiteral("12"));
}

void TestTotals::summaryPeriodAndFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("whole month, both ends") << QString() << "01/03/2024" << "31/03/2024"
                                            << QStringList{"A1", "B", "XA1B", "a10", "À1"};
    QTest::newRow("inside") << QString() << "02/03/2024" << "30/03/2024" << QStringList{"B"};
    QTest::newRow("one day") << QString() << "31/03/2024" << "31/03/2024" << QStringList{"XA1B", "a10", "À1"};
    QTest::newRow("A1 in any case, not À") << "A1" << "01/01/2024" << "31/12/2024" << QStringList{"A1", "XA1B", "a10", "A1"};
    QTest::newRow("à matches no À") << "à" << "01/01/2024" << "31/12/2024" << QStringList{};
}

void TestTotals::summaryPeriodAndFilter()
{
    QFETCH(QString, filter);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, listed);
    // In file order, not by date.
    const ListResult result = run({receipt("01/03/2024", "A1", "1"), receipt("15/03/2024", "B", "1"),
                                   receipt("31/03/2024", "XA1B", "1"), receipt("31/03/2024", "a10", "1"),
                                   receipt("31/03/2024", "À1", "1"), receipt("01/04/2024", "A1", "1"),
                                   receipt("29/02/2024", "", "1")},
                                  ReceiptSummary::query(filter, from, to));
    QCOMPARE(codes(result, LineFormats::carichi(), ReceiptRecord::Codice, m_path), listed);
    QVERIFY(result.complete());
}

void TestTotals::summaryTotalsAndPrint()
{
    const ListResult result = run({receipt("01/03/2024", "A", "10,50"), receipt("02/03/2024", "B", "4,50")},
                                  ReceiptSummary::query(QString(), "01/03/2024", "31/03/2024"));
    QCOMPARE(ReceiptSummary::totalText(result.total), QStringLiteral("€ 15,00"));
    QCOMPARE(ReceiptSummary::totalText(10.5 + 3.25), QStringLiteral("€ 13,75"));
    QCOMPARE(ReceiptSummary::intervalText(" 01/03/2024", "31/03/2024 "), QStringLiteral("Dal   01/03/2024   al   31/03/2024"));
    QCOMPARE(ReceiptSummary::tipologiaText("  "), QStringLiteral("Tutti gli articoli"));
    const QStringList printed = ReceiptSummary::printLines({"x"}, "Dal   01/03/2024   al   31/03/2024", "2", "€ 15,00");
    QCOMPARE(printed, (QStringList{"x", "- - - - - - - - - - - - - - - -",
                                   "INTERVALLO SELEZIONATO:    Dal   01/03/2024   al   31/03/2024",
                                   "NUMERO OPERAZIONI:         2", "COSTO TOTALE:              € 15,00"}));
    // The three values start in one column.
    for (int i = 2; i < 5; ++i)
        QVERIFY(printed[i][26] == u' ' && printed[i][27] != u' ');
}

void TestTotals::summaryLeavesOutBadDatesAndAmounts()
{
    const ListResult result = run({receipt("01/03/2024", "A", "10,50"), receipt("31/02/2024", "B", "1"),
                                   receipt("02/03/2024", "C", "x"), receipt("03/03/2024", "D", "4,50"),
                                   receipt("bad", "Z", "1")},
                                  ReceiptSummary::query(QStringLiteral("a"), "01/03/2024", "31/03/2024"));
    // Only A's code matches: the others are never dated.
    QCOMPARE(result.lines.size(), 1);
    QVERIFY(result.complete());
    const ListResult all = run({receipt("01/03/2024", "A", "10,50"), receipt("31/02/2024", "B", "1"),
                                receipt("02/03/2024", "C", "x"), receipt("03/03/2024", "D", "4,50")},
                               ReceiptSummary::query(QString(), "01/03/2024", "31/03/2024"));
    QCOMPARE(codes(all, LineFormats::carichi(), ReceiptRecord::Codice, m_path), (QStringList{"A", "D"}));
    QCOMPARE(ReceiptSummary::totalText(all.total), QStringLiteral("€ 15,00"));
    QCOMPARE(all.leftOutPositions, (QList<qint64>{2, 3}));
}

void TestTotals::importAddsStock_data()
{
    QTest::addColumn<QString>("giacenza");
    QTest::addColumn<QString>("costo");
    QTest::addColumn<QString>("quant");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("newStock");
    QTest::addColumn<QString>("newValue");
    QTest::newRow("5 on 10 at 2,50") << "10" << "2,50" << "5" << true << "15" << "37,50";
    QTest::newRow("2,5") << "10" << "2,50" << "2,5" << true << "12,5" << "31,25";
    QTest::newRow("0 recomputes the value") << "10" << "2,50" << "0" << true << "10" << "25,00";
    QTest::newRow("empty cost is 0") << "1" << "" << "1" << true << "2" << "0,00";
    QTest::newRow("unreadable stock") << "abc" << "2,50" << "1" << false << "abc" << "9,99";
    QTest::newRow("unreadable cost") << "1" << "x" << "1" << false << "1" << "9,99";
    QTest::newRow("unreadable quantity") << "1" << "2,50" << "1,2,3" << false << "1" << "9,99";
    QTest::newRow("value too long") << "1" << "999999999999999" << "999999" << false << "1" << "9,99";
}

void TestTotals::importAddsStock()
{
    QFETCH(QString, giacenza);
    QFETCH(QString, costo);
    QFETCH(QString, quant);
    QFETCH(bool, ok);
    QFETCH(QString, newStock);
    QFETCH(QString, newValue);
    Record before(ProductRecord::layout(), product("P", "Viti", "9,99", giacenza, costo));
    before.setValue(ProductRecord::Note, QStringLiteral("resta"));
    const ProductImport::StockChange change = ProductImport::addStock(before.bytes(), quant);
    QCOMPARE(change.ok, ok);
    QCOMPARE(change.message.isEmpty(), ok);
    if (QByteArray(QTest::currentDataTag()) == "value too long")
        QVERIFY2(change.message.contains(QStringLiteral("supera le 15 cifre")), qPrintable(change.message));
    if (!ok)
        return;
    Record after(ProductRecord::layout(), change.record);
    QCOMPARE(after.value(ProductRecord::Giacenza), newStock);
    QCOMPARE(after.value(ProductRecord::Valore), newValue);
    // Every other byte as it was.
    after.setValue(ProductRecord::Giacenza, giacenza);
    after.setValue(ProductRecord::Valore, QStringLiteral("9,99"));
    QCOMPARE(after.bytes(), before.bytes());
}

void TestTotals::importFillsTheCard()
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Marca, QStringLiteral("ACME"));
    r.setValue(ProductRecord::Modello, QStringLiteral("X1"));
    r.setValue(ProductRecord::Prezzo, QStringLiteral("4,00"));
    r.setValue(ProductRecord::Costo, QStringLiteral("2,50"));
    const auto fill = ProductImport::cardFill(r.bytes(), QStringLiteral(" 5 "));
    QCOMPARE(fill.size(), 8);
    QVERIFY(fill.contains(qMakePair(QStringLiteral("txtMarca"), QStringLiteral("ACME X1"))));
    QVERIFY(fill.contains(qMakePair(QStringLiteral("txtCostoUni"), QStringLiteral("4,00"))));
    QVERIFY(fill.contains(qMakePair(QStringLiteral("txtQuant"), QStringLiteral("5"))));
    QCOMPARE(ProductImport::cardFill(Record(ProductRecord::layout()).bytes(), "0")[4].second, QStringLiteral(" "));
    QCOMPARE(ProductImport::quantityExit(QStringLiteral("2,55555")), QStringLiteral("2,5556"));
    QCOMPARE(ProductImport::quantityExit(QStringLiteral("5")), QStringLiteral("5"));
    QCOMPARE(ProductImport::quantityExit(QString()), QStringLiteral("0"));
    QCOMPARE(ProductImport::quantityExit(QStringLiteral(",,")), QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(TestTotals)
#include "tst_totals.moc"

#include "products/pricecalc.h"
#include "receipts/receiptcalc.h"

#include <QTest>

using PriceCalc::Prices;
using PriceCalc::Value;

class TestPriceCalc : public QObject
{
    Q_OBJECT

private slots:
    void resultsLongerThanTheField_data();
    void resultsLongerThanTheField();
    void warningTexts();
    void calcola_data();
    void calcola();
    void scorpora_data();
    void scorpora();
    void valore_data();
    void valore();
    void stockTotal();
};

void TestPriceCalc::resultsLongerThanTheField_data()
{
    QTest::addColumn<int>("calc"); // 0 value, 1 receipt total, 2 price with VAT, 3 price without VAT
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("stored"); // empty: refused, nothing changed
    QTest::newRow("value 1,23E20") << 0 << "123456789012345" << "1000000" << QString();
    QTest::newRow("receipt 8999999999999991") << 1 << "999999999999999" << "9" << QString();
    QTest::newRow("receipt 10^12 without its zero decimals") << 1 << "1000000" << "1000000" << "1000000000000";
    QTest::newRow("value 10^14 without its zero decimals") << 0 << "10000000" << "10000000" << "100000000000000";
    QTest::newRow("value 1234567890123 in plain form") << 0 << "1234567890123" << "1" << "1234567890123";
    QTest::newRow("price without VAT, cents lost") << 3 << "99999999999999,9" << "0" << QString();
    QTest::newRow("value that fits") << 0 << "99999999999" << "10" << "999999999990,00";
    QTest::newRow("price with VAT past 10^15, as number text writes it") << 2 << "999999999999999" << "22" << "1,22E15";
}

void TestPriceCalc::resultsLongerThanTheField()
{
    QFETCH(int, calc);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, stored);
    PriceCalc::Result result;
    QString got;
    QString rejected;
    if (calc == 0) {
        Value v{a, b, QStringLiteral("5,00")};
        result = PriceCalc::calcolaValore(v);
        got = v.valore;
        rejected = v.rejected;
        QCOMPARE(v.costo, a);
        QCOMPARE(v.giacenza, b);
    } else if (calc == 1) {
        ReceiptCalc::Total t{a, b, QStringLiteral("5,00")};
        result = ReceiptCalc::calcola(t);
        got = t.costoTot;
        rejected = t.rejected;
        QCOMPARE(t.costoUni, a);
        QCOMPARE(t.quant, b);
    } else if (calc == 2) {
        Prices p{a, b, QStringLiteral("5,00")};
        result = PriceCalc::calcola(p);
        got = p.prezzoConIva;
        rejected = p.rejected;
    } else {
        Prices p{QStringLiteral("5,00"), b, a};
        result = PriceCalc::scorpora(p);
        got = p.prezzo;
        rejected = p.rejected;
        QCOMPARE(p.prezzoConIva, a);
    }
    if (stored.isEmpty()) {
        QCOMPARE(result, PriceCalc::Result::TooLong);
        QCOMPARE(got, QStringLiteral("5,00"));
        QVERIFY(rejected.size() > 15);
    } else {
        QCOMPARE(result, PriceCalc::Result::Done);
        QCOMPARE(got, stored);
        QVERIFY(got.size() <= 15);
    }
}

void TestPriceCalc::warningTexts()
{
    QCOMPARE(PriceCalc::tooLongWarning(QStringLiteral("1,2E20"), QStringLiteral("Valore")),
             QStringLiteral("Attenzione: il risultato del calcolo (1,2E20) supera i 15 caratteri del campo Valore e "
                            "non può essere registrato.\r\n\r\nControllare i valori indicati."));
    QCOMPARE(PriceCalc::overflowWarning(QStringLiteral("Valore")),
             QStringLiteral("Attenzione: il risultato del calcolo del campo Valore è troppo grande per essere "
                            "registrato.\r\n\r\nControllare i valori indicati: la scheda non è stata salvata."));
    QCOMPARE(PriceCalc::unreadableAmountWarning(QStringLiteral("Costo"), QStringLiteral(" 1.000,5 ")),
             QStringLiteral("Attenzione: il campo Costo non contiene un numero valido (\"1.000,5\").\r\n\r\n"
                            "Correggere il valore e premere di nuovo Salva: la scheda non è stata salvata."));
}

void TestPriceCalc::calcola_data()
{
    QTest::addColumn<QString>("prezzo");
    QTest::addColumn<QString>("perc");
    QTest::addColumn<QString>("conIva");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expPrezzo");
    QTest::addColumn<QString>("expPerc");
    QTest::addColumn<QString>("expConIva");
    QTest::newRow("10,00 at 22") << "10,00" << "22" << "99" << true << "10,00" << "22" << "12,20";
    QTest::newRow("8,20 at 22") << "8,20" << "22" << "0,00" << true << "8,20" << "22" << "10,00";
    QTest::newRow("10,05 at 10 (held below half)") << "10,05" << "10" << "0,00" << true << "10,05" << "10" << "11,05";
    QTest::newRow("1,15 at 10") << "1,15" << "10" << "0,00" << true << "1,15" << "10" << "1,26";
    QTest::newRow("0,05 at 10") << "0,05" << "10" << "0,00" << true << "0,05" << "10" << "0,06";
    QTest::newRow("rate 0 copies") << "10,5" << "0" << "0,00" << true << "10,5" << "0" << "10,50";
    QTest::newRow("all empty") << "" << " " << "" << true << "0,00" << "0" << "0,00";
    QTest::newRow("unreadable with-VAT box") << "10,00" << "22" << "abc" << false << "0,00" << "0" << "0,00";
    QTest::newRow("unreadable price") << "1.000" << "22" << "0,00" << false << "0,00" << "0" << "0,00";
}

void TestPriceCalc::calcola()
{
    QFETCH(QString, prezzo);
    QFETCH(QString, perc);
    QFETCH(QString, conIva);
    QFETCH(bool, ok);
    Prices p{prezzo, perc, conIva};
    QCOMPARE(PriceCalc::calcola(p) == PriceCalc::Result::Done, ok);
    QTEST(p.prezzo, "expPrezzo");
    QTEST(p.percIva, "expPerc");
    QTEST(p.prezzoConIva, "expConIva");
}

void TestPriceCalc::scorpora_data()
{
    QTest::addColumn<QString>("perc");
    QTest::addColumn<QString>("conIva");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expPrezzo");
    QTest::addColumn<QString>("expPerc");
    QTest::newRow("12,20 at 22") << "22" << "12,20" << true << "10,00" << "22";
    QTest::newRow("10,00 at 22") << "22" << "10,00" << true << "8,20" << "22";
    QTest::newRow("rate typed 05") << "05" << "10,50" << true << "10,00" << "5";
    QTest::newRow("rate 0 copies") << "0" << "7,1" << true << "7,10" << "0";
    QTest::newRow("unreadable") << "2,2,2" << "10,00" << false << "0,00" << "0";
}

void TestPriceCalc::scorpora()
{
    QFETCH(QString, perc);
    QFETCH(QString, conIva);
    QFETCH(bool, ok);
    Prices p{QStringLiteral("1,00"), perc, conIva};
    QCOMPARE(PriceCalc::scorpora(p) == PriceCalc::Result::Done, ok);
    QTEST(p.prezzo, "expPrezzo");
    QTEST(p.percIva, "expPerc");
    if (ok)
        QCOMPARE(p.prezzoConIva, conIva); // not touched
    else
        QCOMPARE(p.prezzoConIva, QStringLiteral("0,00"));
}

void TestPriceCalc::valore_data()
{
    QTest::addColumn<QString>("costo");
    QTest::addColumn<QString>("giacenza");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expValore");
    QTest::newRow("2,50 x 3") << "2,50" << "3" << true << "7,50";
    QTest::newRow("2,50 x -2") << "2,50" << "-2" << true << "-5,00";
    QTest::newRow("0,333 x 3") << "0,333" << "3" << true << "1,00";
    QTest::newRow("imported decimals") << "1,10" << "2,5" << true << "2,75";
    QTest::newRow("empty") << "" << "" << true << "0,00";
    QTest::newRow("unreadable stock") << "2,50" << "x" << false << "0,00";
}

void TestPriceCalc::valore()
{
    QFETCH(QString, costo);
    QFETCH(QString, giacenza);
    QFETCH(bool, ok);
    Value v{costo, giacenza, QStringLiteral("99,99")};
    QCOMPARE(PriceCalc::calcolaValore(v) == PriceCalc::Result::Done, ok);
    QTEST(v.valore, "expValore");
    if (!ok) {
        QCOMPARE(v.costo, QStringLiteral("0,00"));
        QCOMPARE(v.giacenza, QStringLiteral("0"));
    }
}

void TestPriceCalc::stockTotal()
{
    QCOMPARE(PriceCalc::stockTotal(QStringLiteral("10"), QStringLiteral("5"), true), std::optional<QString>("15"));
    QCOMPARE(PriceCalc::stockTotal(QStringLiteral("3"), QStringLiteral("5"), false), std::optional<QString>("-2"));
    QCOMPARE(PriceCalc::stockTotal(QStringLiteral("2,5"), QStringLiteral("1"), true), std::optional<QString>("3,5"));
    QCOMPARE(PriceCalc::stockTotal(QStringLiteral("a"), QStringLiteral("1"), true), std::nullopt);
}

QTEST_APPLESS_MAIN(TestPriceCalc)
#include "tst_pricecalc.moc"

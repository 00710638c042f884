#include "products/pricecalc.h"

#include <QTest>

using PriceCalc::Prices;
using PriceCalc::Value;

class TestPriceCalc : public QObject
{
    Q_OBJECT

private slots:
    void calcola_data();
    void calcola();
    void scorpora_data();
    void scorpora();
    void valore_data();
    void valore();
    void stockTotal();
};

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
    QCOMPARE(PriceCalc::calcola(p), ok);
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
    QCOMPARE(PriceCalc::scorpora(p), ok);
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
    QCOMPARE(PriceCalc::calcolaValore(v), ok);
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

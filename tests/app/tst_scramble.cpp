#include "app/scramble.h"

#include <QTest>

class TestScramble : public QObject
{
    Q_OBJECT

private slots:
    void knownVector();
    void roundTrip_data();
    void roundTrip();
    void unscrambleAcceptsLowerCaseAndIgnoresOddDigit();
    void notHexadecimalFails_data();
    void notHexadecimalFails();
};

void TestScramble::knownVector()
{
    QCOMPARE(Scramble::scramble(u"MAGAZZINO"), QStringLiteral("6F30231B7F9E4FED1A"));
    QCOMPARE(Scramble::unscramble(u"6F30231B7F9E4FED1A"), std::optional<QString>(QStringLiteral("MAGAZZINO")));
    QCOMPARE(Scramble::scramble(u""), QString());
}

void TestScramble::roundTrip_data()
{
    QTest::addColumn<QString>("plain");
    QTest::newRow("ascii") << QStringLiteral("PASSWORD 2024!");
    QTest::newRow("accents") << QStringLiteral("CITTÀ PERCHÉ ÿ");
    QString all;
    for (int c = 0; c < 256; ++c)
        all += QChar(char16_t(c));
    QTest::newRow("every code below 256") << all;
}

void TestScramble::roundTrip()
{
    QFETCH(QString, plain);
    const QString stored = Scramble::scramble(plain);
    QCOMPARE(stored.size(), plain.size() * 2);
    QVERIFY(stored == stored.toUpper());
    QCOMPARE(Scramble::unscramble(stored), std::optional<QString>(plain));
}

void TestScramble::unscrambleAcceptsLowerCaseAndIgnoresOddDigit()
{
    QCOMPARE(Scramble::unscramble(u"6f30231b7f9e4fed1a"), std::optional<QString>(QStringLiteral("MAGAZZINO")));
    QCOMPARE(Scramble::unscramble(u"6F30231B7F9E4FED1A7"), std::optional<QString>(QStringLiteral("MAGAZZINO")));
    QCOMPARE(Scramble::unscramble(u"6"), std::optional<QString>(QString()));
}

void TestScramble::notHexadecimalFails_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("letter G") << QStringLiteral("6F3G");
    QTest::newRow("blank inside") << QStringLiteral("6F 0");
    QTest::newRow("sign") << QStringLiteral("-1");
}

void TestScramble::notHexadecimalFails()
{
    QFETCH(QString, stored);
    QCOMPARE(Scramble::unscramble(stored), std::nullopt);
}

QTEST_APPLESS_MAIN(TestScramble)
#include "tst_scramble.moc"

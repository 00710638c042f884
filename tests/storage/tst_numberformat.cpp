#include "storage/numberformat.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>
#include <string>

using namespace NumberFormat;

class TestNumberFormat : public QObject
{
    Q_OBJECT

private slots:
    void readDecimal_data();
    void readDecimal();
    void storedBytesReadAsText();
    void numberText_data();
    void numberText();
    void roundTo_data();
    void roundTo();
    void normaliseMoney_data();
    void normaliseMoney();
    void moneyExit_data();
    void moneyExit();
    void wholeNumberExit_data();
    void wholeNumberExit();
    void isValidDate_data();
    void isValidDate();
    void independentOfProcessLocale();
};

void TestNumberFormat::readDecimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("12") << "12" << true << 12.0;
    QTest::newRow("12,5") << "12,5" << true << 12.5;
    QTest::newRow(",5") << ",5" << true << 0.5;
    QTest::newRow("5,") << "5," << true << 5.0;
    QTest::newRow("lone comma") << "," << true << 0.0;
    QTest::newRow("blanks around") << "  7  " << true << 7.0;
    QTest::newRow("plus") << "+3" << true << 3.0;
    QTest::newRow("minus") << "-2,25" << true << -2.25;
    QTest::newRow("exponent") << "1,5E3" << true << 1500.0;
    QTest::newRow("negative exponent") << "1e-5" << true << 0.00001;
    QTest::newRow("exponent plus") << "2E+2" << true << 200.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks only") << "   " << false << 0.0;
    QTest::newRow("lone minus") << "-" << false << 0.0;
    QTest::newRow("point") << "12.5" << false << 0.0;
    QTest::newRow("two commas") << "1,2,3" << false << 0.0;
    QTest::newRow("thousands") << "1.000,5" << false << 0.0;
    QTest::newRow("letter") << "12a" << false << 0.0;
    QTest::newRow("tab is not a blank") << "\t5" << false << 0.0;
    QTest::newRow("exponent without digits") << "1E" << false << 0.0;
    QTest::newRow("blank inside") << "1 2" << false << 0.0;
    QTest::newRow("overflow") << "1E400" << false << 0.0;
}

void TestNumberFormat::readDecimal()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    const std::optional<double> got = NumberFormat::readDecimal(text);
    QCOMPARE(got.has_value(), ok);
    if (ok)
        QVERIFY2(*got == value, qPrintable(QString::number(*got, 'g', 17)));
    // The stored bytes read to the very same number.
    char room[260];
    const QByteArray bytes = text.toLatin1();
    const std::optional<double> stored = NumberFormat::readDecimal(bytes.constData(), int(bytes.size()), room);
    QCOMPARE(stored.has_value(), ok);
    if (ok)
        QVERIFY(std::signbit(*stored) == std::signbit(*got) && *stored == *got);
}

void TestNumberFormat::storedBytesReadAsText()
{
    // Amounts of every length and precision, the shapes a quick reading
    // could get wrong: many digits, many decimals, 2^53 and just past it.
    QRandomGenerator g(11);
    QStringList texts{"9007199254740992", "9007199254740993", "0,1", "-0", "-0,0", "1234567890123456",
                      "12345678901234567", "0,0000000000000000000001", "5,", ",5", "00012,50", "-,"};
    for (int i = 0; i < 20000; ++i) {
        QString t = g.bounded(4) == 0 ? QStringLiteral("-") : QString();
        for (int k = int(g.bounded(1, 17)); k > 0; --k)
            t += QChar(u'0' + int(g.bounded(10)));
        if (g.bounded(3) != 0) {
            t += u',';
            for (int k = int(g.bounded(0, 8)); k > 0; --k)
                t += QChar(u'0' + int(g.bounded(10)));
        }
        texts << t;
    }
    char room[260];
    for (const QString &t : texts) {
        const QByteArray bytes = t.toLatin1();
        const std::optional<double> a = NumberFormat::readDecimal(t);
        const std::optional<double> b = NumberFormat::readDecimal(bytes.constData(), int(bytes.size()), room);
        QVERIFY2(a.has_value() == b.has_value(), bytes.constData());
        if (a)
            QVERIFY2(*a == *b && std::signbit(*a) == std::signbit(*b), bytes.constData());
    }
}

void TestNumberFormat::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("0,5") << 0.5 << "0,5";
    QTest::newRow("12") << 12.0 << "12";
    QTest::newRow("1234,50") << 1234.50 << "1234,5";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("negative") << -3.25 << "-3,25";
    QTest::newRow("1E15") << 1e15 << "1E15";
    QTest::newRow("1E-5") << 0.00001 << "1E-5";
    QTest::newRow("0,0001") << 0.0001 << "0,0001";
    QTest::newRow("largest plain") << 999999999999999.0 << "999999999999999";
    QTest::newRow("rounds up to 1E15") << 999999999999999.9 << "1E15";
    QTest::newRow("15 significant") << 0.1 + 0.2 << "0,3";
    QTest::newRow("one third") << 1.0 / 3 << "0,333333333333333";
    QTest::newRow("exponent with fraction") << 1.5e20 << "1,5E20";
    QTest::newRow("negative small") << -0.000012 << "-1,2E-5";
    QTest::newRow("12,3456") << 12.3456 << "12,3456";
}

void TestNumberFormat::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(NumberFormat::numberText(value), text);
}

void TestNumberFormat::roundTo_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("n");
    QTest::addColumn<double>("expected");
    QTest::newRow("2,5 at 0") << 2.5 << 0 << 3.0;
    QTest::newRow("2,4 at 0") << 2.4 << 0 << 2.0;
    QTest::newRow("-2 at 0") << -2.0 << 0 << -2.0;
    QTest::newRow("-2,5 at 0") << -2.5 << 0 << -2.0;
    QTest::newRow("-2,6 at 0") << -2.6 << 0 << -3.0;
    QTest::newRow("-3 at 2") << -3.0 << 2 << -3.0;
    QTest::newRow("1,23456 at 4") << 1.23456 << 4 << 1.2346;
    QTest::newRow("11,055 at 2") << 11.055 << 2 << 11.05;
    QTest::newRow("0,00005 at 4") << 0.00005 << 4 << 0.0001;
    QTest::newRow("0,00004 at 4") << 0.00004 << 4 << 0.0;
    QTest::newRow("negative n") << 7.5 << -1 << 8.0;
    QTest::newRow("1 decimal") << 0.25 << 1 << 0.3;
    // In double, x + 0,5 would round up to 1; extended precision keeps it below.
    QTest::newRow("just below a half") << 0.49999999999999994 << 0 << 0.0;
}

void TestNumberFormat::roundTo()
{
    QFETCH(double, x);
    QFETCH(int, n);
    QFETCH(double, expected);
    const double got = NumberFormat::roundTo(x, n);
    QVERIFY2(got == expected, qPrintable(QString::number(got, 'g', 17)));
}

void TestNumberFormat::normaliseMoney_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12") << "12" << "12,00";
    QTest::newRow("12,5") << "12,5" << "12,50";
    QTest::newRow("12,55") << "12,55" << "12,55";
    QTest::newRow("12,555") << "12,555" << "12,555";
    QTest::newRow("1E15 stays readable") << "1E15" << "1E15";
    QTest::newRow("1E-5 stays readable") << "1E-5" << "1E-5";
}

void TestNumberFormat::normaliseMoney()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(NumberFormat::normaliseMoney(text), expected);
}

void TestNumberFormat::moneyExit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12") << "12" << 4 << "12,00";
    QTest::newRow("12,5") << "12,5" << 4 << "12,50";
    QTest::newRow("12,555") << "12,555" << 4 << "12,555";
    QTest::newRow("12,55555") << "12,55555" << 4 << "12,5556";
    QTest::newRow("1,23456") << "1,23456" << 4 << "1,2346";
    QTest::newRow("0,00004") << "0,00004" << 4 << "0,00";
    QTest::newRow("0,00005") << "0,00005" << 4 << "0,0001";
    QTest::newRow(",5") << ",5" << 4 << "0,50";
    QTest::newRow("lone comma") << "," << 4 << "0,00";
    QTest::newRow("two commas") << "1,2,3" << 4 << "0,00";
    QTest::newRow("empty") << "" << 4 << "0,00";
    QTest::newRow("blanks") << "  \t" << 4 << "0,00";
    QTest::newRow("total at 2") << "37,505" << 2 << "37,51";
    QTest::newRow("total 11,055 at 2") << "11,055" << 2 << "11,05";
    QTest::newRow("10^15") << "1000000000000000" << 4 << "1E15";
    // Pasted with a decimal point: one point, no comma, not three digits after.
    QTest::newRow("pasted 12.5") << "12.5" << 4 << "12,50";
    QTest::newRow("pasted 12.50") << "12.50" << 4 << "12,50";
    QTest::newRow("pasted 0.1234") << "0.1234" << 4 << "0,1234";
    QTest::newRow("pasted 3.14159") << "3.14159" << 4 << "3,1416";
    QTest::newRow("pasted .5") << ".5" << 4 << "0,50";
    QTest::newRow("pasted -12.5") << "-12.5" << 4 << "-12,50";
    QTest::newRow("1.000 is a thousand") << "1.000" << 4 << "1000,00";
    QTest::newRow("1.000,50 is grouped") << "1.000,50" << 4 << "1000,50";
    QTest::newRow("point and comma") << "12.5,3" << 4 << "0,00";
    QTest::newRow("two points") << "1.2.3" << 4 << "0,00";
    QTest::newRow("lone point") << "." << 4 << "0,00";
}

void TestNumberFormat::moneyExit()
{
    QFETCH(QString, text);
    QFETCH(int, decimals);
    QFETCH(QString, expected);
    QCOMPARE(NumberFormat::moneyExit(text, decimals), expected);
}

void TestNumberFormat::wholeNumberExit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("7") << "7" << "7";
    QTest::newRow("2,5") << "2,5" << "3";
    QTest::newRow("empty") << "" << "0";
    QTest::newRow("abc") << "abc" << "0";
    QTest::newRow("negative") << "-4" << "-4";
    QTest::newRow("-0,4") << "-0,4" << "0";
}

void TestNumberFormat::wholeNumberExit()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(NumberFormat::wholeNumberExit(text), expected);
}

void TestNumberFormat::isValidDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ordinary") << "05/03/2024" << true;
    QTest::newRow("leap day") << "29/02/2024" << true;
    QTest::newRow("not a leap year") << "29/02/2023" << false;
    QTest::newRow("century not leap") << "29/02/1900" << false;
    QTest::newRow("400 leap") << "29/02/2000" << true;
    QTest::newRow("31 april") << "31/04/2024" << false;
    QTest::newRow("month 13") << "01/13/2024" << false;
    QTest::newRow("day 0") << "00/01/2024" << false;
    QTest::newRow("year 1") << "01/01/0001" << true;
    QTest::newRow("year 0") << "01/01/0000" << false;
    QTest::newRow("year 9999") << "31/12/9999" << true;
    QTest::newRow("short year") << "01/01/24" << false;
    QTest::newRow("dashes") << "01-01-2024" << false;
    QTest::newRow("blank") << "" << false;
    QTest::newRow("sign in year") << "01/01/+024" << false;
    QTest::newRow("single digit day") << "1/01/2024 " << false;
}

void TestNumberFormat::isValidDate()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(NumberFormat::isValidDate(text), valid);
}

void TestNumberFormat::independentOfProcessLocale()
{
    // A desktop with a comma locale must not change how numbers read or print.
    const char *previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    const char *comma = nullptr;
    for (const char *name : {"it_IT.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "it_IT", "de_DE", "Italian_Italy.1252", "it-IT"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            comma = name;
            break;
        }
    }
    QTemporaryDir compiled;
    if (!comma && compiled.isValid()) {
        // Not installed: compile the Italian locale from the locales package.
        const QString target = compiled.filePath(QStringLiteral("it_IT.UTF-8"));
        if (QProcess::execute(QStringLiteral("localedef"),
                              {QStringLiteral("-i"), QStringLiteral("it_IT"), QStringLiteral("-f"),
                               QStringLiteral("UTF-8"), target}) == 0) {
            qputenv("LOCPATH", compiled.path().toLocal8Bit());
            comma = std::setlocale(LC_NUMERIC, "it_IT.UTF-8");
        }
    }
    if (!comma)
        QSKIP("no locale with a decimal comma available");
    QVERIFY(std::localeconv()->decimal_point == std::string(","));
    const std::optional<double> read = NumberFormat::readDecimal(u"12,5");
    const QString text = NumberFormat::numberText(0.5);
    const QString money = NumberFormat::moneyExit(u"1,23456");
    std::setlocale(LC_NUMERIC, saved.c_str());
    QCOMPARE(read, std::optional<double>(12.5));
    QCOMPARE(text, QStringLiteral("0,5"));
    QCOMPARE(money, QStringLiteral("1,2346"));
}

QTEST_APPLESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"

#include "storage/cp1252.h"
#include "storage/record.h"
#include "storage/textrules.h"

#include <QTest>

class TestFieldEncoding : public QObject
{
    Q_OBJECT

private slots:
    void controlCharactersBecomeBlanks();
    void unrepresentableCharacters();
    void everyByteRoundTrips();
    void knownCharacters_data();
    void knownCharacters();
    void unrepresentableBecomesQuestionMark();
    void writeTrimsCutsAndZeroFills();
    void writeOverLeftovers();
    void readTakesOnlyLengthBytes();
    void overlongLengthByteReadsAsCapacity();
    void yesNo();
    void textRules();
};

void TestFieldEncoding::everyByteRoundTrips()
{
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const QString decoded = Cp1252::decode(QByteArrayView(&byte, 1));
        QCOMPARE(decoded.size(), 1);
        QCOMPARE(Cp1252::encode(decoded), QByteArray(1, byte));
    }
}

void TestFieldEncoding::knownCharacters_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("codePoint");
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("unassigned 81") << 0x81 << 0x0081;
    QTest::newRow("unassigned 8D") << 0x8D << 0x008D;
    QTest::newRow("unassigned 8F") << 0x8F << 0x008F;
    QTest::newRow("unassigned 90") << 0x90 << 0x0090;
    QTest::newRow("unassigned 9D") << 0x9D << 0x009D;
    QTest::newRow("left double quote") << 0x93 << 0x201C;
    QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
    QTest::newRow("i grave") << 0xEC << 0x00EC;
    QTest::newRow("nbsp") << 0xA0 << 0x00A0;
}

void TestFieldEncoding::knownCharacters()
{
    QFETCH(int, byte);
    QFETCH(int, codePoint);
    const char b = char(byte);
    QCOMPARE(Cp1252::decode(QByteArrayView(&b, 1)), QString(QChar(char16_t(codePoint))));
    QCOMPARE(Cp1252::encode(QString(QChar(char16_t(codePoint)))), QByteArray(1, b));
}

void TestFieldEncoding::unrepresentableBecomesQuestionMark()
{
    // U+0080 is a C1 control the code page has no byte for (0x80 is the euro);
    // a character outside the BMP is one character, so one '?'.
    const QString text = QStringLiteral("a\u0080b\u4E2Dc") + QString::fromUcs4(U"\U0001F600") + u'd';
    QCOMPARE(Cp1252::encode(text), QByteArray("a?b?c?d"));
}

void TestFieldEncoding::writeTrimsCutsAndZeroFills()
{
    char field[6];
    std::memset(field, 'x', sizeof field);
    ShortString::write(field, 5, QStringLiteral(" \t\r\nabcdefg "));
    QCOMPARE(QByteArray(field, 6), QByteArray("\x05" "abcde", 6));

    std::memset(field, 'x', sizeof field);
    ShortString::write(field, 5, QStringLiteral("  ab\t"));
    QCOMPARE(QByteArray(field, 6), QByteArray("\x02" "ab\0\0\0", 6));

    std::memset(field, 'x', sizeof field);
    ShortString::write(field, 5, QStringLiteral("   "));
    QCOMPARE(QByteArray(field, 6), QByteArray(6, '\0'));

    // Capacity 250: an attachment description of 300 characters keeps 250.
    QByteArray wide(251, 'x');
    ShortString::write(wide.data(), 250, QString(300, u'\u00E8'));
    QCOMPARE(quint8(wide[0]), quint8(250));
    QCOMPARE(wide.mid(1), QByteArray(250, char(0xE8)));
}

void TestFieldEncoding::writeOverLeftovers()
{
    // Overwriting a longer value leaves no trace of it after the text.
    QByteArray field(11, '\0');
    ShortString::write(field.data(), 10, QStringLiteral("lunghissimo"));
    ShortString::write(field.data(), 10, QStringLiteral("ab"));
    QCOMPARE(field, QByteArray("\x02" "ab\0\0\0\0\0\0\0\0", 11));
}

void TestFieldEncoding::readTakesOnlyLengthBytes()
{
    // Bytes after the text may hold another record's leftovers.
    const QByteArray field("\x03" "  a" "LEFTOVERS!", 14);
    QCOMPARE(ShortString::read(field.constData(), 13), QStringLiteral("a"));
    const QByteArray euro("\x04\x80 S\xEC", 5);
    QCOMPARE(ShortString::read(euro.constData(), 4), QStringLiteral("\u20AC S\u00EC"));
}

void TestFieldEncoding::overlongLengthByteReadsAsCapacity()
{
    // Field of capacity 3 followed by bytes of the next field.
    const QByteArray bytes("\xFF" "abc" "NEXT", 8);
    QCOMPARE(ShortString::read(bytes.constData(), 3), QStringLiteral("abc"));
    QCOMPARE(ShortString::rawText(bytes.constData(), 3).size(), 3);
}

void TestFieldEncoding::yesNo()
{
    char field[3];
    ShortString::write(field, 2, YesNo::text(true));
    QCOMPARE(QByteArray(field, 3), QByteArray("\x02\x53\xEC", 3));
    ShortString::write(field, 2, YesNo::text(false));
    QCOMPARE(QByteArray(field, 3), QByteArray("\x02\x4E\x6F", 3));

    QCOMPARE(YesNo::read(u"S\u00EC"), std::optional<bool>(true));
    QCOMPARE(YesNo::read(u"No"), std::optional<bool>(false));
    QCOMPARE(YesNo::read(u""), std::nullopt);
    QCOMPARE(YesNo::read(u"Si"), std::nullopt);
    QCOMPARE(YesNo::read(u"NO"), std::nullopt);
}

void TestFieldEncoding::textRules()
{
    using namespace TextRules;
    QCOMPARE(trimmed(QStringLiteral("\x01 \x1F" "a b\x20\x7F\x20\t")), QStringLiteral("a b\x20\x7F"));
    QCOMPARE(upperAZ(u"àbz èQ"), QStringLiteral("àBZ èQ"));
    QCOMPARE(lowerAZ(u"ÀBZ Èq"), QStringLiteral("Àbz Èq"));
    QCOMPARE(leftCopy(u"abc", 2), QStringLiteral("ab"));
    QCOMPARE(leftCopy(u"abc", 9), QStringLiteral("abc"));
    QCOMPARE(rightCopy(u"abc", 2), QStringLiteral("bc"));
    QCOMPARE(rightCopy(u"abc", 9), QStringLiteral("abc"));
    QCOMPARE(padOrCut(u"abc", 5), QStringLiteral("abc  "));
    QCOMPARE(padOrCut(u"abcdef", 4), QStringLiteral("abcd"));
    QCOMPARE(padOrCut(u"", 2), QStringLiteral("  "));
}

void TestFieldEncoding::controlCharactersBecomeBlanks()
{
    char field[1 + 30];
    ShortString::write(field, 30, u"\tuno\ndue\r\ntre\x7F\x01" u"fine\n");
    QCOMPARE(ShortString::read(field, 30), QStringLiteral("uno due  tre  fine"));
}

void TestFieldEncoding::unrepresentableCharacters()
{
    QCOMPARE(Cp1252::unrepresentable(u"àèìòù €?"), QString());
    QCOMPARE(Cp1252::unrepresentable(u"Łódź Łó"), QStringLiteral("Łź"));
    QCOMPARE(Cp1252::unrepresentable(QStringLiteral("a\U0001F600b\U0001F600")), QStringLiteral("\U0001F600"));
}

QTEST_APPLESS_MAIN(TestFieldEncoding)
#include "tst_fieldencoding.moc"

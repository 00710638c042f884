#include "validators/validators.h"

#include <QTest>

using Validators::Kind;
using Validators::Verdict;
Q_DECLARE_METATYPE(Validators::Kind)
Q_DECLARE_METATYPE(Validators::Verdict::Box)

namespace {

const QString kTaxLength = QStringLiteral("Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici.");
const QString kTaxValid = QStringLiteral("Il codice fiscale digitato è VALIDO.");
const QString kTaxWrong = QStringLiteral("Attenzione: il codice fiscale digitato è ERRATO.");
const QString kVatLength = QStringLiteral("Attenzione: la partita IVA deve essere composta da 11 caratteri numerici.");
const QString kVatWrong = QStringLiteral("Attenzione: il numero di partita IVA digitato risulta ERRATO!\r\n\r\nNon è quindi "
                                         "possibile fornire informazioni relative all'Ufficio IVA che lo ha rilasciato.");
QString vatValid(const QString &office)
{
    return QStringLiteral("Il numero di partita IVA digitato risulta VALIDO.\r\n\r\nE' stato rilasciato dall'Ufficio "
                          "IVA del Comune di ")
           + office + u'.';
}
const QString kCardEmpty = QStringLiteral("Attenzione: immettere il numero di carta di credito prima di premere il "
                                          "pulsante di controllo.");
const QString kCardWrong = QStringLiteral("Attenzione: il numero digitato risulta ERRATO!\r\n\r\nNon è quindi possibile "
                                          "fornire informazioni relative al tipo di carta di credito.");
QString cardValid(const QString &text, const QString &issuer)
{
    return QStringLiteral("Il numero di carta di credito ") + text
           + QStringLiteral(" risulta valido.\r\n\r\nLa carta di credito è del tipo ") + issuer + u'.';
}
const QString kIbanLength = QStringLiteral("Attenzione: l'IBAN deve essere composto da 27 caratteri alfanumerici.");
const QString kIbanValid = QStringLiteral("L'IBAN digitato è VALIDO.");
const QString kIbanWrong = QStringLiteral("Attenzione: l'IBAN digitato è ERRATO!");

} // namespace

class TestValidators : public QObject
{
    Q_OBJECT

private slots:
    void verdicts_data();
    void verdicts();
    void officeTable();
    void cardResults_data();
    void cardResults();
    void ibanRemainderPiecewise();
    void typingIntoTheBoxes_data();
    void typingIntoTheBoxes();
};

void TestValidators::verdicts_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Verdict::Box>("box");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("closes");
    using B = Verdict::Box;

    QTest::newRow("cf valid") << Kind::TaxCode << "RSSMRA85T10A562S" << B::Information << kTaxValid << true;
    QTest::newRow("cf lower case") << Kind::TaxCode << "rssmra85t10a562s" << B::Information << kTaxValid << true;
    QTest::newRow("cf check letter changed") << Kind::TaxCode << "RSSMRA85T10A562T" << B::Warning << kTaxWrong << true;
    QTest::newRow("cf substitution letters") << Kind::TaxCode << "RSSMRAURTMLARSNL" << B::Information << kTaxValid << true;
    QTest::newRow("cf hyphen") << Kind::TaxCode << "RSSMRA85T10-562S" << B::Warning << kTaxWrong << true;
    QTest::newRow("cf blank inside") << Kind::TaxCode << "RSSMRA85 10A562S" << B::Warning << kTaxWrong << true;
    QTest::newRow("cf accented") << Kind::TaxCode << "RSSMRÀ85T10A562S" << B::Warning << kTaxWrong << true;
    QTest::newRow("cf 15 characters") << Kind::TaxCode << "RSSMRA85T10A562" << B::Warning << kTaxLength << false;
    QTest::newRow("cf empty") << Kind::TaxCode << "" << B::Warning << kTaxLength << false;

    QTest::newRow("piva office 015") << Kind::VatNumber << "12345670157" << B::Information << vatValid("Milano 1") << true;
    QTest::newRow("piva office 120") << Kind::VatNumber << "00000001206" << B::Information << vatValid("Bologna 2") << true;
    QTest::newRow("piva office 000") << Kind::VatNumber << "76543210009" << B::Information << vatValid("") << true;
    QTest::newRow("piva all zeros") << Kind::VatNumber << "00000000000" << B::Information << vatValid("") << true;
    QTest::newRow("piva wrong last digit") << Kind::VatNumber << "12345670158" << B::Warning << kVatWrong << true;
    QTest::newRow("piva 10 digits") << Kind::VatNumber << "1234567015" << B::Warning << kVatLength << false;
    QTest::newRow("piva letter from the card") << Kind::VatNumber << "1234567015a" << B::Warning << kVatWrong << true;

    QTest::newRow("visa") << Kind::CreditCard << "4111111111111111" << B::Information
                          << cardValid("4111111111111111", "Visa") << true;
    QTest::newRow("mastercard") << Kind::CreditCard << "5555555555554444" << B::Information
                                << cardValid("5555555555554444", "MasterCard") << true;
    QTest::newRow("discover") << Kind::CreditCard << "6011111111111117" << B::Information
                              << cardValid("6011111111111117", "Discover") << true;
    QTest::newRow("amex 37") << Kind::CreditCard << "378282246310005" << B::Information
                             << cardValid("378282246310005", "American Express") << true;
    QTest::newRow("diners 30") << Kind::CreditCard << "30569309025904" << B::Information
                               << cardValid("30569309025904", "Diner's Club / Carte Blanche") << true;
    QTest::newRow("jcb 35") << Kind::CreditCard << "3530111333300000" << B::Information
                            << cardValid("3530111333300000", "JCB") << true;
    QTest::newRow("prefix 32: no box") << Kind::CreditCard << "3200000000000002" << B::None << "" << true;
    QTest::newRow("prefix 39: no box") << Kind::CreditCard << "3900000000000005" << B::None << "" << true;
    for (const char *n : {"2000000000000006", "7000000000000005", "8000000000000003", "9000000000000001",
                          "0000000000000000", "1000000000000008"})
        QTest::newRow(qPrintable(QStringLiteral("prefix %1").arg(QLatin1Char(n[0]))))
            << Kind::CreditCard << n << B::Warning << kCardWrong << true;
    QTest::newRow("separators") << Kind::CreditCard << " 4111 1111-1111 1111 " << B::Information
                                << cardValid("4111 1111-1111 1111", "Visa") << true;
    QTest::newRow("more than 20 characters") << Kind::CreditCard << "4111 - 1111 - 1111 - 1111" << B::Warning
                                             << kCardWrong << true;
    QTest::newRow("last digit changed") << Kind::CreditCard << "4111111111111112" << B::Warning << kCardWrong << true;
    QTest::newRow("card empty") << Kind::CreditCard << "   " << B::Warning << kCardEmpty << false;

    QTest::newRow("iban valid") << Kind::Iban << "IT60X0542811101000000123456" << B::Information << kIbanValid << true;
    QTest::newRow("iban lower case") << Kind::Iban << "it60x0542811101000000123456" << B::Information << kIbanValid << true;
    QTest::newRow("iban digit changed") << Kind::Iban << "IT60X0542811101000000123457" << B::Warning << kIbanWrong << true;
    QTest::newRow("iban in groups") << Kind::Iban << "IT60 X054 2811 1010 0000 0123 456" << B::Warning << kIbanLength
                                    << false;
    QTest::newRow("foreign iban padded by blanks") << Kind::Iban << "DE89 3704 0044 0532 0130 00" << B::Information
                                                   << kIbanValid << true;
    QTest::newRow("iban hyphen") << Kind::Iban << "IT60-0542811101000000123456" << B::Warning << kIbanWrong << true;
    QTest::newRow("iban slash") << Kind::Iban << "IT60X/542811101000000123456" << B::Warning << kIbanWrong << true;
    QTest::newRow("iban 26") << Kind::Iban << "IT60X054281110100000012345" << B::Warning << kIbanLength << false;
}

void TestValidators::verdicts()
{
    QFETCH(Kind, kind);
    QFETCH(QString, text);
    QFETCH(Verdict::Box, box);
    QFETCH(QString, message);
    QFETCH(bool, closes);
    const Verdict v = Validators::check(kind, text);
    QCOMPARE(v.box, box);
    QCOMPARE(v.text, message);
    QCOMPARE(v.closesWindow, closes);
    QCOMPARE(v.valid, box == Verdict::Box::Information);
}

void TestValidators::officeTable()
{
    QCOMPARE(Validators::vatOffice(QStringLiteral("001")), QStringLiteral("Torino"));
    QCOMPARE(Validators::vatOffice(QStringLiteral("040")), QStringLiteral("Forlì"));
    QCOMPARE(Validators::vatOffice(QStringLiteral("096")), QStringLiteral("Monza (Milano 2)"));
    QCOMPARE(Validators::vatOffice(QStringLiteral("102")), QStringLiteral("Napoli 2"));
    QCOMPARE(Validators::vatOffice(QStringLiteral("121")), QStringLiteral("Napoli 2"));
    QCOMPARE(Validators::vatOffice(QStringLiteral("103")), QString());
    QCOMPARE(Validators::vatOffice(QStringLiteral("119")), QString());
    QCOMPARE(Validators::vatOffice(QStringLiteral("15")), QString());
    int known = 0;
    for (int code = 0; code < 1000; ++code)
        known += !Validators::vatOffice(QStringLiteral("%1").arg(code, 3, 10, QLatin1Char('0'))).isEmpty();
    QCOMPARE(known, 104);
}

void TestValidators::cardResults_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result");
    QTest::newRow("visa") << "4111111111111111" << 2;
    QTest::newRow("first digit 0") << "0000000000000000" << -2;
    QTest::newRow("first digit 9") << "9000000000000001" << 7;
    QTest::newRow("first digit 2 is invalid") << "2000000000000006" << 0;
    QTest::newRow("single digit") << "0" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("odd length") << "378282246310005" << 1;
}

void TestValidators::cardResults()
{
    QFETCH(QString, text);
    QFETCH(int, result);
    QCOMPARE(Validators::cardCheckResult(text), result);
}

void TestValidators::ibanRemainderPiecewise()
{
    QCOMPARE(Validators::ibanRemainder(QStringLiteral("IT60X0542811101000000123456")), 1);
    // "IBAN" is taken out before the check.
    QCOMPARE(Validators::ibanRemainder(QStringLiteral("IBANIT60X0542811101000000123456")), 1);
    // The changed digit stands 10^6 from the end once the first four move
    // behind: 1 + 10^6 mod 97 = 28.
    QCOMPARE(Validators::ibanRemainder(QStringLiteral("IT60X0542811101000000123457")), 28);
    QCOMPARE(Validators::ibanRemainder(QStringLiteral("IT60-0542811101000000123456")), 0);
    // Against the whole number: the first four characters move to the end.
    QCOMPARE(Validators::ibanRemainder(QStringLiteral("00001152921504606846976")),
             int((1152921504606846976ULL % 97) * (10000 % 97) % 97));
}

void TestValidators::typingIntoTheBoxes_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("box");
    QTest::newRow("cf capitals, blanks at the ends") << Kind::TaxCode << "  rssmrà85 " << "RSSMRà85";
    QTest::newRow("cf at most 16") << Kind::TaxCode << "rssmra85t10a562sXYZ" << "RSSMRA85T10A562S";
    QTest::newRow("piva digits only") << Kind::VatNumber << "IT 123-45a67015799" << "12345670157";
    QTest::newRow("card digits only") << Kind::CreditCard << "4111 1111-1111 1111" << "4111111111111111";
    // A blank typed at the end is trimmed at once, so blanks cannot be typed in.
    QTest::newRow("iban capitals, blanks gone") << Kind::Iban << "it60 x054" << "IT60X054";
}

void TestValidators::typingIntoTheBoxes()
{
    QFETCH(Kind, kind);
    QFETCH(QString, keys);
    QFETCH(QString, box);
    QCOMPARE(Validators::typed(kind, keys), box);
}

QTEST_APPLESS_MAIN(TestValidators)
#include "tst_validators.moc"

#include "validators.h"

#include "storage/textrules.h"

#include <QHash>

namespace Validators {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isUpper(QChar c)
{
    return c >= u'A' && c <= u'Z';
}

// Odd-position values of 0-9 and A-Z; digits share the values of A-J.
constexpr int kOdd[26] = {1, 0, 5, 7, 9, 13, 15, 17, 19, 21, 2, 4, 18, 20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};

int oddValue(QChar c)
{
    return isDigit(c) ? kOdd[c.unicode() - u'0'] : kOdd[c.unicode() - u'A'];
}

int evenValue(QChar c)
{
    return isDigit(c) ? c.unicode() - u'0' : c.unicode() - u'A';
}

Verdict stay(const QString &text)
{
    return {Verdict::Box::Warning, text, false, false};
}

} // namespace

bool taxCodeCheckLetterOk(const QString &code)
{
    if (code.size() != 16)
        return false;
    for (QChar c : code) {
        if (!isDigit(c) && !isUpper(c))
            return false;
    }
    int sum = 0;
    for (int i = 0; i < 15; ++i)
        sum += (i % 2 == 0) ? oddValue(code[i]) : evenValue(code[i]); // position i + 1
    return code[15] == QChar(char16_t(u'A' + sum % 26));
}

bool vatCheckDigitOk(const QString &number)
{
    if (number.size() != 11)
        return false;
    for (QChar c : number) {
        if (!isDigit(c))
            return false;
    }
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        const int d = number[i].unicode() - u'0';
        if (i % 2 == 0) {
            sum += d;
        } else {
            const int doubled = 2 * d;
            sum += doubled / 10 + doubled % 10;
        }
    }
    const int check = sum % 10 == 0 ? 0 : 10 - sum % 10;
    return number[10].unicode() - u'0' == check;
}

QString vatOffice(const QString &code)
{
    static const QStringList names = QStringLiteral(
        "Torino|Vercelli|Novara|Cuneo|Asti|Alessandria|Aosta|Imperia|Savona|Genova 1|La Spezia|Varese|Como|Sondrio|"
        "Milano 1|Bergamo|Brescia 1|Pavia|Cremona|Mantova|Bolzano|Trento|Verona|Vicenza|Belluno|Treviso|Venezia|Padova|"
        "Rovigo|Udine|Gorizia|Trieste|Piacenza|Parma|Reggio Emilia|Modena|Bologna 1|Ferrara|Ravenna|Forlì|Pesaro|Ancona|"
        "Macerata|Ascoli Piceno|Massa Carrara|Lucca|Pistoia|Firenze 1|Livorno|Pisa|Arezzo|Siena|Grosseto|Perugia|Terni|"
        "Viterbo|Rieti|Roma 1|Latina|Frosinone|Caserta|Benevento|Napoli 1|Avellino|Salerno|Aquila|Teramo|Pescara|Chieti|"
        "Campobasso|Foggia|Bari|Taranto|Brindisi|Lecce|Potenza|Matera|Cosenza|Catanzaro|Reggio Calabria|Trapani|"
        "Palermo|Messina|Agrigento|Caltanissetta|Enna|Catania|Ragusa|Siracusa|Sassari|Nuoro|Cagliari|Pordenone|Isernia|"
        "Oristano|Monza (Milano 2)|Prato (Firenze 2)|Brescia 2|Chiavari (Genova 2)|Roma 2|Bologna 2|Napoli 2")
                                        .split(u'|');
    static const QHash<QString, QString> offices = [] {
        QHash<QString, QString> table;
        for (qsizetype i = 0; i < names.size(); ++i)
            table.insert(QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0')), names[i]);
        table.insert(QStringLiteral("120"), table.value(QStringLiteral("101")));
        table.insert(QStringLiteral("121"), table.value(QStringLiteral("102")));
        return table;
    }();
    return offices.value(code);
}

int cardCheckResult(const QString &text)
{
    QString digits;
    for (QChar c : text.left(20)) {
        if (isDigit(c))
            digits += c;
    }
    const qsizetype n = digits.size();
    if (n < 2)
        return 0;
    int sum = 0;
    for (qsizetype i = 0; i < n - 1; ++i) {
        int d = digits[i].unicode() - u'0';
        const bool doubled = (n % 2 == 1) ? ((i + 1) % 2 == 0) : ((i + 1) % 2 == 1);
        if (doubled) {
            d *= 2;
            if (d > 9)
                d -= 9;
        }
        sum += d;
    }
    const int check = sum % 10 == 0 ? 0 : 10 - sum % 10;
    if (digits[n - 1].unicode() - u'0' != check)
        return 0;
    return (digits[0].unicode() - u'0') - 2;
}

int ibanRemainder(const QString &text)
{
    QString s = TextRules::upperAZ(text);
    const qsizetype iban = s.indexOf(QStringLiteral("IBAN"));
    if (iban >= 0)
        s.remove(iban, 4);
    s = s.mid(4) + s.left(4);
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
        s.replace(QChar(letter), QString::number(letter - 55));

    QString prefix;
    qsizetype position = 0;
    qsizetype piece = 9;
    while (position < s.size()) {
        if (s.size() < piece)
            piece = s.size();
        prefix += s.mid(position, piece);
        bool ok = false;
        const qlonglong value = prefix.toLongLong(&ok);
        if (!ok || prefix.isEmpty())
            return 0;
        for (QChar c : prefix) {
            if (!isDigit(c))
                return 0; // a sign or blank would otherwise slip through
        }
        prefix = QString::number(value % 97);
        position += piece;
        piece = 9 - prefix.size();
    }
    return prefix.toInt();
}

Verdict checkTaxCode(const QString &boxText)
{
    const QString code = TextRules::upperAZ(boxText);
    if (code.size() != 16)
        return stay(QStringLiteral("Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici."));
    if (taxCodeCheckLetterOk(code))
        return {Verdict::Box::Information, QStringLiteral("Il codice fiscale digitato è VALIDO."), true, true};
    return {Verdict::Box::Warning, QStringLiteral("Attenzione: il codice fiscale digitato è ERRATO."), false, true};
}

Verdict checkVatNumber(const QString &boxText)
{
    const QString number = TextRules::upperAZ(boxText);
    if (number.size() != 11)
        return stay(QStringLiteral("Attenzione: la partita IVA deve essere composta da 11 caratteri numerici."));
    if (!vatCheckDigitOk(number)) {
        return {Verdict::Box::Warning,
                QStringLiteral("Attenzione: il numero di partita IVA digitato risulta ERRATO!\r\n\r\nNon è quindi "
                               "possibile fornire informazioni relative all'Ufficio IVA che lo ha rilasciato."),
                false, true};
    }
    return {Verdict::Box::Information,
            QStringLiteral("Il numero di partita IVA digitato risulta VALIDO.\r\n\r\nE' stato rilasciato "
                           "dall'Ufficio IVA del Comune di ")
                + vatOffice(number.mid(7, 3)) + u'.',
            true, true};
}

Verdict checkCreditCard(const QString &boxText)
{
    const QString entered = TextRules::trimmed(boxText);
    if (entered.isEmpty())
        return stay(QStringLiteral("Attenzione: immettere il numero di carta di credito prima di premere il pulsante "
                                   "di controllo."));
    const Verdict wrong{Verdict::Box::Warning,
                        QStringLiteral("Attenzione: il numero digitato risulta ERRATO!\r\n\r\nNon è quindi possibile "
                                       "fornire informazioni relative al tipo di carta di credito."),
                        false, true};
    QString issuer;
    switch (cardCheckResult(boxText)) {
    case 1: {
        const QString pair = entered.left(2);
        if (pair == u"30" || pair == u"36" || pair == u"38")
            issuer = QStringLiteral("Diner's Club / Carte Blanche");
        else if (pair == u"34" || pair == u"37")
            issuer = QStringLiteral("American Express");
        else if (pair == u"31" || pair == u"33" || pair == u"35")
            issuer = QStringLiteral("JCB");
        else
            return {Verdict::Box::None, QString(), false, true}; // no box at all
        break;
    }
    case 2:
        issuer = QStringLiteral("Visa");
        break;
    case 3:
        issuer = QStringLiteral("MasterCard");
        break;
    case 4:
        issuer = QStringLiteral("Discover");
        break;
    default:
        return wrong;
    }
    return {Verdict::Box::Information,
            QStringLiteral("Il numero di carta di credito ") + entered + QStringLiteral(" risulta valido.\r\n\r\nLa "
                                                                                         "carta di credito è del tipo ")
                + issuer + u'.',
            true, true};
}

Verdict checkIban(const QString &boxText)
{
    const QString entered = TextRules::trimmed(boxText);
    if (entered.size() != 27)
        return stay(QStringLiteral("Attenzione: l'IBAN deve essere composto da 27 caratteri alfanumerici."));
    if (ibanRemainder(QString(entered).remove(u' ')) == 1)
        return {Verdict::Box::Information, QStringLiteral("L'IBAN digitato è VALIDO."), true, true};
    return {Verdict::Box::Warning, QStringLiteral("Attenzione: l'IBAN digitato è ERRATO!"), false, true};
}

Verdict check(Kind kind, const QString &boxText)
{
    switch (kind) {
    case Kind::TaxCode:
        return checkTaxCode(boxText);
    case Kind::VatNumber:
        return checkVatNumber(boxText);
    case Kind::CreditCard:
        return checkCreditCard(boxText);
    case Kind::Iban:
        return checkIban(boxText);
    }
    return {};
}

int maxLength(Kind kind)
{
    switch (kind) {
    case Kind::TaxCode:
        return 16;
    case Kind::VatNumber:
        return 11;
    case Kind::CreditCard:
        return 30;
    case Kind::Iban:
        return 27;
    }
    return 0;
}

bool keyAccepted(Kind kind, QChar c)
{
    if (kind == Kind::VatNumber || kind == Kind::CreditCard)
        return isDigit(c);
    return true;
}

QString afterTyping(Kind kind, const QString &text)
{
    if (kind == Kind::VatNumber)
        return text;
    return TextRules::upperAZ(TextRules::trimmed(text));
}

QString typed(Kind kind, const QString &keys)
{
    QString box;
    for (QChar c : keys) {
        if (!keyAccepted(kind, c) || box.size() >= maxLength(kind))
            continue;
        box = afterTyping(kind, box + c);
    }
    return box;
}

} // namespace Validators

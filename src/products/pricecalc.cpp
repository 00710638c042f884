#include "pricecalc.h"

#include "storage/numberformat.h"
#include "storage/textrules.h"

#include <optional>

namespace PriceCalc {

namespace {

using NumberFormat::numberText;
using NumberFormat::readDecimal;

void fillEmpty(QString &text, const char *blank)
{
    if (TextRules::trimmed(text).isEmpty())
        text = QLatin1StringView(blank);
}

void resetPrices(Prices &p)
{
    p.prezzo = QStringLiteral("0,00");
    p.percIva = QStringLiteral("0");
    p.prezzoConIva = QStringLiteral("0,00");
}

} // namespace

std::optional<QString> moneyOf(double value)
{
    // The detour through the text fixes which double is rounded: 11,055
    // written and read back is the double just below the half.
    const std::optional<double> shown = readDecimal(numberText(value));
    if (!shown)
        return std::nullopt;
    return NumberFormat::normaliseMoney(numberText(NumberFormat::roundTo(*shown, 2)));
}

namespace {

constexpr int kField = 15;

} // namespace

QString tooLongWarning(const QString &result, const QString &field)
{
    return QStringLiteral("Attenzione: il risultato del calcolo (%1) supera i %2 caratteri del campo %3 e non può "
                          "essere registrato.\r\n\r\nControllare i valori indicati.")
        .arg(result)
        .arg(kField)
        .arg(field);
}

QString overflowWarning(const QString &field)
{
    return QStringLiteral("Attenzione: il risultato del calcolo del campo %1 è troppo grande per essere registrato."
                          "\r\n\r\nControllare i valori indicati: la scheda non è stata salvata.")
        .arg(field);
}

QString unreadableAmountWarning(const QString &field, const QString &text)
{
    return QStringLiteral("Attenzione: il campo %1 non contiene un numero valido (\"%2\").\r\n\r\nCorreggere il "
                          "valore e premere di nuovo Salva: la scheda non è stata salvata.")
        .arg(field, TextRules::trimmed(text));
}

// The money text of a result as its field can hold it: Unreadable for an
// overflow, TooLong (with the text) when no form of it fits.
Result fieldMoney(double value, QString &text)
{
    const std::optional<QString> money = moneyOf(value);
    if (!money)
        return Result::Unreadable;
    const std::optional<QString> fitted = NumberFormat::fitField(*money, kField);
    text = fitted.value_or(*money);
    return fitted ? Result::Done : Result::TooLong;
}

Result calcola(Prices &p)
{
    const Prices before = p;
    fillEmpty(p.prezzo, "0,00");
    fillEmpty(p.percIva, "0");
    fillEmpty(p.prezzoConIva, "0,00");
    const std::optional<double> price = readDecimal(p.prezzo);
    const std::optional<double> rate = readDecimal(p.percIva);
    const std::optional<double> withVat = readDecimal(p.prezzoConIva); // only has to be readable
    if (!price || !rate || !withVat) {
        resetPrices(p);
        return Result::Unreadable;
    }
    const double vat = static_cast<double>(static_cast<long double>(*price) * *rate / 100);
    const double total = static_cast<double>(static_cast<long double>(*price) + vat);
    QString text;
    const Result result = fieldMoney(total, text);
    if (result == Result::Unreadable)
        resetPrices(p);
    else if (result == Result::TooLong)
        p = Prices{before.prezzo, before.percIva, before.prezzoConIva, text};
    else
        p.prezzoConIva = text;
    return result;
}

Result scorpora(Prices &p)
{
    const Prices before = p;
    fillEmpty(p.percIva, "0");
    fillEmpty(p.prezzoConIva, "0,00");
    const std::optional<double> rate = readDecimal(p.percIva);
    const std::optional<double> gross = readDecimal(p.prezzoConIva);
    if (!rate || !gross) {
        resetPrices(p);
        return Result::Unreadable;
    }
    const double net = static_cast<double>(static_cast<long double>(*gross) * 100 / (100 + static_cast<long double>(*rate)));
    QString text;
    const Result result = fieldMoney(net, text);
    if (result == Result::Unreadable) {
        resetPrices(p);
    } else if (result == Result::TooLong) {
        p = Prices{before.prezzo, before.percIva, before.prezzoConIva, text};
    } else {
        p.prezzo = text;
        p.percIva = numberText(*rate);
    }
    return result;
}

Result calcolaValore(Value &v)
{
    const Value before = v;
    fillEmpty(v.costo, "0,00");
    fillEmpty(v.giacenza, "0");
    fillEmpty(v.valore, "0,00");
    const std::optional<double> cost = readDecimal(v.costo);
    const std::optional<double> stock = readDecimal(v.giacenza);
    QString text;
    const Result result = cost && stock
                              ? fieldMoney(static_cast<double>(static_cast<long double>(*cost) * *stock), text)
                              : Result::Unreadable;
    if (result == Result::Unreadable) {
        v.costo = QStringLiteral("0,00");
        v.giacenza = QStringLiteral("0");
        v.valore = QStringLiteral("0,00");
    } else if (result == Result::TooLong) {
        v = Value{before.costo, before.giacenza, before.valore, text};
    } else {
        v.valore = text;
    }
    return result;
}

std::optional<QString> stockTotal(const QString &current, const QString &quantity, bool add)
{
    const std::optional<double> a = readDecimal(current);
    const std::optional<double> q = readDecimal(quantity);
    if (!a || !q)
        return std::nullopt;
    return numberText(add ? *a + *q : *a - *q);
}

} // namespace PriceCalc

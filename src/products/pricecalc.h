#pragma once

#include <QString>

#include <optional>

// The products card's calculations, on the texts of its boxes: what each
// button leaves in them. Products and quotients are formed in extended
// precision; results go through number text, are read back, rounded to
// 2 decimals and normalised as money.
namespace PriceCalc {

// What a calculation did. Unreadable: a box could not be read, and the boxes
// were reset as the button's rule says. TooLong: the result does not fit its
// 15-character field; nothing was changed and `rejected` holds the result.
enum class Result { Done, Unreadable, TooLong };

struct Prices
{
    QString prezzo;       // price without VAT
    QString percIva;      // VAT rate
    QString prezzoConIva; // price with VAT
    QString rejected = {}; // a result too long for its field
};

struct Value
{
    QString costo;
    QString giacenza;
    QString valore;
    QString rejected = {};
};

// Calcola: price with VAT from price and rate. False when a box cannot be
// read: the three boxes are then reset to "0,00", "0", "0,00".
Result calcola(Prices &p);

// Scorpora: price without VAT from price with VAT and rate; the rate is
// rewritten as number text. False and the same reset on failure.
Result scorpora(Prices &p);

// Calcola valore: cost x stock. An unreadable box silently resets the three.
Result calcolaValore(Value &v);

// Total of the stock window: current plus or minus the quantity, as number
// text, neither rounded nor limited. nullopt when a box cannot be read.
std::optional<QString> stockTotal(const QString &current, const QString &quantity, bool add);

// The money text of a double: number text, read back, rounded to 2
// decimals, number text again, normalised. nullopt when the text cannot be
// read back (an overflow).
std::optional<QString> moneyOf(double value);

// The warnings of a result too long for its field, of one too large for
// any field, and of a save that meets an amount it cannot read.
QString tooLongWarning(const QString &result, const QString &field);
QString overflowWarning(const QString &field);
QString unreadableAmountWarning(const QString &field, const QString &text);

} // namespace PriceCalc

#pragma once

#include <QString>

#include <optional>

// The products card's calculations, on the texts of its boxes: what each
// button leaves in them. Products and quotients are formed in extended
// precision; results go through number text, are read back, rounded to
// 2 decimals and normalised as money.
namespace PriceCalc {

struct Prices
{
    QString prezzo;       // price without VAT
    QString percIva;      // VAT rate
    QString prezzoConIva; // price with VAT
};

struct Value
{
    QString costo;
    QString giacenza;
    QString valore;
};

// Calcola: price with VAT from price and rate. False when a box cannot be
// read: the three boxes are then reset to "0,00", "0", "0,00".
bool calcola(Prices &p);

// Scorpora: price without VAT from price with VAT and rate; the rate is
// rewritten as number text. False and the same reset on failure.
bool scorpora(Prices &p);

// Calcola valore: cost x stock. An unreadable box silently resets the three.
bool calcolaValore(Value &v);

// Total of the stock window: current plus or minus the quantity, as number
// text, neither rounded nor limited. nullopt when a box cannot be read.
std::optional<QString> stockTotal(const QString &current, const QString &quantity, bool add);

// The money text of a double: number text, read back, rounded to 2
// decimals, number text again, normalised. nullopt when the text cannot be
// read back (an overflow).
std::optional<QString> moneyOf(double value);

} // namespace PriceCalc

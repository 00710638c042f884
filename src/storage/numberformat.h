#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Numbers live in the archives as text with a decimal comma and no
// thousands separator.
namespace NumberFormat {

// "12", "12,5", ",5", "5,", ",", " 7 ", "-3", "1,5E3"; nullopt for an empty
// text, a lone sign, a point, two commas or any other leftover character.
std::optional<double> readDecimal(QStringView text);
// The same reading of a stored field's bytes (at most 255), with no
// allocation: `room` is the caller's scratch.
std::optional<double> readDecimal(const char *bytes, int length, char (&room)[260]);

// 15 significant digits, trailing fraction zeros dropped, exponent form
// ("1E15", "1E-5") outside 0,0001 <= |x| < 10^15.
QString numberText(double value);

// Half up to n decimals, computed in extended precision from the double:
// 11,055 at 2 gives 11,05 because the double holds it slightly below.
double roundTo(double value, int decimals);

// Money text has at least two decimals: "12" -> "12,00", "12,5" -> "12,50".
// Exponent forms ("1E15") are left alone so that they stay readable.
QString normaliseMoney(QStringView text);

// The Italian grouped form of a pasted amount: digits in groups of three
// separated by points, then an optional comma and decimals ("1.000,50").
std::optional<double> readGrouped(QStringView text);

// What a money box shows when the focus leaves it: rounded to `decimals`
// (4, or 2 for a receipt's total), normalised; "0,00" when unreadable. The
// grouped form is read too.
QString moneyExit(QStringView text, int decimals = 4);

// What a whole-number box shows when the focus leaves it; "0" when unreadable.
QString wholeNumberExit(QStringView text);

// A computed number's text for a field of `capacity` characters: the text
// itself when it fits; else its exponent form ("1E12") when that fits and
// reads back as the very same number; nullopt when neither does, since a
// cut text would read as another number.
std::optional<QString> fitField(const QString &text, int capacity);

// "dd/mm/yyyy" naming a real day of the Gregorian calendar, years 1-9999.
bool isValidDate(QStringView text);

} // namespace NumberFormat

#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace Invoices {

// An amount or a quantity exactly as an invoice writes it ("1234.56780000"):
// up to 8 decimals, held as a whole number of hundred-millionths, so that
// no binary fraction ever stands between the file and a stored text.
class Decimal
{
public:
    static constexpr int Places = 8;
    __extension__ typedef __int128 Wide;

    Decimal() = default;

    // "[-]digits[.digits]", blanks around allowed, at most 8 decimals and
    // 18 whole digits; nullopt for anything else (a comma, an exponent).
    static std::optional<Decimal> parse(QStringView text);

    bool isZero() const { return m_units == 0; }
    bool isNegative() const { return m_units < 0; }
    int compare(const Decimal &other) const { return m_units < other.m_units ? -1 : m_units > other.m_units; }

    // Half up, away from zero on a tie: 0.03125 at 4 gives 0.0313, -0.5 at
    // 0 gives -1.
    Decimal rounded(int places) const;
    // This / divisor, rounded half up to `places`; nullopt for a zero
    // divisor or a result beyond 18 whole digits.
    std::optional<Decimal> dividedBy(const Decimal &divisor, int places) const;
    // This x other, rounded half up to `places`; nullopt beyond 18 whole digits.
    std::optional<Decimal> times(const Decimal &other, int places) const;

    // With a decimal comma and no grouping, at least `minPlaces` decimals and
    // the others only when they are not zero ("2,5", "12,50", "0,0313"). The
    // value must already be rounded to `maxPlaces`.
    QString text(int minPlaces, int maxPlaces) const;

private:
    using Units = Wide;
    explicit Decimal(Units units) : m_units(units) {}
    static bool inRange(Units units);

    Units m_units = 0;
};

} // namespace Invoices

#include "decimal.h"

namespace Invoices {

namespace {

using Units = Decimal::Wide;

constexpr Units power10(int n)
{
    Units p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

constexpr Units kScale = power10(Decimal::Places);
// 18 whole digits: a quotient or product of two such values, scaled, still
// fits in 127 bits.
constexpr Units kLimit = power10(18 + Decimal::Places);

// n / d rounded half away from zero; d > 0.
Units divideRounded(Units n, Units d)
{
    const bool negative = n < 0;
    const Units a = negative ? -n : n;
    Units q = a / d;
    if ((a % d) * 2 >= d)
        ++q;
    return negative ? -q : q;
}

} // namespace

bool Decimal::inRange(Units units)
{
    return units < kLimit && units > -kLimit;
}

std::optional<Decimal> Decimal::parse(QStringView text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && text[i].unicode() <= 32)
        ++i;
    while (end > i && text[end - 1].unicode() <= 32)
        --end;
    bool negative = false;
    if (i < end && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    Units whole = 0;
    int wholeDigits = 0;
    int digits = 0;
    while (i < end && text[i] >= u'0' && text[i] <= u'9') {
        whole = whole * 10 + (text[i].unicode() - u'0');
        // Leading zeros are no digits of the value.
        if (whole != 0 && ++wholeDigits > 18)
            return std::nullopt;
        ++i;
        ++digits;
    }
    Units fraction = 0;
    int places = 0;
    if (i < end && text[i] == u'.') {
        ++i;
        while (i < end && text[i] >= u'0' && text[i] <= u'9') {
            if (++places > Places)
                return std::nullopt;
            fraction = fraction * 10 + (text[i].unicode() - u'0');
            ++i;
        }
    }
    if (i != end || (digits == 0 && places == 0))
        return std::nullopt;
    const Units units = whole * kScale + fraction * power10(Places - places);
    return Decimal(negative ? -units : units);
}

Decimal Decimal::rounded(int places) const
{
    if (places >= Places)
        return *this;
    const Units step = power10(Places - places);
    return Decimal(divideRounded(m_units, step) * step);
}

std::optional<Decimal> Decimal::dividedBy(const Decimal &divisor, int places) const
{
    if (divisor.m_units == 0)
        return std::nullopt;
    // (a / s) / (b / s) in steps of 10^-places: a * 10^places / b.
    Units n = m_units * power10(places);
    Units d = divisor.m_units;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    const Units q = divideRounded(n, d);
    if (q >= kLimit || q <= -kLimit)
        return std::nullopt;
    const Units units = q * power10(Places - places);
    if (!inRange(units))
        return std::nullopt;
    return Decimal(units);
}

std::optional<Decimal> Decimal::times(const Decimal &other, int places) const
{
    Units product;
    if (__builtin_mul_overflow(m_units, other.m_units, &product))
        return std::nullopt;
    // Two scales in the product: one taken off with the rounding.
    const Units step = power10(Places - places);
    const Units units = divideRounded(product, kScale * step) * step;
    if (!inRange(units))
        return std::nullopt;
    return Decimal(units);
}

QString Decimal::text(int minPlaces, int maxPlaces) const
{
    const bool negative = m_units < 0;
    Units a = negative ? -m_units : m_units;
    Units whole = a / kScale;
    Units fraction = a % kScale;
    // Sign, up to 39 digits, comma, 8 decimals.
    char16_t buffer[56];
    int n = 0;
    char16_t digits[40];
    int d = 0;
    do {
        digits[d++] = char16_t(u'0' + int(whole % 10));
        whole /= 10;
    } while (whole > 0);
    if (negative && a != 0)
        buffer[n++] = u'-';
    while (d > 0)
        buffer[n++] = digits[--d];
    char16_t decimals[Places];
    for (int k = Places - 1; k >= 0; --k) {
        decimals[k] = char16_t(u'0' + int(fraction % 10));
        fraction /= 10;
    }
    int places = qMin(maxPlaces, int(Places));
    while (places > minPlaces && decimals[places - 1] == u'0')
        --places;
    if (places > 0) {
        buffer[n++] = u',';
        for (int k = 0; k < places; ++k)
            buffer[n++] = decimals[k];
    }
    return QString(reinterpret_cast<const QChar *>(buffer), n);
}

} // namespace Invoices

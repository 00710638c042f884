#include "numberformat.h"

#include "textrules.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <string>

namespace NumberFormat {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<double> readDecimal(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;

    // Rebuilt in the C form for from_chars, which rounds correctly and,
    // unlike strtod, ignores the process locale.
    std::string c;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            c += '-';
        ++i;
    }

    bool mantissa = false;
    std::string digits;
    while (i < n && isDigit(text[i])) {
        digits += char(text[i++].unicode());
        mantissa = true;
    }
    std::string fraction;
    if (i < n && text[i] == u',') {
        ++i;
        mantissa = true;
        while (i < n && isDigit(text[i]))
            fraction += char(text[i++].unicode());
    }
    if (!mantissa)
        return std::nullopt;
    c += digits.empty() ? std::string("0") : digits;
    if (!fraction.empty())
        c += '.' + fraction;

    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        ++i;
        c += 'e';
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            c += char(text[i++].unicode());
        bool exponentDigits = false;
        while (i < n && isDigit(text[i])) {
            c += char(text[i++].unicode());
            exponentDigits = true;
        }
        // "1E" names no power: not a number.
        if (!exponentDigits)
            return std::nullopt;
    }

    while (i < n && text[i] == u' ')
        ++i;
    if (i != n)
        return std::nullopt;

    double value = 0;
    const auto [end, ec] = std::from_chars(c.data(), c.data() + c.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small is zero; too large is no number a box or record can hold.
        const size_t e = c.find('e');
        if (e != std::string::npos && c.find('-', e) != std::string::npos)
            return c[0] == '-' ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (ec != std::errc() || end != c.data() + c.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");

    // d.dddddddddddddde±X: 15 significant digits, rounded once; to_chars
    // ignores the process locale.
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const std::string s(buf, result.ptr);
    const bool negative = s[0] == '-';
    const size_t start = negative ? 1 : 0;
    const size_t ePos = s.find('e');
    std::string digits;
    for (size_t k = start; k < ePos; ++k) {
        if (s[k] != '.')
            digits += s[k];
    }
    int exponent = 0;
    const char *expBegin = s.c_str() + ePos + 1;
    if (*expBegin == '+')
        ++expBegin;
    std::from_chars(expBegin, s.c_str() + s.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out += "0,";
            out += std::string(size_t(-exponent - 1), '0');
            out += digits;
        } else {
            const size_t intDigits = size_t(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits + std::string(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits) + "," + digits.substr(intDigits);
            }
        }
    } else {
        out += digits.substr(0, 1);
        if (digits.size() > 1)
            out += "," + digits.substr(1);
        out += "E" + std::to_string(exponent);
    }
    return QString::fromLatin1(out.c_str());
}

// Extended precision is 80-bit on x86; where long double is wider the
// results differ only in halfway cases that no 2-decimal amount reaches.
double roundTo(double value, int decimals)
{
    long double scale = 1;
    for (int k = 0; k < decimals; ++k)
        scale *= 10;
    const long double shifted = static_cast<long double>(value) * scale + 0.5L;
    return static_cast<double>(std::floor(shifted) / scale);
}

QString normaliseMoney(QStringView text)
{
    QString out = text.toString();
    // "1E15,00" could not be read back; an exponent form stays as it is.
    if (out.contains(u'E') || out.contains(u'e'))
        return out;
    if (!out.contains(u','))
        return out + QStringLiteral(",00");
    const qsizetype n = out.size();
    if (n >= 2 && out[n - 2] == u',' && isDigit(out[n - 1]))
        out += u'0';
    return out;
}

QString moneyExit(QStringView text, int decimals)
{
    const QString zero = QStringLiteral("0,00");
    if (TextRules::trimmed(text).isEmpty())
        return zero;
    const std::optional<double> value = readDecimal(text);
    if (!value)
        return zero;
    return normaliseMoney(numberText(roundTo(*value, decimals)));
}

QString wholeNumberExit(QStringView text)
{
    const QString zero = QStringLiteral("0");
    if (TextRules::trimmed(text).isEmpty())
        return zero;
    const std::optional<double> value = readDecimal(text);
    if (!value)
        return zero;
    return numberText(roundTo(*value, 0));
}

bool isValidDate(QStringView text)
{
    if (text.size() != 10 || text[2] != u'/' || text[5] != u'/')
        return false;
    for (int k : {0, 1, 3, 4, 6, 7, 8, 9}) {
        if (!isDigit(text[k]))
            return false;
    }
    const int day = text.mid(0, 2).toInt();
    const int month = text.mid(3, 2).toInt();
    const int year = text.mid(6, 4).toInt();
    return year >= 1 && QDate::isValid(year, month, day);
}

} // namespace NumberFormat

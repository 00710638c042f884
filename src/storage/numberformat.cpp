#include "numberformat.h"

#include "textrules.h"

#include <QDate>
#include <QRegularExpression>

#include <algorithm>
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

namespace {

// The decimal reading of n characters given by at(i), rebuilt in the C form
// for from_chars in `c` (room for n + 3 characters): from_chars rounds
// correctly and, unlike strtod, ignores the process locale. Plain code with
// no allocation, so that a scan may read stored numbers with it.
template <class At>
std::optional<double> parseDecimal(qsizetype n, At at, char *c)
{
    auto digit = [](char16_t ch) { return ch >= u'0' && ch <= u'9'; };
    qsizetype i = 0;
    qsizetype o = 0;
    while (i < n && at(i) == u' ')
        ++i;
    if (i < n && (at(i) == u'+' || at(i) == u'-')) {
        if (at(i) == u'-')
            c[o++] = '-';
        ++i;
    }
    bool mantissa = false;
    const qsizetype digitsAt = o;
    while (i < n && digit(at(i))) {
        c[o++] = char(at(i++));
        mantissa = true;
    }
    if (o == digitsAt)
        c[o++] = '0';
    if (i < n && at(i) == u',') {
        ++i;
        mantissa = true;
        const qsizetype pointAt = o;
        c[o++] = '.';
        while (i < n && digit(at(i)))
            c[o++] = char(at(i++));
        if (o == pointAt + 1)
            --o; // "5," is 5
    }
    if (!mantissa)
        return std::nullopt;
    const qsizetype exponentAt = o;
    if (i < n && (at(i) == u'E' || at(i) == u'e')) {
        ++i;
        c[o++] = 'e';
        if (i < n && (at(i) == u'+' || at(i) == u'-'))
            c[o++] = char(at(i++));
        bool exponentDigits = false;
        while (i < n && digit(at(i))) {
            c[o++] = char(at(i++));
            exponentDigits = true;
        }
        // "1E" names no power: not a number.
        if (!exponentDigits)
            return std::nullopt;
    }
    while (i < n && at(i) == u' ')
        ++i;
    if (i != n)
        return std::nullopt;

    double value = 0;
    const auto [end, ec] = std::from_chars(c, c + o, value);
    if (ec == std::errc::result_out_of_range) {
        // Too small is zero; too large is no number a box or record can hold.
        const bool tiny = o > exponentAt && std::find(c + exponentAt, c + o, '-') != c + o;
        if (tiny)
            return c[0] == '-' ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (ec != std::errc() || end != c + o || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> readDecimal(QStringView text)
{
    auto at = [text](qsizetype i) { return text[i].unicode(); };
    constexpr qsizetype kRoom = 320;
    if (text.size() + 3 <= kRoom) {
        char c[kRoom];
        return parseDecimal(text.size(), at, c);
    }
    std::string c(size_t(text.size() + 3), '\0');
    return parseDecimal(text.size(), at, c.data());
}

namespace {

// The usual stored amount, "-123,45": at most 2^53 as a whole number of
// hundredths (or of any power of ten up to 10^22), so one division of two
// exact doubles gives the correctly rounded value the full reading gives.
// Anything else is left to the full reading.
std::optional<double> plainDecimal(const char *b, int n)
{
    static constexpr double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    int i = 0;
    const bool negative = n > 0 && b[0] == '-';
    if (negative)
        ++i;
    quint64 mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool comma = false;
    for (; i < n; ++i) {
        const char c = b[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 16)
                return std::nullopt;
            mantissa = mantissa * 10 + quint64(c - '0');
            decimals += comma;
        } else if (c == ',' && !comma) {
            comma = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || (comma && decimals == 0) || mantissa > (quint64(1) << 53))
        return std::nullopt;
    const double value = double(mantissa) / powers[decimals];
    return negative ? -value : value;
}

} // namespace

std::optional<double> readDecimal(const char *bytes, int length, char (&room)[260])
{
    if (const std::optional<double> plain = plainDecimal(bytes, length))
        return plain;
    Q_ASSERT(length >= 0 && length + 3 <= 260);
    return parseDecimal(length, [bytes](qsizetype i) { return char16_t(static_cast<unsigned char>(bytes[i])); }, room);
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

std::optional<double> readGrouped(QStringView text)
{
    // "1.000", "12.345.678,90", "-1.000,5": groups of three after the first.
    static const QRegularExpression grouped(QRegularExpression::anchoredPattern(QStringLiteral(" *-?[0-9]{1,3}(\\.[0-9]{3})+(,[0-9]*)? *")));
    if (!grouped.match(text).hasMatch())
        return std::nullopt;
    return readDecimal(text.toString().remove(u'.'));
}

// "12.5", "12.50", "0.1234": a single point not followed by a group of three
// digits, and no comma, is a decimal point, as pasted from a spreadsheet or
// a web page in English.
std::optional<double> readPointDecimal(QStringView text)
{
    static const QRegularExpression point(
        QRegularExpression::anchoredPattern(QStringLiteral(" *-?[0-9]*\\.([0-9]{1,2}|[0-9]{4,}) *")));
    if (!point.match(text).hasMatch())
        return std::nullopt;
    return readDecimal(text.toString().replace(u'.', u','));
}

QString moneyExit(QStringView text, int decimals)
{
    const QString zero = QStringLiteral("0,00");
    if (TextRules::trimmed(text).isEmpty())
        return zero;
    std::optional<double> value = readDecimal(text);
    if (!value)
        value = readGrouped(text);
    if (!value)
        value = readPointDecimal(text);
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

std::optional<QString> fitField(const QString &text, int capacity)
{
    if (text.size() <= capacity)
        return text;
    const std::optional<double> value = readDecimal(text);
    if (!value)
        return std::nullopt;
    // The money normalisation's zeros go first: "1234567890123,00" is
    // 1234567890123 all the same.
    if (text.contains(u',') && !text.contains(u'E', Qt::CaseInsensitive)) {
        QString plain = text;
        while (plain.endsWith(u'0'))
            plain.chop(1);
        if (plain.endsWith(u','))
            plain.chop(1);
        if (plain.size() <= capacity && readDecimal(plain) == value)
            return plain;
    }
    if (*value == 0)
        return std::nullopt;
    // Shortest exponent form: the significant digits of the 15 that matter.
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, *value, std::chars_format::scientific);
    std::string s(buf, result.ptr); // shortest round-trip form, e.g. "1.2345e+20"
    const size_t e = s.find('e');
    std::string mantissa = s.substr(0, e);
    const int exponent = std::stoi(s.substr(e + 1));
    for (char &c : mantissa) {
        if (c == '.')
            c = ',';
    }
    const QString form = QString::fromStdString(mantissa) + u'E' + QString::number(exponent);
    if (form.size() > capacity || readDecimal(form) != value)
        return std::nullopt;
    return form;
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

#include "recordtest.h"

#include "storage/cp1252.h"
#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/textrules.h"

#include <cstring>
#include <string_view>

namespace {

inline char foldAZ(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// The trimmed stored text of a field, for the standard searches.
inline std::string_view storedTrimmed(const char *field, int capacity)
{
    const QByteArrayView text = ShortString::trimmedText(field, capacity);
    return std::string_view(text.data(), size_t(text.size()));
}

} // namespace

FieldSearch::FieldSearch(const RecordLayout &layout, const QList<Term> &terms)
{
    for (const Term &t : terms) {
        if (TextRules::trimmed(t.text).isEmpty())
            continue;
        const QString lowered = TextRules::lowerAZ(t.text);
        QByteArray bytes = Cp1252::encode(lowered);
        // '?' stands for a character the code page lacks; only a typed '?'
        // may be looked for as such.
        if (bytes.count('?') != lowered.count(u'?'))
            m_impossible = true;
        m_needles.push_back({layout.offset(t.field), layout.capacity(t.field), bytes});
    }
}

RecordTest::Result FieldSearch::test(const char *record) const
{
    return accepts(record) ? Result::Listed : Result::Skipped;
}

bool FieldSearch::accepts(const char *record) const
{
    if (m_impossible)
        return false;
    char folded[256];
    for (const Needle &n : m_needles) {
        const std::string_view text = storedTrimmed(record + n.offset, n.capacity);
        if (text.size() < size_t(n.folded.size()))
            return false;
        for (size_t i = 0; i < text.size(); ++i)
            folded[i] = foldAZ(text[i]);
        const std::string_view hay(folded, text.size());
        if (hay.find(std::string_view(n.folded.constData(), size_t(n.folded.size()))) == std::string_view::npos)
            return false;
    }
    return true;
}

void FieldSearch::prefetch(const char *record) const
{
    for (const Needle &n : m_needles) {
        __builtin_prefetch(record + n.offset);
        __builtin_prefetch(record + n.offset + 64);
    }
}

YesField::YesField(const RecordLayout &layout, int field)
    : m_offset(layout.offset(field)), m_capacity(layout.capacity(field))
{
}

RecordTest::Result YesField::test(const char *record) const
{
    // "Sì" in Windows-1252.
    return storedTrimmed(record + m_offset, m_capacity) == std::string_view("S\xEC", 2) ? Result::Listed
                                                                                         : Result::Skipped;
}

void YesField::prefetch(const char *record) const
{
    __builtin_prefetch(record + m_offset);
}

AtMost::AtMost(const RecordLayout &layout, int field, int limit)
    : m_offset(layout.offset(field)), m_capacity(layout.capacity(field)), m_limitOffset(layout.offset(limit)),
      m_limitCapacity(layout.capacity(limit))
{
}

RecordTest::Result AtMost::test(const char *record) const
{
    char room[260];
    const std::string_view value = storedTrimmed(record + m_offset, m_capacity);
    const std::optional<double> a = NumberFormat::readDecimal(value.data(), int(value.size()), room);
    const std::string_view limit = storedTrimmed(record + m_limitOffset, m_limitCapacity);
    const std::optional<double> b = NumberFormat::readDecimal(limit.data(), int(limit.size()), room);
    if (!a || !b)
        return Result::Unreadable;
    return *a <= *b ? Result::Listed : Result::Skipped;
}

void AtMost::prefetch(const char *record) const
{
    __builtin_prefetch(record + m_offset);
    __builtin_prefetch(record + m_limitOffset);
}

DateWithin::DateWithin(const RecordLayout &layout, int field, int first, int last)
    : m_offset(layout.offset(field)), m_capacity(layout.capacity(field)), m_first(first), m_last(last)
{
}

int DateWithin::dayNumber(const char *text, qsizetype length)
{
    if (length != 10 || text[2] != '/' || text[5] != '/')
        return 0;
    int digits[8];
    int k = 0;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        digits[k++] = text[i] - '0';
    }
    const int day = digits[0] * 10 + digits[1];
    const int month = digits[2] * 10 + digits[3];
    const int year = digits[4] * 1000 + digits[5] * 100 + digits[6] * 10 + digits[7];
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return 0;
    static constexpr int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = month == 2 && leap ? 29 : monthDays[month - 1];
    if (day > last)
        return 0;
    return year * 10000 + month * 100 + day;
}

RecordTest::Result DateWithin::test(const char *record) const
{
    const std::string_view text = storedTrimmed(record + m_offset, m_capacity);
    const int day = dayNumber(text.data(), qsizetype(text.size()));
    if (day == 0)
        return Result::Unreadable;
    return day >= m_first && day <= m_last ? Result::Listed : Result::Skipped;
}

void DateWithin::prefetch(const char *record) const
{
    __builtin_prefetch(record + m_offset);
}

BothTests::BothTests(std::shared_ptr<const RecordTest> first, std::shared_ptr<const RecordTest> second)
    : m_first(std::move(first)), m_second(std::move(second))
{
}

RecordTest::Result BothTests::test(const char *record) const
{
    const Result first = m_first->test(record);
    return first == Result::Listed ? m_second->test(record) : first;
}

void BothTests::prefetch(const char *record) const
{
    m_first->prefetch(record);
    m_second->prefetch(record);
}

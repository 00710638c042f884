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

#include "resultlines.h"

#include "storage/textrules.h"

#include <algorithm>
#include <cstdint>

void ListResult::add(QString text, qint64 position)
{
    longest = qMax(longest, text.size());
    lines.push_back({std::move(text), position});
}

void ListResult::leaveOut(qint64 position, qint64 count)
{
    for (qint64 k = 0; k < count && leftOutPositions.size() < ResultLines::namedPositions; ++k)
        leftOutPositions << position + k;
    leftOut += count;
}

namespace ResultLines {

namespace {

inline char16_t upper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

inline char16_t lower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

// The first four characters, folded, as one number that sorts like them.
std::uint64_t prefixKey(const QString &s)
{
    std::uint64_t key = 0;
    for (int i = 0; i < 4; ++i) {
        key <<= 16;
        if (i < s.size())
            key |= upper(s[i].unicode());
    }
    return key;
}

} // namespace

int compareFolded(const QString &a, const QString &b)
{
    const qsizetype n = qMin(a.size(), b.size());
    const char16_t *pa = reinterpret_cast<const char16_t *>(a.constData());
    const char16_t *pb = reinterpret_cast<const char16_t *>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = upper(pa[i]);
        const char16_t cb = upper(pb[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void sortFolded(std::vector<ListLine> &lines)
{
    // A short prefix key settles most comparisons without reading the lines.
    struct Entry
    {
        std::uint64_t key;
        qsizetype index;
    };
    std::vector<Entry> order;
    order.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        order.push_back({prefixKey(lines[i].text), qsizetype(i)});
    std::stable_sort(order.begin(), order.end(), [&lines](const Entry &x, const Entry &y) {
        if (x.key != y.key)
            return x.key < y.key;
        return compareFolded(lines[size_t(x.index)].text, lines[size_t(y.index)].text) < 0;
    });
    std::vector<ListLine> sorted;
    sorted.reserve(lines.size());
    for (const Entry &e : order)
        sorted.push_back(std::move(lines[size_t(e.index)]));
    lines.swap(sorted);
}

bool containsFolded(const QString &line, const QString &loweredKey)
{
    const qsizetype k = loweredKey.size();
    if (k == 0 || k > line.size())
        return false;
    const char16_t *l = reinterpret_cast<const char16_t *>(line.constData());
    const char16_t *key = reinterpret_cast<const char16_t *>(loweredKey.constData());
    for (qsizetype i = 0; i + k <= line.size(); ++i) {
        qsizetype j = 0;
        while (j < k && lower(l[i + j]) == key[j])
            ++j;
        if (j == k)
            return true;
    }
    return false;
}

qsizetype find(const std::vector<ListLine> &lines, qsizetype selected, const QString &typed, QString &last)
{
    const qsizetype n = qsizetype(lines.size());
    Q_ASSERT(n > 0);
    if (selected < 0 || selected >= n)
        selected = 0;
    const QString key = TextRules::lowerAZ(typed);
    const bool again = key == last;
    last = key;
    const qsizetype start = again ? selected : 0;
    if (!again && containsFolded(lines[size_t(start)].text, key))
        return start;
    // Round the list once; the start line is tested last when it was not
    // tested first.
    for (qsizetype step = 1; step <= n; ++step) {
        const qsizetype i = (start + step) % n;
        if (i == start && !again)
            break;
        if (containsFolded(lines[size_t(i)].text, key))
            return i;
    }
    return selected;
}

QString incompleteWarning(const ListResult &result, bool withTotal)
{
    QStringList positions;
    for (qint64 p : result.leftOutPositions)
        positions << QString::number(p);
    QString named = positions.join(QStringLiteral(", "));
    if (result.leftOut > result.leftOutPositions.size())
        named += QStringLiteral(" e altre");
    const QString count = result.leftOut == 1
                              ? QStringLiteral("1 scheda dell'archivio non è stata letta o non contiene dati leggibili")
                              : QStringLiteral("%1 schede dell'archivio non sono state lette o non contengono dati "
                                               "leggibili")
                                    .arg(result.leftOut);
    return QStringLiteral("Attenzione: l'elenco non è completo.\r\n\r\n") + count
           + (withTotal ? QStringLiteral(": non compaiono nell'elenco e non sono comprese nel totale.\r\n\r\n")
                        : QStringLiteral(": non compaiono nell'elenco.\r\n\r\n"))
           + (result.leftOut == 1 ? QStringLiteral("Posizione in archivio: ") : QStringLiteral("Posizioni in archivio: "))
           + named + u'.';
}

} // namespace ResultLines

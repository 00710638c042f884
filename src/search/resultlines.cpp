#include "resultlines.h"

#include "storage/cp1252.h"
#include "storage/textrules.h"

#include <algorithm>
#include <cstring>
#include <array>
#include <cstdint>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

// Each byte's sort weight: the code of its character, a-z as capitals.
const std::array<char16_t, 256> &weights()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            char16_t c = Cp1252::decodeByte(static_cast<unsigned char>(b)).unicode();
            if (c >= u'a' && c <= u'z')
                c = char16_t(c - 32);
            t[size_t(b)] = c;
        }
        return t;
    }();
    return table;
}

// The same order in one byte: each byte's rank among the distinct weights,
// so that comparing ranked text byte by byte (memcmp) compares the weights.
const std::array<unsigned char, 256> &ranks()
{
    static const std::array<unsigned char, 256> table = [] {
        const std::array<char16_t, 256> &w = weights();
        std::vector<char16_t> distinct(w.begin(), w.end());
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        std::array<unsigned char, 256> t{};
        for (size_t b = 0; b < 256; ++b)
            t[b] = static_cast<unsigned char>(std::lower_bound(distinct.begin(), distinct.end(), w[b]) - distinct.begin());
        return t;
    }();
    return table;
}

inline char foldAZ(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

// Sixteen characters of a line from `depth` on, ranked, as two numbers that
// sort like them, and how many of them the line has (16: it goes on).
struct Window
{
    std::uint64_t first;
    std::uint64_t second;
    int length;
};

Window windowOf(const char *line, qsizetype length, qsizetype depth)
{
    const std::array<unsigned char, 256> &rank = ranks();
    Window w{0, 0, int(qBound(qsizetype(0), length - depth, qsizetype(16)))};
    for (qsizetype i = 0; i < 16; ++i) {
        std::uint64_t &half = i < 8 ? w.first : w.second;
        half <<= 8;
        if (i < w.length)
            half |= rank[static_cast<unsigned char>(line[depth + i])];
    }
    return w;
}

} // namespace

QString ListLine::text() const
{
    return Cp1252::decode(bytes);
}

QString LineList::text(qsizetype i) const
{
    return Cp1252::decode(bytes(i));
}

void LineList::reserve(qsizetype lines, qsizetype bytes)
{
    m_entries.reserve(size_t(lines));
    if (m_chunks.empty())
        m_chunks.emplace_back();
    m_chunks.back().reserve(bytes);
}

void LineList::append(QByteArrayView line, qint64 position)
{
    if (m_chunks.empty())
        m_chunks.emplace_back();
    QByteArray &chunk = m_chunks.back();
    m_entries.push_back({chunk.size(), position, qint32(line.size()), qint32(m_chunks.size() - 1)});
    chunk.append(line);
    m_longest = qMax(m_longest, line.size());
}

void LineList::append(LineList &&more)
{
    // The other list's text is taken over as it is, not copied.
    const qint32 shift = qint32(m_chunks.size());
    for (QByteArray &chunk : more.m_chunks)
        m_chunks.push_back(std::move(chunk));
    m_entries.reserve(m_entries.size() + more.m_entries.size());
    for (Entry e : more.m_entries) {
        e.chunk += shift;
        m_entries.push_back(e);
    }
    m_longest = qMax(m_longest, more.m_longest);
    more.clear();
}

void LineList::clear()
{
    m_chunks.clear();
    m_entries.clear();
    m_longest = 0;
}

namespace {

// A long range is sorted in two halves at once, then merged.
template <class It, class Less>
void sortRange(It begin, It end, Less less)
{
    constexpr std::ptrdiff_t kTwoHalvesFrom = 20000;
    if (end - begin < kTwoHalvesFrom) {
        std::sort(begin, end, less);
        return;
    }
    const It middle = begin + (end - begin) / 2;
    std::thread other;
    try {
        other = std::thread([=] { std::sort(middle, end, less); });
    } catch (const std::system_error &) {
        std::sort(middle, end, less);
    }
    std::sort(begin, middle, less);
    if (other.joinable())
        other.join();
    std::inplace_merge(begin, middle, end, less);
}

} // namespace

void LineList::sortFolded()
{
    // Sixteen characters at a time: the lines are sorted on their first
    // window of ranked characters, held beside each line, and only those
    // that tie and go on are sorted again on the next window, and so on. No
    // comparison has to reach into the text, which would cost a cache miss.
    struct Keyed
    {
        Window window;
        qint32 index; // into m_entries
    };
    std::vector<Keyed> keyed;
    keyed.reserve(m_entries.size());
    for (size_t i = 0; i < m_entries.size(); ++i)
        keyed.push_back({Window{}, qint32(i)});
    // Equal windows keep file order: the index settles them, so a plain
    // sort is as stable as a stable one.
    auto before = [](const Keyed &x, const Keyed &y) {
        if (x.window.first != y.window.first)
            return x.window.first < y.window.first;
        if (x.window.second != y.window.second)
            return x.window.second < y.window.second;
        if (x.window.length != y.window.length)
            return x.window.length < y.window.length;
        return x.index < y.index;
    };
    auto same = [](const Keyed &x, const Keyed &y) {
        return x.window.first == y.window.first && x.window.second == y.window.second
               && x.window.length == y.window.length;
    };
    struct Range
    {
        size_t begin;
        size_t end;
        qsizetype depth;
    };
    std::vector<Range> pending{{0, keyed.size(), 0}};
    while (!pending.empty()) {
        const Range r = pending.back();
        pending.pop_back();
        for (size_t i = r.begin; i < r.end; ++i) {
            // After the first window the lines lie in no order: fetch ahead.
            if (i + 8 < r.end)
                __builtin_prefetch(data(m_entries[size_t(keyed[i + 8].index)]) + r.depth);
            const Entry &e = m_entries[size_t(keyed[i].index)];
            keyed[i].window = windowOf(data(e), e.length, r.depth);
        }
        sortRange(keyed.begin() + qsizetype(r.begin), keyed.begin() + qsizetype(r.end), before);
        // Ties of lines that go on past this window are settled by the next.
        for (size_t i = r.begin; i < r.end;) {
            size_t j = i + 1;
            while (j < r.end && same(keyed[i], keyed[j]))
                ++j;
            if (j - i > 1 && keyed[i].window.length == 16)
                pending.push_back({i, j, r.depth + 16});
            i = j;
        }
    }
    std::vector<Entry> sorted;
    sorted.reserve(m_entries.size());
    for (const Keyed &k : keyed)
        sorted.push_back(m_entries[size_t(k.index)]);
    m_entries.swap(sorted);
}

void ListResult::leaveOut(qint64 position, qint64 count)
{
    for (qint64 k = 0; k < count && leftOutPositions.size() < ResultLines::namedPositions; ++k)
        leftOutPositions << position + k;
    leftOut += count;
}

namespace ResultLines {

int compareFolded(QByteArrayView a, QByteArrayView b)
{
    const std::array<char16_t, 256> &w = weights();
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ca = w[static_cast<unsigned char>(a[i])];
        const char16_t cb = w[static_cast<unsigned char>(b[i])];
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

qsizetype find(const LineList &lines, qsizetype selected, const QString &typed, QString &last)
{
    const qsizetype n = lines.size();
    Q_ASSERT(n > 0);
    if (selected < 0 || selected >= n)
        selected = 0;
    const QString key = TextRules::lowerAZ(typed);
    const bool again = key == last;
    last = key;
    // A character Windows-1252 lacks can be in no line.
    const QByteArray needle = Cp1252::encode(key);
    if (key.isEmpty() || needle.count('?') != key.count(u'?'))
        return selected;
    const std::string_view wanted(needle.constData(), size_t(needle.size()));
    QByteArray folded;
    auto holds = [&](qsizetype i) {
        const QByteArrayView line = lines.bytes(i);
        folded.resize(line.size());
        std::transform(line.begin(), line.end(), folded.begin(), foldAZ);
        return std::string_view(folded.constData(), size_t(folded.size())).find(wanted) != std::string_view::npos;
    };
    const qsizetype start = again ? selected : 0;
    if (!again && holds(start))
        return start;
    // Round the list once; the start line is tested last when it was not
    // tested first.
    for (qsizetype step = 1; step <= n; ++step) {
        const qsizetype i = (start + step) % n;
        if (i == start && !again)
            break;
        if (holds(i))
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
    const bool one = result.leftOut == 1;
    const QString missing = withTotal ? (one ? QStringLiteral(": non compare nell'elenco e non è compresa nel totale.")
                                             : QStringLiteral(": non compaiono nell'elenco e non sono comprese nel "
                                                              "totale."))
                                      : (one ? QStringLiteral(": non compare nell'elenco.")
                                             : QStringLiteral(": non compaiono nell'elenco."));
    return QStringLiteral("Attenzione: l'elenco non è completo.\r\n\r\n") + count + missing + QStringLiteral("\r\n\r\n")
           + (result.leftOut == 1 ? QStringLiteral("Posizione in archivio: ") : QStringLiteral("Posizioni in archivio: "))
           + named + u'.';
}

} // namespace ResultLines

#pragma once

#include <QList>
#include <QString>

#include <vector>

// One line of a result list, with the 1-based position of the record it was
// built from.
struct ListLine
{
    QString text;
    qint64 position = 0;
};

// What a scan for a list produced.
struct ListResult
{
    std::vector<ListLine> lines;
    // Records that could not be judged (unreadable numbers, a failed read)
    // and are therefore missing from the list, with the first few positions.
    qint64 leftOut = 0;
    QList<qint64> leftOutPositions;
    // Characters of the longest line.
    qsizetype longest = 0;

    bool complete() const { return leftOut == 0; }
    void add(QString text, qint64 position);
    void leaveOut(qint64 position, qint64 count = 1);
};

namespace ResultLines {

// How many left-out positions a warning names.
inline constexpr int namedPositions = 5;

// Ascending order of the whole text, character code by character code with
// the letters a-z taken as capitals. Stable: equal lines keep file order.
void sortFolded(std::vector<ListLine> &lines);
int compareFolded(const QString &a, const QString &b);

// Whether `loweredKey` (already A-Z lower-cased) occurs in `line` with its
// letters A-Z lower-cased. An empty key never does.
bool containsFolded(const QString &line, const QString &loweredKey);

// The in-list find. `selected` is the selected line or -1; `last` is the key
// of the previous find, and is updated. Returns the line to select: the hit,
// or the selection as it stands (the first line when there was none).
qsizetype find(const std::vector<ListLine> &lines, qsizetype selected, const QString &typed, QString &last);

// The warning of a list that is not whole; `withTotal` for a list that
// sums its records.
QString incompleteWarning(const ListResult &result, bool withTotal = false);

} // namespace ResultLines

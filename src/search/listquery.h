#pragma once

#include "search/listline.h"
#include "search/recordtest.h"
#include "search/resultlines.h"

#include <QByteArray>

#include <functional>
#include <memory>
#include <optional>

class RecordFile;

// Which records of an archive a list shows, and as which lines.
struct ListQuery
{
    enum class Verdict { Listed, Skipped, Unreadable };

    const LineFormat *format = nullptr;
    // Made on the stored bytes while the file is walked; none: every record.
    std::shared_ptr<const RecordTest> test;
    // A further judgement of the lines of the records the test let through;
    // none: all are listed.
    std::function<Verdict(qint64 position, QByteArrayView line)> judge;
    // A numeric field summed over the listed records, in file order, into
    // the result's total; a record whose amount cannot be read is left out
    // of the list and of the total. -1: no total.
    int amountField = -1;
    // In folded text order, or else in file order.
    bool sorted = false;
    // A read that fails part-way keeps the lines read so far and counts the
    // rest as left out; otherwise it raises ArchiveError.
    bool keepPartial = false;
};

// Walks the whole archive once and builds the list.
ListResult runQuery(RecordFile &file, const ListQuery &query);

// The record a list line was built from: the one at the line's position
// when it still gives that very line; otherwise (the archive changed since
// the list was made) the last record whose line equals it once trimmed; none
// when no record gives it any more.
struct ChosenRecord
{
    qint64 position;
    QByteArray bytes;
};
std::optional<ChosenRecord> locateRecord(RecordFile &file, const LineFormat &format, const ListLine &line);

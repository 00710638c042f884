#pragma once

#include "recordfile.h"

#include <exception>
#include <functional>

// Reads a large archive in two halves at once: records 1 to `half` from
// `file` on this thread, records half + 1 to `n` on another thread from a
// second descriptor of the same file. That descriptor is opened before the
// thread starts and closed after both halves are done, since a close drops
// every lock this process holds on the file, the first half's read lock too.
// Without a thread to be had, the second half runs after the first.
// A failure of the first half is thrown once the second has stopped; a
// failure of the second (opening included) is returned, empty when none.
using ReadHalf = std::function<void(RecordFile &file, qint64 from, qint64 to)>;
std::exception_ptr readInTwoHalves(RecordFile &file, qint64 half, qint64 n, const ReadHalf &first,
                                   const ReadHalf &second);

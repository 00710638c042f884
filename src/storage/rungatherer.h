#pragma once

#include "recordfile.h"

#include <functional>

// Reads records `from` to `to` of `file` run by run into `gatherer`, whose
// `void gather(const RecordFile::Run &run)` copies what it needs of each run
// into buffers it owns; `afterRun(first, count)` then takes them over.
//
// `gather` runs under the read guard: a read of a mapped file that fails (a
// share gone, the file cut short by another program) leaves it at once, at
// any byte, and raises ArchiveError from here. So `gather` may not allocate,
// throw or hold a local that needs destroying, and whatever it counts must
// only grow once its entry is whole, so that after a failure the caller can
// keep what was gathered before the failing record. `afterRun` runs outside
// the guard, where anything goes.
template <class Gatherer>
void gatherRuns(RecordFile &file, qint64 from, qint64 to, qint64 maxRecords, Gatherer &gatherer,
                const std::function<void(qint64 first, qint64 count)> &afterRun)
{
    file.scanRuns(
        from, to, maxRecords,
        [](void *context, const RecordFile::Run &run) { static_cast<Gatherer *>(context)->gather(run); }, &gatherer,
        afterRun);
}

// The same over the whole file.
template <class Gatherer>
void gatherRuns(RecordFile &file, qint64 maxRecords, Gatherer &gatherer,
                const std::function<void(qint64 first, qint64 count)> &afterRun)
{
    gatherRuns(file, 1, file.count(), maxRecords, gatherer, afterRun);
}

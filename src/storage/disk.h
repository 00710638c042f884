#pragma once

#include <QFileDevice>
#include <QString>

// Every call that changes a file on the disk goes through here, checked:
// writes, flushes to the disk, truncations, closes, renames and removals.
// Each returns false and says why in `why` (in Italian) when it fails.
namespace Disk {

// Writes all of `n` bytes at `offset` (or at the current position when
// `offset` is negative), looping over short writes.
bool write(QFileDevice &file, qint64 offset, const char *data, qint64 n, QString *why);
// The file's data down to the disk (fsync, FlushFileBuffers).
bool sync(QFileDevice &file, QString *why);
bool resize(QFileDevice &file, qint64 size, QString *why);
// A close that reports what the system says, as network shares report a
// failed write-back only there.
bool close(QFileDevice &file, QString *why);
// Replaces `to` by `from` in one step.
bool rename(const QString &from, const QString &to, QString *why);
bool remove(const QString &path, QString *why);
// On Linux a created, renamed or removed name reaches the disk only with its
// folder; Windows has no such flush, and there it does nothing.
bool syncFolder(const QString &folder, QString *why);

// A fault seam for the tests: counted from `arm`, the `nth` call above (and
// the exclusive locks, which ask `lockFails`) fails as told.
namespace Faults {
enum class Kind {
    Once,       // that call fails, the later ones work
    Persistent, // that call and every later one fail (a full disk, a share gone)
    Short,      // a write puts down half its bytes; then as Persistent
    Crash,      // the process ends at that call (a write puts down half first)
};
void arm(int nth, Kind kind);
void disarm();
// Calls counted since `arm`.
int calls();
// Arms from SCORTEX_FAULT="nth:once|persistent|short|crash", for a child
// process; does nothing when it is not set.
void armFromEnvironment();
bool lockFails();
} // namespace Faults

} // namespace Disk

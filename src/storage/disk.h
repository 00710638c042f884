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
// The open file's size as the system has it now (another process may have
// changed it); -1 when it cannot be had. Not a change: never failed.
qint64 size(QFileDevice &file);
// A close that reports what the system says, as network shares report a
// failed write-back only there.
bool close(QFileDevice &file, QString *why);
// Replaces `to` by `from` in one step.
bool rename(const QString &from, const QString &to, QString *why);
bool remove(const QString &path, QString *why);
// On Linux a created, renamed or removed name reaches the disk only with its
// folder; Windows has no such flush, and there it does nothing.
bool syncFolder(const QString &folder, QString *why);

// A fault seam for the tests. A test names the call it fails by what the
// call does and to which file (the flush of "Magazzino.pro-journal"), so
// that a call added elsewhere never moves its target; a loop that tries
// every call in turn counts them instead.
namespace Faults {
enum class Kind {
    Once,       // that call fails, the later ones work
    Persistent, // that call and every later one fail (a full disk, a share gone)
    Short,      // a write puts down half its bytes; then as Persistent
    Crash,      // the process ends at that call (a write puts down half first)
};
enum class Call { Write, Sync, Resize, Close, Rename, Remove, SyncFolder, Lock };
struct Target
{
    Call call = Call::Write;
    // The file's bare name, in any letter case: a rename counts for the
    // name it gives, a folder flush for the folder's name, and a whole-file
    // save's temporary name ("Fornitori.xls.~1a2b3c4d") for its file's.
    QString file;
    // Which of that file's calls of that kind: 1 for the first.
    int occurrence = 1;
};
void arm(const Target &target, Kind kind);
// The `nth` checked call of any kind and file.
void arm(int nth, Kind kind);
void disarm();
// Checked calls counted since `arm`.
int calls();
// Whether the armed call was reached.
bool hit();
// Arms from SCORTEX_FAULT, for a child process: "nth:kind" or
// "call:file[#occurrence]:kind", with call one of write, sync, resize,
// close, rename, remove, syncfolder, lock and kind one of once, persistent,
// short, crash ("sync:Magazzino.pro:persistent"). Does nothing when unset.
void armFromEnvironment();
// Asked before an exclusive lock of `file` is taken: true when it fails.
bool lockFails(const QString &file);
} // namespace Faults

} // namespace Disk

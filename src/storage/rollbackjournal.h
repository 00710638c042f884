#pragma once

#include <QFile>
#include <QList>
#include <QString>

// The rollback journal of an archive: "<archive>-journal" beside it, which
// makes every change of the archive whole or not at all, whatever stops it
// (a crash, a full disk, a share gone away).
//
// The protocol:
//  1. Every step below happens under the archive's exclusive lock, taken
//     before the journal is written and given back after the commit or the
//     rollback; so one workstation at a time writes an archive, and its
//     journal.
//  2. Before a change touches the archive, the bytes it will replace and the
//     archive's size go to the journal, which is then flushed to the disk,
//     and so is its folder (its name). A journal that cannot be put down
//     whole is removed and the change fails: the archive was not touched.
//  3. The new bytes are written to the archive and flushed.
//  4. The commit is one durable step: the journal's first eight bytes (its
//     magic) are overwritten with zeros and flushed. From then on the
//     journal is invalid and the change stands. The journal is then removed;
//     a removal that fails, or is lost in a crash, leaves an invalid journal,
//     which is harmless.
//  5. A journal is hot when it is valid: its magic, its fields and its check
//     (the SHA-1 of all the bytes before it) hold. A hot journal always rolls
//     back: whatever the archive holds, its change was never committed. (A
//     journal of an earlier version of the program, which removed it instead
//     of zeroing it, is taken as committed when its new bytes are whole, as
//     that version did; this one marks its own journals so that both
//     versions always roll them back.)
//  6. To roll back: the old bytes go back in place, the archive is cut back
//     to its old size (only when nothing stands beyond the change's own end:
//     bytes there came later, and stay), and it is flushed; then the journal
//     is made invalid and removed as in rule 4.
//  7. A change that fails after rule 2 rolls back at once, still under the
//     lock. Where the disk refuses that too, the journal stays hot, and rule
//     8 rolls it back. A commit whose zeros are not in the journal leaves it
//     hot: it rolls back too, and the change failed. A commit whose zeros
//     may be in the journal (it reads back changed, or cannot be read back)
//     is taken as made: the change stands, but is not known to be on the
//     disk, and the user is told so.
//  8. Whoever opens the archive and finds its journal takes the exclusive
//     lock, so a journal still being written is waited for, and rolls back a
//     hot one before anything is read; an invalid one is removed. A writer
//     looks again once it holds the lock (a workstation may have stopped
//     half-way since the archive was opened), and so does every read under
//     the shared lock: a hot journal there refuses the read. One that can
//     only open the archive for reading takes the shared lock: it goes on
//     past an invalid journal and is refused by a hot one. A journal that
//     cannot be read is never taken for an invalid one: it refuses.
//  9. Reading and rolling back stream the journal in blocks: memory stays
//     small whatever the size of the archive.
//
// The format, little-endian, the same since the journal's first version, so
// that workstations of an earlier version and this one recover each other's:
//   magic    8 bytes   "SCXJRNL1"; zeros once committed
//   oldSize  int64     the archive's size before the change
//   offset   int64     where the change starts
//   newEnd   int64     where the new bytes end
//   length   uint32    how many old bytes follow
//   old      length    the archive's bytes from `offset` as they were: those
//                      the new bytes replace, or, for a change that replaces
//                      the file from `offset` on (a rewrite), all of them
//   newHash  20 bytes  zeros: roll back always. An earlier version wrote the
//                      SHA-1 of the new bytes here, and kept the change when
//                      they were whole; zeros are no SHA-1 it ever matches
//   check    20 bytes  SHA-1 of every byte before it
//
// A change of several archives at once (transaction.h) keeps one journal per
// archive in a second format, whose old bytes come in several ranges and
// which names the change's super-journal; it is hot only while that
// super-journal stands (transaction.h states that protocol). It is written
// only by such a change: a change of one archive still writes the format
// above, byte for byte. It stands inside a folder of the journal's own name,
// "<archive>-journal/journal": an earlier version takes a magic it does not
// know for an invalid journal and removes it, but it cannot open a folder,
// so it refuses the archive until this version has settled it.
//   magic    8 bytes   "SCXJRNL2"; zeros once committed
//   oldSize  int64     the archive's size before the change
//   newSize  int64     its size after it: growth up to there is cut off
//   count    uint32    how many ranges follow
//   nameLen  uint32    bytes of the super-journal's name; 0: none, always hot
//   name     nameLen   UTF-8, the super-journal's path from the journal's folder
//   ranges   count x   offset int64, length uint32, then the `length` old
//                      bytes at `offset`: in order, apart, within oldSize
//   check    20 bytes  SHA-1 of every byte before it
class RollbackJournal
{
public:
    static QString pathFor(const QString &archive);
    static bool isJournal(const QString &fileName);
    // The second format's place, inside the folder pathFor names.
    static QString rangesPathFor(const QString &archive);

    // What the change replaces: the bytes up to its new end, or everything
    // from its offset on, as a rewrite that may shorten the file does.
    enum class Extent { Range, ToTheEnd };

    // Rule 2, for `archive`, open for writing under its exclusive lock:
    // the journal of a change of the bytes from `offset` to `newEnd`, whole
    // and on the disk. Throws ArchiveError ("<what> non riuscita (…)") when
    // it cannot be put down.
    RollbackJournal(QFile &archive, qint64 offset, qint64 newEnd, const QString &what,
                    Extent extent = Extent::Range);

    RollbackJournal(const RollbackJournal &) = delete;
    RollbackJournal &operator=(const RollbackJournal &) = delete;

    enum class Commit {
        Done,     // the change stands, on the disk
        NotDone,  // the journal is still hot: the change must be rolled back
        Unflushed // the change stands, but its commit is not known to be on the disk
    };
    // Rule 4.
    Commit commit(QString *why);
    // Rules 6 and 7: the archive as it was, now; false, with the journal left
    // hot for the next open, where the disk refuses.
    bool rollBack(QString *why);

    // Rule 8, for the archive `archive` has open (for reading, or for
    // reading and writing), with no lock held. Throws ArchiveError when a
    // hot journal cannot be rolled back from here.
    static void recover(QFile &archive);
    // Rule 8 under the exclusive lock the caller holds, before it writes.
    static void settle(QFile &archive);
    // Rule 8 under the shared lock the caller holds: throws when a hot
    // journal (or one that cannot be read) stands beside the archive.
    static void checkReadable(QFile &archive);

    // Rule 8 under the exclusive locks the caller holds of `held` (archive
    // among them): a hot journal of a change of several archives rolls back
    // every archive of that change.
    static void settle(QFile &archive, const QList<QFile *> &held);

    // A journal in the second format, for transaction.h.
    struct Range
    {
        qint64 offset = 0;
        qint64 length = 0;
    };
    // Rule 2 for `ranges` (in order, apart, within the archive) of a change
    // that leaves `archive` `newSize` bytes long, naming `superJournal`
    // (empty: none): written and flushed, but not its folder, which the
    // caller flushes once for all its journals (the journal's own folder is
    // flushed here). False, with the journal removed, when it cannot be put
    // down.
    static bool writeRanges(QFile &archive, const QList<Range> &ranges, qint64 newSize, const QString &superJournal,
                            QString *why);
    // What stands beside `archive`, for a change of several archives.
    enum class Found {
        None,       // no journal, or an invalid one (committed)
        Hot,        // a valid one: `superJournal` receives the path it names
        Unreadable, // there, but it could not be read
    };
    static Found lookAt(QFile &archive, QString *superJournal);
    // Rule 6 for the journal beside `archive`, hot, in either format: the
    // old bytes back, the growth cut off, flushed. The journal stays.
    static bool restore(QFile &archive, QString *why);
    // Rule 4 for the journal beside `archive`, and rule 7's answer.
    static Commit commitAt(const QString &archive, QString *why);
    // The journal beside `archive` removed, in either format.
    static void discard(const QString &archive);

private:
    QFile &m_archive;
    QString m_path;
    qint64 m_oldSize = 0;
    qint64 m_offset = 0;
    qint64 m_newEnd = 0;
    qint64 m_length = 0;
};

#pragma once

#include "archiveerror.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class QFile;

// One change of several archives (an invoice's receipts, stock and new
// cards), on the disk in all of them together or in none, whatever stops it
// (a crash, a full disk, a share gone away). Modelled on SQLite's
// super-journal for attached databases.
//
// The protocol:
//  1. The archives are opened and their exclusive locks taken in one fixed
//     order: by file name, letter case folded, then by full path. Every
//     workstation sees the same names whatever path it reaches the folder
//     by, so two changes of the same archives never wait on each other for
//     ever. Each archive's journal is then settled (rollbackjournal.h rule
//     8) before anything is read.
//  2. Changes are staged in memory and reads see them; nothing reaches the
//     disk before the commit, and a change never committed writes nothing.
//     What a read returns was read under the locks the commit holds.
//  3. The commit, when more than one archive changes: the super-journal,
//     "<first changed archive>-<random>.super-journal" beside that archive
//     (a new name; no archive's, and a journal's for the safety copy and
//     the command-line tool), lists each changed archive's path from its
//     folder; it is written, flushed, and its folder flushed.
//  4. Then each changed archive's journal, in rollbackjournal.h's second
//     format: every range of old bytes the change replaces, the old and new
//     sizes, and the super-journal's name; each flushed, then their folders.
//  5. Then the new bytes: one write per record rewritten, one for the
//     records appended, one flush per archive.
//  6. The commit point is one step: the super-journal is removed and its
//     folder flushed. From the removal on, every journal naming it is
//     invalid and the change stands in every archive.
//  7. Then the journals are removed; one left behind names a super-journal
//     that is gone, and the next open drops it once that removal is surely
//     on the disk (a flush of the super-journal's folder).
//  8. A journal naming a super-journal that stands is hot. Whoever opens an
//     archive and finds one rolls back every archive the super-journal
//     lists: the locks taken in rule 1's order (an opener that already holds
//     some takes the others only when free at once, else it refuses and a
//     retry does it), the super-journal looked for again under them (gone:
//     another workstation finished it), every hot journal naming it copied
//     back and flushed, only then the journals made invalid and removed, and
//     the super-journal removed last. A failure leaves all of it for the
//     next open; a super-journal that cannot be read refuses the open. A
//     super-journal that no journal names (its removal failed, or it was
//     cut short) is removed by the next change that holds every archive it
//     lists, or, cut short, the archive it is named after.
//  9. A failure before the commit point rolls every archive back at once,
//     still under the locks; an archive whose journal was not yet written
//     was not touched. Where the disk refuses that too, the super-journal
//     and the journals stay, and rule 8 rolls back at the next open.
// 10. A removal of the super-journal that fails while it still reads whole
//     made no commit: rule 9. One that fails otherwise, or whose folder
//     flush fails, may have committed: the change stands, not known to be
//     on the disk (Committed::Unflushed), and the journals stay for rule 8.
// 11. A change of one archive alone needs no super-journal: its journal
//     names none and is always hot, and the commit is its zeroed magic
//     (rollbackjournal.h rules 4 and 7).
// Every failure throws ArchiveError with an Italian reason.
class ArchiveTransaction
{
public:
    struct Archive
    {
        QString path;
        int recordSize = 0;
    };

    // Rule 1: missing archives are created empty. Throws when one cannot be
    // opened for writing, locked or settled.
    explicit ArchiveTransaction(const QList<Archive> &archives);
    // Gives the locks back; an uncommitted change writes nothing.
    ~ArchiveTransaction();

    ArchiveTransaction(const ArchiveTransaction &) = delete;
    ArchiveTransaction &operator=(const ArchiveTransaction &) = delete;

    // `path` is one of the archives given, by any path that reaches it.
    // Whole records, staged appends included.
    qint64 count(const QString &path);
    // 1 <= position <= count: the staged record, or the one on the disk.
    QByteArray read(const QString &path, qint64 position);
    void write(const QString &path, qint64 position, QByteArrayView record);
    // The new record's position. Appends go just past the last whole record,
    // over a trailing partial one, as RecordFile's do.
    qint64 append(const QString &path, QByteArrayView record);

    enum class Committed {
        Done,     // on the disk
        Unflushed // stands, but is not known to be on the disk (unflushed())
    };
    // Rules 3 to 11. Throws when nothing was committed; either way the
    // transaction is over and its locks given back.
    Committed commit();
    const QString &unflushed() const { return m_unflushed; }

    // The super-journal's names, for whoever lists the program folder.
    static bool isSuperJournal(const QString &fileName);

    // Rule 8 for `superJournal`, under the exclusive locks the caller holds
    // of `held` (none: every lock is waited for in rule 1's order).
    static void rollBackChange(const QString &superJournal, const QList<QFile *> &held);

private:
    struct Member;
    Member &member(const QString &path);
    void dropStaleSuperJournals(const QList<QFile *> &held);
    void finish();
    [[noreturn]] void failCommit(const QString &why);

    std::vector<std::unique_ptr<Member>> m_members; // in rule 1's order
    bool m_over = false;
    QString m_unflushed;
};

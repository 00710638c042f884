#pragma once

#include "storage/zipfile.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

// The program's own copies of its archives and of the password file: one
// zip a day in "Copie di sicurezza" inside the program folder, named by the
// date (2026-12-10.zip), holding the files changed since their last copy.
// A copy taken before a restore is named by the date and a number
// (2026-12-10-2.zip).
namespace SafetyCopies {

QString folderName();
QString folder(const QString &programFolder);

// A file of the program folder that a copy holds: an archive of one of the
// three kinds or the password file, by its bare name in any letter case.
bool isCopiedName(const QString &fileName);
// The copied files now in the program folder, by name.
QStringList filesIn(const QString &programFolder);

// "2026-12-10.zip" or "2026-12-10-2.zip": its date and its number (1 for
// the day's own copy).
bool parseName(const QString &fileName, QDate *date = nullptr, int *number = nullptr);

struct Copy
{
    QString name; // without ".zip"
    QString path;
    QDate date;
    int number = 1;
    QList<Zip::Entry> entries;
    QString damage; // why it could not be read; empty when whole
};

// Every copy in the folder, oldest first; a damaged one says why.
QList<Copy> list(const QString &programFolder);

// "2026-12-10.zip", or "2026-12-10-2.zip" for `number` 2.
QString copyFileName(const QDate &date, int number = 1);

// Beside the copies: the file whose lock one workstation holds while it
// makes the day's copy.
QString lockFileName();

// A copy as the keeping rule sees it: its file name and the files it holds.
struct Held
{
    QString name;
    QStringList files;
};

// The copy file names that the keeping rule keeps on `today`: every copy of
// the last 10 days that have one, the first copy of each of the last 12
// months (this one included), and copies dated after today; and, for each
// file a copy holds that is no longer among the `present` files of the
// program folder (a year's archive deleted by mistake), its newest copy.
// Names that are no copy's are never kept.
QStringList kept(const QList<Held> &copies, const QStringList &present, const QDate &today);

struct Outcome
{
    bool made = false;
    QString name;          // of the copy written
    QStringList files;     // copied, by name
    qint64 bytes = 0;      // their size
    qint64 zipBytes = 0;   // the copy's size
    QStringList removed;   // old copies deleted by the keeping rule
    QString error;         // empty when nothing failed
    bool abandoned = false;
    bool elsewhere = false; // another workstation is making the day's copy
};

// The day's copy, when `today` has none yet: the files that differ from
// their newest kept copy, then the copies the keeping rule lets go. Reads
// every archive under its shared lock; written under a temporary name and
// renamed only when whole. One workstation at a time makes it: one that
// finds another at it leaves the day to that one. `stop` abandons it
// cleanly between two blocks. Never throws: a failure is in `error`.
Outcome daily(const QString &programFolder, const QDate &today, const std::atomic<bool> *stop = nullptr);

// Before a restore: every one of `files` as it is now, in a copy of its own.
Outcome beforeRestore(const QString &programFolder, const QDate &today, const QStringList &files);

struct Restored
{
    QStringList files;  // written back, by name
    QStringList from;   // the copy each came from, in the same order
    QString undoCopy;   // the copy taken first
    QString error;      // empty when every file was written back and confirmed on the disk
    bool refused = false; // nothing was written: a damaged or foreign copy, a missing file
};

// Writes back `files` (every file of the copy when empty) from the copy
// named `copyName` ("2026-12-10"): each archive under its exclusive lock,
// whole, after a copy of the current files. A file the copy does not hold
// because it had not changed comes from the newest earlier copy that has it.
Restored restore(const QString &programFolder, const QString &copyName, const QStringList &files,
                 const QDate &today);

} // namespace SafetyCopies

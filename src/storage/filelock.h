#pragma once

#include <QFileDevice>
#include <QString>

#include <atomic>
#include <memory>

// Record locks of files shared by several workstations: POSIX record locks
// (fcntl) and LockFileEx, which NFS and SMB shares honour, unlike flock()
// or a lock file. Writers take the whole file exclusively (an append moves
// the end, an overwrite may reach another workstation in pieces); readers
// take it shared, so they wait for a write in progress instead of seeing
// half of it.
//
// Within the program the threads share the locks of the process, so that:
// 1. readers of one file never wait for each other, and a writer waits for
//    this program's readers and writers as for another workstation's;
// 2. fcntl locks belong to the process, not to a descriptor: the first
//    reader of a file takes the system's lock and the last one gives it
//    back; and since closing any descriptor of a file drops every lock the
//    process holds on it, a descriptor of a locked file is closed (close()
//    below) only once no thread holds a lock of that file. LockFileEx locks
//    belong to their handle instead: there each lock is the handle's own;
// 3. one thread at a time asks the system for a file's lock, and waits for
//    another workstation there without holding anything of the program's:
//    nothing but a lock of the same file waits behind it, and a close of
//    another descriptor of the file made meanwhile (which drops the lock)
//    is mended by taking it again once the close is done. A thread behind
//    the screens (the safety copy) asks again every few milliseconds
//    instead, so that it hears when it is told to stop;
// 4. the program's gate, a mutex, is held only while the table of held
//    locks is looked at or changed, and around the system's own calls that
//    take a lock without waiting; never while anyone waits.
class FileLock
{
public:
    enum Kind { Shared, Exclusive };

    // Waits for the lock of the whole file, which `file` has open.
    FileLock(QFileDevice &file, Kind kind);
    ~FileLock();

    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    // The lock if it is free at once, null when someone holds it (another
    // workstation or another thread of this program).
    static std::unique_ptr<FileLock> tryTake(QFileDevice &file, Kind kind);

    // Held, or not available on this file system at all (a share without
    // lock support is used unlocked rather than refused).
    bool usable() const { return m_held; }

    // Closes `file` once no thread of this program holds a lock of the same
    // file, where a close would drop it; checked as Disk::close does when
    // `why` is given.
    static bool close(QFileDevice &file, QString *why);

    // How many times this process found a lock taken by another workstation
    // and waited for it.
    static quint64 waits();

    // Set on a thread that works behind the screens (the safety copy), with
    // the flag that asks it to stop: its waits give up (ArchiveError) once
    // the flag is set.
    static void setBackgroundThread(bool background, const std::atomic<bool> *stop = nullptr);

private:
    enum class Wait { Yes, No };
    FileLock(QFileDevice &file, Kind kind, Wait wait);

    QFileDevice &m_file;
    Kind m_kind;
    // The entry of the file in the table of held locks.
    void *m_entry = nullptr;
    bool m_held = false;
    bool m_systemLocked = false; // this lock took the system's lock itself
    bool m_nested = false;       // a shared lock inside this thread's own exclusive one
    bool m_busy = false;         // not taken: someone held it (tryTake)
};

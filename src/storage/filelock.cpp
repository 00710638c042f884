#include "filelock.h"

#include "archiveerror.h"
#include "disk.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

#ifdef Q_OS_WIN
// LockFileEx locks belong to their handle: a close drops only its own.
constexpr bool kProcessLocks = false;
#else
// fcntl locks belong to the process: one set for all of its descriptors.
constexpr bool kProcessLocks = true;
#endif

struct FileId
{
    quint64 device = 0;
    quint64 index = 0;
    bool operator==(const FileId &) const = default;
};

// One file some thread of this program locks, closes or waits for.
struct Entry
{
    FileId id;
    int readers = 0; // shared locks held
    // The thread of each shared lock, once per lock. Kept here rather than
    // in a thread_local list: mingw's threads may run a thread_local's
    // destructor after its storage is gone, and crash on leaving.
    std::vector<std::thread::id> readerThreads;
    bool writer = false;
    std::thread::id writerThread;
    int writersWaiting = 0;
    int closing = 0;           // closes under way: no lock is taken meanwhile
    bool atSystem = false;     // a thread waits inside the system for its lock
    bool systemShared = false; // the process holds the system's shared lock
    int users = 0;             // locks, waits and closes that refer to it
};

std::mutex g_gate;
std::condition_variable g_changed;
std::list<Entry> g_entries; // under g_gate; a list, so entries never move

std::atomic<quint64> g_waits{0};
thread_local bool t_background = false;
thread_local const std::atomic<bool> *t_stop = nullptr;

bool identify(QFileDevice &file, FileId *id)
{
#ifdef Q_OS_WIN
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())), &info))
        return false;
    id->device = info.dwVolumeSerialNumber;
    id->index = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
#else
    struct stat st;
    if (::fstat(file.handle(), &st) != 0)
        return false;
    id->device = quint64(st.st_dev);
    id->index = quint64(st.st_ino);
#endif
    return true;
}

Entry &entryFor(const FileId &id)
{
    auto it = std::find_if(g_entries.begin(), g_entries.end(), [&](const Entry &e) { return e.id == id; });
    if (it == g_entries.end()) {
        g_entries.emplace_back();
        g_entries.back().id = id;
        return g_entries.back();
    }
    return *it;
}

void release(Entry &e)
{
    if (--e.users == 0) {
        g_entries.remove_if([&](const Entry &x) { return &x == &e; });
    }
    g_changed.notify_all();
}

bool holdsShared(const Entry &e)
{
    return std::find(e.readerThreads.begin(), e.readerThreads.end(), std::this_thread::get_id()) !=
           e.readerThreads.end();
}

enum class Got { Held, Busy, Unsupported, Failed };

// The system's lock of the whole file, without waiting.
Got trySystemLock(QFileDevice &file, FileLock::Kind kind)
{
#ifdef Q_OS_WIN
    OVERLAPPED ov = {};
    const DWORD flags = (kind == FileLock::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0) | LOCKFILE_FAIL_IMMEDIATELY;
    if (LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())), flags, 0, MAXDWORD, MAXDWORD, &ov))
        return Got::Held;
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
        return Got::Busy;
    return error == ERROR_NOT_SUPPORTED ? Got::Unsupported : Got::Failed;
#else
    struct flock fl = {};
    fl.l_type = kind == FileLock::Exclusive ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0; // to the end, however far it grows
    int rc;
    do {
        rc = ::fcntl(file.handle(), F_SETLK, &fl);
    } while (rc == -1 && errno == EINTR);
    if (rc == 0)
        return Got::Held;
    if (errno == EACCES || errno == EAGAIN)
        return Got::Busy;
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL ? Got::Unsupported : Got::Failed;
#endif
}

// The system's lock of the whole file, waiting for it as long as it takes.
Got systemLock(QFileDevice &file, FileLock::Kind kind)
{
#ifdef Q_OS_WIN
    OVERLAPPED ov = {};
    const DWORD flags = kind == FileLock::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())), flags, 0, MAXDWORD, MAXDWORD, &ov))
        return Got::Held;
    return GetLastError() == ERROR_NOT_SUPPORTED ? Got::Unsupported : Got::Failed;
#else
    struct flock fl = {};
    fl.l_type = kind == FileLock::Exclusive ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    int rc;
    do {
        rc = ::fcntl(file.handle(), F_SETLKW, &fl);
    } while (rc == -1 && errno == EINTR);
    if (rc == 0)
        return Got::Held;
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL ? Got::Unsupported : Got::Failed;
#endif
}

void systemUnlock(QFileDevice &file)
{
#ifdef Q_OS_WIN
    OVERLAPPED ov = {};
    UnlockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(file.handle())), 0, MAXDWORD, MAXDWORD, &ov);
#else
    struct flock fl = {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    ::fcntl(file.handle(), F_SETLK, &fl);
#endif
}

void giveUpIfStopped(const QFileDevice &file)
{
    if (t_stop && t_stop->load())
        throw ArchiveError(file.fileName(), QStringLiteral("interrotto in attesa del blocco dell'archivio"));
}

} // namespace

FileLock::FileLock(QFileDevice &file, Kind kind) : FileLock(file, kind, Wait::Yes) {}

std::unique_ptr<FileLock> FileLock::tryTake(QFileDevice &file, Kind kind)
{
    auto lock = std::unique_ptr<FileLock>(new FileLock(file, kind, Wait::No));
    if (lock->m_busy)
        return nullptr;
    return lock;
}

FileLock::FileLock(QFileDevice &file, Kind kind, Wait wait) : m_file(file), m_kind(kind)
{
    FileId id;
    if (!file.isOpen() || !identify(file, &id))
        return;
    if (kind == Exclusive && Disk::Faults::lockFails(file.fileName()))
        return;
    std::unique_lock<std::mutex> gate(g_gate);
    Entry &e = entryFor(id);
    ++e.users;
    const auto me = std::this_thread::get_id();
    // Inside this thread's own write: the exclusive lock covers the read.
    if (kind == Shared && e.writer && e.writerThread == me) {
        m_entry = &e;
        m_held = m_nested = true;
        return;
    }
    Q_ASSERT(!(kind == Exclusive && (holdsShared(e) || (e.writer && e.writerThread == me))));
    if (kind == Exclusive)
        ++e.writersWaiting;
    auto giveUp = [&] {
        if (kind == Exclusive)
            --e.writersWaiting;
        release(e);
    };
    auto take = [&](Got got) {
        if (kind == Exclusive)
            --e.writersWaiting;
        m_entry = &e;
        m_held = true;
        m_systemLocked = got == Got::Held;
        if (kind == Shared) {
            ++e.readers;
            e.readerThreads.push_back(me);
            if (kProcessLocks && m_systemLocked)
                e.systemShared = true;
        } else {
            e.writer = true;
            e.writerThread = me;
        }
    };
    bool counted = false;
    auto delay = std::chrono::milliseconds(1);
    for (;;) {
        // A waiting writer holds off new readers, or a stream of scans could
        // keep it waiting for good; a reader already inside goes on. One
        // thread at a time asks the system for a file's lock: two asking at
        // once for one process would both be given it.
        const bool free = !e.writer && (kind == Shared ? (e.writersWaiting == 0 && e.closing == 0) || holdsShared(e)
                                                       : e.readers == 0 && e.closing == 0);
        if (free && kind == Shared && kProcessLocks && e.readers > 0) {
            ++e.readers;
            e.readerThreads.push_back(me);
            m_entry = &e;
            m_held = true;
            return;
        }
        if (free && !e.atSystem) {
            // Under the gate: no close of this file runs meanwhile.
            Got got = trySystemLock(file, kind);
            if (got == Got::Busy && wait == Wait::Yes && !t_background) {
                // Another workstation holds it: waited for inside the system,
                // which hands it over as soon as it is free, without the gate.
                if (!counted)
                    g_waits.fetch_add(1);
                counted = true;
                e.atSystem = true;
                gate.unlock();
                got = systemLock(file, kind);
                gate.lock();
                // A close of another descriptor of the file, made meanwhile
                // by another thread, drops the process's locks: taken again
                // once no close runs, at once unless another workstation
                // took it in between. Still at the system meanwhile, so no
                // other thread of the program takes it too.
                if (got == Got::Held && kProcessLocks) {
                    g_changed.wait(gate, [&] { return e.closing == 0; });
                    got = trySystemLock(file, kind);
                    if (got == Got::Failed)
                        systemUnlock(file);
                }
                e.atSystem = false;
                g_changed.notify_all();
            }
            if (got == Got::Failed) {
                giveUp();
                return;
            }
            if (got != Got::Busy) {
                take(got);
                return;
            }
            if (wait == Wait::No) {
                m_busy = true;
                giveUp();
                return;
            }
            if (t_background) {
                // Asked again in a moment, so that a stop is heard.
                if (!counted)
                    g_waits.fetch_add(1);
                counted = true;
                gate.unlock();
                std::this_thread::sleep_for(delay);
                delay = std::min(delay * 2, std::chrono::milliseconds(8));
                gate.lock();
            }
        } else if (wait == Wait::No) {
            m_busy = true;
            giveUp();
            return;
        } else if (t_background) {
            g_changed.wait_for(gate, std::chrono::milliseconds(10));
        } else {
            g_changed.wait(gate);
        }
        if (t_background && t_stop && t_stop->load()) {
            giveUp();
            gate.unlock();
            giveUpIfStopped(file);
        }
    }
}

FileLock::~FileLock()
{
    if (!m_entry)
        return;
    std::lock_guard<std::mutex> gate(g_gate);
    auto &e = *static_cast<Entry *>(m_entry);
    if (!m_nested && m_kind == Shared) {
        // Given back by the thread that took it.
        Q_ASSERT(holdsShared(e));
        --e.readers;
        e.readerThreads.erase(
            std::find(e.readerThreads.begin(), e.readerThreads.end(), std::this_thread::get_id()));
        // The last reader of the program gives the system's lock back.
        if (kProcessLocks) {
            if (e.readers == 0 && e.systemShared) {
                systemUnlock(m_file);
                e.systemShared = false;
            }
        } else if (m_systemLocked) {
            systemUnlock(m_file);
        }
    } else if (!m_nested) {
        if (m_systemLocked)
            systemUnlock(m_file);
        e.writer = false;
        e.writerThread = {};
    }
    release(e);
}

namespace {

// A close that reports what the system says when asked (`why`), as a share
// may report a lost write-back only there; otherwise a plain one.
bool closeFile(QFileDevice &file, QString *why)
{
    if (why)
        return Disk::close(file, why);
    file.close();
    return true;
}

} // namespace

bool FileLock::close(QFileDevice &file, QString *why)
{
    FileId id;
    if (!kProcessLocks || !file.isOpen() || !identify(file, &id))
        return closeFile(file, why);
    std::unique_lock<std::mutex> gate(g_gate);
    Entry &e = entryFor(id);
    ++e.users;
    // This thread's own lock would be dropped with the others: a fault of
    // the caller, which must close after unlocking.
    Q_ASSERT(!holdsShared(e) && !(e.writer && e.writerThread == std::this_thread::get_id()));
    // No new lock meanwhile, so a stream of scans cannot keep it waiting.
    ++e.closing;
    g_changed.wait(gate, [&] { return e.readers == 0 && !e.writer; });
    gate.unlock();
    const bool closed = closeFile(file, why);
    gate.lock();
    --e.closing;
    release(e);
    return closed;
}

quint64 FileLock::waits()
{
    return g_waits.load();
}

void FileLock::setBackgroundThread(bool background, const std::atomic<bool> *stop)
{
    t_background = background;
    t_stop = background ? stop : nullptr;
}

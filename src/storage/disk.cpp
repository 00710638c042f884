#include "disk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cstdlib>
#include <mutex>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Disk {

namespace {

using Faults::Call;
using Faults::Kind;

// Half: a write puts down half its bytes; Crash: the same, then the process
// ends (any other call just ends it).
enum class Outcome { Pass, Fail, Half, Crash };

// What the seam was told to fail, and how far it got.
struct Seam
{
    bool byTarget = false;
    int nth = 0;
    Faults::Target target;
    Kind kind = Kind::Once;
    int calls = 0;
    int seen = 0;         // calls that match the target
    bool hit = false;
    bool failing = false; // every call from here on fails
};

std::atomic<bool> g_armed{false};
std::mutex g_seamLock;
Seam g_seam;

bool names(const QString &path, const QString &file)
{
    const QString name = QFileInfo(path).fileName();
    if (name.compare(file, Qt::CaseInsensitive) == 0)
        return true;
    // A whole-file save writes "<name>.~<random>" first.
    return name.size() > file.size() + 2 && name.startsWith(file, Qt::CaseInsensitive)
           && QStringView(name).sliced(file.size()).startsWith(QLatin1StringView(".~"));
}

Outcome next(Call call, const QString &path)
{
    if (!g_armed.load())
        return Outcome::Pass;
    std::lock_guard<std::mutex> lock(g_seamLock);
    Seam &s = g_seam;
    ++s.calls;
    if (s.failing)
        return Outcome::Fail;
    const bool target = s.byTarget ? call == s.target.call && names(path, s.target.file) && ++s.seen == s.target.occurrence
                                   : s.calls == s.nth;
    if (!target || s.hit)
        return Outcome::Pass;
    s.hit = true;
    switch (s.kind) {
    case Kind::Once:
        return Outcome::Fail;
    case Kind::Persistent:
        s.failing = true;
        return Outcome::Fail;
    case Kind::Short:
        s.failing = true;
        return Outcome::Half;
    case Kind::Crash:
        return Outcome::Crash;
    }
    return Outcome::Fail;
}

[[noreturn]] void crash()
{
    std::_Exit(86);
}

// A failure of the seam, in the words a full disk would give.
bool injected(QString *why)
{
    if (why)
        *why = QStringLiteral("spazio su disco esaurito o unità non raggiungibile");
    return false;
}

// For every call but a write, a half is no half: the call fails, or the
// process ends there.
bool blocked(Call call, const QString &path, QString *why)
{
    const Outcome o = next(call, path);
    if (o == Outcome::Pass)
        return false;
    if (o == Outcome::Crash)
        crash();
    injected(why);
    return true;
}

QString systemError()
{
#ifdef Q_OS_WIN
    return QStringLiteral("errore di sistema %1").arg(GetLastError());
#else
    return QString::fromLocal8Bit(std::strerror(errno));
#endif
}

#ifdef Q_OS_WIN
HANDLE handleOf(QFileDevice &file)
{
    return reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
}
#endif

bool rawWrite(QFileDevice &file, qint64 offset, const char *data, qint64 n, QString *why)
{
    if (offset >= 0 && !file.seek(offset)) {
        if (why)
            *why = file.errorString();
        return false;
    }
    qint64 done = 0;
    while (done < n) {
        const qint64 w = file.write(data + done, n - done);
        if (w <= 0) {
            if (why)
                *why = file.errorString();
            return false;
        }
        done += w;
    }
    return true;
}

} // namespace

bool write(QFileDevice &file, qint64 offset, const char *data, qint64 n, QString *why)
{
    const Outcome o = next(Call::Write, file.fileName());
    if (o == Outcome::Fail)
        return injected(why);
    if (o == Outcome::Half || o == Outcome::Crash) {
        // The system has these bytes: a crash now leaves them in the file.
        rawWrite(file, offset, data, n / 2, nullptr);
        if (o == Outcome::Crash)
            crash();
        return injected(why);
    }
    return rawWrite(file, offset, data, n, why);
}

bool sync(QFileDevice &file, QString *why)
{
    if (blocked(Call::Sync, file.fileName(), why))
        return false;
    if (!file.flush()) {
        if (why)
            *why = file.errorString();
        return false;
    }
#ifdef Q_OS_WIN
    if (!FlushFileBuffers(handleOf(file))) {
#else
    if (::fsync(file.handle()) != 0) {
#endif
        if (why)
            *why = systemError();
        return false;
    }
    return true;
}

bool resize(QFileDevice &file, qint64 size, QString *why)
{
    if (blocked(Call::Resize, file.fileName(), why))
        return false;
    if (!file.resize(size)) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

qint64 size(QFileDevice &file)
{
#ifdef Q_OS_WIN
    LARGE_INTEGER size;
    return GetFileSizeEx(handleOf(file), &size) ? qint64(size.QuadPart) : -1;
#else
    struct stat st;
    return ::fstat(file.handle(), &st) == 0 ? qint64(st.st_size) : -1;
#endif
}

bool close(QFileDevice &file, QString *why)
{
    if (!file.isOpen())
        return true;
    if (blocked(Call::Close, file.fileName(), why)) {
        file.close();
        return false;
    }
    file.unsetError();
    file.close();
    if (file.error() != QFileDevice::NoError) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

bool rename(const QString &from, const QString &to, QString *why)
{
    if (blocked(Call::Rename, to, why))
        return false;
#ifdef Q_OS_WIN
    const bool ok = MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                                reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    const bool ok = ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
    if (!ok && why)
        *why = systemError();
    return ok;
}

bool remove(const QString &path, QString *why)
{
    if (blocked(Call::Remove, path, why))
        return false;
    QFile file(path);
    if (!file.remove()) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

bool syncFolder(const QString &folder, QString *why)
{
    // Counted on Windows too, so that a call has the same number everywhere.
    if (blocked(Call::SyncFolder, folder, why))
        return false;
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return true;
#else
    const int fd = ::open(QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        // A folder that cannot be opened cannot be flushed either: the
        // file's own flush is what there is.
        return true;
    }
    // Some shares and file systems cannot flush a folder at all.
    bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
    if (!ok && why)
        *why = systemError();
    if (::close(fd) != 0 && ok) {
        ok = false;
        if (why)
            *why = systemError();
    }
    return ok;
#endif
}

namespace Faults {

namespace {

void armSeam(Seam seam)
{
    std::lock_guard<std::mutex> lock(g_seamLock);
    g_seam = std::move(seam);
    g_armed = true;
}

} // namespace

void arm(const Target &target, Kind kind)
{
    Seam s;
    s.byTarget = true;
    s.target = target;
    s.kind = kind;
    armSeam(s);
}

void arm(int nth, Kind kind)
{
    Seam s;
    s.nth = nth;
    s.kind = kind;
    armSeam(s);
}

void disarm()
{
    g_armed = false;
}

int calls()
{
    std::lock_guard<std::mutex> lock(g_seamLock);
    return g_seam.calls;
}

bool hit()
{
    std::lock_guard<std::mutex> lock(g_seamLock);
    return g_seam.hit;
}

void armFromEnvironment()
{
    const QList<QByteArray> parts = qgetenv("SCORTEX_FAULT").split(':');
    if (parts.size() < 2)
        return;
    const QByteArray &kind = parts.last();
    if (kind != "once" && kind != "persistent" && kind != "short" && kind != "crash")
        return;
    const Kind k = kind == "once" ? Kind::Once
                   : kind == "short" ? Kind::Short
                   : kind == "crash" ? Kind::Crash
                                     : Kind::Persistent;
    if (parts.size() == 2) {
        const int nth = parts.first().toInt();
        if (nth > 0)
            arm(nth, k);
        return;
    }
    static const std::pair<const char *, Call> calls[] = {
        {"write", Call::Write},   {"sync", Call::Sync},     {"resize", Call::Resize},         {"close", Call::Close},
        {"rename", Call::Rename}, {"remove", Call::Remove}, {"syncfolder", Call::SyncFolder}, {"lock", Call::Lock},
    };
    Target target{Call::Write, QString(), 1};
    bool known = false;
    for (const auto &[name, call] : calls) {
        if (parts.first() == name) {
            target.call = call;
            known = true;
        }
    }
    // The file's name may itself hold colons only on no system we serve.
    QString file = QString::fromUtf8(parts.mid(1, parts.size() - 2).join(':'));
    const qsizetype hash = file.lastIndexOf(u'#');
    if (hash > 0) {
        target.occurrence = file.sliced(hash + 1).toInt();
        file.truncate(hash);
    }
    target.file = file;
    if (known && !file.isEmpty() && target.occurrence > 0)
        arm(target, k);
}

bool lockFails(const QString &file)
{
    return blocked(Call::Lock, file, nullptr);
}

} // namespace Faults

} // namespace Disk

#include "disk.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Disk {

namespace {

using Faults::Kind;

std::atomic<int> g_armedAt{0}; // 0: disarmed
std::atomic<int> g_calls{0};
std::atomic<int> g_kind{0};

enum class Outcome { Pass, Fail, Half };

Outcome next()
{
    const int at = g_armedAt.load();
    if (at == 0)
        return Outcome::Pass;
    const int n = ++g_calls;
    const auto kind = Kind(g_kind.load());
    if (n < at)
        return Outcome::Pass;
    if (n > at)
        return kind == Kind::Once ? Outcome::Pass : Outcome::Fail;
    switch (kind) {
    case Kind::Once:
    case Kind::Persistent:
        return Outcome::Fail;
    case Kind::Short:
    case Kind::Crash:
        return Outcome::Half;
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
bool blocked(QString *why)
{
    const Outcome o = next();
    if (o == Outcome::Pass)
        return false;
    if (o == Outcome::Half && Kind(g_kind.load()) == Kind::Crash)
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
    const Outcome o = next();
    if (o == Outcome::Fail)
        return injected(why);
    if (o == Outcome::Half) {
        // The system has these bytes: a crash now leaves them in the file.
        rawWrite(file, offset, data, n / 2, nullptr);
        if (Kind(g_kind.load()) == Kind::Crash)
            crash();
        return injected(why);
    }
    return rawWrite(file, offset, data, n, why);
}

bool sync(QFileDevice &file, QString *why)
{
    if (blocked(why))
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
    if (blocked(why))
        return false;
    if (!file.resize(size)) {
        if (why)
            *why = file.errorString();
        return false;
    }
    return true;
}

bool close(QFileDevice &file, QString *why)
{
    if (!file.isOpen())
        return true;
    if (blocked(why)) {
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
    if (blocked(why))
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
    if (blocked(why))
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
    if (blocked(why))
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

void arm(int nth, Kind kind)
{
    g_calls = 0;
    g_kind = int(kind);
    g_armedAt = nth;
}

void disarm()
{
    g_armedAt = 0;
}

int calls()
{
    return g_calls.load();
}

void armFromEnvironment()
{
    const QByteArray armed = qgetenv("SCORTEX_FAULT");
    const int colon = armed.indexOf(':');
    if (colon <= 0)
        return;
    const int nth = armed.left(colon).toInt();
    const QByteArray kind = armed.mid(colon + 1);
    const Kind k = kind == "once" ? Kind::Once
                   : kind == "short" ? Kind::Short
                   : kind == "crash" ? Kind::Crash
                                     : Kind::Persistent;
    if (nth > 0)
        arm(nth, k);
}

bool lockFails()
{
    return blocked(nullptr);
}

} // namespace Faults

} // namespace Disk

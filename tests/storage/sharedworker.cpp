// Another workstation on the shared program folder, for the tests of
// concurrent use. Usage:
//   sharedworker import FILE POSITION QUANTITY COUNT
//       prints "ready", waits for a line on its input, then imports the
//       product at POSITION COUNT times, each time as its own user action,
//       raising its stock by QUANTITY
//   sharedworker splitwrite FILE RECORD_SIZE POSITION BYTE
//       overwrites the record with BYTE in two halves under the archive's
//       lock, as a network file system may split a write; prints "half"
//       between the halves and waits there for a line on its input
//   sharedworker hold FILE
//       holds FILE's exclusive lock: prints "held" and waits for a line on
//       its input
//   sharedworker journaled FILE RECORD_SIZE POSITION BYTE
//       the same as a save does it: its journal on the disk first, the
//       commit after the second half
//   sharedworker group FOLDER COUNT forward|backward
//       prints "ready", waits for a line on its input, then makes COUNT
//       changes of Magazzino.pro, 2025.odc and Fornitori.pro at once, naming
//       them in that order or the opposite one: each appends a record to
//       each and counts itself in the first 8 bytes of product 1
#include "products/productrecord.h"
#include "receipts/productimport.h"
#include "storage/disk.h"
#include "storage/filelock.h"
#include "storage/recordfile.h"
#include "storage/rollbackjournal.h"
#include "storage/transaction.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

void waitForGo()
{
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return;
}

int import(const QString &path, qint64 position, const QString &quantity, int count)
{
    try {
        QByteArray picked;
        {
            RecordFile file(path, ProductRecord::layout().size(), RecordFile::Mode::ReadOnly);
            picked = file.read(position);
        }
        std::printf("ready\n");
        std::fflush(stdout);
        waitForGo();
        for (int i = 0; i < count; ++i) {
            const ProductImport::Import done = ProductImport::raiseStock(path, position, picked, quantity);
            if (done.outcome != ProductImport::Import::Raised) {
                std::fprintf(stderr, "import %d refused: %s\n", i, qPrintable(done.message));
                return 1;
            }
        }
    } catch (const ArchiveError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

// A save of another workstation, stopped half-way with its journal down.
int journaledWrite(const QString &path, int size, qint64 position, char byte)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return 1;
    try {
        FileLock lock(file, FileLock::Exclusive);
        const QByteArray record(size, byte);
        const qint64 at = (position - 1) * size;
        RollbackJournal journal(file, at, at + size, QStringLiteral("scrittura"));
        const int half = size / 2;
        if (!Disk::write(file, at, record.constData(), half, nullptr))
            return 1;
        std::printf("half\n");
        std::fflush(stdout);
        waitForGo();
        QString why;
        if (!Disk::write(file, at + half, record.constData() + half, size - half, &why) || !Disk::sync(file, &why)
            || journal.commit(&why) != RollbackJournal::Commit::Done)
            return 1;
    } catch (const ArchiveError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return FileLock::close(file, nullptr) ? 0 : 1;
}

int group(const QString &folder, int count, bool forward)
{
    QList<ArchiveTransaction::Archive> archives = {{folder + QStringLiteral("/Magazzino.pro"), 4874},
                                                   {folder + QStringLiteral("/2025.odc"), 2937},
                                                   {folder + QStringLiteral("/Fornitori.pro"), 3643}};
    if (!forward)
        std::reverse(archives.begin(), archives.end());
    std::printf("ready\n");
    std::fflush(stdout);
    waitForGo();
    try {
        for (int i = 0; i < count; ++i) {
            ArchiveTransaction change(archives);
            for (const ArchiveTransaction::Archive &a : archives)
                change.append(a.path, QByteArray(a.recordSize, forward ? 'F' : 'B'));
            const QString products = folder + QStringLiteral("/Magazzino.pro");
            QByteArray first = change.read(products, 1);
            first.replace(0, 8, QByteArray::number(first.left(8).toInt() + 1).leftJustified(8, ' '));
            change.write(products, 1, first);
            if (change.commit() != ArchiveTransaction::Committed::Done)
                return 1;
        }
    } catch (const ArchiveError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

#ifdef Q_OS_WIN

bool writeAll(HANDLE file, const char *data, DWORD size, qint64 at)
{
    while (size > 0) {
        OVERLAPPED ov = {};
        ov.Offset = DWORD(quint64(at) & 0xFFFFFFFFu);
        ov.OffsetHigh = DWORD(quint64(at) >> 32);
        DWORD n = 0;
        if (!WriteFile(file, data, size, &n, &ov) || n == 0)
            return false;
        data += n;
        size -= n;
        at += n;
    }
    return true;
}

int splitWrite(const char *path, int size, qint64 position, char byte)
{
    const HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    // The whole file, as the program's writers lock it.
    OVERLAPPED whole = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
        return 1;
    const QByteArray record(size, byte);
    const qint64 at = (position - 1) * size;
    const int half = size / 2;
    if (!writeAll(file, record.constData(), DWORD(half), at))
        return 1;
    std::printf("half\n");
    std::fflush(stdout);
    waitForGo();
    if (!writeAll(file, record.constData() + half, DWORD(size - half), at + half))
        return 1;
    whole = {};
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(file);
    return 0;
}

#else

bool writeAll(int fd, const char *data, size_t size, off_t at)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, at);
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
        at += n;
    }
    return true;
}

int splitWrite(const char *path, int size, qint64 position, char byte)
{
    const int fd = ::open(path, O_RDWR);
    if (fd < 0)
        return 1;
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLKW, &fl) != 0)
        return 1;
    const QByteArray record(size, byte);
    const off_t at = off_t(position - 1) * size;
    const int half = size / 2;
    if (!writeAll(fd, record.constData(), size_t(half), at))
        return 1;
    std::printf("half\n");
    std::fflush(stdout);
    waitForGo();
    if (!writeAll(fd, record.constData() + half, size_t(size - half), at + half))
        return 1;
    fl.l_type = F_UNLCK;
    ::fcntl(fd, F_SETLK, &fl);
    ::close(fd);
    return 0;
}

#endif

} // namespace

int main(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    // Lines end in LF alone, as the tests read them.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc == 6 && std::strcmp(argv[1], "import") == 0)
        return import(QString::fromLocal8Bit(argv[2]), std::atoll(argv[3]), QString::fromLocal8Bit(argv[4]),
                      std::atoi(argv[5]));
    if (argc == 6 && std::strcmp(argv[1], "splitwrite") == 0)
        return splitWrite(argv[2], std::atoi(argv[3]), std::atoll(argv[4]), argv[5][0]);
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::ReadWrite))
            return 1;
        {
            FileLock lock(file, FileLock::Exclusive);
            std::printf("held\n");
            std::fflush(stdout);
            waitForGo();
        }
        return FileLock::close(file, nullptr) ? 0 : 1;
    }
    if (argc == 6 && std::strcmp(argv[1], "journaled") == 0)
        return journaledWrite(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoll(argv[4]), argv[5][0]);
    if (argc == 5 && std::strcmp(argv[1], "group") == 0)
        return group(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::strcmp(argv[4], "forward") == 0);
    std::fprintf(stderr, "usage: sharedworker import FILE POSITION QUANTITY COUNT\n"
                         "       sharedworker group FOLDER COUNT forward|backward\n"
                         "       sharedworker splitwrite|journaled FILE RECORD_SIZE POSITION BYTE\n"
                         "       sharedworker hold FILE\n");
    return 2;
}

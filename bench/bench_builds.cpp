// Two builds of scortex-cli side by side on the same archives, as whole
// processes, run by run in turn:
//   bench_builds BEFORE_CLI AFTER_CLI [DIR] [RUNS]
// times a list of every product, a one-field search and the inventory of
// 100 000 products (wall and processor time, min and median, and the second
// build against the first), then the recovery of a rewrite of the whole
// archive stopped half-way: each build opens the archive with its hot
// journal (scortex-cli check), and its peak resident memory is read.
#include "archivegen.h"
#include "benchrows.h"

#include "storage/disk.h"
#include "storage/filelock.h"
#include "storage/rollbackjournal.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <vector>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using BenchRows::medianOf;
using BenchRows::minOf;

struct Usage
{
    double wallMs = 0;
    double cpuMs = 0;
    long peakKb = 0;
    int exit = -1;
};

#ifndef Q_OS_WIN
double ms(const timeval &t)
{
    return t.tv_sec * 1000.0 + t.tv_usec / 1000.0;
}

// Runs `program args` with its output thrown away: wall and processor
// time, peak resident memory, exit status.
Usage run(const QString &program, const QStringList &args)
{
    std::vector<QByteArray> bytes{QFile::encodeName(program)};
    for (const QString &a : args)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    const auto start = BenchRows::Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage use = {};
    wait4(pid, &status, 0, &use);
    Usage u;
    u.wallMs = BenchRows::msSince(start);
    u.cpuMs = ms(use.ru_utime) + ms(use.ru_stime);
    u.peakKb = use.ru_maxrss;
    u.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return u;
}
#endif

QByteArray sha1Of(const QString &path)
{
    QFile f(path);
    QCryptographicHash sum(QCryptographicHash::Sha1);
    if (f.open(QIODevice::ReadOnly))
        sum.addData(&f);
    return sum.result();
}

// A rewrite of the whole archive stopped half-way: its journal holds the
// file as it was, and half of the new bytes are down.
bool interruptRewrite(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const qint64 size = file.size();
    {
        FileLock lock(file, FileLock::Exclusive);
        RollbackJournal journal(file, 0, size, QCryptographicHash::hash("nuovo", QCryptographicHash::Sha1),
                                QStringLiteral("sostituzione dell'archivio"), RollbackJournal::Extent::ToTheEnd);
        const QByteArray fresh(1 << 20, 'n');
        for (qint64 at = 0; at < size / 2; at += fresh.size()) {
            if (!Disk::write(file, at, fresh.constData(), qMin<qint64>(fresh.size(), size / 2 - at), nullptr))
                return false;
        }
    }
    return FileLock::close(file, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "uso: bench_builds CLI_PRIMA CLI_DOPO [CARTELLA] [GIRI]\n");
        return 2;
    }
#ifdef Q_OS_WIN
    std::fprintf(stderr, "bench_builds misura processi interi con fork e wait4: solo su Linux\n");
    return 2;
#else
    const QString before = QFileInfo(args[1]).absoluteFilePath();
    const QString after = QFileInfo(args[2]).absoluteFilePath();
    const QDir dir(args.size() > 3 ? args[3] : QDir::temp().filePath(QStringLiteral("scortex-bench-builds")));
    const int runs = args.size() > 4 ? args[4].toInt() : 9;
    QDir().mkpath(dir.path());
    const QString products = dir.filePath(QStringLiteral("Magazzino.pro"));
    if (QFileInfo(products).size() != qint64(100000) * 4874)
        ArchiveGen::products(products, 100000);

    struct Command
    {
        const char *name;
        QStringList args;
    };
    const Command commands[] = {
        {"find, every product", {QStringLiteral("find"), products}},
        {"find, Descrizione=inox", {QStringLiteral("find"), products, QStringLiteral("Descrizione=inox")}},
        {"inventory, every product", {QStringLiteral("inventory"), products}},
    };
    std::printf("100 000 products, %d runs each, the two builds in turn (ms min / median)\n", runs);
    std::printf("  %-28s %-7s %17s %17s %15s\n", "", "build", "wall", "processor", "wall x before");
    for (const Command &c : commands) {
        std::vector<double> wall[2], cpu[2];
        run(before, c.args); // the page cache warm for both
        for (int i = 0; i < runs; ++i) {
            for (int b = 0; b < 2; ++b) {
                const Usage u = run(b == 0 ? before : after, c.args);
                wall[b].push_back(u.wallMs);
                cpu[b].push_back(u.cpuMs);
            }
        }
        for (int b = 0; b < 2; ++b) {
            std::printf("  %-28s %-7s %8.1f / %6.1f %8.1f / %6.1f %6.2f / %5.2f\n", b == 0 ? c.name : "",
                        b == 0 ? "before" : "after", minOf(wall[b]), medianOf(wall[b]), minOf(cpu[b]), medianOf(cpu[b]),
                        minOf(wall[b]) / minOf(wall[0]), medianOf(wall[b]) / medianOf(wall[0]));
        }
    }

    std::printf("\nRecovery of a rewrite of %.0f MB stopped half-way (scortex-cli check)\n",
                QFileInfo(products).size() / 1e6);
    const QByteArray whole = sha1Of(products);
    for (int b = 0; b < 2; ++b) {
        if (!interruptRewrite(products)) {
            std::fprintf(stderr, "cannot prepare the interrupted rewrite\n");
            return 1;
        }
        const Usage u = run(b == 0 ? before : after, {QStringLiteral("check"), products});
        const bool restored = sha1Of(products) == whole && !QFile::exists(RollbackJournal::pathFor(products));
        std::printf("  %-7s %8.0f ms  peak %7.1f MB  %s\n", b == 0 ? "before" : "after", u.wallMs, u.peakKb / 1024.0,
                    restored ? "archive as it was, journal gone" : "NOT RESTORED");
        if (!restored)
            return 1;
    }
    return 0;
#endif
}

// Builds of scortex-cli side by side on the same archives, as whole
// processes, run by run in turn:
//   bench_builds [-d DIR] [-n RUNS] BASELINE_CLI OTHER_CLI…
// times a list of every product, a one-field search and the inventory of
// 100 000 products (wall and processor time, min and median, and each build
// against the first), then the recovery of a rewrite of the whole archive
// stopped half-way: each build opens the archive with its hot journal
// (scortex-cli check), and its peak resident memory is read.
#include "archivegen.h"
#include "benchrows.h"

#include "storage/disk.h"
#include "storage/filelock.h"
#include "storage/recordfile.h"
#include "storage/rollbackjournal.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
        RollbackJournal journal(file, 0, size, QStringLiteral("sostituzione dell'archivio"),
                                RollbackJournal::Extent::ToTheEnd);
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
    QStringList args = QCoreApplication::arguments().mid(1);
    QDir dir(QDir::temp().filePath(QStringLiteral("scortex-bench-builds")));
    int runs = 9;
    while (args.size() >= 2 && (args.first() == u"-d" || args.first() == u"-n")) {
        if (args.first() == u"-d")
            dir.setPath(args[1]);
        else
            runs = args[1].toInt();
        args = args.mid(2);
    }
    if (args.size() < 2 || runs < 1) {
        std::fprintf(stderr, "uso: bench_builds [-d CARTELLA] [-n GIRI] CLI_DI_RIFERIMENTO ALTRO_CLI…\n");
        return 2;
    }
    QStringList clis;
    for (const QString &a : args)
        clis << QFileInfo(a).absoluteFilePath();
    const int builds = int(clis.size());
    QDir().mkpath(dir.path());
    const QString products = dir.filePath(QStringLiteral("Magazzino.pro"));
    if (QFileInfo(products).size() != qint64(100000) * 4874)
        ArchiveGen::products(products, 100000);
    for (int b = 0; b < builds; ++b)
        std::printf("build %d: %s\n", b + 1, qPrintable(clis[b]));

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
    std::printf("\n100 000 products, %d runs each, the builds in turn (ms min / median)\n", runs);
    std::printf("  %-28s %-6s %17s %17s %15s\n", "", "build", "wall", "processor", "wall x build 1");
    for (const Command &c : commands) {
        std::vector<std::vector<double>> wall(builds), cpu(builds);
        run(clis[0], c.args); // the page cache warm for all
        for (int i = 0; i < runs; ++i) {
            for (int b = 0; b < builds; ++b) {
                const Usage u = run(clis[b], c.args);
                wall[b].push_back(u.wallMs);
                cpu[b].push_back(u.cpuMs);
            }
        }
        for (int b = 0; b < builds; ++b) {
            std::printf("  %-28s %-6d %8.1f / %6.1f %8.1f / %6.1f %6.2f / %5.2f\n", b == 0 ? c.name : "", b + 1,
                        minOf(wall[b]), medianOf(wall[b]), minOf(cpu[b]), medianOf(cpu[b]), minOf(wall[b]) / minOf(wall[0]),
                        medianOf(wall[b]) / medianOf(wall[0]));
        }
    }

    std::printf("\nRecovery of a rewrite of %.0f MB stopped half-way (scortex-cli check)\n",
                QFileInfo(products).size() / 1e6);
    const QByteArray whole = sha1Of(products);
    for (int b = 0; b < builds; ++b) {
        if (!interruptRewrite(products)) {
            std::fprintf(stderr, "cannot prepare the interrupted rewrite\n");
            return 1;
        }
        const Usage u = run(clis[b], {QStringLiteral("check"), products});
        if (QFile::exists(RollbackJournal::pathFor(products))) {
            // A build from before the journal: put back here for the next.
            std::printf("  build %d: keeps no journal\n", b + 1);
            RecordFile(products, 4874, RecordFile::Mode::ReadOnly);
            continue;
        }
        const bool restored = sha1Of(products) == whole;
        std::printf("  build %d %8.0f ms  peak %7.1f MB  %s\n", b + 1, u.wallMs, u.peakKb / 1024.0,
                    restored ? "archive as it was, journal gone" : "NOT RESTORED");
        if (!restored)
            return 1;
    }
    return 0;
}

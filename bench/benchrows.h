#pragma once

// What the benchmarks share: timed rows interleaved run by run against a
// baseline, a raw read, and the memory figures of /proc/self/status.

#include <QFile>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace BenchRows {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Row
{
    QString name;
    std::function<QString()> work; // returns what it did, printed once
    std::vector<double> times = {};
    QString found = {};
};

inline double minOf(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

inline double medianOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline QString rawRead(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        qFatal("cannot read %s", qPrintable(path));
    static QByteArray block(1 << 20, Qt::Uninitialized);
    qint64 total = 0, n;
    while ((n = f.read(block.data(), block.size())) > 0)
        total += n;
    return QStringLiteral("%1 bytes").arg(total);
}

// The first row is the baseline of the ratios.
inline void runRows(const QString &title, std::vector<Row> &rows, int runs, const char *baseline = "the first row")
{
    // Warm the page cache, then interleave the rows run by run.
    for (Row &r : rows)
        r.found = r.work();
    for (int i = 0; i < runs; ++i) {
        for (Row &r : rows) {
            const auto start = Clock::now();
            r.work();
            r.times.push_back(msSince(start));
        }
    }
    const Row &base = rows.front();
    std::printf("\n%s\n", qPrintable(title));
    std::printf("  %-40s %9s %9s %7s %7s  %s\n", "", "min ms", "median ms", "min x", "med x", "result");
    for (const Row &r : rows) {
        std::printf("  %-40s %9.1f %9.1f %7.2f %7.2f  %s\n", qPrintable(r.name), minOf(r.times), medianOf(r.times),
                    minOf(r.times) / minOf(base.times), medianOf(r.times) / medianOf(base.times), qPrintable(r.found));
    }
    std::printf("  (x: against %s)\n", baseline);
    std::fflush(stdout);
}

// A field of /proc/self/status, in kB: VmHWM is the peak resident memory,
// RssAnon the program's own memory now, RssFile the mapped file pages.
inline long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace BenchRows

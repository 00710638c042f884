// The daily safety copy of 100 000 products and 100 000 suppliers: its time
// and size against a plain `cp` of the same files and against `zip -6` of
// them, in the same run; then the start-up to the main menu with and
// without a copy due, and how long the menu's event loop waits meanwhile.
// Usage: bench_copies [RECORDS] [RUNS]

#include "archivegen.h"
#include "benchrows.h"

#include "app/loginwindow.h"
#include "app/mainmenu.h"
#include "app/registerkinds.h"
#include "app/safetycopies.h"
#include "app/screenset.h"
#include "storage/safefile.h"
#include "storage/zipfile.h"
#include "ui/italian.h"
#include "ui/services.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

using namespace BenchRows;

const QStringList kFiles = {QStringLiteral("Fornitori.pro"), QStringLiteral("Magazzino.pro")};

qint64 sizeOf(const QString &path)
{
    return QFileInfo(path).size();
}

#ifndef Q_OS_WIN
QString run(const QString &program, const QStringList &args, const QString &folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return {};
}
#endif

QString zipWithLevel(const QString &folder, const QString &out, int level)
{
    SafeFile file(out);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(out));
    Zip::Writer writer(&file, level);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (const QString &name : kFiles) {
        QFile in(QDir(folder).filePath(name));
        if (!in.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(name));
        writer.begin(name, QDateTime::currentDateTime(), in.size());
        qint64 n;
        while ((n = in.read(block.data(), block.size())) > 0)
            writer.add(QByteArrayView(block.constData(), n));
        writer.end();
    }
    if (!writer.finish() || !file.commit())
        qFatal("zip not written");
    return QStringLiteral("%1 bytes").arg(sizeOf(out));
}

// From the login window's OK to the main menu on screen, the copy's thread
// started; then the longest wait of the menu's event loop while it copies.
struct StartUp
{
    double toMenu = 0;
    double longestTurn = 0;
};

StartUp startUp(bool copyDue)
{
    StartUp s;
    ScreenSet screens;
    screens.start();
    QCoreApplication::processEvents();
    screens.frmPassword->txtPassword->setText(QStringLiteral("magazzino"));
    const auto start = Clock::now();
    screens.frmPassword->cmdOK->click();
    QCoreApplication::processEvents();
    s.toMenu = msSince(start);
    if (!screens.frmAvvio->isVisible())
        qFatal("the main menu did not show");
    // Event loop turns of the menu until the copy, started on its thread
    // a moment after the menu shows, is over.
    bool finished = false;
    QObject::connect(&screens, &ScreenSet::safetyCopyFinished, [&] { finished = true; });
    while (!finished) {
        const bool copying = screens.safetyCopyRunning();
        const auto turn = Clock::now();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (copying)
            s.longestTurn = qMax(s.longestTurn, msSince(turn));
        QThread::msleep(1);
    }
    QCoreApplication::processEvents();
    const SafetyCopies::Outcome &o = screens.safetyCopyOutcome();
    if (copyDue != o.made || !o.error.isEmpty())
        qFatal("copy %s: %s", o.made ? "made" : "not made", qPrintable(o.error));
    return s;
}

} // namespace

int main(int argc, char *argv[])
{
    registerArchiveKinds();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installItalian(app);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("bench-copies-XXXXXX")));
    const QString folder = dir.filePath(QStringLiteral("Scortex"));
    const QString other = dir.filePath(QStringLiteral("altrove"));
    QDir().mkpath(folder);
    QDir().mkpath(other);
    ArchiveGen::products(QDir(folder).filePath(QStringLiteral("Magazzino.pro")), records);
    ArchiveGen::suppliers(QDir(folder).filePath(QStringLiteral("Fornitori.pro")), records);
    const qint64 archiveBytes = sizeOf(QDir(folder).filePath(kFiles[0])) + sizeOf(QDir(folder).filePath(kFiles[1]));
    std::printf("%d products and %d suppliers: %.1f MB of archives, %d runs\n", records, records,
                double(archiveBytes) / 1e6, runs);

    const QString theirs = QDir(other).filePath(QStringLiteral("zip6.zip"));
    const QString level6 = QDir(other).filePath(QStringLiteral("level6.zip"));
    QDate day(2026, 1, 1);
    QString copyName;
    std::vector<Row> rows = {
#ifdef Q_OS_WIN
        // No cp or zip under Windows: a plain file copy is the yardstick.
        {QStringLiteral("copy of both files (QFile::copy)"),
         [&] {
             for (const QString &f : kFiles) {
                 QFile::remove(QDir(other).filePath(f));
                 QFile::copy(QDir(folder).filePath(f), QDir(other).filePath(f));
             }
             return QStringLiteral("%1 bytes").arg(sizeOf(QDir(other).filePath(kFiles[0])) + sizeOf(QDir(other).filePath(kFiles[1])));
         }},
#else
        {QStringLiteral("cp of both files"),
         [&] {
             run(QStringLiteral("cp"), {kFiles[0], kFiles[1], other}, folder);
             return QStringLiteral("%1 bytes").arg(sizeOf(QDir(other).filePath(kFiles[0])) + sizeOf(QDir(other).filePath(kFiles[1])));
         }},
        {QStringLiteral("zip -6 of both files"),
         [&] {
             QFile::remove(theirs);
             run(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-6"), theirs, kFiles[0], kFiles[1]}, folder);
             return QStringLiteral("%1 bytes").arg(sizeOf(theirs));
         }},
#endif
        {QStringLiteral("Scortex safety copy (zlib level 1)"),
         [&] {
             QDir(SafetyCopies::folder(folder)).removeRecursively();
             const SafetyCopies::Outcome o = SafetyCopies::daily(folder, day);
             if (!o.made)
                 qFatal("no copy: %s", qPrintable(o.error));
             copyName = o.name;
             return QStringLiteral("%1 bytes").arg(o.zipBytes);
         }},
        {QStringLiteral("its zip writer at zlib level 6"), [&] { return zipWithLevel(folder, level6, 6); }},
        {QStringLiteral("next day, nothing changed (no copy)"),
         [&] {
             // The check alone: every archive read once for its CRC.
             const SafetyCopies::Outcome o = SafetyCopies::daily(folder, day.addDays(1));
             if (o.made || !o.error.isEmpty())
                 qFatal("unexpected copy");
             return QStringLiteral("no copy");
         }},
    };
    runRows(QStringLiteral("Safety copy of the archives"), rows, runs, "the plain copy");
    const qint64 ours = sizeOf(QDir(SafetyCopies::folder(folder)).filePath(copyName));
    if (QFileInfo::exists(theirs))
        std::printf("  zip -6: %lld bytes (%.0f : 1)\n", sizeOf(theirs), double(archiveBytes) / double(sizeOf(theirs)));
    std::printf("  sizes: archives %lld, Scortex copy %lld (%.0f : 1), level 6 %lld (%.0f : 1)\n", archiveBytes, ours,
                double(archiveBytes) / double(ours), sizeOf(level6), double(archiveBytes) / double(sizeOf(level6)));

    // The start-up: the password file in place, today's copy there or not.
    {
        QFile pw(QDir(folder).filePath(QStringLiteral("unins000.dll")));
        pw.open(QIODevice::WriteOnly);
        pw.write("[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\n");
    }
    AppContext::setProgramFolder(folder);
    Messages::setHandler([](QWidget *, Messages::Kind, const QString &text) {
        qFatal("message: %s", qPrintable(text));
        return true;
    });
    std::vector<double> noCopy, withCopy, withCopyTurn;
    QDir(SafetyCopies::folder(folder)).removeRecursively();
    startUp(true); // warm: screens, fonts, page cache; leaves today's copy
    for (int i = 0; i < runs; ++i) {
        const StartUp a = startUp(false);
        noCopy.push_back(a.toMenu);
        QDir(SafetyCopies::folder(folder)).removeRecursively();
        const StartUp b = startUp(true);
        withCopy.push_back(b.toMenu);
        withCopyTurn.push_back(b.longestTurn);
    }
    std::printf("\nStart-up: login OK to the main menu shown\n");
    std::printf("  %-40s %9s %9s %7s %7s  %s\n", "", "min ms", "median ms", "min x", "med x", "longest event-loop turn, median ms");
    std::printf("  %-40s %9.1f %9.1f %7.2f %7.2f  (no copy runs)\n", "no copy due", minOf(noCopy), medianOf(noCopy),
                1.0, 1.0);
    std::printf("  %-40s %9.1f %9.1f %7.2f %7.2f  %.2f (while the copy runs)\n", "copy due", minOf(withCopy),
                medianOf(withCopy), minOf(withCopy) / minOf(noCopy), medianOf(withCopy) / medianOf(noCopy),
                medianOf(withCopyTurn));
    return 0;
}

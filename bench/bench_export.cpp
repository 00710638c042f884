// The spreadsheet export of 100 000 products: opening the window (the grid
// ready) against a raw read of the archive, and writing the file against a
// raw read plus a raw write of as many bytes, in the same run; then the
// real window in a child process for its peak resident memory.

#include "archivegen.h"
#include "benchrows.h"

#include "app/registerkinds.h"
#include "ui/exportwindow.h"
#include "output/spreadsheet.h"
#include "products/productarchive.h"
#include "products/productrecord.h"
#include "storage/recordfile.h"
#include "ui/services.h"
#include "storage/safefile.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

using namespace BenchRows;

QString rawWrite(const QString &path, qint64 bytes)
{
    static QByteArray block(1 << 20, 'x');
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        qFatal("cannot write %s", qPrintable(path));
    for (qint64 left = bytes; left > 0; left -= block.size())
        f.write(block.constData(), qMin<qint64>(left, block.size()));
    return QStringLiteral("%1 bytes").arg(bytes);
}

Spreadsheet::Rows readRows(const QString &archive)
{
    RecordFile file(archive, ProductRecord::Size, RecordFile::Mode::ReadOrCreate);
    return Spreadsheet::Rows::read(file, Spreadsheet::magazzino());
}

// What the window does between the confirmation and the second question.
QString exportFile(const QString &target, const Spreadsheet::Rows &rows)
{
    SafeFile file(target);
    const bool ok = file.open(QIODevice::WriteOnly) && Spreadsheet::write(file, Spreadsheet::magazzino(), rows)
                    && file.commit();
    if (!ok)
        qFatal("export failed");
    return QStringLiteral("%1 bytes").arg(QFileInfo(target).size());
}

// The real window over FOLDER: open it, export once; times and memory.
int windowRun(const QString &folder)
{
    AppContext::setProgramFolder(folder);
    Messages::setHandler([](QWidget *, Messages::Kind, const QString &text) {
        // Yes to the export, no to opening the file.
        return text == TExportWindow::firstQuestion();
    });
    const long before = statusKb("VmHWM:");
    TfrmExpMagazzino w(nullptr);
    w.show();
    QCoreApplication::processEvents();
    auto start = Clock::now();
    w.FormShow();
    QCoreApplication::processEvents();
    const double opened = msSince(start);
    const long afterOpen = statusKb("VmHWM:");
    start = Clock::now();
    w.cmdEsportaClick();
    const double exported = msSince(start);
    std::printf("  window: %d rows shown in %.1f ms, exported in %.1f ms (%.1f MB file)\n"
                "  peak resident %ld kB before, %ld kB with the grid, %ld kB after the export; now %ld kB own\n",
                w.model->rowCount(), opened, exported, double(QFileInfo(w.filePath()).size()) / 1e6, before, afterOpen,
                statusKb("VmHWM:"), statusKb("RssAnon:"));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    registerArchiveKinds();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args[1] == u"--window")
        return windowRun(args[2]);

    QTemporaryDir temporary;
    const QString folder = args.size() > 1 ? args[1] : temporary.path();
    const int runs = args.size() > 2 ? args[2].toInt() : 7;
    QDir().mkpath(folder);
    const QString archive = ProductRecord::archivePath(folder);
    if (QFileInfo(archive).size() != qint64(100000) * ProductRecord::Size) {
        std::printf("generating %s\n", qPrintable(archive));
        ArchiveGen::products(archive, 100000);
    }

    std::vector<Row> open = {
        {QStringLiteral("raw read of the archive"), [&] { return rawRead(archive); }},
        {QStringLiteral("rows read for the grid"), [&] { return QStringLiteral("%1 rows").arg(readRows(archive).size()); }},
    };
    runRows(QStringLiteral("Opening the export of 100000 products (%1 MB)").arg(double(QFileInfo(archive).size()) / 1e6, 0, 'f', 1),
            open, runs, "the raw read");

    const Spreadsheet::Rows rows = readRows(archive);
    const QString target = QDir(folder).filePath(QStringLiteral("Magazzino.xls"));
    exportFile(target, rows);
    const qint64 bytes = QFileInfo(target).size();
    const QString scratch = QDir(folder).filePath(QStringLiteral("raw.bin"));
    std::vector<Row> write = {
        {QStringLiteral("raw read + raw write of the file's bytes"),
         [&] {
             rawRead(archive);
             return rawWrite(scratch, bytes);
         }},
        {QStringLiteral("rows read + file written"),
         [&] { return exportFile(target, readRows(archive)); }},
        {QStringLiteral("file written from the grid's rows"), [&] { return exportFile(target, rows); }},
    };
    runRows(QStringLiteral("Exporting 100000 products to a %1 MB file").arg(double(bytes) / 1e6, 0, 'f', 1), write, runs,
            "the raw read + raw write");
    QFile::remove(scratch);

    std::printf("\nThe real window, in a process of its own:\n");
    std::fflush(stdout);
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--window"), folder});
    p.waitForFinished(-1);
    return 0;
}

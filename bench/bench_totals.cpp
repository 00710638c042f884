// The inventory of 100 000 products and the summary of a year of 100 000
// receipts, against a raw read of the same file in the same run; then the
// real windows in a child process each, for their peak resident memory.

#include "archivegen.h"
#include "benchrows.h"

#include "app/registerkinds.h"
#include "products/inventory.h"
#include "products/inventorywindow.h"
#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "receipts/receiptsummary.h"
#include "receipts/summarywindow.h"
#include "search/listquery.h"
#include "storage/recordfile.h"
#include "ui/resultlist.h"
#include "ui/services.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using namespace BenchRows;

QString inventory(const QString &path, const QString &filter)
{
    RecordFile file(path, ProductRecord::layout().size());
    const ListResult r = runQuery(file, Inventory::query(filter));
    return QStringLiteral("%1 lines, %2").arg(r.lines.size()).arg(Inventory::totalText(r.total));
}

QString summary(const QString &path, const QString &filter, const QString &from, const QString &to)
{
    RecordFile file(path, ReceiptRecord::layout().size());
    const ListResult r = runQuery(file, ReceiptSummary::query(filter, from, to));
    return QStringLiteral("%1 lines, %2").arg(r.lines.size()).arg(ReceiptSummary::totalText(r.total));
}

long peakResidentKb()
{
    return statusKb("VmHWM:");
}

// One real window filled over FOLDER: its time and the peak resident
// memory before and after.
int windowRun(const QString &which, const QString &folder)
{
    AppContext::setProgramFolder(folder);
    std::unique_ptr<TTotalListWindow> w;
    if (which == u"inventory") {
        w = std::make_unique<TfrmRiepilogo>(nullptr);
    } else {
        auto s = std::make_unique<TfrmRiepilogoCarico>(nullptr);
        s->setRequest(ReceiptRecord::archivePath(folder, QStringLiteral("2024")), QStringLiteral("01/01/2024"),
                      QStringLiteral("31/12/2024"), QString());
        w = std::move(s);
    }
    w->show();
    QCoreApplication::processEvents();
    const long before = peakResidentKb();
    const auto start = Clock::now();
    w->FormShow();
    QCoreApplication::processEvents();
    const double elapsed = msSince(start);
    std::printf("  %-10s %7lld lines %7.1f ms   peak resident %ld kB before, %ld kB after; now %ld kB own, "
                "%ld kB mapped file\n",
                qPrintable(which), qlonglong(w->lstRecords->lines().size()), elapsed, before, peakResidentKb(),
                statusKb("RssAnon:"), statusKb("RssFile:"));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    registerArchiveKinds();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 3 && args[1] == u"--window")
        return windowRun(args[2], args[3]);

    QTemporaryDir temporary;
    const QString folder = args.size() > 1 ? args[1] : temporary.path();
    const int runs = args.size() > 2 ? args[2].toInt() : 7;
    QDir().mkpath(folder);
    const QString products = ProductRecord::archivePath(folder);
    const QString receipts = ReceiptRecord::archivePath(folder, QStringLiteral("2024"));
    if (QFileInfo(products).size() != qint64(100000) * ProductRecord::Size) {
        std::printf("generating %s\n", qPrintable(products));
        ArchiveGen::products(products, 100000);
    }
    if (QFileInfo(receipts).size() != qint64(100000) * ReceiptRecord::Size) {
        std::printf("generating %s\n", qPrintable(receipts));
        ArchiveGen::receipts(receipts, 100000, 2024);
    }

    std::vector<Row> stock = {
        {QStringLiteral("raw read"), [&] { return rawRead(products); }},
        {QStringLiteral("inventory, every product"), [&] { return inventory(products, QString()); }},
        {QStringLiteral("(inventory unsorted)"),
         [&] {
             RecordFile file(products, ProductRecord::layout().size());
             ListQuery q = Inventory::query(QString());
             q.sorted = false;
             return QString::number(runQuery(file, q).lines.size());
         }},
        {QStringLiteral("(inventory unsorted, no total)"),
         [&] {
             RecordFile file(products, ProductRecord::layout().size());
             ListQuery q = Inventory::query(QString());
             q.sorted = false;
             q.amountField = -1;
             return QString::number(runQuery(file, q).lines.size());
         }},
        {QStringLiteral("inventory, type \"vit\""), [&] { return inventory(products, QStringLiteral("vit")); }},
    };
    runRows(QStringLiteral("Magazzino.pro, 100000 products, %1 MB").arg(double(QFileInfo(products).size()) / 1e6, 0, 'f', 1),
            stock, runs, "the raw read");
    std::vector<Row> year = {
        {QStringLiteral("raw read"), [&] { return rawRead(receipts); }},
        {QStringLiteral("summary, whole year"),
         [&] { return summary(receipts, QString(), QStringLiteral("01/01/2024"), QStringLiteral("31/12/2024")); }},
        {QStringLiteral("(summary, whole year, block reads)"),
         [&] {
             RecordFile::setMappingAllowed(false);
             const QString r = summary(receipts, QString(), QStringLiteral("01/01/2024"), QStringLiteral("31/12/2024"));
             RecordFile::setMappingAllowed(true);
             return r;
         }},
        {QStringLiteral("summary, March"),
         [&] { return summary(receipts, QString(), QStringLiteral("01/03/2024"), QStringLiteral("31/03/2024")); }},
        {QStringLiteral("summary, code \"b-1\", whole year"),
         [&] { return summary(receipts, QStringLiteral("b-1"), QStringLiteral("01/01/2024"), QStringLiteral("31/12/2024")); }},
    };
    runRows(QStringLiteral("2024.odc, 100000 receipts, %1 MB").arg(double(QFileInfo(receipts).size()) / 1e6, 0, 'f', 1),
            year, runs, "the raw read");

    std::printf("\nThe windows, each in a process of its own:\n");
    std::fflush(stdout);
    for (const char *which : {"inventory", "summary"}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--window"), QLatin1StringView(which), folder});
        p.waitForFinished(-1);
    }
    return 0;
}

// A list report of 10 000 lines: prepared by the engine and written to PDF,
// against a baseline that draws the same lines straight onto a PDF writer
// with the same font, pitch and page size, measured in the same run.
// Usage: bench_report [LINES]
#include "app/registerkinds.h"
#include "output/layouts.h"
#include "output/reportoutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    registerArchiveKinds();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("%1  Articolo di prova numero %1     Ferramenta      %2 pz     %3,50")
                     .arg(i, 6, 10, QLatin1Char('0'))
                     .arg(i % 97)
                     .arg(i % 1000);
    QTemporaryDir dir;
    const QDateTime now = QDateTime::currentDateTime();

    // Baseline: the lines drawn directly, 53 or 56 a page as the engine lays them.
    QElapsedTimer t;
    t.start();
    {
        QPdfWriter writer(dir.filePath(QStringLiteral("base.pdf")));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                         QPageLayout::Millimeter));
        writer.setResolution(600);
        QPainter p(&writer);
        QFont font(QStringLiteral("Courier New"));
        font.setPointSizeF(8);
        p.setFont(font);
        const double scale = 600 / 96.0;
        const double pageHeight = ReportUnits::mm(190);
        double y = 0;
        for (const QString &line : lines) {
            if (y + ReportLayouts::listLinePitch > pageHeight) {
                writer.newPage();
                y = 0;
            }
            p.drawText(QRectF(11.34 * scale, y * scale, 1031.81 * scale, ReportLayouts::listLinePitch * scale),
                       Qt::AlignLeft | Qt::AlignVCenter, line);
            y += ReportLayouts::listLinePitch;
        }
    }
    const qint64 baseline = t.nsecsElapsed();

    t.restart();
    Report report = ReportLayouts::listReport();
    ReportLayouts::fillList(report, QStringLiteral("Prova"), lines);
    const PreparedReport prepared = report.prepare(now);
    const qint64 prepare = t.nsecsElapsed();
    const bool ok = ReportOutput::writePdf(prepared, dir.filePath(QStringLiteral("engine.pdf")), {});
    const qint64 total = t.nsecsElapsed();

    std::printf("lines: %d, pages: %lld, written: %s, PDF %lld bytes\n", count, qlonglong(prepared.pages.size()),
                ok ? "yes" : "no", qlonglong(QFile(dir.filePath(QStringLiteral("engine.pdf"))).size()));
    std::printf("baseline (direct drawing)   %8.1f ms  1.00x\n", baseline / 1e6);
    std::printf("engine: prepare             %8.1f ms  %.3fx\n", prepare / 1e6, double(prepare) / double(baseline));
    std::printf("engine: prepare + PDF       %8.1f ms  %.2fx\n", total / 1e6, double(total) / double(baseline));
    return ok ? 0 : 1;
}

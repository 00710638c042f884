#include "reportoutput.h"


#include "output/layouts.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QAction>
#include <QCoreApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include "storage/safefile.h"

namespace ReportOutput {

namespace {

Handler g_handler;

QPageLayout layoutOf(const PreparedReport &report)
{
    const QPageLayout::Orientation orientation
        = report.pages.isEmpty() ? QPageLayout::Portrait : report.pages.first().orientation;
    return QPageLayout(QPageSize(QPageSize::A4), orientation,
                       QMarginsF(Report::marginMm(), Report::marginMm(), Report::marginMm(), Report::marginMm()),
                       QPageLayout::Millimeter);
}

QByteArray xmpMetadata(const PdfProperties &p)
{
    const QString maker = ReportLayouts::makerName().toHtmlEscaped();
    return QStringLiteral(
               "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
               "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
               "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
               "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
               "xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmlns:pdf='http://ns.adobe.com/pdf/1.3/'>\n"
               "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>%1</rdf:li></rdf:Alt></dc:title>\n"
               "<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>%2</rdf:li></rdf:Alt></dc:description>\n"
               "<dc:creator><rdf:Seq><rdf:li>%3</rdf:li></rdf:Seq></dc:creator>\n"
               "<xmp:CreatorTool>%3</xmp:CreatorTool>\n"
               "<pdf:Producer>%3</pdf:Producer>\n"
               "</rdf:Description>\n"
               "</rdf:RDF>\n"
               "</x:xmpmeta>\n"
               "<?xpacket end='w'?>")
        .arg(p.title.toHtmlEscaped(), p.subject.toHtmlEscaped(), maker)
        .toUtf8();
}

} // namespace

void setHandler(Handler handler)
{
    g_handler = std::move(handler);
}

void paint(QPagedPaintDevice &device, const PreparedReport &report)
{
    QPainter painter;
    if (!painter.begin(&device))
        return;
    // Units are 1/96 inch; the painter works in device pixels.
    const double scale = device.logicalDpiX() / 96.0;
    for (qsizetype i = 0; i < report.pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        ReportRenderer::paintPage(painter, report.pages[i], scale);
    }
    painter.end();
}

void print(QWidget *parent, const PreparedReport &report)
{
    if (g_handler) {
        g_handler(Kind::Print, report);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(layoutOf(report));
    printer.setDocName(report.name);
    printer.setCreator(ReportLayouts::makerName());
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    paint(printer, report);
}

void preview(QWidget *parent, const PreparedReport &report)
{
    if (g_handler) {
        g_handler(Kind::Preview, report);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(layoutOf(report));
    printer.setDocName(report.name);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral(" Anteprima di stampa"));
    limitPreview(dialog);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&report](QPrinter *target) { paint(*target, report); });
    dialog.resize(1000, 760);
    // Pages shown at their own size.
    if (auto *view = dialog.findChild<QPrintPreviewWidget *>()) {
        view->setZoomMode(QPrintPreviewWidget::CustomZoom);
        view->setZoomFactor(1.0);
    }
    dialog.exec();
}

void limitPreview(QPrintPreviewDialog &dialog)
{
    // Printing, zoom, pages and closing only: a card laid out for portrait
    // turned to landscape, or a changed page setup, would lose its last rows.
    for (QAction *action : dialog.findChildren<QAction *>()) {
        for (const char *removed : {"Portrait", "Landscape", "Page setup"}) {
            if (action->text() == QCoreApplication::translate("QPrintPreviewDialog", removed))
                action->setVisible(false);
        }
    }
}

bool writePdf(const PreparedReport &report, const QString &path, const PdfProperties &properties)
{
    SafeFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(layoutOf(report));
        writer.setResolution(600);
        writer.setTitle(properties.title);
        writer.setCreator(ReportLayouts::makerName());
        writer.setDocumentXmpMetadata(xmpMetadata(properties));
        paint(writer, report);
    }
    return file.commit();
}

} // namespace ReportOutput

#pragma once

#include "output/report.h"

#include <functional>

class QPagedPaintDevice;
class QWidget;

// The three outputs of a prepared report. Printing and the preview go
// through one seam that tests replace; the PDF is always written for real.
class QPrintPreviewDialog;

namespace ReportOutput {

enum class Kind { Print, Preview };
using Handler = std::function<void(Kind kind, const PreparedReport &report)>;
void setHandler(Handler handler); // empty: the real print dialog and preview

// The print dialog comes first, the default printer preselected;
// cancelling it prints nothing and says nothing.
void print(QWidget *parent, const PreparedReport &report);

// The modal preview: print, zoom, full screen, close.
void preview(QWidget *parent, const PreparedReport &report);

struct PdfProperties
{
    QString title;
    QString subject;
};

// Writes the PDF whole or not at all, replacing an existing file. False
// when it cannot be written.
// The preview's actions: the orientation and the page setup are removed.
void limitPreview(QPrintPreviewDialog &dialog);

bool writePdf(const PreparedReport &report, const QString &path, const PdfProperties &properties);

// Paints the prepared pages on a printer already set up.
void paint(QPagedPaintDevice &device, const PreparedReport &report);

} // namespace ReportOutput

#pragma once

#include "output/layouts.h"

class QWidget;

// Print, preview and PDF of a card report filled by a card screen.
namespace CardPrint {

void print(QWidget *parent, const Report &report);
void preview(QWidget *parent, const Report &report);

// Writes the PDF to `path` (replacing it), then asks whether to open it.
// A file that cannot be written is reported as such, never as a success.
void exportPdf(QWidget *parent, const Report &report, const QString &path);

QString successQuestion();
QString failureMessage();

} // namespace CardPrint

#pragma once

#include "output/layouts.h"

#include <QDateTime>

class QWidget;

// Print, preview and PDF of a card report filled by a card screen, printed
// as at `now`. The screen shows the messages.
namespace CardPrint {

void print(QWidget *parent, const Report &report, const QDateTime &now);
void preview(QWidget *parent, const Report &report, const QDateTime &now);

// Writes the PDF to `path` (replacing it); false when it could not be
// written whole, which is never reported as a success.
bool writePdf(const Report &report, const QDateTime &now, const QString &path);

// Asked once the PDF is written: whether to open it.
QString successQuestion();
QString failureMessage();

} // namespace CardPrint

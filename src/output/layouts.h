#pragma once

#include "output/report.h"

#include <QDateTime>

// The two layouts several windows share.
namespace ReportLayouts {

// "Riepilogo dati": A4 landscape; a title band, one master-data band holding
// the list as one multi-line text (it splits across pages), a footer band.
Report listReport();

// "Scheda informativa": A4 portrait; `logo`, title, 24 caption/value rows
// and the print footer. The screens hand in the logo (reportLogo(),
// ui/artwork.h): the artwork is theirs.
Report cardReport(const QImage &logo);

// "Scheda Carico Merce": A4 portrait, 13 framed rows of caption and value,
// a title bar and a foot bar.
Report receiptReport();
// The value objects of its rows, top to bottom; each is named after the
// receipts card box it prints.
QStringList receiptRows();

// Fills the list report with a title and its lines, printed literally.
void fillList(Report &report, const QString &title, const QStringList &lines);

// Fills the card report: title, the 24 rows (values trimmed), the footer.
struct Row
{
    QString caption;
    QString value;
};
void fillCard(Report &report, const QString &title, const QList<Row> &rows, const QString &footer);

// "Stampa eseguita in data dd/mm/yyyy alle ore hh:mm:ss".
QString printFooter(const QDateTime &when);

// Line pitch of the list text (Courier New 8 pt).
inline constexpr double listLinePitch = 12.822;

// The software maker, author and creator of reports and PDF files.
inline QString makerName() { return QStringLiteral("Scortex Software"); }

} // namespace ReportLayouts

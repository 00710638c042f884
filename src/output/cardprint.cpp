#include "cardprint.h"

#include "output/reportoutput.h"

namespace CardPrint {

QString successQuestion()
{
    return QStringLiteral("L'esportazione della scheda in PDF è terminata con successo.\r\n\r\nSi vuole aprire il file?");
}

QString failureMessage()
{
    return QStringLiteral("Attenzione: non è stato possibile creare il file PDF.\r\n\r\nAccertarsi che il file non "
                          "sia aperto in un altro programma e di possedere i privilegi di scrittura nella cartella di "
                          "installazione del programma.");
}

void print(QWidget *parent, const Report &report, const QDateTime &now)
{
    ReportOutput::print(parent, report.prepare(now));
}

void preview(QWidget *parent, const Report &report, const QDateTime &now)
{
    ReportOutput::preview(parent, report.prepare(now));
}

bool writePdf(const Report &report, const QDateTime &now, const QString &path)
{
    const QString title = QStringLiteral("Scheda informativa");
    return ReportOutput::writePdf(report.prepare(now), path, {title, title});
}

} // namespace CardPrint

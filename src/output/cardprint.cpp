#include "cardprint.h"

#include "output/reportoutput.h"
#include "ui/services.h"

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

void print(QWidget *parent, const Report &report)
{
    ReportOutput::print(parent, report.prepare(AppContext::now()));
}

void preview(QWidget *parent, const Report &report)
{
    ReportOutput::preview(parent, report.prepare(AppContext::now()));
}

void exportPdf(QWidget *parent, const Report &report, const QString &path)
{
    const QString title = QStringLiteral("Scheda informativa");
    if (!ReportOutput::writePdf(report.prepare(AppContext::now()), path, {title, title})) {
        Messages::error(parent, failureMessage());
        return;
    }
    if (Messages::confirm(parent, successQuestion()))
        TMisc::Open(u'"' + path + u'"');
}

} // namespace CardPrint

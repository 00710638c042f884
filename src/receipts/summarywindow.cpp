#include "summarywindow.h"

#include "receipts/receipthelp.h"
#include "receipts/receiptrecord.h"
#include "receipts/receiptsummary.h"
#include "storage/recordfile.h"
#include "ui/resultlist.h"
#include "ui/services.h"

#include <QLabel>

TfrmRiepilogoCarico::TfrmRiepilogoCarico(QWidget *owner)
    : TTotalListWindow(QStringLiteral("frmRiepilogoCarico"), QStringLiteral(" Scortex - Riepilogo movimenti di carico merce"),
                       QStringLiteral("Codice articolo:"), ReceiptHelp::summary(),
                       QStringLiteral("Stampa riepilogo"), FindEnter::Nothing, Messages::Kind::Plain, owner)
{
    lblIntervallo = addInfo(0, QStringLiteral("infIntervallo"), QStringLiteral("Intervallo selezionato:"),
                            QStringLiteral("lblIntervallo"), QStringLiteral("Dal gg/mm/aaaa al gg/mm/aaaa"));
    txtTotMov = addInfo(1, QStringLiteral("titTotMov"), QStringLiteral("Numero operazioni:"), QStringLiteral("txtTotMov"),
                        QStringLiteral("0"));
    lblTotCosti = addInfo(2, QStringLiteral("infTotKmPercorsi"), QStringLiteral("Costo totale:"),
                          QStringLiteral("lblTotCosti"), QStringLiteral("0,00"));
}

void TfrmRiepilogoCarico::setRequest(const QString &archive, const QString &dataInizio, const QString &dataFine,
                                     const QString &filter)
{
    m_archive = archive;
    m_dataInizio = dataInizio;
    m_dataFine = dataFine;
    m_filter = filter;
}

void TfrmRiepilogoCarico::FormShow()
{
    setSpokenText(lblTotCosti, QStringLiteral("0,00"));
    lstRecords->clearLines();
    const ListQuery query = ReceiptSummary::query(m_filter, m_dataInizio, m_dataFine);
    const QString path = m_archive;
    ListResult result;
    const bool read = runArchiveScan(this, [&] {
        RecordFile file(path, ReceiptRecord::layout().size(), RecordFile::Mode::ReadOrCreate);
        result = runQuery(file, query);
    });
    setSpokenText(titTipologia, ReceiptSummary::tipologiaText(m_filter));
    if (!read)
        return;
    const qint64 count = result.lines.size();
    setSpokenText(lblIntervallo, ReceiptSummary::intervalText(m_dataInizio, m_dataFine));
    setSpokenText(txtTotMov, QString::number(count));
    setSpokenText(lblTotCosti, ReceiptSummary::totalText(result.total));
    lstRecords->setLines(std::move(result.lines));
    warnIncomplete(this, result, true);
}

void TfrmRiepilogoCarico::btnStampaClick()
{
    if (lstRecords->lines().empty()) {
        Messages::warning(this, emptyPrintWarning());
        return;
    }
    if (!Messages::confirm(this, printQuestion()))
        return;
    printLines(ReceiptSummary::printTitle(titTipologia->text()),
               ReceiptSummary::printLines(lstRecords->texts(), lblIntervallo->text(), txtTotMov->text(),
                                          lblTotCosti->text()));
}

#pragma once

#include "ui/totalwindow.h"

// The receipts of one year dated within a period, for every article or for
// the codes holding a text, in file order, with their count and total cost.
class TfrmRiepilogoCarico : public TTotalListWindow
{
    Q_OBJECT

public:
    explicit TfrmRiepilogoCarico(QWidget *owner);

    // The archive, the period ("dd/mm/yyyy") and the code filter as typed.
    void setRequest(const QString &archive, const QString &dataInizio, const QString &dataFine, const QString &filter);

    QLabel *lblIntervallo, *txtTotMov, *lblTotCosti;

    static QString emptyPrintWarning()
    {
        return QStringLiteral("Operazione di stampa non applicabile: il riepilogo non contiene nessuna voce.");
    }
    static QString printQuestion() { return QStringLiteral("Si vuole stampare il presente riepilogo?"); }

    void FormShow() override;

public slots:
    void btnStampaClick() override;

private:
    QString m_archive, m_dataInizio, m_dataFine, m_filter;
};

#pragma once

#include "output/report.h"
#include "ui/widgets.h"

class QPushButton;
class TfrmCarichi;

// "Stampa scheda": prints the receipt on the card as "Scheda Carico Merce".
class TfrmStampaCarico : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmStampaCarico(QWidget *owner);

    void setCard(TfrmCarichi *card) { m_card = card; }

    // Fills the report from the card's boxes as they stand.
    void fillReport();

    Report repDocumento;
    QPushButton *btnAnnulla;
    QPushButton *btnStampa;

public slots:
    void btnStampaClick();

private:
    TfrmCarichi *m_card = nullptr;
};

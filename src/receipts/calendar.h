#pragma once

#include "ui/widgets.h"

class QCalendarWidget;
class QLabel;
class QLineEdit;
class QPushButton;
class TfrmCarichi;

// "Importazione data": picks a date for one of the receipts card's date
// boxes, named by the target word in lblMemory.
class TfrmCalendario : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmCalendario(QWidget *owner);

    void setCard(TfrmCarichi *card) { m_card = card; }
    // Another window's date box, in place of the card's.
    void setTarget(QLineEdit *box) { m_target = box; }

    QCalendarWidget *calAppuntamenti;
    QPushButton *btnImportaData;
    QPushButton *btnAnnulla;
    QLabel *lblMemory;

public slots:
    void btnImportaDataClick();

private:
    TfrmCarichi *m_card = nullptr;
    QLineEdit *m_target = nullptr;
};

#pragma once

#include "ui/cardscreen.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class TPictureButton;

// The receipts card of one year's archive (whose path is in lblFile).
class TfrmCarichi : public TCardScreen
{
    Q_OBJECT

public:
    explicit TfrmCarichi(QWidget *parent = nullptr);

    QLabel *lblFile;
    QLineEdit *txtNumDoc, *txtDataDoc, *txtFornitore, *txtRecapiti, *txtData, *txtCodice, *txtTipologia;
    QLineEdit *txtMarca, *txtDescrizione, *txtCostoUni, *txtQuant, *txtCostoTot, *txtNote;
    QCheckBox *chkDaSaldare;
    TPictureButton *btnImpEsame, *btnCalcola, *cmdFattura;

    // Opens the date picker for one of the two date boxes.
    void openCalendar(QLineEdit *dateBox);

public slots:
    void btnCalcolaClick();
    void cmdListinoClick();
    // The import of a product from the warehouse.
    void btnImpEsameClick();
    // Receipts loaded from electronic invoices.
    void cmdFatturaClick();

protected:
    // The total a save computes; false stops the save.
    bool calculateForSave();
    bool cardKeyPress(const QString &control, QKeyEvent *key) override;
};

#pragma once

#include "output/report.h"
#include "ui/cardscreen.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TPictureButton;

// The products card (application 2), on the shared card workflow.
class TfrmMagazzino : public TCardScreen
{
    Q_OBJECT

public:

    explicit TfrmMagazzino(QWidget *parent = nullptr);

    // The results page of a web search on brand and model.
    static QString webSearchAddress(const QString &brand, const QString &model);

    QLineEdit *txtCodice, *txtTipologia, *txtMarca, *txtModello, *txtDescrizione, *txtAccessori;
    QLineEdit *txtFornitore, *txtRecapiti, *txtData, *txtDocumento, *txtOrdine;
    QLineEdit *txtGiacenza, *txtSottoscorta, *txtCosto, *txtValore, *txtPrezzo, *txtPercIva, *txtPrezzo_con_Iva;
    QLineEdit *txtCollocazione, *txtNote;
    QLabel *memConsumo, *memAderenza, *memRumore, *memOnde;
    QPushButton *btnPneumatici, *btnAggiungi, *btnSottrai, *btnValore, *btnCalcola, *btnScorpora;
    TPictureButton *impFornitore;

    Report repScheda;
    void fillReport();

public slots:
    void btnCalcolaClick();
    void btnScorporaClick();
    void btnValoreClick();
    void btnAggiungiClick();
    void btnSottraiClick();
    void btnPneumaticiClick();
    void cmdWebClick();
    void cmdSottoscortaClick();
    void impFornitoreClick();

private:
    bool saveAdditions();
    // The supplier's name, contact and ordering method, and nothing else.
    void takeSupplier(const QByteArray &bytes);
    void openStockWindow(bool add);
};

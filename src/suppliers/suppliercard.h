#pragma once

#include "output/report.h"
#include "ui/cardscreen.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class TPictureButton;

// The suppliers card (application 1): one supplier at a time, on the
// shared card workflow.
class TfrmFornitori : public TCardScreen
{
    Q_OBJECT

public:
    explicit TfrmFornitori(QWidget *parent = nullptr);

    // The 112 province codes of the combo, in order.
    static QStringList provinces();
    // The mailto address of the E-mail field, the field's text encoded.
    static QString mailtoAddress(const QString &email);

    QLineEdit *txtDitta, *txtTitolare, *txtRecapito, *txtIndirizzoRes, *txtComuneRes, *txtCapRes, *txtPagamento;
    QComboBox *txtProvRes;
    QLineEdit *txtTelCasa, *txtTelUff, *txtTelCel, *txtFax, *txtEmail;
    QLineEdit *txtCodFisc, *txtCarta, *txtScadeCarta, *txtPartitaIva, *txtIban;
    QLineEdit *txtArticoli, *txtOfferte, *txtOrdine, *txtQuestioni, *txtNote;
    QCheckBox *chkRicontatta;
    TPictureButton *btnEmail, *btnCodFisc, *btnCarta, *btnPartitaIva, *btnIban;

    // The card report, filled from the controls before every output.
    Report repScheda;
    void fillReport();

public slots:
    void btnEmailClick();
    void btnCodFiscClick();
    void btnCartaClick();
    void btnPartitaIvaClick();
    void btnIbanClick();
    void cmdRicontattaClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void tidy(QWidget *box);

protected:
    // The IBAN box takes an IBAN pasted in its groups of four.
    bool cardKeyPress(const QString &control, QKeyEvent *key) override;
};

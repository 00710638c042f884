#pragma once

#include "ui/applicationscreen.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TPictureButton;
class TfrmCarichi;
class TfrmMenuRiepilogoCarico;

// "Operazioni di carico": the year whose receipts archive the card opens,
// and the year to summarise. Its navigation token decides which screen
// follows it when it closes.
class TfrmMenuCarico : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmMenuCarico(QWidget *parent = nullptr);

    // The screens that "Apri" prepares.
    void setTargets(TfrmCarichi *card, TfrmMenuRiepilogoCarico *summary);

    static QString yearWarning() { return QStringLiteral("Attenzione: indicare l'anno solare utilizzando quattro cifre."); }

    // "avvio", "carichi" or "riepcarichi", trimmed.
    QString token() const;

    QLabel *lblInformazioni;
    QLineEdit *txtAnnoLavoro;
    QPushButton *btnApriLavoro;
    QLineEdit *txtAnnoRiepLavoro;
    QPushButton *btnApriRiepLavoro;
    TPictureButton *imgGuida;
    TPictureButton *imgEsci;
    QLabel *lblMemory;

public slots:
    void btnApriLavoroClick();
    void btnApriRiepLavoroClick();

protected:
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TfrmCarichi *m_card = nullptr;
    TfrmMenuRiepilogoCarico *m_summary = nullptr;
};

#pragma once

#include "ui/widgets.h"

class QLabel;
class QLineEdit;
class QPushButton;

// "Aggiornamento giacenza": adds a quantity to the card's stock or
// subtracts one, and writes the total back into the card's stock box.
class TfrmGiacenza : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmGiacenza(QWidget *owner);

    static QString addCaption() { return QStringLiteral("Quantità da aggiungere:"); }
    static QString subtractCaption() { return QStringLiteral("Quantità da sottrarre:"); }

    // Prepares the window from the card's stock box, which receives the
    // total on "Applica e chiudi".
    void prepare(QLineEdit *cardStock, bool add);

    QLabel *lblGiacenza;
    QLineEdit *txtGiacenza;
    QLabel *lblAggiunta;
    QLineEdit *txtAggiunta;
    QPushButton *btnTotale;
    QLineEdit *txtTotale;
    QPushButton *btnAggiorna;
    QPushButton *btnChiudi;

public slots:
    void btnTotaleClick();
    void btnAggiornaClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Shown, reset to zeros (a box unreadable), or refused (too long for
    // the stock field, boxes unchanged).
    enum class Total { Shown, Reset, TooLong };
    Total computeTotal();

    QLineEdit *m_cardStock = nullptr;
};

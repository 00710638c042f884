#pragma once

#include "ui/widgets.h"

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

// "Altre informazioni": height, width, length and expiry date of the
// article, copied back into the card's hidden labels on "Applica e chiudi".
class TfrmDatiPneumatici : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmDatiPneumatici(QWidget *owner);

    // The card's labels memConsumo, memAderenza, memRumore, memOnde.
    void prepare(const std::array<QLabel *, 4> &cardLabels);

    QLineEdit *txtConsumo;
    QLineEdit *txtAderenza;
    QLineEdit *txtRumore;
    QLineEdit *txtOnde;
    QPushButton *btnApplica;
    QPushButton *btnAnnulla;

public slots:
    void btnApplicaClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    std::array<QLineEdit *, 4> boxes() const { return {txtConsumo, txtAderenza, txtRumore, txtOnde}; }
    std::array<QLabel *, 4> m_cardLabels{};
};

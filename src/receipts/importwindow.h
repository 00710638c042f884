#pragma once

#include "ui/searchwindow.h"

// Fills the receipts card from a product of the warehouse, and raises the
// product's stock by the quantity received when asked to.
class TfrmImportaMagazzino : public TSearchWindow
{
    Q_OBJECT

public:
    explicit TfrmImportaMagazzino(QWidget *owner);

    QLineEdit *txtQuant;
    QPushButton *btnAggiorna, *btnNonAggiornare;
    QLabel *lblCodice, *lblDescrizione, *lblGiacenza;
    QLabel *lblPosizione, *lblCosto, *lblValore;

    static QString noSelectionWarning()
    {
        return QStringLiteral("Attenzione: selezionare un articolo dall'elenco prima di premere il pulsante di "
                              "importazione.");
    }

public slots:
    // Picks the product of the selected line and shows its details.
    void lstRecordsClick();
    void btnAggiornaClick();
    void btnNonAggiornareClick();

protected:
    // A double-click or Enter picks the line too; nothing loads at once.
    void chooseLine() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The product picked: its position and the bytes it had when picked.
    bool picked() const { return m_position > 0; }
    void showPicked(qint64 position, const QByteArray &product);
    void importProduct(bool updateStock);

    qint64 m_position = 0;
    QByteArray m_product;
};

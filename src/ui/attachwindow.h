#pragma once

#include "ui/widgets.h"

#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class TCardScreen;
class TPictureButton;

// Up to three files attached to a card: copied into the attachments folder
// of the program folder, named on the card, opened from there.
class TfrmAllegaCartella : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmAllegaCartella(QWidget *owner);

    static constexpr int kSlots = 3;
    QLineEdit *txtFile[kSlots];
    QLineEdit *txtDesc[kSlots];
    TPictureButton *imgCancella[kSlots];
    QPushButton *btnSfoglia[kSlots];
    QPushButton *btnApri[kSlots];
    QPushButton *btnAnnulla, *btnApplica;
    QLabel *lblMemory;

    // The card whose hidden labels the window reads and writes back.
    void setCard(TCardScreen *card);

    static QString folderName() { return QStringLiteral("Documenti_Allegati"); }
    static QString dialogTitle() { return QStringLiteral("Selezionare il file da allegare:"); }
    static QString dialogFilter() { return QStringLiteral("Tutti i file (*.*)"); }
    static QString overwriteQuestion()
    {
        return QStringLiteral("Attenzione: nella cartella dei documenti allegati è presente un file con lo stesso "
                              "nome.\r\n\r\nSi vuole sovrascrivere il file esistente?");
    }

public slots:
    void btnSfogliaClick(int slot);
    void btnApriClick(int slot);
    void imgCancellaClick(int slot);
    void btnApplicaClick();

private:
    QPointer<TCardScreen> m_card;
};

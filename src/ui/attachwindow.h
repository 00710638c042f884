#pragma once

#include "ui/widgets.h"

#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class TPictureButton;

// What the attachments window reads and writes on the card it serves: the
// card's word, and its hidden labels lblFile01 ... lblDesc03.
class TAttachmentCard
{
public:
    virtual QWidget *cardWidget() = 0;
    virtual QString cardModeWord() const = 0;
    virtual QString controlText(const QString &name) const = 0;
    virtual void setControlText(const QString &name, const QString &text) = 0;

protected:
    ~TAttachmentCard() = default;
};

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
    void setCard(TAttachmentCard *card);

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
    TAttachmentCard *m_card = nullptr;
    // The card may close while the window is open.
    QPointer<QWidget> m_cardWidget;
};

#include "attachwindow.h"

#include "storage/attachments.h"
#include "storage/textrules.h"
#include "ui/services.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmAllegaCartella::TfrmAllegaCartella(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmAllegaCartella"), QStringLiteral(" Allega file"), QSize(634, 534), owner,
                   QColor(0xC9, 0xE2, 0xF2), Qt::white)
{
    static const char *ordinals[kSlots] = {"1°", "2°", "3°"};
    for (int i = 0; i < kSlots; ++i) {
        const QString nn = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        auto *group = new QGroupBox(this);
        group->setObjectName(QStringLiteral("grpFile") + nn);
        group->setGeometry(16, 12 + i * 152, 602, 142);

        auto *nameCaption = new QLabel(QStringLiteral("Nome %1 file allegato:").arg(QString::fromUtf8(ordinals[i])), group);
        nameCaption->setObjectName(QStringLiteral("lblNome") + nn);
        nameCaption->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
        nameCaption->setGeometry(14, 10, 400, 18);
        txtFile[i] = new QLineEdit(group);
        txtFile[i]->setObjectName(QStringLiteral("txtFile") + nn);
        txtFile[i]->setReadOnly(true);
        txtFile[i]->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
        txtFile[i]->setGeometry(14, 30, 330, 30);
        nameCaption->setBuddy(txtFile[i]);
        txtFile[i]->setAccessibleName(QStringLiteral("Nome %1 file allegato").arg(QString::fromUtf8(ordinals[i])));

        imgCancella[i] = new TPictureButton(QStringLiteral("imgCancella") + nn, QStringLiteral(":/art/cancella.svg"),
                                            QStringLiteral("Rimuovi %1 file allegato").arg(QString::fromUtf8(ordinals[i])),
                                            group);
        imgCancella[i]->setGeometry(352, 32, 26, 26);
        imgCancella[i]->setToolTip(imgCancella[i]->accessibleName());
        btnSfoglia[i] = makeButton(group, QStringLiteral("btnSfoglia") + nn, QStringLiteral("Sfoglia..."),
                                   QRect(386, 28, 100, 34), 10);
        btnApri[i] = makeButton(group, QStringLiteral("btnApri") + nn, QStringLiteral("Apri"), QRect(494, 28, 94, 34), 10);
        btnApri[i]->setEnabled(false);
        btnSfoglia[i]->setAccessibleName(QStringLiteral("Sfoglia... %1 file allegato").arg(QString::fromUtf8(ordinals[i])));
        btnApri[i]->setAccessibleName(QStringLiteral("Apri %1 file allegato").arg(QString::fromUtf8(ordinals[i])));

        auto *descCaption = new QLabel(
            QStringLiteral("Descrizione %1 file allegato:").arg(QString::fromUtf8(ordinals[i])), group);
        descCaption->setObjectName(QStringLiteral("lblDescrizione") + nn);
        descCaption->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
        descCaption->setGeometry(14, 70, 400, 18);
        txtDesc[i] = new QLineEdit(group);
        txtDesc[i]->setObjectName(QStringLiteral("txtDesc") + nn);
        txtDesc[i]->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
        txtDesc[i]->setGeometry(14, 90, 574, 32);
        descCaption->setBuddy(txtDesc[i]);
        txtDesc[i]->setAccessibleName(QStringLiteral("Descrizione %1 file allegato").arg(QString::fromUtf8(ordinals[i])));

        // Apri only with a name to open.
        connect(txtFile[i], &QLineEdit::textChanged, this,
                [this, i](const QString &text) { btnApri[i]->setEnabled(!TextRules::trimmed(text).isEmpty()); });
        connect(btnSfoglia[i], &QPushButton::clicked, this, [this, i] { btnSfogliaClick(i); });
        connect(btnApri[i], &QPushButton::clicked, this, [this, i] { btnApriClick(i); });
        connect(imgCancella[i], &QAbstractButton::clicked, this, [this, i] { imgCancellaClick(i); });
    }
    btnAnnulla = makeButton(this, QStringLiteral("btnAnnulla"), QStringLiteral("Annulla"), QRect(306, 480, 140, 40));
    btnApplica = makeButton(this, QStringLiteral("btnApplica"), QStringLiteral("Applica e chiudi"),
                            QRect(458, 480, 160, 40));
    // Enter in a description box applies, rather than browsing for slot 1.
    btnApplica->setDefault(true);
    lblMemory = new QLabel(this);
    lblMemory->setObjectName(QStringLiteral("lblMemory"));
    lblMemory->hide();

    QWidget *previous = nullptr;
    for (int i = 0; i < kSlots; ++i) {
        for (QWidget *w : {static_cast<QWidget *>(txtFile[i]), static_cast<QWidget *>(imgCancella[i]),
                           static_cast<QWidget *>(btnSfoglia[i]), static_cast<QWidget *>(btnApri[i]),
                           static_cast<QWidget *>(txtDesc[i])}) {
            if (previous)
                setTabOrder(previous, w);
            previous = w;
        }
    }
    setTabOrder(previous, btnAnnulla);
    setTabOrder(btnAnnulla, btnApplica);

    connect(btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnApplica, &QPushButton::clicked, this, &TfrmAllegaCartella::btnApplicaClick);
}

void TfrmAllegaCartella::setCard(TAttachmentCard *card)
{
    m_card = card;
    m_cardWidget = card ? card->cardWidget() : nullptr;
    if (!card)
        return;
    lblMemory->setText(card->cardModeWord());
    for (int i = 0; i < kSlots; ++i) {
        const QString nn = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        txtFile[i]->setText(TextRules::trimmed(card->controlText(QStringLiteral("lblFile") + nn)));
        txtDesc[i]->setText(TextRules::trimmed(card->controlText(QStringLiteral("lblDesc") + nn)));
    }
}

void TfrmAllegaCartella::btnSfogliaClick(int slot)
{
    const QString source = FileDialogs::openFile(this, dialogTitle(), dialogFilter());
    if (source.isEmpty())
        return;
    const QString name = QFileInfo(source).fileName();
    if (!Attachments::isStorableName(name)) {
        Messages::error(this, Attachments::unstorableNameMessage(name));
        return;
    }
    const QString folder = QDir(AppContext::programFolder()).filePath(folderName());
    const QString destination = QDir(folder).filePath(name);
    // An existing file of that name: kept unless the user wants it replaced;
    // either way the slot now names it.
    if (QFileInfo::exists(destination) && !Messages::confirm(this, overwriteQuestion())) {
        txtFile[slot]->setText(name);
        return;
    }
    const QString failure = Attachments::copyInto(source, folder, name);
    if (!failure.isEmpty()) {
        // The slot keeps the name it had: it never points at a file that
        // was not copied.
        Messages::error(this, failure);
        return;
    }
    txtFile[slot]->setText(name);
}

void TfrmAllegaCartella::btnApriClick(int slot)
{
    const QString name = TextRules::trimmed(txtFile[slot]->text());
    if (!Attachments::isPlainName(name)) {
        Messages::warning(this, Attachments::unsafeNameMessage(name));
        return;
    }
    const QString path = QDir(QDir(AppContext::programFolder()).filePath(folderName())).filePath(name);
    TMisc::Open(u'"' + QDir::toNativeSeparators(path) + u'"');
}

void TfrmAllegaCartella::imgCancellaClick(int slot)
{
    // The name only: the file stays in the folder, the description stays.
    txtFile[slot]->clear();
}

void TfrmAllegaCartella::btnApplicaClick()
{
    const QString word = TextRules::trimmed(lblMemory->text());
    if (m_cardWidget && m_card && word == m_card->cardModeWord()) {
        for (int i = 0; i < kSlots; ++i) {
            const QString nn = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
            m_card->setControlText(QStringLiteral("lblFile") + nn, TextRules::trimmed(txtFile[i]->text()));
            m_card->setControlText(QStringLiteral("lblDesc") + nn, TextRules::trimmed(txtDesc[i]->text()));
        }
    }
    accept();
}

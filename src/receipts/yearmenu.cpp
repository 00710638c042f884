#include "yearmenu.h"

#include "ui/helpwindows.h"
#include "receipts/receiptcard.h"
#include "receipts/receipthelp.h"
#include "receipts/receiptrecord.h"
#include "receipts/summarymenu.h"
#include "storage/textrules.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmMenuCarico::TfrmMenuCarico(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmMenuCarico"), QStringLiteral(" Scortex - Operazioni di carico"), parent)
{
    QWidget *p = panel();
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), p);
    logo->setGeometry(317, 20, 360, 96);

    lblInformazioni = new QLabel(QStringLiteral("In questo ambiente è possibile registrare le schede di carico merce "
                                                "e riepilogare le operazioni."),
                                 p);
    lblInformazioni->setObjectName(QStringLiteral("lblInformazioni"));
    lblInformazioni->setFont(layoutFont(QStringLiteral("Arial"), 13, true));
    lblInformazioni->setStyleSheet(QStringLiteral("color: #1F4E6E;"));
    lblInformazioni->setAlignment(Qt::AlignCenter);
    lblInformazioni->setGeometry(40, 136, 915, 30);

    struct Box
    {
        const char *frame, *picture, *heading, *headingText, *caption, *box, *button;
        int left;
    };
    const Box boxes[] = {
        {"shpLavoro", ":/art/app04.svg", "intAnnoLavoro", "Inserimento schede di carico:", "titAnnoLavoro",
         "txtAnnoLavoro", "btnApriLavoro", 82},
        {"shpRiepLavoro", ":/art/app03.svg", "intAnnoRiepLavoro", "Riepilogo movimenti di carico:",
         "titAnnoRiepLavoro", "txtAnnoRiepLavoro", "btnApriRiepLavoro", 512},
    };
    QLineEdit *years[2];
    QPushButton *opens[2];
    for (int i = 0; i < 2; ++i) {
        const Box &b = boxes[i];
        auto *frame = new QLabel(p);
        frame->setObjectName(QLatin1StringView(b.frame));
        frame->setGeometry(b.left, 200, 400, 330);
        frame->setStyleSheet(QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #F4F9FC, "
                                            "stop:1 #DCEBF5); border: 2px solid #9CC3DB; border-radius: 12px;"));
        auto *picture = new TPicture(QStringLiteral("img") + QLatin1StringView(b.frame).mid(3),
                                     QLatin1StringView(b.picture), p);
        picture->setGeometry(b.left + 150, 216, 100, 100);
        auto *heading = new QLabel(QString::fromUtf8(b.headingText), p);
        heading->setObjectName(QLatin1StringView(b.heading));
        heading->setFont(layoutFont(QStringLiteral("Arial"), 13, true));
        heading->setStyleSheet(QStringLiteral("color: #1F4E6E; background: transparent;"));
        heading->setAlignment(Qt::AlignCenter);
        heading->setGeometry(b.left + 10, 330, 380, 30);
        auto *year = new QLineEdit(p);
        year->setObjectName(QLatin1StringView(b.box));
        year->setFont(layoutFont(QStringLiteral("Arial"), 14, true));
        year->setMaxLength(4);
        year->setAlignment(Qt::AlignCenter);
        year->setGeometry(b.left + 150, 390, 100, 40);
        auto *caption = new QLabel(QStringLiteral("Anno:"), p);
        caption->setObjectName(QLatin1StringView(b.caption));
        caption->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
        caption->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        caption->setGeometry(b.left + 60, 390, 84, 40);
        caption->setBuddy(year);
        year->setAccessibleName(QStringLiteral("Anno - ") + QString::fromUtf8(b.headingText).chopped(1));
        QPushButton *open = makeButton(p, QLatin1StringView(b.button), QStringLiteral("Apri"),
                                       QRect(b.left + 140, 456, 120, 42), 12);
        year->installEventFilter(this);
        years[i] = year;
        opens[i] = open;
    }
    txtAnnoLavoro = years[0];
    txtAnnoRiepLavoro = years[1];
    btnApriLavoro = opens[0];
    btnApriRiepLavoro = opens[1];

    imgGuida = new TPictureButton(QStringLiteral("imgGuida"), QStringLiteral(":/art/guida.svg"),
                                  QStringLiteral("Guida"), p);
    imgGuida->setCaptionVisible(true);
    imgGuida->setGeometry(20, 600, 80, 80);
    imgEsci = new TPictureButton(QStringLiteral("imgEsci"), QStringLiteral(":/art/esci.svg"), QStringLiteral("Esci"), p);
    imgEsci->setCaptionVisible(true);
    imgEsci->setGeometry(895, 600, 80, 80);
    lblMemory = new QLabel(QStringLiteral("avvio"), p);
    lblMemory->setObjectName(QStringLiteral("lblMemory"));
    lblMemory->hide();

    setTabOrder(txtAnnoLavoro, btnApriLavoro);
    setTabOrder(btnApriLavoro, txtAnnoRiepLavoro);
    setTabOrder(txtAnnoRiepLavoro, btnApriRiepLavoro);
    setTabOrder(btnApriRiepLavoro, imgGuida);
    setTabOrder(imgGuida, imgEsci);

    connect(btnApriLavoro, &QPushButton::clicked, this, &TfrmMenuCarico::btnApriLavoroClick);
    connect(btnApriRiepLavoro, &QPushButton::clicked, this, &TfrmMenuCarico::btnApriRiepLavoroClick);
    connect(imgGuida, &QAbstractButton::clicked, this, [this] { showHelp(this, ReceiptHelp::card()); });
    connect(imgEsci, &QAbstractButton::clicked, this, &QWidget::close);
}

void TfrmMenuCarico::setTargets(TfrmCarichi *card, TfrmMenuRiepilogoCarico *summary)
{
    m_card = card;
    m_summary = summary;
}

QString TfrmMenuCarico::token() const
{
    return TextRules::trimmed(lblMemory->text());
}

void TfrmMenuCarico::FormShow()
{
    const QString year = AppContext::now().date().toString(QStringLiteral("yyyy"));
    txtAnnoLavoro->setText(year);
    txtAnnoRiepLavoro->setText(year);
    lblMemory->setText(QStringLiteral("avvio"));
    txtAnnoLavoro->setFocus();
}

void TfrmMenuCarico::btnApriLavoroClick()
{
    // Exactly four ASCII digits: pasted text may hold anything.
    if (!ReceiptRecord::isYearText(txtAnnoLavoro->text())) {
        Messages::warning(this, yearWarning());
        txtAnnoLavoro->setFocus();
        return;
    }
    const QString year = TextRules::trimmed(txtAnnoLavoro->text());
    if (m_card) {
        m_card->lblFile->setText(ReceiptRecord::archivePath(AppContext::programFolder(), year));
        m_card->setWindowTitle(QStringLiteral(" Scortex - Operazioni di carico anno ") + year);
    }
    lblMemory->setText(QStringLiteral("carichi"));
    close();
}

void TfrmMenuCarico::btnApriRiepLavoroClick()
{
    if (!ReceiptRecord::isYearText(txtAnnoRiepLavoro->text())) {
        Messages::warning(this, yearWarning());
        txtAnnoRiepLavoro->setFocus();
        return;
    }
    const QString year = TextRules::trimmed(txtAnnoRiepLavoro->text());
    if (m_summary) {
        m_summary->lblFile->setText(ReceiptRecord::archivePath(AppContext::programFolder(), year));
        m_summary->setWindowTitle(QStringLiteral(" Scortex - Riepilogo operazioni di carico anno ") + year);
        m_summary->txtAnno->setText(year);
        m_summary->lblAnnoInizio->setText(year);
        m_summary->lblAnnoFine->setText(year);
    }
    lblMemory->setText(QStringLiteral("riepcarichi"));
    close();
}

bool TfrmMenuCarico::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == txtAnnoLavoro || watched == txtAnnoRiepLavoro)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // To the "Apri" beside the box, without pressing it.
            (watched == txtAnnoLavoro ? btnApriLavoro : btnApriRiepLavoro)->setFocus();
            return true;
        }
        if (pasteDigitsOnly(static_cast<QLineEdit *>(watched), key))
            return true;
        if (!isEditingKey(key) && !isNumericKey(key, false))
            return true;
    }
    return TApplicationScreen::eventFilter(watched, event);
}

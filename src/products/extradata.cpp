#include "extradata.h"

#include "storage/textrules.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmDatiPneumatici::TfrmDatiPneumatici(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmDatiPneumatici"), QStringLiteral(" Altre informazioni"), QSize(654, 317), owner,
                   Qt::white, QColor(0xD6, 0xE9, 0xF5))
{
    centreOnOwner(true);
    auto *instruction = new QLabel(QStringLiteral("Inserire i dati, fare clic su Applica e chiudi e poi sul pulsante "
                                                  "Salva per salvare le modifiche."),
                                   this);
    instruction->setObjectName(QStringLiteral("lblIstruzioni"));
    instruction->setWordWrap(true);
    instruction->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    instruction->setStyleSheet(QStringLiteral("color: #1F4E6E;"));
    instruction->setGeometry(30, 16, 594, 48);

    const struct
    {
        const char *name;
        const char *label;
        QRect at;
    } rows[] = {
        {"txtConsumo", "Altezza:", QRect(30, 90, 282, 30)},
        {"txtAderenza", "Larghezza:", QRect(342, 90, 282, 30)},
        {"txtRumore", "Lunghezza:", QRect(30, 170, 282, 30)},
        {"txtOnde", "Scadenza:", QRect(342, 170, 282, 30)},
    };
    QLineEdit **targets[] = {&txtConsumo, &txtAderenza, &txtRumore, &txtOnde};
    for (int i = 0; i < 4; ++i) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QLatin1StringView(rows[i].name));
        box->setMaxLength(30);
        box->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
        box->setGeometry(rows[i].at);
        auto *label = new QLabel(QString::fromUtf8(rows[i].label), this);
        label->setObjectName(QStringLiteral("lbl") + QLatin1StringView(rows[i].name).mid(3));
        label->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
        label->setStyleSheet(QStringLiteral("color: #1F3A5F;"));
        label->setGeometry(rows[i].at.x(), rows[i].at.y() - 24, rows[i].at.width(), 20);
        label->setBuddy(box);
        box->setAccessibleName(QString::fromUtf8(rows[i].label).chopped(1));
        new THighlightFrame(QStringLiteral("eff") + QLatin1StringView(rows[i].name).mid(3), box);
        box->installEventFilter(this);
        *targets[i] = box;
    }

    btnApplica = makeButton(this, QStringLiteral("btnApplica"), QStringLiteral("Applica e chiudi"), QRect(30, 250, 170, 40));
    btnAnnulla = makeButton(this, QStringLiteral("btnAnnulla"), QStringLiteral("Annulla"), QRect(504, 250, 120, 40));
    setTabOrder(txtConsumo, txtAderenza);
    setTabOrder(txtAderenza, txtRumore);
    setTabOrder(txtRumore, txtOnde);
    setTabOrder(txtOnde, btnApplica);
    setTabOrder(btnApplica, btnAnnulla);
    connect(btnApplica, &QPushButton::clicked, this, &TfrmDatiPneumatici::btnApplicaClick);
    connect(btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmDatiPneumatici::prepare(const std::array<QLabel *, 4> &cardLabels)
{
    m_cardLabels = cardLabels;
    for (int i = 0; i < 4; ++i)
        boxes()[size_t(i)]->setText(TextRules::trimmed(cardLabels[size_t(i)]->text()));
}

void TfrmDatiPneumatici::btnApplicaClick()
{
    for (size_t i = 0; i < 4; ++i) {
        if (m_cardLabels[i])
            m_cardLabels[i]->setText(TextRules::trimmed(boxes()[i]->text()));
    }
    accept();
}

void TfrmDatiPneumatici::showEvent(QShowEvent *event)
{
    TFixedDialog::showEvent(event);
    txtConsumo->setFocus();
}

bool TfrmDatiPneumatici::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const auto all = boxes();
            for (size_t i = 0; i < 4; ++i) {
                if (watched == all[i]) {
                    (i + 1 < 4 ? static_cast<QWidget *>(all[i + 1]) : btnApplica)->setFocus();
                    return true;
                }
            }
        }
    }
    return TFixedDialog::eventFilter(watched, event);
}

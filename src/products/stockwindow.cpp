#include "stockwindow.h"

#include "products/pricecalc.h"
#include "storage/numberformat.h"
#include "storage/textrules.h"
#include "ui/services.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel *caption(const QString &name, const QString &text, QWidget *buddy, QWidget *parent, const QRect &at)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    l->setStyleSheet(QStringLiteral("color: #1F3A5F;"));
    l->setGeometry(at);
    l->setBuddy(buddy);
    return l;
}

QLineEdit *numberBox(const QString &name, QWidget *parent, const QRect &at)
{
    auto *e = new QLineEdit(QStringLiteral("0"), parent);
    e->setObjectName(name);
    e->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    e->setGeometry(at);
    return e;
}

} // namespace

TfrmGiacenza::TfrmGiacenza(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmGiacenza"), QStringLiteral(" Aggiornamento giacenza"), QSize(364, 339), owner,
                   Qt::white, QColor(0xD6, 0xE9, 0xF5))
{
    txtGiacenza = numberBox(QStringLiteral("txtGiacenza"), this, QRect(30, 46, 304, 32));
    lblGiacenza = caption(QStringLiteral("lblGiacenza"), QStringLiteral("Giacenza attuale:"), txtGiacenza, this,
                          QRect(30, 20, 304, 24));
    txtGiacenza->setAccessibleName(QStringLiteral("Giacenza attuale"));
    txtAggiunta = numberBox(QStringLiteral("txtAggiunta"), this, QRect(30, 118, 304, 32));
    lblAggiunta = caption(QStringLiteral("lblAggiunta"), addCaption(), txtAggiunta, this, QRect(30, 92, 304, 24));
    txtAggiunta->setAccessibleName(QStringLiteral("Quantità"));
    btnTotale = makeButton(this, QStringLiteral("btnTotale"), QStringLiteral("Calcola totale"), QRect(30, 172, 140, 36));
    txtTotale = numberBox(QStringLiteral("txtTotale"), this, QRect(184, 174, 150, 32));
    txtTotale->setReadOnly(true);
    txtTotale->setStyleSheet(QStringLiteral("QLineEdit { color: #DC143C; }"));
    txtTotale->setAccessibleName(QStringLiteral("Nuova giacenza"));
    btnAggiorna = makeButton(this, QStringLiteral("btnAggiorna"), QStringLiteral("Applica e chiudi"), QRect(30, 274, 150, 40));
    btnChiudi = makeButton(this, QStringLiteral("btnChiudi"), QStringLiteral("Annulla"), QRect(214, 274, 120, 40));

    setTabOrder(txtGiacenza, txtAggiunta);
    setTabOrder(txtAggiunta, btnTotale);
    setTabOrder(btnTotale, txtTotale);
    setTabOrder(txtTotale, btnAggiorna);
    setTabOrder(btnAggiorna, btnChiudi);

    txtGiacenza->installEventFilter(this);
    txtAggiunta->installEventFilter(this);
    connect(btnTotale, &QPushButton::clicked, this, &TfrmGiacenza::btnTotaleClick);
    connect(btnAggiorna, &QPushButton::clicked, this, &TfrmGiacenza::btnAggiornaClick);
    connect(btnChiudi, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmGiacenza::prepare(QLineEdit *cardStock, bool add)
{
    m_cardStock = cardStock;
    if (TextRules::trimmed(cardStock->text()).isEmpty())
        cardStock->setText(QStringLiteral("0"));
    lblAggiunta->setText(add ? addCaption() : subtractCaption());
    const QString stock = TextRules::trimmed(cardStock->text());
    txtGiacenza->setText(stock);
    txtTotale->setText(stock);
    txtAggiunta->setText(QStringLiteral("0"));
}

TfrmGiacenza::Total TfrmGiacenza::computeTotal()
{
    for (QLineEdit *box : {txtGiacenza, txtAggiunta, txtTotale}) {
        if (TextRules::trimmed(box->text()).isEmpty())
            box->setText(QStringLiteral("0"));
    }
    const QString mode = TextRules::trimmed(lblAggiunta->text());
    const std::optional<QString> total
        = PriceCalc::stockTotal(txtGiacenza->text(), txtAggiunta->text(), mode == addCaption());
    if (!total || (mode != addCaption() && mode != subtractCaption())) {
        txtGiacenza->setText(QStringLiteral("0"));
        txtAggiunta->setText(QStringLiteral("0"));
        txtTotale->setText(QStringLiteral("0"));
        return Total::Reset;
    }
    // A total the stock field cannot hold is refused, not cut.
    const std::optional<QString> fitted = NumberFormat::fitField(*total, 15);
    if (!fitted) {
        Messages::warning(this, PriceCalc::tooLongWarning(*total, QStringLiteral("Giacenza")));
        return Total::TooLong;
    }
    txtTotale->setText(*fitted);
    return Total::Shown;
}

void TfrmGiacenza::btnTotaleClick()
{
    computeTotal();
}

void TfrmGiacenza::btnAggiornaClick()
{
    // The total always follows the two boxes as they are now; one that
    // cannot be stored does not reach the card.
    if (computeTotal() == Total::TooLong)
        return;
    if (m_cardStock)
        m_cardStock->setText(TextRules::trimmed(txtTotale->text()));
    accept();
}

bool TfrmGiacenza::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (box && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // The focus only; Enter presses nothing.
            (box == txtGiacenza ? static_cast<QWidget *>(txtAggiunta) : btnTotale)->setFocus();
            return true;
        }
        if (isEditingKey(key))
            return false;
        // Past 15 characters the next key starts the box afresh.
        if (box->text().size() > 15)
            box->clear();
        return !isNumericKey(key, false);
    }
    if (box && event->type() == QEvent::FocusOut && isLeavingFocus(static_cast<QFocusEvent *>(event)))
        box->setText(NumberFormat::wholeNumberExit(box->text()));
    return TFixedDialog::eventFilter(watched, event);
}

#include "validatorwindow.h"

#include "ui/services.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TValidatorWindow::TValidatorWindow(const Definition &d, QWidget *owner)
    : TFixedDialog(QLatin1StringView(d.objectName), QString::fromUtf8(d.caption), d.size, owner, d.top, Qt::white),
      m_kind(d.kind)
{
    const int width = d.size.width();
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), this);
    logo->setGeometry(16, 6, 250, 64);

    lblTitolo = new QLabel(QString::fromUtf8(d.title), this);
    lblTitolo->setObjectName(QStringLiteral("lblTitolo"));
    lblTitolo->setFont(layoutFont(QStringLiteral("Arial"), 12));
    lblTitolo->setWordWrap(true);
    lblTitolo->setGeometry(20, 72, width - 40, 44);

    box = new QLineEdit(this);
    box->setObjectName(QLatin1StringView(d.boxName));
    box->setFont(layoutFont(QStringLiteral("Arial"), 20, true));
    box->setMaxLength(Validators::maxLength(d.kind));
    box->setGeometry(20, 122, width - 40, 44);
    lblTitolo->setBuddy(box);
    box->setAccessibleName(QString::fromUtf8(d.caption).trimmed());

    btnControlla = makeButton(this, QStringLiteral("btnControlla"), QStringLiteral("Controlla"),
                              QRect(20, d.size.height() - 62, 140, 42));
    btnChiudi = makeButton(this, QStringLiteral("btnChiudi"), QStringLiteral("Chiudi"),
                           QRect(width - 160, d.size.height() - 62, 140, 42));
    setTabOrder(box, btnControlla);
    setTabOrder(btnControlla, btnChiudi);

    box->installEventFilter(this);
    connect(box, &QLineEdit::textEdited, this, [this](const QString &text) {
        const QString tidy = Validators::afterTyping(m_kind, text);
        if (tidy != text) {
            const int cursor = box->cursorPosition();
            box->setText(tidy);
            box->setCursorPosition(qMin<int>(cursor, int(tidy.size())));
        }
    });
    connect(btnControlla, &QPushButton::clicked, this, &TValidatorWindow::btnControllaClick);
    connect(btnChiudi, &QPushButton::clicked, this, &QDialog::reject);
}

void TValidatorWindow::setText(const QString &text)
{
    box->setText(text);
}

void TValidatorWindow::showEvent(QShowEvent *event)
{
    TFixedDialog::showEvent(event);
    box->setFocus();
}

void TValidatorWindow::btnControllaClick()
{
    const Validators::Verdict v = Validators::check(m_kind, box->text());
    if (v.box == Validators::Verdict::Box::Information)
        Messages::information(this, v.text);
    else if (v.box == Validators::Verdict::Box::Warning)
        Messages::warning(this, v.text);
    if (v.closesWindow) {
        accept();
        return;
    }
    box->setFocus();
}

bool TValidatorWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == box && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            btnControlla->setFocus(); // the focus only
            return true;
        }
        if (m_kind == Validators::Kind::Iban && pasteWithoutBlanks(box, key))
            return true;
        if (m_kind == Validators::Kind::VatNumber || m_kind == Validators::Kind::CreditCard) {
            if (pasteDigitsOnly(box, key))
                return true;
            if (!isEditingKey(key) && !isNumericKey(key, false))
                return true;
        }
    }
    return TFixedDialog::eventFilter(watched, event);
}

TfrmCodFisc::TfrmCodFisc(QWidget *owner)
    : TValidatorWindow({Validators::Kind::TaxCode, "frmCodFisc", " Controllo codice fiscale", QSize(478, 254),
                        QColor(0x9F, 0xD8, 0xA8), "Immettere il codice fiscale e premere il pulsante di controllo.",
                        "txtCodFisc"},
                       owner),
      txtCodFisc(box)
{
}

TfrmPartitaIva::TfrmPartitaIva(QWidget *owner)
    : TValidatorWindow({Validators::Kind::VatNumber, "frmPartitaIva", " Controllo partita IVA", QSize(480, 254),
                        QColor(0x46, 0x82, 0xB4),
                        "Immettere il numero di partita IVA e premere il pulsante di controllo.", "txtPartitaIva"},
                       owner),
      txtPartitaIva(box)
{
}

TfrmCarta::TfrmCarta(QWidget *owner)
    : TValidatorWindow({Validators::Kind::CreditCard, "frmCarta", " Controllo carta di credito", QSize(519, 254),
                        QColor(0x46, 0x82, 0xB4),
                        "Immettere il numero di carta di credito e premere il pulsante di controllo.", "txtNumero"},
                       owner),
      txtNumero(box)
{
}

TfrmIban::TfrmIban(QWidget *owner)
    : TValidatorWindow({Validators::Kind::Iban, "frmIban", " Controllo IBAN", QSize(608, 270), QColor(0x46, 0x82, 0xB4),
                        "Immettere l'IBAN e premere il pulsante di controllo.", "txtIban"},
                       owner),
      txtIban(box)
{
}

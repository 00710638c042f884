#include "loginwindow.h"

#include "app/passwordfile.h"
#include "storage/textrules.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

void centreOnScreen(QWidget *w)
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        w->move(screen->availableGeometry().center() - w->rect().center());
}

QLineEdit *passwordBox(const QString &name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    box->setFont(layoutFont(QStringLiteral("Arial"), 14, true));
    return box;
}

QLabel *caption(const QString &name, const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    label->setStyleSheet(QStringLiteral("color: #1F4E6E;"));
    label->setBuddy(buddy);
    buddy->setAccessibleName(TextRules::trimmed(QString(text).remove(u':')));
    return label;
}

bool isEnter(QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool filled(const QLineEdit *box)
{
    return !TextRules::trimmed(box->text()).isEmpty();
}

} // namespace

// ---------------------------------------------------------------- TfrmPassword

TfrmPassword::TfrmPassword(QWidget *parent) : QWidget(parent, fixedDialogFlags())
{
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(QStringLiteral(" Scortex - Autenticazione"));
    setFixedSize(388, 405);

    auto *background = new TGradientBackground(Qt::white, QColor(0xD6, 0xE9, 0xF5), this);
    background->setGeometry(rect());
    new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), this);
    findChild<TPicture *>(QStringLiteral("imgLogo"))->setGeometry(14, 24, 360, 96);

    txtPassword = passwordBox(QStringLiteral("txtPassword"), this);
    txtPassword->setGeometry(30, 196, 236, 38);
    auto *lblRigo05 = caption(QStringLiteral("lblRigo05"), QStringLiteral("Immetti la password e premi OK."),
                              txtPassword, this);
    lblRigo05->setGeometry(30, 160, 330, 26);
    txtPassword->setAccessibleName(QStringLiteral("Password"));
    new THighlightFrame(QStringLiteral("effPassword"), txtPassword);

    cmdOK = makeButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"), QRect(280, 196, 78, 38));
    cmdOK->setEnabled(false);

    cmdEsci = makeButton(this, QStringLiteral("cmdEsci"), QStringLiteral("Esci"), QRect(20, 345, 120, 40));
    btnCambiaPassword = makeButton(this, QStringLiteral("btnCambiaPassword"), QStringLiteral("Cambia password"), QRect(198, 345, 170, 40));

    setTabOrder(txtPassword, cmdOK);
    setTabOrder(cmdOK, cmdEsci);
    setTabOrder(cmdEsci, btnCambiaPassword);

    txtPassword->installEventFilter(this);
    connect(txtPassword, &QLineEdit::textChanged, this, &TfrmPassword::updateOK);
    connect(cmdOK, &QPushButton::clicked, this, &TfrmPassword::cmdOKClick);
    connect(cmdEsci, &QPushButton::clicked, this, &TfrmPassword::exitRequested);
    connect(btnCambiaPassword, &QPushButton::clicked, this, &TfrmPassword::changeRequested);
}

void TfrmPassword::updateOK()
{
    cmdOK->setEnabled(filled(txtPassword));
}

bool TfrmPassword::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtPassword) {
        if (event->type() == QEvent::KeyRelease)
            updateOK();
        if (isEnter(event)) {
            if (filled(txtPassword))
                cmdOK->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmPassword::cmdOKClick()
{
    switch (PasswordFile::checkLogin(AppContext::programFolder(), txtPassword->text())) {
    case PasswordFile::Outcome::Accepted:
        emit accepted();
        return;
    case PasswordFile::Outcome::Unreadable:
        Messages::plain(this, QStringLiteral("Attenzione: si è verificato un errore durante la procedura di lettura "
                                             "della password. Si consiglia di reinstallare il software."));
        return;
    default:
        Messages::plain(this, QStringLiteral("Attenzione: password errata."));
        txtPassword->clear();
        txtPassword->setFocus();
        return;
    }
}

void TfrmPassword::comeBack()
{
    txtPassword->clear();
    centreOnScreen(this);
    show();
    activateWindow();
    txtPassword->setFocus();
}

void TfrmPassword::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    txtPassword->setFocus();
}

void TfrmPassword::closeEvent(QCloseEvent *event)
{
    // The close box (X11 only) or a close from the desktop counts as Esci.
    event->accept();
    emit exitRequested();
}

// ---------------------------------------------------------------- TfrmCambiaPassword

TfrmCambiaPassword::TfrmCambiaPassword(QWidget *parent) : QWidget(parent, fixedDialogFlags())
{
    setObjectName(QStringLiteral("frmCambiaPassword"));
    setWindowTitle(QStringLiteral(" Cambia password"));
    setFixedSize(411, 418);

    auto *background = new TGradientBackground(Qt::white, QColor(0xD6, 0xE9, 0xF5), this);
    background->setGeometry(rect());
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), this);
    logo->setGeometry(25, 14, 360, 90);

    txtPasswordOld = passwordBox(QStringLiteral("txtPasswordOld"), this);
    txtPasswordNew = passwordBox(QStringLiteral("txtPasswordNew"), this);
    txtConferma = passwordBox(QStringLiteral("txtConferma"), this);
    const struct
    {
        const char *label;
        const char *text;
        QLineEdit *box;
        const char *frame;
    } rows[] = {
        {"lblRigo05", "Vecchia password:", txtPasswordOld, "effPasswordOld"},
        {"lblRigo06", "Nuova password:", txtPasswordNew, "effPasswordNew"},
        {"lblRigo07", "Conferma nuova password:", txtConferma, "effConferma"},
    };
    int y = 118;
    for (const auto &row : rows) {
        auto *label = caption(QLatin1StringView(row.label), QString::fromUtf8(row.text), row.box, this);
        label->setGeometry(30, y, 351, 24);
        row.box->setGeometry(30, y + 26, 351, 36);
        new THighlightFrame(QLatin1StringView(row.frame), row.box);
        row.box->installEventFilter(this);
        connect(row.box, &QLineEdit::textChanged, this, &TfrmCambiaPassword::updateOK);
        y += 78;
    }

    cmdEsci = makeButton(this, QStringLiteral("cmdEsci"), QStringLiteral("Chiudi"), QRect(20, 360, 120, 40));
    cmdOK = makeButton(this, QStringLiteral("cmdOK"), QStringLiteral("OK"), QRect(271, 360, 120, 40));
    cmdOK->setEnabled(false);

    setTabOrder(txtPasswordOld, txtPasswordNew);
    setTabOrder(txtPasswordNew, txtConferma);
    setTabOrder(txtConferma, cmdEsci);
    setTabOrder(cmdEsci, cmdOK);

    connect(cmdEsci, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdOK, &QPushButton::clicked, this, &TfrmCambiaPassword::cmdOKClick);
}

void TfrmCambiaPassword::updateOK()
{
    cmdOK->setEnabled(filled(txtPasswordOld) && filled(txtPasswordNew) && filled(txtConferma));
}

bool TfrmCambiaPassword::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease
        && (watched == txtPasswordOld || watched == txtPasswordNew || watched == txtConferma))
        updateOK();
    if (isEnter(event)) {
        // Enter moves round the three boxes; it never confirms.
        if (watched == txtPasswordOld) {
            txtPasswordNew->setFocus();
            return true;
        }
        if (watched == txtPasswordNew) {
            txtConferma->setFocus();
            return true;
        }
        if (watched == txtConferma) {
            txtPasswordOld->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmCambiaPassword::cmdOKClick()
{
    const QString failure = QStringLiteral("Attenzione: si è verificato un errore durante la procedura di modifica "
                                           "della password. Si consiglia di reinstallare il software.");
    switch (PasswordFile::change(AppContext::programFolder(), txtPasswordOld->text(), txtPasswordNew->text(),
                                 txtConferma->text())) {
    case PasswordFile::Outcome::Accepted:
        Messages::plain(this, QStringLiteral("Modifica della password completata con successo."));
        close();
        return;
    case PasswordFile::Outcome::Refused:
        Messages::plain(this, QStringLiteral("Attenzione: vecchia password errata."));
        txtPasswordOld->clear();
        txtPasswordOld->setFocus();
        return;
    case PasswordFile::Outcome::NotConfirmed:
        Messages::plain(this, QStringLiteral("Attenzione: la nuova password non è stata confermata correttamente. "
                                             "E' necessario reinserire entrambi i valori."));
        txtPasswordNew->clear();
        txtConferma->clear();
        txtPasswordNew->setFocus();
        return;
    case PasswordFile::Outcome::Unsupported:
        Messages::plain(this, QStringLiteral("Attenzione: la nuova password contiene caratteri non ammessi "
                                             "(ad esempio il simbolo dell'euro). Utilizzare lettere, cifre e "
                                             "simboli comuni e reinserire entrambi i valori."));
        txtPasswordNew->clear();
        txtConferma->clear();
        txtPasswordNew->setFocus();
        return;
    case PasswordFile::Outcome::Unreadable:
    case PasswordFile::Outcome::WriteFailed:
        Messages::plain(this, failure);
        return;
    }
}

void TfrmCambiaPassword::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    txtPasswordOld->clear();
    txtPasswordNew->clear();
    txtConferma->clear();
    txtPasswordOld->setFocus();
}

void TfrmCambiaPassword::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed();
}

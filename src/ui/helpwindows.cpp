#include "helpwindows.h"

#include "storage/programfolder.h"
#include "ui/services.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QPushButton *closeButton(QDialog *dialog, const QRect &geometry)
{
    QPushButton *b = makeButton(dialog, QStringLiteral("btnChiudi"), QStringLiteral("Chiudi"), geometry);
    QObject::connect(b, &QPushButton::clicked, dialog, &QDialog::accept);
    return b;
}

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

// ---------------------------------------------------------------- TfrmGuida

TfrmGuida::TfrmGuida(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmGuida"), QStringLiteral(" Guida all'utilizzo del software"), QSize(670, 572),
                   owner, QColor(0xC9, 0xE2, 0xF2), Qt::white)
{
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), this);
    logo->setGeometry(155, 10, 360, 90);

    lblTitolo = new QLabel(QStringLiteral("Argomento della guida."), this);
    lblTitolo->setObjectName(QStringLiteral("lblTitolo"));
    lblTitolo->setFont(layoutFont(QStringLiteral("Arial"), 16, true));
    lblTitolo->setStyleSheet(QStringLiteral("color: #DC143C;"));
    lblTitolo->setGeometry(20, 106, 630, 34);

    txtGuida = new QPlainTextEdit(this);
    txtGuida->setObjectName(QStringLiteral("txtGuida"));
    txtGuida->setReadOnly(true);
    txtGuida->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtGuida->setFont(layoutFont(QStringLiteral("Verdana"), 12, true));
    txtGuida->setGeometry(20, 146, 630, 344);
    txtGuida->setAccessibleName(QStringLiteral("Testo della guida"));

    imgPDF = new TPictureButton(QStringLiteral("imgPDF"), QStringLiteral(":/art/pdf.svg"),
                                QStringLiteral("Visualizza guida in formato PDF"), this);
    imgPDF->setGeometry(20, 505, 44, 44);
    lnkWeb = new TLinkLabel(QStringLiteral("lnkWeb"), QStringLiteral("Visualizza guida in formato PDF"), this);
    lnkWeb->setGeometry(72, 512, 340, 30);
    lnkWeb->attachIcon(imgPDF);
    connect(lnkWeb, &TLinkLabel::clicked, this, &TfrmGuida::lnkWebClick);

    btnChiudi = closeButton(this, QRect(530, 507, 120, 40));
}

void TfrmGuida::setTopic(const HelpTopic &topic)
{
    lblTitolo->setText(topic.title);
    // The memo shows CR LF as one line break.
    txtGuida->setPlainText(QString(topic.body).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TfrmGuida::lnkWebClick()
{
    lnkWeb->setColor(TLinkLabel::restColor());
    TMisc::Open(quoted(programFile(AppContext::programFolder(), QStringLiteral("Guida.pdf"))));
}

void showHelp(QWidget *owner, const HelpTopic &topic)
{
    openDialog<TfrmGuida>(owner, [&topic](TfrmGuida &help) { help.setTopic(topic); });
}

// ---------------------------------------------------------------- TfrmInfo

TfrmInfo::TfrmInfo(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmInfo"), QStringLiteral(" Informazioni su Scortex"), QSize(473, 579), owner,
                   Qt::white, QColor(0xD6, 0xE9, 0xF5))
{
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), this);
    logo->setGeometry(56, 24, 360, 96);

    auto *about = new QLabel(this);
    about->setObjectName(QStringLiteral("lblDescrizione"));
    about->setWordWrap(true);
    about->setFont(layoutFont(QStringLiteral("Arial"), 11));
    about->setStyleSheet(QStringLiteral("color: #1F2A33;"));
    about->setText(QStringLiteral(
        "<p><b>Scortex 1.0</b></p>"
        "<p>Gestione dei fornitori, del magazzino prodotti, dell'inventario e delle operazioni di carico merce.</p>"
        "<p>Gli archivi risiedono nella cartella del programma: copiandola si ottiene una copia di sicurezza "
        "completa.</p>"
        "<p>Per informazioni e assistenza scrivere a:</p>"));
    about->setGeometry(36, 140, 401, 170);
    about->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    imgEmail = new TPictureButton(QStringLiteral("imgEmail"), QStringLiteral(":/art/email.svg"),
                                  QStringLiteral("Scrivi a ") + makerEmail(), this);
    imgEmail->setGeometry(36, 316, 44, 44);
    lnkWeb = new TLinkLabel(QStringLiteral("lnkWeb"), makerEmail(), this);
    lnkWeb->setGeometry(88, 323, 360, 30);

    auto *rights = new QLabel(QStringLiteral("Copyright © 2026 Scortex Software.\nTutti i diritti riservati."), this);
    rights->setObjectName(QStringLiteral("lblCopyright"));
    rights->setFont(layoutFont(QStringLiteral("Arial"), 10));
    rights->setStyleSheet(QStringLiteral("color: #1F4E6E;"));
    rights->setAlignment(Qt::AlignCenter);
    rights->setGeometry(36, 420, 401, 48);
    lnkWeb->attachIcon(imgEmail);
    connect(lnkWeb, &TLinkLabel::clicked, this, [this] {
        lnkWeb->setColor(TLinkLabel::restColor());
        TMisc::Open(quoted(mailtoText()));
    });

    btnChiudi = closeButton(this, QRect(176, 510, 120, 40));
}

QString TfrmInfo::mailtoText()
{
    return QStringLiteral("mailto:") + makerEmail() + QStringLiteral("?subject=") + QStringLiteral("Software Scortex")
           + QStringLiteral("&body=")
           + QStringLiteral("Salve, desidererei avere le seguenti informazioni sul software in oggetto:");
}

// ---------------------------------------------------------------- TfrmSplash

TfrmSplash::TfrmSplash(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmSplash"), QStringLiteral(" Scortex - realizzato da Scortex Software"),
                   QSize(661, 467), owner, Qt::white, QColor(0xD6, 0xE9, 0xF5))
{
    centreOnOwner(true);
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/credits.svg"), this);
    logo->setGeometry(30, 20, 601, 300);

    imgWeb = new TPictureButton(QStringLiteral("imgWeb"), QStringLiteral(":/art/web.svg"),
                                QStringLiteral("Visita ") + webAddress(), this);
    imgWeb->setGeometry(30, 345, 44, 44);
    lnkWeb = new TLinkLabel(QStringLiteral("lnkWeb"), webAddress(), this);
    lnkWeb->setGeometry(82, 352, 400, 30);
    lnkWeb->attachIcon(imgWeb);
    connect(lnkWeb, &TLinkLabel::clicked, this, [this] {
        lnkWeb->setColor(TLinkLabel::restColor());
        TMisc::Open(webAddress());
    });

    btnChiudi = closeButton(this, QRect(511, 410, 120, 40));
}

#include "mainmenu.h"

#include "app/helptopics.h"
#include "ui/helpwindows.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QLabel>
#include <QPushButton>

TfrmAvvio::TfrmAvvio(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmAvvio"), QStringLiteral(" Scortex"), parent)
{
    QWidget *p = panel();

    imgInfo = new TPictureButton(QStringLiteral("imgInfo"), QStringLiteral(":/art/info.svg"),
                                 QStringLiteral("Informazioni"), p);
    imgInfo->setGeometry(20, 20, 48, 48);
    imgGuida = new TPictureButton(QStringLiteral("imgGuida"), QStringLiteral(":/art/guida.svg"),
                                  QStringLiteral("Guida"), p);
    imgGuida->setGeometry(927, 20, 48, 48);

    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), p);
    logo->setGeometry(317, 14, 360, 96);
    auto *subtitle = new QLabel(QStringLiteral("Scegli l'applicazione con cui lavorare"), p);
    subtitle->setObjectName(QStringLiteral("lblSottotitolo"));
    subtitle->setFont(layoutFont(QStringLiteral("Arial"), 13, true));
    subtitle->setStyleSheet(QStringLiteral("color: #408AB3;"));
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setGeometry(197, 112, 600, 28);

    const char *captions[4] = {"Archivio Fornitori", "Magazzino Prodotti", "Inventario Merce",
                               "Operazioni di carico"};
    const QSize tile(400, 220);
    const int gap = 30;
    const int left = (panelSize().width() - 2 * tile.width() - gap) / 2;
    const int top = 156;
    for (int i = 0; i < 4; ++i) {
        const QString n = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        const QString text = QString::fromUtf8(captions[i]);
        const QPoint at(left + (i % 2) * (tile.width() + gap), top + (i / 2) * (tile.height() + gap));

        auto *frame = new QLabel(p);
        frame->setObjectName(QStringLiteral("shpApp") + n);
        frame->setGeometry(QRect(at, tile));
        frame->setStyleSheet(QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #F4F9FC, "
                                            "stop:1 #DCEBF5); border: 2px solid #9CC3DB; border-radius: 12px;"));

        imgApp[i] = new TPictureButton(QStringLiteral("imgApp") + n, QStringLiteral(":/art/app%1.svg").arg(n), text, p);
        imgApp[i]->setGeometry(at.x() + (tile.width() - 130) / 2, at.y() + 16, 130, 130);

        btnApp[i] = new QPushButton(text, p);
        btnApp[i]->setObjectName(QStringLiteral("btnApp") + n);
        btnApp[i]->setFont(layoutFont(QStringLiteral("Arial"), 14, true));
        btnApp[i]->setCursor(Qt::PointingHandCursor);
        btnApp[i]->setFlat(true);
        btnApp[i]->setStyleSheet(QStringLiteral(
            "QPushButton { color: #1F4E6E; background: transparent; border: none; }"
            "QPushButton:hover { color: #408AB3; text-decoration: underline; }"
            "QPushButton:focus { color: #408AB3; text-decoration: underline; }"));
        btnApp[i]->setGeometry(at.x() + 20, at.y() + 160, tile.width() - 40, 44);

        connect(imgApp[i], &QAbstractButton::clicked, this, [this, i] { emit applicationChosen(i + 1); });
        connect(btnApp[i], &QAbstractButton::clicked, this, [this, i] { emit applicationChosen(i + 1); });
    }

    imgCopyright = new TPictureButton(QStringLiteral("imgCopyright"), QStringLiteral(":/art/copyright.svg"),
                                      QStringLiteral("Crediti"), p);
    imgCopyright->setGeometry(20, 640, 32, 32);
    icoSito = new TPictureButton(QStringLiteral("icoSito"), QStringLiteral(":/art/sito.svg"),
                                 QStringLiteral("Visita il sito scortex.example.com"), p);
    icoSito->setGeometry(237, 636, 520, 40);
    imgEsci = new TPictureButton(QStringLiteral("imgEsci"), QStringLiteral(":/art/esci.svg"),
                                 QStringLiteral("Esci"), p);
    imgEsci->setGeometry(927, 628, 48, 48);

    connect(imgInfo, &QAbstractButton::clicked, this, &TfrmAvvio::imgInfoClick);
    connect(imgGuida, &QAbstractButton::clicked, this, &TfrmAvvio::imgGuidaClick);
    connect(imgCopyright, &QAbstractButton::clicked, this, &TfrmAvvio::imgCopyrightClick);
    connect(icoSito, &QAbstractButton::clicked, this, [] { TMisc::Open(siteAddress()); });
    connect(imgEsci, &QAbstractButton::clicked, this, &QWidget::close);
}

void TfrmAvvio::imgInfoClick()
{
    openDialog<TfrmInfo>(this);
}

void TfrmAvvio::imgGuidaClick()
{
    showHelp(this, HelpTopics::overview());
}

void TfrmAvvio::imgCopyrightClick()
{
    openDialog<TfrmSplash>(this);
}

#include "inventorymenu.h"

#include "products/inventorywindow.h"
#include "products/producthelp.h"
#include "ui/helpwindows.h"
#include "ui/widgets.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmMenuRiepilogo::TfrmMenuRiepilogo(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmMenuRiepilogo"), QStringLiteral(" Scortex - Inventario Merce"), parent)
{
    QWidget *p = panel();
    addBanner(QStringLiteral("Inventario Merce"));

    lblApri = new QLabel(QStringLiteral("Indicare una tipologia di articoli e premere il pulsante Visualizza."), p);
    lblApri->setObjectName(QStringLiteral("lblApri"));
    lblApri->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    lblApri->setStyleSheet(QStringLiteral("color: #1F3A5F;"));
    lblApri->setAlignment(Qt::AlignCenter);
    lblApri->setGeometry(40, 220, 915, 28);

    txtTipologia = new QLineEdit(p);
    txtTipologia->setObjectName(QStringLiteral("txtTipologia"));
    txtTipologia->setFont(layoutFont(QStringLiteral("Arial"), 22, true));
    txtTipologia->setGeometry(222, 262, 550, 50);
    txtTipologia->setAccessibleName(QStringLiteral("Tipologia di articoli"));
    new THighlightFrame(QStringLiteral("effTipologia"), txtTipologia);

    btnVisualizza = makeButton(p, QStringLiteral("btnVisualizza"), QStringLiteral("Visualizza"),
                               QRect(397, 336, 200, 48), 12);

    lblInformazioni = new QLabel(QStringLiteral("Per ottenere l'inventario di tutti gli articoli in magazzino, premere "
                                                "il pulsante Visualizza senza indicare alcuna tipologia."),
                                 p);
    lblInformazioni->setObjectName(QStringLiteral("lblInformazioni"));
    lblInformazioni->setFont(layoutFont(QStringLiteral("Arial"), 11));
    lblInformazioni->setStyleSheet(QStringLiteral("color: #1F3A5F;"));
    lblInformazioni->setAlignment(Qt::AlignCenter);
    lblInformazioni->setWordWrap(true);
    lblInformazioni->setGeometry(147, 408, 700, 48);

    lblAttendere = new QLabel(QStringLiteral("Caricamento inventario in corso. Attendere..."), p);
    lblAttendere->setObjectName(QStringLiteral("lblAttendere"));
    lblAttendere->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    lblAttendere->setStyleSheet(QStringLiteral("color: #DC143C;"));
    lblAttendere->setAlignment(Qt::AlignCenter);
    lblAttendere->setGeometry(40, 480, 915, 28);
    lblAttendere->setAccessibleName(lblAttendere->text());
    lblAttendere->hide();

    imgGuida = new TPictureButton(QStringLiteral("imgGuida"), QStringLiteral(":/art/guida.svg"), QStringLiteral("Guida"), p);
    imgGuida->setCaptionVisible(true);
    imgGuida->setGeometry(20, 600, 80, 80);
    imgEsci = new TPictureButton(QStringLiteral("imgEsci"), QStringLiteral(":/art/esci.svg"), QStringLiteral("Esci"), p);
    imgEsci->setCaptionVisible(true);
    imgEsci->setGeometry(895, 600, 80, 80);

    setTabOrder(txtTipologia, btnVisualizza);
    setTabOrder(btnVisualizza, imgGuida);
    setTabOrder(imgGuida, imgEsci);

    btnVisualizza->installEventFilter(this);
    connect(btnVisualizza, &QPushButton::clicked, this, &TfrmMenuRiepilogo::btnVisualizzaClick);
    connect(imgGuida, &QAbstractButton::clicked, this, [this] { showHelp(this, ProductHelp::inventory()); });
    connect(imgEsci, &QAbstractButton::clicked, this, &QWidget::close);
}

void TfrmMenuRiepilogo::FormShow()
{
    txtTipologia->clear();
    txtTipologia->setFocus();
}

void TfrmMenuRiepilogo::btnVisualizzaClick()
{
    openDialog<TfrmRiepilogo>(this, [this](TfrmRiepilogo &w) { w.setFilter(txtTipologia->text()); });
    lblAttendere->hide();
}

bool TfrmMenuRiepilogo::eventFilter(QObject *watched, QEvent *event)
{
    // The waiting text is up as soon as the button is pressed.
    if (watched == btnVisualizza && event->type() == QEvent::MouseButtonPress)
        lblAttendere->show();
    return TApplicationScreen::eventFilter(watched, event);
}

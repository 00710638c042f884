#include "summarymenu.h"

#include "ui/widgets.h"

#include <QLabel>
#include <QLineEdit>

TfrmMenuRiepilogoCarico::TfrmMenuRiepilogoCarico(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmMenuRiepilogoCarico"),
                         QStringLiteral(" Scortex - Riepilogo movimenti di carico merce"), parent)
{
    QWidget *p = panel();
    addBanner(QStringLiteral("Riepilogo movimenti di carico merce"));
    lblFile = new QLabel(p);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->hide();

    auto *caption = new QLabel(QStringLiteral("Anno:"), p);
    caption->setObjectName(QStringLiteral("titAnno"));
    caption->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    caption->setGeometry(387, 200, 80, 36);
    txtAnno = new QLineEdit(p);
    txtAnno->setObjectName(QStringLiteral("txtAnno"));
    txtAnno->setFont(layoutFont(QStringLiteral("Arial"), 14, true));
    txtAnno->setMaxLength(4);
    txtAnno->setGeometry(467, 200, 100, 36);
    caption->setBuddy(txtAnno);
    txtAnno->setAccessibleName(QStringLiteral("Anno"));

    // The year printed beside the start and end day and month.
    for (auto [label, name, top] : {std::tuple{&lblAnnoInizio, "lblAnnoInizio", 100},
                                    std::tuple{&lblAnnoFine, "lblAnnoFine", 150}}) {
        *label = new QLabel(p);
        (*label)->setObjectName(QLatin1StringView(name));
        (*label)->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
        (*label)->setGeometry(467, top + 160, 100, 30);
    }
}

#include "findrow.h"

#include "ui/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QLabel *addHelpLine(QWidget *parent, const char *name, const QString &text, const QRect &at)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1StringView(name));
    l->setFont(layoutFont(QStringLiteral("Arial"), 10));
    l->setStyleSheet(QStringLiteral("color: #1F2A33; background: transparent;"));
    l->setGeometry(at);
    return l;
}

TFindRow TFindRow::add(QWidget *parent, int top, int lineWidth, int boxWidth, const QRect &button)
{
    TFindRow row;
    row.lblRigo01 = addHelpLine(parent, "lblRigo01",
                             QStringLiteral("Immettere una o più parole consecutive presenti nella scheda in elenco "
                                            "da cercare e premere il pulsante Trova."),
                             QRect(20, top, lineWidth, 18));
    row.lblRigo02 = addHelpLine(parent, "lblRigo02",
                             QStringLiteral("Per spostarsi sulla voce successiva contenente la stessa chiave di "
                                            "ricerca, fare di nuovo clic su Trova."),
                             QRect(20, top + 20, lineWidth, 18));
    auto *magnifier = new TPicture(QStringLiteral("imgTrova"), QStringLiteral(":/art/trova.svg"), parent);
    magnifier->setGeometry(20, top + 48, 30, 30);
    row.txtTrova = new QLineEdit(parent);
    row.txtTrova->setObjectName(QStringLiteral("txtTrova"));
    row.txtTrova->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    row.txtTrova->setGeometry(56, top + 48, boxWidth, 30);
    row.txtTrova->setAccessibleName(QStringLiteral("Testo da trovare nell'elenco"));
    row.btnTrova = makeButton(parent, QStringLiteral("btnTrova"), QStringLiteral("Trova"), button);
    return row;
}

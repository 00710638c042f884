#pragma once

#include <QRect>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// A line of guidance above a list: plain Arial 10, dark grey.
QLabel *addHelpLine(QWidget *parent, const char *name, const QString &text, const QRect &at);

// The find row both list families show above their list: two lines that say
// how to find, the magnifier, the text box and Trova.
struct TFindRow
{
    QLabel *lblRigo01;
    QLabel *lblRigo02;
    QLineEdit *txtTrova;
    QPushButton *btnTrova;

    // The lines start at `top` and are `lineWidth` wide; the box, `boxWidth`
    // wide, and the button at `button` come 48 pixels lower.
    static TFindRow add(QWidget *parent, int top, int lineWidth, int boxWidth, const QRect &button);
};

#pragma once

#include <QAbstractButton>
#include <QEnterEvent>
#include <QColor>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "ui/artwork.h"
#include "ui/keyfilters.h"

#include <memory>

class QLineEdit;

// A clickable picture, optionally with its caption drawn under or over it.
// The caption is also its accessible name, so screen readers can say it.
class TPictureButton : public QAbstractButton
{
    Q_OBJECT

public:
    TPictureButton(const QString &objectName, const QString &picture, const QString &caption,
                   QWidget *parent = nullptr);

    void setPicture(const QString &resource);
    void setCaptionVisible(bool visible) { m_captionVisible = visible; update(); }
    void setCaptionFont(const QFont &font) { m_captionFont = font; update(); }
    void setCaptionColor(const QColor &color) { m_captionColor = color; update(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void renderPicture(QPainter &p, const QRectF &area);

    std::unique_ptr<TArtwork> m_renderer;

private:
    bool m_captionVisible = false;
    QFont m_captionFont;
    QColor m_captionColor = QColor(0x1F, 0x3A, 0x5F);
};

// A command of a card's button column: its picture at the left and its
// caption drawn beside it.
class TCommandButton : public TPictureButton
{
    Q_OBJECT

public:
    TCommandButton(const QString &objectName, const QString &picture, const QString &caption,
                   QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool m_hover = false;
};

// A static picture drawn from vector artwork, keeping its proportions.
class TPicture : public QWidget
{
    Q_OBJECT

public:
    TPicture(const QString &objectName, const QString &picture, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::unique_ptr<TArtwork> m_renderer;
};

// The focus highlight of an edit box: a yellow frame whose border fades to
// white, 4 pixels larger than the box on every side, drawn behind it and
// visible only while the box has the focus.
class THighlightFrame : public QWidget
{
    Q_OBJECT

public:
    THighlightFrame(const QString &objectName, QWidget *box);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow();
    QWidget *m_box;
};

// A link text: dark blue at rest, orange while the mouse button is held on
// it (or on its icon, see pressLink), dark blue again on release.
class TLinkLabel : public QLabel
{
    Q_OBJECT

public:
    TLinkLabel(const QString &objectName, const QString &text, QWidget *parent = nullptr);

    static QColor restColor() { return QColor(0x00, 0x00, 0x8B); }
    static QColor pressedColor() { return QColor(0xFF, 0xA5, 0x00); }
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

    // An icon beside the link acts like the link itself.
    void attachIcon(QAbstractButton *icon);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QColor m_color;
};

// A background that fades vertically between two colours.
class TGradientBackground : public QWidget
{
    Q_OBJECT

public:
    TGradientBackground(const QColor &top, const QColor &bottom, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_top;
    QColor m_bottom;
};

// The window flags of a fixed-size dialog without border icons: a title
// bar and nothing else. X11 window managers read a window that asks for no
// buttons at all as one that allows every button, minimize and maximize
// included, so there it keeps the close button alone (which closes the
// dialog as Esc does).
Qt::WindowFlags fixedDialogFlags();

// A fixed-size dialog without border icons, with a gradient background.
class TFixedDialog : public QDialog
{
    Q_OBJECT

public:
    TFixedDialog(const QString &objectName, const QString &caption, QSize clientSize, QWidget *owner,
                 const QColor &top = Qt::white, const QColor &bottom = Qt::white);

    // Centre on the screen (the default) or on the window that opened it.
    void centreOnOwner(bool onOwner) { m_centreOnOwner = onOwner; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool m_centreOnOwner = false;
};

// The dialog contract: a new instance owned by the opener, prepared, shown
// modally and destroyed after it closes.
template <class Dialog, class Prepare>
int openDialog(QWidget *owner, Prepare &&prepare)
{
    QPointer<Dialog> dialog = new Dialog(owner);
    prepare(*dialog);
    const int result = dialog->exec();
    delete dialog.data();
    return result;
}

template <class Dialog>
int openDialog(QWidget *owner)
{
    return openDialog<Dialog>(owner, [](Dialog &) {});
}

// A push button of the program's windows: bold Arial, hand cursor, and
// Enter presses it when it has the focus.
class QPushButton;
QPushButton *makeButton(QWidget *parent, const QString &objectName, const QString &text, const QRect &geometry,
                        int pointSize = 11);

// Fonts named by the layouts; fontconfig maps them to metric-compatible faces.
QFont layoutFont(const QString &family, int pointSize, bool bold = false, bool underline = false);

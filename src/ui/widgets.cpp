#include "widgets.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

QPushButton *makeButton(QWidget *parent, const QString &objectName, const QString &text, const QRect &geometry,
                        int pointSize)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(objectName);
    b->setFont(layoutFont(QStringLiteral("Arial"), pointSize, true));
    b->setCursor(Qt::PointingHandCursor);
    b->setAutoDefault(true);
    b->setGeometry(geometry);
    return b;
}

QFont layoutFont(const QString &family, int pointSize, bool bold, bool underline)
{
    QFont font(family, pointSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

// ---------------------------------------------------------------- TPictureButton

TPictureButton::TPictureButton(const QString &objectName, const QString &picture, const QString &caption,
                               QWidget *parent)
    : QAbstractButton(parent), m_renderer((ensureArtwork(), std::make_unique<TArtwork>(picture)))
{
    setObjectName(objectName);
    setText(caption);
    setAccessibleName(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    m_captionFont = layoutFont(QStringLiteral("Arial"), 11, true);
}

void TPictureButton::setPicture(const QString &resource)
{
    m_renderer->load(resource);
    update();
}

QSize TPictureButton::sizeHint() const
{
    return QSize(64, 64);
}

void TPictureButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF area = rect();
    if (m_captionVisible) {
        const QFontMetrics fm(m_captionFont);
        const int captionHeight = fm.height() + 6;
        area.setBottom(area.bottom() - captionHeight);
        p.setFont(m_captionFont);
        p.setPen(m_captionColor);
        p.drawText(QRectF(0, area.bottom(), width(), captionHeight), Qt::AlignCenter, text());
    }
    if (isDown())
        p.setOpacity(0.75);
    renderPicture(p, area);
    p.setOpacity(1);
    if (hasFocus()) {
        QPen pen(QColor(0x40, 0x8A, 0xB3), 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TPictureButton::renderPicture(QPainter &p, const QRectF &area)
{
    if (!m_renderer->isValid())
        return;
    QSizeF size = m_renderer->defaultSize();
    size.scale(area.size(), Qt::KeepAspectRatio);
    m_renderer->render(&p, QRectF(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2,
                                  size.width(), size.height()));
}

// ---------------------------------------------------------------- TCommandButton

TCommandButton::TCommandButton(const QString &objectName, const QString &picture, const QString &caption,
                               QWidget *parent)
    : TPictureButton(objectName, picture, caption, parent)
{
    setMouseTracking(true);
}

void TCommandButton::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    TPictureButton::enterEvent(event);
}

void TCommandButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    TPictureButton::leaveEvent(event);
}

void TCommandButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(0, 0, 0, height());
    const bool lit = m_hover || hasFocus();
    g.setColorAt(0, isDown() ? QColor(0xC9, 0xE2, 0xF2) : (lit ? QColor(0xF4, 0xFA, 0xFF) : Qt::white));
    g.setColorAt(1, isDown() ? QColor(0xA9, 0xCF, 0xE8) : (lit ? QColor(0xD6, 0xE9, 0xF5) : QColor(0xE6, 0xEE, 0xF3)));
    p.setBrush(g);
    p.setPen(QPen(lit ? QColor(0x40, 0x8A, 0xB3) : QColor(0xA8, 0xBC, 0xC8), hasFocus() ? 2 : 1));
    p.drawRoundedRect(box, 6, 6);
    const qreal icon = height() - 12;
    renderPicture(p, QRectF(8, 6, icon, icon));
    p.setPen(QColor(0x1F, 0x3A, 0x5F));
    p.setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    p.drawText(QRectF(16 + icon, 0, width() - 20 - icon, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

// ---------------------------------------------------------------- TPicture

TPicture::TPicture(const QString &objectName, const QString &picture, QWidget *parent)
    : QWidget(parent), m_renderer((ensureArtwork(), std::make_unique<TArtwork>(picture)))
{
    setObjectName(objectName);
    setAttribute(Qt::WA_TranslucentBackground);
}

void TPicture::paintEvent(QPaintEvent *)
{
    if (!m_renderer->isValid())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QSizeF size = m_renderer->defaultSize();
    size.scale(QSizeF(this->size()), Qt::KeepAspectRatio);
    m_renderer->render(&p, QRectF((width() - size.width()) / 2, (height() - size.height()) / 2,
                                  size.width(), size.height()));
}

// ---------------------------------------------------------------- THighlightFrame

THighlightFrame::THighlightFrame(const QString &objectName, QWidget *box)
    : QWidget(box->parentWidget()), m_box(box)
{
    setObjectName(objectName);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    follow();
    stackUnder(box);
    setVisible(box->hasFocus());
    box->installEventFilter(this);
}

void THighlightFrame::follow()
{
    setGeometry(m_box->geometry().adjusted(-4, -4, 4, 4));
}

bool THighlightFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_box) {
        switch (event->type()) {
        case QEvent::FocusIn:
            follow();
            show();
            stackUnder(m_box);
            break;
        case QEvent::FocusOut:
            // The box's own list dropping down keeps it highlighted.
            if (static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
                hide();
            break;
        case QEvent::Hide:
            hide();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            follow();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void THighlightFrame::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor yellow(0xFF, 0xFF, 0x00);
    // The border fades from yellow inside to white at the edge.
    for (int i = 0; i < 4; ++i) {
        QColor c = yellow;
        const qreal t = (4 - i) / 4.0;
        c.setRed(int(yellow.red() + (255 - yellow.red()) * t));
        c.setGreen(int(yellow.green() + (255 - yellow.green()) * t));
        c.setBlue(int(yellow.blue() + (255 - yellow.blue()) * t));
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawRoundedRect(QRectF(rect()).adjusted(i, i, -i, -i), 3, 3);
    }
    p.setBrush(yellow);
    p.drawRect(rect().adjusted(4, 4, -4, -4));
}

// ---------------------------------------------------------------- TLinkLabel

TLinkLabel::TLinkLabel(const QString &objectName, const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setObjectName(objectName);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFont(layoutFont(QStringLiteral("Tahoma"), 14, false, true));
    setColor(restColor());
}

void TLinkLabel::setColor(const QColor &color)
{
    m_color = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

void TLinkLabel::attachIcon(QAbstractButton *icon)
{
    icon->setFocusPolicy(Qt::NoFocus);
    connect(icon, &QAbstractButton::pressed, this, [this] { setColor(pressedColor()); });
    connect(icon, &QAbstractButton::released, this, [this] { setColor(restColor()); });
    connect(icon, &QAbstractButton::clicked, this, [this] {
        setColor(restColor());
        emit clicked();
    });
}

void TLinkLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        setColor(pressedColor());
    QLabel::mousePressEvent(event);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        setColor(restColor());
        if (rect().contains(event->position().toPoint()))
            emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

void TLinkLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        setColor(restColor());
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

// ---------------------------------------------------------------- TGradientBackground

TGradientBackground::TGradientBackground(const QColor &top, const QColor &bottom, QWidget *parent)
    : QWidget(parent), m_top(top), m_bottom(bottom)
{
}

void TGradientBackground::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, m_top);
    g.setColorAt(1, m_bottom);
    p.fillRect(rect(), g);
}

// ---------------------------------------------------------------- TFixedDialog

Qt::WindowFlags fixedDialogFlags()
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
#ifndef Q_OS_WIN
    flags |= Qt::WindowCloseButtonHint;
#endif
    return flags;
}

TFixedDialog::TFixedDialog(const QString &objectName, const QString &caption, QSize clientSize, QWidget *owner,
                           const QColor &top, const QColor &bottom)
    : QDialog(owner, fixedDialogFlags())
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setFixedSize(clientSize);
    setModal(true);
    auto *background = new TGradientBackground(top, bottom, this);
    background->setObjectName(QStringLiteral("bkgSfondo"));
    background->setGeometry(rect());
    background->lower();
}

void TFixedDialog::showEvent(QShowEvent *event)
{
    QWidget *anchor = m_centreOnOwner ? parentWidget() : nullptr;
    QRect area;
    if (anchor && anchor->isVisible())
        area = anchor->frameGeometry();
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - rect().center());
    QDialog::showEvent(event);
}

#include "applicationscreen.h"

#include "widgets.h"

#include <QCloseEvent>
#include <QLabel>
#include <QShowEvent>

TApplicationScreen::TApplicationScreen(const QString &objectName, const QString &caption, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    resize(designSize());
    m_background = new TGradientBackground(QColor(0xFF408AB3), Qt::white, this);
    m_background->setObjectName(QStringLiteral("bkgSfondo"));
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("panSfondo"));
    m_panel->setFixedSize(panelSize());
    m_panel->setAutoFillBackground(true);
    QPalette pal = m_panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    m_panel->setPalette(pal);
}

void TApplicationScreen::addBanner(const QString &title)
{
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), m_panel);
    logo->setGeometry(317, 20, 360, 96);
    auto *heading = new QLabel(title, m_panel);
    heading->setObjectName(QStringLiteral("lblTitolo"));
    heading->setFont(layoutFont(QStringLiteral("Arial"), 14, true));
    heading->setStyleSheet(QStringLiteral("color: #1F4E6E;"));
    heading->setAlignment(Qt::AlignCenter);
    heading->setGeometry(40, 130, 915, 32);
}

void TApplicationScreen::open()
{
    showMaximized();
}

void TApplicationScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TApplicationScreen::closeEvent(QCloseEvent *event)
{
    emit closing();
    event->accept();
}

void TApplicationScreen::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_background->setGeometry(rect());
    m_panel->move(qMax(0, (width() - m_panel->width()) / 2), qMax(0, (height() - m_panel->height()) / 2));
}

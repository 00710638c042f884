#include "totalwindow.h"

#include "ui/findrow.h"

#include "output/layouts.h"
#include "output/reportoutput.h"
#include "ui/helpwindows.h"
#include "ui/resultlist.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr QSize kPanel(995, 692);

QLabel *label(QWidget *parent, const QString &name, const QString &text, int points, bool bold, const char *color,
              const QRect &at)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(layoutFont(QStringLiteral("Arial"), points, bold));
    l->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(QLatin1StringView(color)));
    l->setGeometry(at);
    return l;
}

} // namespace

TTotalListWindow::TTotalListWindow(const QString &objectName, const QString &caption, const QString &filterCaption,
                                   const HelpTopic &topic, const QString &printCaption, FindEnter findEnter,
                                   Messages::Kind emptyFindKind, QWidget *owner)
    : QDialog(owner, Qt::Window), repRiepilogo(ReportLayouts::listReport()), m_findEnter(findEnter),
      m_emptyFindKind(emptyFindKind)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);
    resize(1016, 713);
    m_background = new TGradientBackground(QColor(0xFF408AB3), Qt::white, this);
    m_background->setObjectName(QStringLiteral("bkgSfondo"));
    m_panel = new QWidget(this);
    m_panel->setObjectName(QStringLiteral("panSfondo"));
    m_panel->setFixedSize(kPanel);
    m_panel->setAutoFillBackground(true);
    QPalette pal = m_panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    m_panel->setPalette(pal);
    QWidget *p = m_panel;

    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), p);
    logo->setGeometry(16, 8, 250, 62);
    lblTipologia = label(p, QStringLiteral("lblTipologia"), filterCaption, 12, true, "#1F3A5F", QRect(290, 24, 210, 28));
    lblTipologia->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    titTipologia = label(p, QStringLiteral("titTipologia"), QStringLiteral("- - -"), 12, true, "#8B0000",
                         QRect(510, 24, 420, 28));
    titTipologia->setAccessibleName(titTipologia->text());
    imgGuida = new TPictureButton(QStringLiteral("imgGuida"), QStringLiteral(":/art/guida.svg"), QStringLiteral("Guida"), p);
    imgGuida->setGeometry(943, 16, 40, 40);
    imgGuida->setToolTip(QStringLiteral("Guida"));
    connect(imgGuida, &QAbstractButton::clicked, this, [this, topic] { showHelp(this, topic); });

    const TFindRow find = TFindRow::add(p, 80, 955, 700, QRect(770, 125, 205, 36));
    lblRigo01 = find.lblRigo01;
    lblRigo02 = find.lblRigo02;
    txtTrova = find.txtTrova;
    btnTrova = find.btnTrova;

    lstRecords = new TResultList(p);
    lstRecords->setGeometry(20, 172, 955, 410);

    btnStampa = makeButton(p, QStringLiteral("btnStampa"), printCaption, QRect(640, 628, 180, 44));
    btnEsci = makeButton(p, QStringLiteral("btnEsci"), QStringLiteral("Esci"), QRect(835, 628, 140, 44));

    setTabOrder(txtTrova, btnTrova);
    setTabOrder(btnTrova, lstRecords);
    setTabOrder(lstRecords, btnStampa);
    setTabOrder(btnStampa, btnEsci);
    setTabOrder(btnEsci, imgGuida);

    txtTrova->installEventFilter(this);
    lstRecords->installEventFilter(this);
    connect(btnTrova, &QPushButton::clicked, this, &TTotalListWindow::btnTrovaClick);
    connect(btnStampa, &QPushButton::clicked, this, &TTotalListWindow::btnStampaClick);
    connect(btnEsci, &QPushButton::clicked, this, &QDialog::reject);
}

QLabel *TTotalListWindow::addInfo(int row, const QString &captionName, const QString &caption, const QString &valueName,
                                  const QString &value)
{
    const int y = 596 + row * 30;
    // Without a caption the value takes the whole row.
    if (!caption.isEmpty())
        label(m_panel, captionName, caption, 12, true, "#1F3A5F", QRect(20, y, 200, 26));
    const QRect at = caption.isEmpty() ? QRect(20, y, 600, 26) : QRect(224, y, 400, 26);
    QLabel *v = label(m_panel, valueName, value, 12, true, "#8B0000", at);
    v->setAccessibleName(value);
    return v;
}

void TTotalListWindow::setSpokenText(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setAccessibleName(text);
}

int TTotalListWindow::exec()
{
    setWindowState(windowState() | Qt::WindowMaximized);
    show();
    lstRecords->resetFind();
    txtTrova->clear();
    FormShow();
    txtTrova->setFocus();
    return QDialog::exec();
}

void TTotalListWindow::btnTrovaClick()
{
    lstRecords->findNext(txtTrova->text(), m_emptyFindKind);
}

bool TTotalListWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Enter never reaches the dialog, which would press its default button:
    // in the find box it moves to Trova or does nothing, on the list nothing.
    if ((watched == txtTrova || watched == lstRecords) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == txtTrova && m_findEnter == FindEnter::MovesToTrova)
                btnTrova->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TTotalListWindow::printLines(const QString &title, const QStringList &lines)
{
    ReportLayouts::fillList(repRiepilogo, title, lines);
    ReportOutput::print(this, repRiepilogo.prepare(AppContext::now()));
}

void TTotalListWindow::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_background->setGeometry(rect());
    m_panel->move(qMax(0, (width() - m_panel->width()) / 2), qMax(0, (height() - m_panel->height()) / 2));
}

void TTotalListWindow::done(int result)
{
    // Closing, by any way, empties the list.
    lstRecords->clearLines();
    QDialog::done(result);
}

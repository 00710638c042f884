#include "listwindow.h"

#include "ui/findrow.h"

#include "output/layouts.h"
#include "output/reportoutput.h"
#include "storage/archiveerror.h"
#include "storage/recordfile.h"
#include "storage/textrules.h"
#include "ui/cardscreen.h"
#include "ui/linemodel.h"
#include "ui/responsive.h"
#include "ui/resultlist.h"
#include "ui/services.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

QWidget *TListWindow::addPanel(const QString &name)
{
    auto *panel = new QWidget(this);
    panel->setObjectName(name);
    panel->setGeometry(rect());
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), panel);
    logo->setGeometry(16, 8, 250, 62);
    return panel;
}

QLabel *TListWindow::helpLine(QWidget *parent, const char *name, const QString &text, int y)
{
    return addHelpLine(parent, name, text, QRect(20, y, 822, 18));
}

TListWindow::TListWindow(const ListWindowDefinition &definition, QWidget *owner)
    : TFixedDialog(definition.objectName, definition.caption, QSize(862, 560), owner, QColor(0xC9, 0xE2, 0xF2),
                   Qt::white),
      repRiepilogo(ReportLayouts::listReport()), m_def(definition)
{
    panElenco = addPanel(definition.panelName);
    QWidget *p = panElenco;
    const TFindRow find = TFindRow::add(p, 76, 822, 600, QRect(668, 121, 174, 36));
    lblRigo01 = find.lblRigo01;
    lblRigo02 = find.lblRigo02;
    txtTrova = find.txtTrova;
    btnTrova = find.btnTrova;

    lstRecords = new TResultList(p);
    model = lstRecords->lineModel();
    lstRecords->setGeometry(20, 166, 822, 300);

    lblRigo03 = new QLabel(QStringLiteral("Per richiamare i dati di una scheda, selezionarla con un doppio clic."), p);
    lblRigo03->setObjectName(QStringLiteral("lblRigo03"));
    lblRigo03->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    lblRigo03->setStyleSheet(QStringLiteral("color: #DC143C; background: transparent;"));
    lblRigo03->setGeometry(20, 472, 822, 20);

    if (definition.countLabel) {
        lblTrovate = new QLabel(QStringLiteral("Il presente elenco contiene 0 schede."), p);
        lblTrovate->setObjectName(QStringLiteral("lblTrovate"));
        lblTrovate->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
        lblTrovate->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
        lblTrovate->setGeometry(20, 500, 500, 24);
        lblTrovate->setAccessibleName(lblTrovate->text());
    }

    btnStampa = makeButton(p, QStringLiteral("btnStampa"), QStringLiteral("Stampa"), QRect(548, 508, 140, 40));
    btnChiudi = makeButton(p, QStringLiteral("btnChiudi"), QStringLiteral("Chiudi"), QRect(702, 508, 140, 40));

    setTabOrder(txtTrova, btnTrova);
    setTabOrder(btnTrova, lstRecords);
    setTabOrder(lstRecords, btnStampa);
    setTabOrder(btnStampa, btnChiudi);

    txtTrova->installEventFilter(this);
    lstRecords->installEventFilter(this);
    connect(btnTrova, &QPushButton::clicked, this, &TListWindow::btnTrovaClick);
    connect(btnStampa, &QPushButton::clicked, this, &TListWindow::btnStampaClick);
    connect(btnChiudi, &QPushButton::clicked, this, &QDialog::reject);
    lstRecords->viewport()->installEventFilter(this);
}

QString TListWindow::archivePath() const
{
    return TextRules::trimmed(m_def.archivePath(m_card));
}

void TListWindow::resetFind()
{
    lstRecords->resetFind();
    txtTrova->clear();
    txtTrova->setFocus();
}

void TListWindow::showLines(ListResult result)
{
    lstRecords->setLines(std::move(result.lines));
    warnIncomplete(this, result, false);
}

bool TListWindow::fill(const ListQuery &query)
{
    model->clear();
    const QString path = archivePath();
    const int size = query.format->layout().size();
    ListResult result;
    if (!runScan([&] {
            RecordFile file(path, size);
            result = runQuery(file, query);
        }))
        return false;
    showLines(std::move(result));
    return true;
}

bool TListWindow::runScan(const std::function<void()> &action)
{
    return runArchiveScan(this, action);
}

void TListWindow::btnTrovaClick()
{
    lstRecords->findNext(txtTrova->text());
}

void TListWindow::btnStampaClick()
{
    ReportLayouts::fillList(repRiepilogo, m_def.title, lstRecords->texts());
    ReportOutput::print(this, repRiepilogo.prepare(AppContext::now()));
}

bool TListWindow::loadWholeRecord(const ChosenRecord &chosen)
{
    // Only into a card of the same archive kind.
    if (!m_card || m_card->definition().layout != &m_def.format->layout())
        return false;
    m_card->showRecord(chosen.bytes, chosen.position);
    return true;
}

bool TListWindow::loadRecord(const ChosenRecord &chosen)
{
    return loadWholeRecord(chosen);
}

void TListWindow::lstRecordsDblClick()
{
    const QModelIndexList selected = lstRecords->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        reject();
        return;
    }
    const ListLine line = model->line(selected.first().row());
    const QString path = archivePath();
    const LineFormat &format = *m_def.format;
    std::optional<ChosenRecord> chosen;
    // On a failure nothing reaches the card: it stays exactly as it was.
    if (!runScan([&] {
            RecordFile file(path, format.layout().size());
            chosen = locateRecord(file, format, line);
        })) {
        reject();
        return;
    }
    if (!chosen) {
        Messages::warning(this, missingRecordMessage());
        reject();
        return;
    }
    loadRecord(*chosen);
    accept();
}

bool TListWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A double-click of the left button loads the line under it, or the
    // selected one when it falls below the last line.
    if (watched == lstRecords->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return true;
        const QModelIndex index = lstRecords->indexAt(mouse->position().toPoint());
        if (index.isValid())
            lstRecords->setCurrentIndex(index);
        chooseLine();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        // Enter in the find box moves to Trova without pressing it.
        if (watched == txtTrova && enter) {
            btnTrova->setFocus();
            return true;
        }
        // Enter on a line loads it, as a double-click does.
        if (watched == lstRecords && enter) {
            if (lstRecords->currentIndex().isValid())
                lstRecords->selectionModel()->select(lstRecords->currentIndex(), QItemSelectionModel::ClearAndSelect);
            chooseLine();
            return true;
        }
    }
    return TFixedDialog::eventFilter(watched, event);
}

void TListWindow::setCountText(const QString &text)
{
    if (!lblTrovate)
        return;
    lblTrovate->setText(text);
    lblTrovate->setAccessibleName(text);
}

void TListWindow::done(int result)
{
    // Closing, by any way, empties the list.
    model->clear();
    TFixedDialog::done(result);
}

// ---------------------------------------------------------------- TFilledListWindow

TFilledListWindow::TFilledListWindow(const ListWindowDefinition &definition, std::function<ListQuery()> query,
                                     QWidget *owner)
    : TListWindow(definition, owner), m_query(std::move(query))
{
}

int TFilledListWindow::exec()
{
    show();
    FormShow();
    return TListWindow::exec();
}

void TFilledListWindow::FormShow()
{
    resetFind();
    fill(m_query());
    txtTrova->setFocus();
}

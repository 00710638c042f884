#include "exportwindow.h"

#include "storage/archiveerror.h"
#include "storage/cp1252.h"
#include "storage/recordfile.h"
#include "storage/textrules.h"
#include "ui/helpwindows.h"
#include "ui/responsive.h"
#include "ui/resultlist.h"
#include "ui/services.h"

#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include "storage/safefile.h"
#include <QTableView>

// ---------------------------------------------------------------- TExportModel

TExportModel::TExportModel(const Spreadsheet::Table &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
}

void TExportModel::setRows(Spreadsheet::Rows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int TExportModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_rows.size() > 0 ? int(m_rows.size()) : Spreadsheet::kEmptyRows;
}

int TExportModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_table.columns.size()) + 1;
}

QVariant TExportModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || m_rows.size() == 0)
        return QVariant();
    if (index.column() == 0)
        return QString::number(index.row() + 1);
    return Cp1252::decode(m_rows.cell(index.row(), index.column() - 1));
}

QVariant TExportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return section == 0 ? QStringLiteral("N.") : QString::fromUtf8(m_table.columns[section - 1].gridHeader);
}

// ---------------------------------------------------------------- TExportWindow

TExportWindow::TExportWindow(const ArchiveKind &kind, QWidget *owner)
    : TFixedDialog(kind.sheet().objectName, kind.sheet().caption, QSize(862, 560), owner, QColor(0xC9, 0xE2, 0xF2),
                   Qt::white),
      m_table(kind.sheet()), m_topic(kind.exportHelp())
{
    if (kind.archivePath)
        m_archive = kind.archivePath(AppContext::programFolder());
    const Spreadsheet::Table &table = kind.sheet();
    auto *logo = new TPicture(QStringLiteral("imgLogo"), QStringLiteral(":/art/logo.svg"), this);
    logo->setGeometry(16, 8, 250, 62);
    auto *title = new QLabel(table.caption.trimmed(), this);
    title->setObjectName(QStringLiteral("lblTitolo"));
    title->setFont(layoutFont(QStringLiteral("Arial"), 13, true));
    title->setStyleSheet(QStringLiteral("color: #1F4E6E; background: transparent;"));
    title->setGeometry(290, 24, 556, 30);

    model = new TExportModel(table, this);
    grdRecords = new QTableView(this);
    grdRecords->setObjectName(QStringLiteral("grdRecords"));
    grdRecords->setModel(model);
    grdRecords->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRecords->setAlternatingRowColors(true);
    grdRecords->setSelectionMode(QAbstractItemView::SingleSelection);
    grdRecords->verticalHeader()->hide();
    grdRecords->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdRecords->verticalHeader()->setDefaultSectionSize(21);
    grdRecords->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grdRecords->setFont(layoutFont(QStringLiteral("Arial"), 9));
    grdRecords->setGeometry(20, 80, 822, 380);
    grdRecords->setAccessibleName(QStringLiteral("Schede in archivio"));
    grdRecords->setColumnWidth(0, 60);
    for (qsizetype c = 0; c < table.columns.size(); ++c)
        grdRecords->setColumnWidth(int(c) + 1, table.columns[c].gridWidth);

    panInfo = new QLabel(QStringLiteral("Esportazione archivio in Microsoft Excel."), this);
    panInfo->setObjectName(QStringLiteral("panInfo"));
    panInfo->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    panInfo->setStyleSheet(QStringLiteral("color: #1F3A5F; background: white; border: 1px solid #9CC3DB; "
                                          "padding-left: 6px;"));
    panInfo->setGeometry(20, 520, 822, 26);
    panInfo->setAccessibleName(panInfo->text());

    struct Command
    {
        TPictureButton **button;
        const char *name, *picture, *caption;
        int left;
    };
    const Command commands[] = {
        {&cmdEsporta, "cmdEsporta", ":/art/esporta.svg", "Esporta", 20},
        {&cmdGuida, "cmdGuida", ":/art/guida.svg", "Guida", 652},
        {&cmdEsci, "cmdEsci", ":/art/esci.svg", "Esci", 752},
    };
    for (const Command &c : commands) {
        *c.button = new TPictureButton(QLatin1StringView(c.name), QLatin1StringView(c.picture),
                                       QString::fromUtf8(c.caption), this);
        (*c.button)->setCaptionVisible(true);
        (*c.button)->setGeometry(c.left, 466, 90, 50);
        (*c.button)->installEventFilter(this);
    }
    for (QWidget *w : {static_cast<QWidget *>(grdRecords), grdRecords->viewport(), static_cast<QWidget *>(panInfo)})
        w->installEventFilter(this);
    installEventFilter(this);

    setTabOrder(grdRecords, cmdEsporta);
    setTabOrder(cmdEsporta, cmdGuida);
    setTabOrder(cmdGuida, cmdEsci);

    connect(cmdEsporta, &QAbstractButton::clicked, this, &TExportWindow::cmdEsportaClick);
    connect(cmdGuida, &QAbstractButton::clicked, this, &TExportWindow::cmdGuidaClick);
    connect(cmdEsci, &QAbstractButton::clicked, this, &TExportWindow::cmdEsciClick);
}

QString TExportWindow::filePath() const
{
    return QDir(AppContext::programFolder()).filePath(m_table.fileName);
}

int TExportWindow::exec()
{
    show();
    FormShow();
    return TFixedDialog::exec();
}

void TExportWindow::FormShow()
{
    const QString path = TextRules::trimmed(m_archive);
    const Spreadsheet::Table &table = m_table;
    Spreadsheet::Rows rows;
    // The table shows whatever could be read; what could not is said.
    const bool read = runArchiveScan(this, [&] {
        RecordFile file(path, table.layout->size(), RecordFile::Mode::ReadOrCreate);
        rows = Spreadsheet::Rows::read(file, table);
    });
    if (!read)
        return;
    const qint64 unread = rows.unread;
    const qsizetype shown = rows.size();
    model->setRows(std::move(rows));
    if (unread > 0)
        Messages::warning(this, QStringLiteral("Attenzione: l'archivio non è stato letto per intero.\r\n\r\nLa "
                                               "tabella contiene soltanto le prime %1 schede: %2 schede non sono "
                                               "state lette e non saranno esportate.")
                                    .arg(shown)
                                    .arg(unread));
}

void TExportWindow::cmdEsportaClick()
{
    if (!Messages::confirm(this, firstQuestion()))
        return;
    const QString path = filePath();
    const Spreadsheet::Table &table = m_table;
    const Spreadsheet::Rows &rows = model->rows();
    bool written = false;
    // Off the window's thread, which keeps painting; written whole or not
    // at all, so a failed export leaves the previous file as it was.
    runResponsive([&] {
        SafeFile file(path);
        written = file.open(QIODevice::WriteOnly) && Spreadsheet::write(file, table, rows);
        written = written && file.commit();
    });
    if (!written) {
        Messages::plain(this, failureMessage());
        return;
    }
    if (Messages::confirm(this, doneQuestion()))
        TMisc::Open(u'"' + QDir::toNativeSeparators(path) + u'"');
}

void TExportWindow::cmdGuidaClick()
{
    showHelp(this, m_topic);
}

void TExportWindow::cmdEsciClick()
{
    close();
}

void TExportWindow::setInfo(const QString &text)
{
    panInfo->setText(text);
    panInfo->setAccessibleName(text.isEmpty() ? QStringLiteral("Barra di stato") : text);
}

bool TExportWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter) {
        if (watched == cmdEsporta)
            setInfo(QStringLiteral("Esporta l'archivio in formato Microsoft Excel."));
        else if (watched == cmdGuida)
            setInfo(QStringLiteral("Visualizza la pagina della guida sensibile al contesto."));
        else if (watched == cmdEsci)
            setInfo(QStringLiteral("Esci da questo ambiente di lavoro."));
        else
            setInfo(QString());
    }
    return TFixedDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------- the three windows

TfrmExpFornitori::TfrmExpFornitori(QWidget *owner) : TExportWindow(ArchiveKinds::get("fornitori"), owner)
{
}

TfrmExpMagazzino::TfrmExpMagazzino(QWidget *owner) : TExportWindow(ArchiveKinds::get("magazzino"), owner)
{
}

TfrmExpCarichi::TfrmExpCarichi(QWidget *owner) : TExportWindow(ArchiveKinds::get("carichi"), owner)
{
}

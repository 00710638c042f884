#pragma once

#include "storage/archivekind.h"

#include "output/spreadsheet.h"
#include "ui/helptopic.h"
#include "ui/widgets.h"

#include <QAbstractTableModel>

class QLabel;
class QTableView;
class TPictureButton;

// The rows of an export as a read-only table: the record number, then the
// exported fields; ten empty rows for an empty archive.
class TExportModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    TExportModel(const Spreadsheet::Table &table, QObject *parent = nullptr);

    void setRows(Spreadsheet::Rows rows);
    const Spreadsheet::Rows &rows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const Spreadsheet::Table &m_table;
    Spreadsheet::Rows m_rows;
};

// The export of an archive to the spreadsheet file in the program folder.
class TExportWindow : public TFixedDialog
{
    Q_OBJECT

public:
    QTableView *grdRecords;
    QLabel *panInfo;
    TPictureButton *cmdEsporta, *cmdGuida, *cmdEsci;
    TExportModel *model;

    const Spreadsheet::Table &table() const { return m_table; }
    // Where the archive is; the receipts export takes it from its card.
    void setArchive(const QString &path) { m_archive = path; }
    QString filePath() const;

    // Shown first, so the window is on screen while the archive is read.
    int exec() override;
    void FormShow();

    static QString firstQuestion()
    {
        return QStringLiteral("L'esportazione dei dati in Excel può richiedere diversi minuti a seconda del numero "
                              "di schede presenti in archivio.\r\n\r\nSi vuole esportare i dati adesso?");
    }
    static QString doneQuestion()
    {
        return QStringLiteral("Le schede in archivio sono state esportate con successo.\r\n\r\nSi vuole aprire il "
                              "file di Excel?");
    }
    static QString failureMessage()
    {
        return QStringLiteral("Attenzione: il sistema non permette di esportare i dati.\n\r\n\rAccertarsi che il file "
                              "di Excel non sia già aperto.");
    }

public slots:
    void cmdEsportaClick();
    void cmdGuidaClick();
    void cmdEsciClick();

protected:
    // The export of `kind`'s spreadsheet sheet, from its archive in the
    // program folder (set the archive of a kind kept one file a year).
    TExportWindow(const ArchiveKind &kind, QWidget *owner);
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setInfo(const QString &text);

    const Spreadsheet::Table &m_table;
    HelpTopic m_topic;
    QString m_archive;
};

class TfrmExpFornitori : public TExportWindow
{
    Q_OBJECT
public:
    explicit TfrmExpFornitori(QWidget *owner);
};

class TfrmExpMagazzino : public TExportWindow
{
    Q_OBJECT
public:
    explicit TfrmExpMagazzino(QWidget *owner);
};

class TfrmExpCarichi : public TExportWindow
{
    Q_OBJECT
public:
    explicit TfrmExpCarichi(QWidget *owner);
};

#pragma once

#include "receipts/invoiceimport.h"
#include "ui/widgets.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class TfrmCarichi;

// " Importa fatture elettroniche": the invoices chosen or dropped, each
// with its supplier and lines matched to products, loaded as receipts of
// the receipts card's year, one commit per invoice.
class TfrmImportaFattura : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmImportaFattura(QWidget *owner);

    // The card whose year archive takes the receipts, and shows the first.
    void setCard(TfrmCarichi *card);
    // The files read, planned against the archives, and shown.
    void addFiles(const QStringList &paths);

    QPushButton *btnScegli, *btnCarica, *btnChiudi;
    QPushButton *btnScegliArticolo, *btnNuovoArticolo, *btnSenzaArticolo;
    QLabel *lblFile, *lblFornitore, *lblDocumento, *lblRiga, *lblStato;
    QListWidget *lstFatture;
    QTableWidget *tblRighe;
    QLineEdit *txtData, *txtTipologia;
    QCheckBox *chkDaSaldare, *chkAggiornaCosto;

    static QString fileFilter() { return QStringLiteral("Fatture elettroniche (*.xml *.p7m *.zip)"); }
    // The columns of tblRighe.
    enum Column { ColTick, ColNumero, ColCodice, ColDescrizione, ColQuant, ColCostoUni, ColCostoTot, ColArticolo,
                  ColStato, ColumnCount };

public slots:
    void btnScegliClick();
    void btnCaricaClick();
    void btnScegliArticoloClick();
    void btnNuovoArticoloClick();
    void btnSenzaArticoloClick();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the user decided for a line, beyond the plan.
    enum class Choice { Pending, Existing, New, None };
    struct Entry
    {
        InvoiceImport::Plan plan;
        QList<Choice> choices; // one per plan line
        bool ticked = false;
        bool loadAgain = false;
        QString typeProblem;
        QString data;
        bool daSaldare = true;
        QString tipologia;
    };

    void replan();
    void fillInvoices();
    void showInvoice(int row);
    void keepInvoice();
    void fillLines();
    void showLine(int row);
    void invoiceTicked(int row, bool ticked);
    void lineTicked(int row, bool ticked);
    int currentLine() const;
    void setStatus(const QString &text);
    QString lineProduct(const Entry &e, int line) const;
    QString lineState(const Entry &e, int line) const;
    void openCalendar();

    TfrmCarichi *m_card = nullptr;
    QString m_yearArchive;
    QStringList m_paths;
    QList<Entry> m_entries;
    int m_current = -1;
    bool m_filling = false;
};

#include "products/productrecord.h"
#include "receipts/invoicewindow.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptrecord.h"
#include "storage/record.h"
#include "suppliers/supplierrecord.h"
#include "support/recorders.h"
#include "ui/linemodel.h"
#include "ui/searchwindow.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>

namespace {

QByteArray product(const QString &codice, const QString &giacenza, const QString &fornitore = QStringLiteral("Rossi"))
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, codice);
    r.setValue(ProductRecord::Tipologia, QStringLiteral("Viteria"));
    r.setValue(ProductRecord::Marca, QStringLiteral("ACME"));
    r.setValue(ProductRecord::Modello, QStringLiteral("X1"));
    r.setValue(ProductRecord::Descrizione, QStringLiteral("Articolo ") + codice);
    r.setValue(ProductRecord::Fornitore, fornitore);
    r.setValue(ProductRecord::Giacenza, giacenza);
    r.setValue(ProductRecord::Costo, QStringLiteral("1,00"));
    r.setValue(ProductRecord::Valore, QStringLiteral("1,00"));
    return r.bytes();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QList<QByteArray> records(const QString &path, int size)
{
    QFile f(path);
    QList<QByteArray> out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray all = f.readAll();
    for (qsizetype at = 0; at + size <= all.size(); at += size)
        out << all.mid(at, size);
    return out;
}

QString value(const QByteArray &record, const RecordLayout &layout, int field)
{
    return Record(layout, record).value(field).trimmed();
}

// A supplier not in the archive; line 3's code is in no product, line 4 is
// a service.
QByteArray invoice()
{
    const auto line = [](int n, const char *kind, const char *code, const char *quant, const char *total) {
        QByteArray l = "<DettaglioLinee><NumeroLinea>" + QByteArray::number(n) + "</NumeroLinea>";
        if (*kind)
            l += QByteArray("<TipoCessionePrestazione>") + kind + "</TipoCessionePrestazione>";
        if (*code)
            l += QByteArray("<CodiceArticolo><CodiceTipo>INTERNO</CodiceTipo><CodiceValore>") + code
                 + "</CodiceValore></CodiceArticolo>";
        l += QByteArray("<Descrizione>Riga ") + QByteArray::number(n) + "</Descrizione>";
        if (*quant)
            l += QByteArray("<Quantita>") + quant + "</Quantita>";
        l += QByteArray("<PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>") + total
             + "</PrezzoTotale><AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>";
        return l;
    };
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><FatturaElettronica versione=\"FPR12\">"
                      "<FatturaElettronicaHeader><CedentePrestatore><DatiAnagrafici>"
                      "<IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>03128745605</IdCodice></IdFiscaleIVA>"
                      "<Anagrafica><Denominazione>Minuterie Adriatiche S.r.l.</Denominazione></Anagrafica>"
                      "</DatiAnagrafici><Sede><Indirizzo>Via del Porto</Indirizzo><CAP>65122</CAP>"
                      "<Comune>Pescara</Comune><Provincia>PE</Provincia><Nazione>IT</Nazione></Sede>"
                      "<Contatti><Telefono>085 4471122</Telefono></Contatti>"
                      "</CedentePrestatore></FatturaElettronicaHeader><FatturaElettronicaBody><DatiGenerali>"
                      "<DatiGeneraliDocumento><TipoDocumento>TD01</TipoDocumento><Divisa>EUR</Divisa>"
                      "<Data>2026-12-04</Data><Numero>318/A</Numero>"
                      "<ImportoTotaleDocumento>50.00</ImportoTotaleDocumento></DatiGeneraliDocumento>"
                      "<DatiDDT><NumeroDDT>77</NumeroDDT><DataDDT>2026-11-28</DataDDT>"
                      "<RiferimentoNumeroLinea>2</RiferimentoNumeroLinea></DatiDDT>"
                      "</DatiGenerali><DatiBeniServizi>")
           + line(1, "", "VT-430", "20.00", "20.00") + line(2, "", "TR-18V", "2.00", "2.00")
           + line(3, "", "CH-10", "5.00", "5.00") + line(4, "AC", "", "", "36.00")
           + "</DatiBeniServizi></FatturaElettronicaBody></FatturaElettronica>";
}

QStringList texts(const QList<MessageRecorder::Box> &boxes)
{
    QStringList out;
    for (const MessageRecorder::Box &b : boxes)
        out << b.text;
    return out;
}

} // namespace

class TestInvoiceWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadedFromTheCard();
    void secondTimeIsAlreadyLoaded();
    void productPickedWithTheSearch();
    void choicesOutliveAReadAndReceivedGoodsStayOut();
    void droppedFilesAreRead();

private:
    // Opens the window from the card's command; `act` drives it.
    void openWindow(const std::function<void(TfrmImportaFattura &)> &act);
    QString year() const { return ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2026")); }
    QString products() const { return ProductRecord::archivePath(m_folder->path()); }
    QString suppliers() const { return SupplierRecord::archivePath(m_folder->path()); }

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TfrmCarichi> m_card;
    QString m_invoice;
    QString m_filter;
};

void TestInvoiceWindow::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    AppContext::setClock([] { return QDateTime(QDate(2026, 12, 11), QTime(9, 0)); });
    writeFile(products(), product(QStringLiteral("VT-430"), QStringLiteral("3")) + product(QStringLiteral("TR-18V"), QStringLiteral("1")));
    m_invoice = m_folder->file(QStringLiteral("IT03128745605_A0001.xml"));
    writeFile(m_invoice, invoice());
    FileDialogs::setFilesChooser([this](QWidget *, const QString &, const QString &filter) {
        m_filter = filter;
        return QStringList{m_invoice};
    });
    m_card = std::make_unique<TfrmCarichi>();
    m_card->lblFile->setText(year());
    m_card->open();
}

void TestInvoiceWindow::cleanup()
{
    FileDialogs::setFilesChooser({});
    AppContext::setClock({});
    m_card.reset();
    m_messages.reset();
    m_folder.reset();
}

void TestInvoiceWindow::openWindow(const std::function<void(TfrmImportaFattura &)> &act)
{
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<TfrmImportaFattura *>(modal);
        QVERIFY(w);
        opened = true;
        QCOMPARE(w->windowTitle(), QStringLiteral(" Importa fatture elettroniche"));
        act(*w);
    });
    QCOMPARE(m_card->cmdFattura->text(), QStringLiteral("Fattura elettronica"));
    QTest::mouseClick(m_card->cmdFattura, Qt::LeftButton);
    QVERIFY(opened);
}

void TestInvoiceWindow::loadedFromTheCard()
{
    openWindow([&](TfrmImportaFattura &w) {
        QTest::mouseClick(w.btnScegli, Qt::LeftButton);
        QCOMPARE(m_filter, QStringLiteral("Fatture elettroniche (*.xml *.p7m *.zip)"));
        QCOMPARE(w.lstFatture->count(), 1);
        QCOMPARE(w.lstFatture->item(0)->checkState(), Qt::Checked);
        QVERIFY(w.lblFornitore->text().startsWith(QStringLiteral("Fornitore nuovo: Minuterie Adriatiche S.r.l.")));
        QCOMPARE(w.txtData->text(), QStringLiteral("11/12/2026"));
        QVERIFY(w.chkDaSaldare->isChecked());
        QVERIFY(w.chkAggiornaCosto->isChecked());
        QCOMPARE(w.tblRighe->rowCount(), 4);
        const Qt::CheckState ticks[] = {Qt::Checked, Qt::Checked, Qt::Checked, Qt::Unchecked};
        for (int row = 0; row < 4; ++row)
            QCOMPARE(w.tblRighe->item(row, TfrmImportaFattura::ColTick)->checkState(), ticks[row]);
        QCOMPARE(w.tblRighe->item(0, TfrmImportaFattura::ColArticolo)->text(), QStringLiteral("VT-430"));
        QCOMPARE(w.tblRighe->item(2, TfrmImportaFattura::ColArticolo)->text(), QStringLiteral("da scegliere"));

        // Nothing is written while a line waits for its product, nor
        // while a new product waits for its type.
        QTest::mouseClick(w.btnCarica, Qt::LeftButton);
        QVERIFY2(m_messages->lastText().contains(QStringLiteral("Riga 3: nessun articolo in magazzino ha il codice CH-10")),
                 qPrintable(m_messages->lastText()));
        QCOMPARE(w.tblRighe->currentRow(), 2);
        QTest::mouseClick(w.btnNuovoArticolo, Qt::LeftButton);
        QCOMPARE(w.tblRighe->item(2, TfrmImportaFattura::ColArticolo)->text(), QStringLiteral("nuovo: CH-10"));
        QTest::mouseClick(w.btnCarica, Qt::LeftButton);
        QVERIFY2(m_messages->lastText().contains(QStringLiteral("Indicare la tipologia")), qPrintable(m_messages->lastText()));
        QCOMPARE(w.focusWidget(), w.txtTipologia);
        QVERIFY(!QFile::exists(year()));
        typeText(w.txtTipologia, QStringLiteral("Minuteria"));
        QTest::mouseClick(w.btnCarica, Qt::LeftButton);
        QCOMPARE(m_messages->lastText(), QStringLiteral("Caricati 3 carichi; giacenza aggiornata per 3 articoli."));
        QVERIFY(!w.isVisible());
    });
    // The card shows the first new receipt.
    QCOMPARE(m_card->txtNumDoc->text(), QStringLiteral("318/A"));
    QCOMPARE(m_card->txtCodice->text(), QStringLiteral("VT-430"));
    QCOMPARE(m_card->txtFornitore->text(), QStringLiteral("Minuterie Adriatiche S.r.l."));
    QCOMPARE(m_card->txtRecapiti->text(), QStringLiteral("085 4471122"));

    const QList<QByteArray> receipts = records(year(), ReceiptRecord::Size);
    QCOMPARE(receipts.size(), 3);
    QCOMPARE(value(receipts[2], ReceiptRecord::layout(), ReceiptRecord::Tipologia), QStringLiteral("Minuteria"));
    QCOMPARE(value(receipts[0], ReceiptRecord::layout(), ReceiptRecord::Data), QStringLiteral("11/12/2026"));
    const QList<QByteArray> stock = records(products(), ProductRecord::Size);
    QCOMPARE(stock.size(), 3);
    QCOMPARE(value(stock[0], ProductRecord::layout(), ProductRecord::Giacenza), QStringLiteral("23"));
    QCOMPARE(value(stock[1], ProductRecord::layout(), ProductRecord::Giacenza), QStringLiteral("3"));
    QCOMPARE(value(stock[2], ProductRecord::layout(), ProductRecord::Codice), QStringLiteral("CH-10"));
    QCOMPARE(value(stock[2], ProductRecord::layout(), ProductRecord::Giacenza), QStringLiteral("5"));
    QCOMPARE(value(stock[2], ProductRecord::layout(), ProductRecord::Tipologia), QStringLiteral("Minuteria"));
    const QList<QByteArray> cards = records(suppliers(), SupplierRecord::Size);
    QCOMPARE(cards.size(), 1);
    QCOMPARE(value(cards[0], SupplierRecord::layout(), SupplierRecord::PartitaIva), QStringLiteral("03128745605"));
}

void TestInvoiceWindow::secondTimeIsAlreadyLoaded()
{
    // Loaded once, line 3 without a product.
    openWindow([&](TfrmImportaFattura &w) {
        w.addFiles({m_invoice});
        w.tblRighe->setCurrentCell(2, TfrmImportaFattura::ColDescrizione);
        QTest::mouseClick(w.btnSenzaArticolo, Qt::LeftButton);
        w.txtTipologia->setText(QStringLiteral("Varie"));
        emit w.txtTipologia->textEdited(w.txtTipologia->text());
        w.chkDaSaldare->setChecked(false);
        QTest::mouseClick(w.btnCarica, Qt::LeftButton);
        QCOMPARE(m_messages->lastText(), QStringLiteral("Caricati 3 carichi; giacenza aggiornata per 2 articoli."));
    });
    const QList<QByteArray> receipts = records(year(), ReceiptRecord::Size);
    QCOMPARE(receipts.size(), 3);
    QCOMPARE(value(receipts[2], ReceiptRecord::layout(), ReceiptRecord::Codice), QStringLiteral("CH-10"));
    QCOMPARE(value(receipts[2], ReceiptRecord::layout(), ReceiptRecord::Tipologia), QStringLiteral("Varie"));
    QCOMPARE(value(receipts[0], ReceiptRecord::layout(), ReceiptRecord::DaSaldare), QStringLiteral("No"));
    QCOMPARE(records(products(), ProductRecord::Size).size(), 2);

    // The second time: shown as loaded, unticked, and ticking it asks.
    m_messages->boxes.clear();
    openWindow([&](TfrmImportaFattura &w) {
        w.addFiles({m_invoice});
        QVERIFY(w.lstFatture->item(0)->text().contains(QStringLiteral("già caricata")));
        QCOMPARE(w.lstFatture->item(0)->checkState(), Qt::Unchecked);
        for (int row = 0; row < 4; ++row)
            QCOMPARE(w.tblRighe->item(row, TfrmImportaFattura::ColTick)->checkState(), Qt::Unchecked);
        m_messages->answers = {false};
        w.lstFatture->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Confirmation);
        QVERIFY(m_messages->lastText().contains(QStringLiteral("è già caricata")));
        QCOMPARE(w.lstFatture->item(0)->checkState(), Qt::Unchecked);
        QTest::mouseClick(w.btnCarica, Qt::LeftButton);
        QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: nessuna fattura da caricare è spuntata."));
        // Confirmed, its goods lines are ticked again.
        w.lstFatture->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(w.lstFatture->item(0)->checkState(), Qt::Checked);
        QCOMPARE(w.tblRighe->item(0, TfrmImportaFattura::ColTick)->checkState(), Qt::Checked);
    });
    QCOMPARE(records(year(), ReceiptRecord::Size).size(), 3);
}

void TestInvoiceWindow::productPickedWithTheSearch()
{
    // Two products have line 3's code, neither of this supplier: the user
    // picks one with the product search, and only its stock rises.
    writeFile(products(), product(QStringLiteral("VT-430"), QStringLiteral("3")) + product(QStringLiteral("TR-18V"), QStringLiteral("1"))
                              + product(QStringLiteral("CH-10"), QStringLiteral("7"), QStringLiteral("Bianchi"))
                              + product(QStringLiteral("ch-10"), QStringLiteral("9"), QStringLiteral("Verdi")));
    openWindow([&](TfrmImportaFattura &w) {
        w.addFiles({m_invoice});
        QCOMPARE(w.tblRighe->item(2, TfrmImportaFattura::ColArticolo)->text(), QStringLiteral("da scegliere (2)"));
        w.tblRighe->setCurrentCell(2, TfrmImportaFattura::ColDescrizione);
        bool searched = false;
        whenModal([&](QWidget *modal) {
            auto *s = qobject_cast<TfrmTrovaMagazzino *>(modal);
            QVERIFY(s);
            searched = true;
            s->searchBoxes.first()->setText(QStringLiteral("CH-10"));
            QTest::mouseClick(s->btnCerca, Qt::LeftButton);
            QCOMPARE(s->model->rowCount(), 2);
            int verdi = -1;
            for (int row = 0; row < 2; ++row) {
                if (s->model->data(s->model->index(row), Qt::DisplayRole).toString().contains(QStringLiteral("ch-10")))
                    verdi = row;
            }
            QVERIFY(verdi >= 0);
            s->lstRecords->setCurrentIndex(s->model->index(verdi));
            QTest::keyClick(s->lstRecords, Qt::Key_Return);
        });
        QTest::mouseClick(w.btnScegliArticolo, Qt::LeftButton);
        QVERIFY(searched);
        QCOMPARE(w.tblRighe->item(2, TfrmImportaFattura::ColArticolo)->text(), QStringLiteral("ch-10"));
        QTest::mouseClick(w.btnCarica, Qt::LeftButton);
        QCOMPARE(m_messages->lastText(), QStringLiteral("Caricati 3 carichi; giacenza aggiornata per 3 articoli."));
    });
    const QList<QByteArray> stock = records(products(), ProductRecord::Size);
    QCOMPARE(stock.size(), 4);
    QCOMPARE(value(stock[2], ProductRecord::layout(), ProductRecord::Giacenza), QStringLiteral("7"));
    QCOMPARE(value(stock[3], ProductRecord::layout(), ProductRecord::Giacenza), QStringLiteral("14"));
}

void TestInvoiceWindow::choicesOutliveAReadAndReceivedGoodsStayOut()
{
    // Line 2 came on delivery note 77, already loaded by hand.
    Record note(ReceiptRecord::layout());
    note.setValue(ReceiptRecord::Fornitore, QStringLiteral("Minuterie Adriatiche S.r.l."));
    note.setValue(ReceiptRecord::NumDoc, QStringLiteral("77"));
    note.setValue(ReceiptRecord::DataDoc, QStringLiteral("28/11/2026"));
    note.setValue(ReceiptRecord::Codice, QStringLiteral("TR-18V"));
    writeFile(year(), note.bytes());
    const QString other = m_folder->file(QStringLiteral("altra.xml"));
    writeFile(other, QByteArray(invoice()).replace("318/A", "319/A"));
    openWindow([&](TfrmImportaFattura &w) {
        w.addFiles({m_invoice});
        QCOMPARE(w.tblRighe->item(1, TfrmImportaFattura::ColStato)->text(),
                 QStringLiteral("già ricevuta con DDT n. 77 del 28/11/2026"));
        QCOMPARE(w.tblRighe->item(1, TfrmImportaFattura::ColTick)->checkState(), Qt::Unchecked);
        // Choosing how to load it does not tick it again.
        w.tblRighe->setCurrentCell(1, TfrmImportaFattura::ColTick);
        QTest::mouseClick(w.btnSenzaArticolo, Qt::LeftButton);
        QCOMPARE(w.tblRighe->item(1, TfrmImportaFattura::ColTick)->checkState(), Qt::Unchecked);
        w.tblRighe->setCurrentCell(2, TfrmImportaFattura::ColTick);
        QTest::mouseClick(w.btnNuovoArticolo, Qt::LeftButton);
        // The service line, ticked by the user with the Space bar, loads
        // without a product.
        w.tblRighe->setCurrentCell(3, TfrmImportaFattura::ColTick);
        QTest::keyClick(w.tblRighe, Qt::Key_Space);
        QCOMPARE(w.tblRighe->item(3, TfrmImportaFattura::ColTick)->checkState(), Qt::Checked);
        typeText(w.txtTipologia, QStringLiteral("Minuteria"));
        // Another file read: what was chosen for this invoice stays.
        w.addFiles({other});
        QCOMPARE(w.lstFatture->count(), 2);
        w.lstFatture->setCurrentRow(0);
        QCOMPARE(w.tblRighe->item(2, TfrmImportaFattura::ColArticolo)->text(), QStringLiteral("nuovo: CH-10"));
        QCOMPARE(w.tblRighe->item(3, TfrmImportaFattura::ColTick)->checkState(), Qt::Checked);
        QCOMPARE(w.txtTipologia->text(), QStringLiteral("Minuteria"));
        w.lstFatture->item(1)->setCheckState(Qt::Unchecked);
        QTest::mouseClick(w.btnCarica, Qt::LeftButton);
        QCOMPARE(m_messages->lastText(), QStringLiteral("Caricati 3 carichi; giacenza aggiornata per 2 articoli."));
    });
    const QList<QByteArray> receipts = records(year(), ReceiptRecord::Size);
    QCOMPARE(receipts.size(), 4);
    QCOMPARE(value(receipts[1], ReceiptRecord::layout(), ReceiptRecord::Codice), QStringLiteral("VT-430"));
    QCOMPARE(value(receipts[2], ReceiptRecord::layout(), ReceiptRecord::Codice), QStringLiteral("CH-10"));
    QCOMPARE(value(receipts[3], ReceiptRecord::layout(), ReceiptRecord::Descrizione), QStringLiteral("Riga 4"));
    QCOMPARE(value(receipts[3], ReceiptRecord::layout(), ReceiptRecord::Tipologia), QStringLiteral("Minuteria"));
    // TR-18V's stock is as it was: its goods came with the note.
    QCOMPARE(value(records(products(), ProductRecord::Size)[1], ProductRecord::layout(), ProductRecord::Giacenza),
             QStringLiteral("1"));
}

void TestInvoiceWindow::droppedFilesAreRead()
{
    TfrmImportaFattura w(m_card.get());
    w.setCard(m_card.get());
    w.show();
    // A file that is no invoice is named, and the invoice beside it read.
    const QString other = m_folder->file(QStringLiteral("note.xml"));
    writeFile(other, "<?xml version=\"1.0\"?><Appunti/>");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(m_invoice), QUrl::fromLocalFile(other)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QCOMPARE(w.lstFatture->count(), 1);
    QCOMPARE(w.lblFile->text(), QStringLiteral("1 fattura da 2 file."));
    QCOMPARE(w.lblFile->accessibleName(), w.lblFile->text());
    QVERIFY2(texts(m_messages->boxes).join(u'\n').contains(QStringLiteral("note.xml")), qPrintable(m_messages->lastText()));
}

QTEST_MAIN(TestInvoiceWindow)
#include "tst_invoicewindow.moc"

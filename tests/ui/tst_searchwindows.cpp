#include "output/reportoutput.h"
#include "products/productcard.h"
#include "products/productrecord.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptrecord.h"
#include "ui/searchwindow.h"
#include "storage/recordfile.h"
#include "suppliers/suppliercard.h"
#include "suppliers/supplierrecord.h"
#include "support/listwindows.h"
#include "support/recorders.h"
#include "ui/linemodel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace {

struct Supplier
{
    QString ditta = {};
    QString titolare = {};
    QString recapito = {};
    QString note = {};
    QString ricontatta = QStringLiteral("No");
    QString questioni = {};
};

QByteArray supplier(const Supplier &s)
{
    Record r(SupplierRecord::layout());
    r.setValue(SupplierRecord::Ditta, s.ditta);
    r.setValue(SupplierRecord::Titolare, s.titolare);
    r.setValue(SupplierRecord::Recapito, s.recapito);
    r.setValue(SupplierRecord::Note, s.note);
    r.setValue(SupplierRecord::Ricontatta, s.ricontatta);
    r.setValue(SupplierRecord::Questioni, s.questioni);
    r.setValue(SupplierRecord::Ordine, s.ditta + QStringLiteral(" ordini"));
    r.setValue(SupplierRecord::File01, s.ditta + QStringLiteral(".pdf"));
    return r.bytes();
}

QByteArray product(const QString &codice, const QString &marca = QString())
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, codice);
    r.setValue(ProductRecord::Marca, marca);
    r.setValue(ProductRecord::Giacenza, QStringLiteral("1"));
    r.setValue(ProductRecord::Sottoscorta, QStringLiteral("0"));
    return r.bytes();
}

QByteArray receipt(const QString &data, const QString &codice)
{
    Record r(ReceiptRecord::layout());
    r.setValue(ReceiptRecord::Data, data);
    r.setValue(ReceiptRecord::Codice, codice);
    r.setValue(ReceiptRecord::Fornitore, QStringLiteral("Rossi"));
    return r.bytes();
}

} // namespace

class TestSearchWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void allBlankListsEveryRecordSorted();
    void everyTypedFieldMustMatch_data();
    void everyTypedFieldMustMatch();
    void receiptsKeepFileOrder();
    void missingArchiveIsCreatedEmpty();
    void searchFailureShowsAccessMessage();
    void longFieldIsCutAndStillLoads();
    void identicalLinesLoadTheClickedRecord();
    void changedArchiveFallsBackOrRefuses();
    void failedLoadLeavesCardUntouched();
    void inListFind();
    void waitingLabelAndKeys();
    void impFornitoreFillsOnlyThreeBoxes();
    void printsTitleAndLines_data();
    void printsTitleAndLines();
    void cardButtonsOpenTheirWindows();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TfrmFornitori> m_suppliers;
    QList<PreparedReport> m_printed;

    QString suppliersArchive() const { return SupplierRecord::archivePath(m_folder->path()); }
    void search(TSearchWindow &w, const QStringList &fields);
};

void TestSearchWindows::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_printed.clear();
    ReportOutput::setHandler([this](ReportOutput::Kind, const PreparedReport &r) { m_printed << r; });
    m_suppliers = std::make_unique<TfrmFornitori>();
    m_suppliers->open();
}

void TestSearchWindows::cleanup()
{
    m_suppliers.reset();
    ReportOutput::setHandler({});
    m_messages.reset();
    m_folder.reset();
}

// Types the texts into the first search fields and presses Cerca.
void TestSearchWindows::search(TSearchWindow &w, const QStringList &fields)
{
    w.show();
    for (qsizetype i = 0; i < fields.size(); ++i)
        typeText(w.searchBoxes[i], fields[i]);
    QTest::mouseClick(w.btnCerca, Qt::LeftButton);
}

void TestSearchWindows::allBlankListsEveryRecordSorted()
{
    writeFile(suppliersArchive(), {supplier({"verdi", "Anna"}), supplier({"Bianchi", "Luca"}),
                                   supplier({"Rossi", "Mario"}), supplier({"bianchi", "Aldo"})});
    TfrmTrovaFornitori w(m_suppliers.get());
    w.setCard(m_suppliers.get());
    QVERIFY(w.panAvvio->isVisibleTo(&w));
    QVERIFY(!w.panContainer->isVisibleTo(&w));
    search(w, {});
    QCOMPARE(w.lblConta->text(), QStringLiteral("0"));
    QCOMPARE(w.lblTrovate->text(), QStringLiteral("Il presente riepilogo contiene 4 schede."));
    QCOMPARE(w.lblTrovate->accessibleName(), w.lblTrovate->text());
    QStringList firms;
    for (const QString &t : texts(w))
        firms << t.left(30).trimmed();
    QCOMPARE(firms, (QStringList{"bianchi", "Bianchi", "Rossi", "verdi"}));
    QCOMPARE(positions(w), (QList<qint64>{4, 2, 3, 1}));
    QVERIFY(w.panContainer->isVisibleTo(&w));
    QVERIFY(!w.panAvvio->isVisibleTo(&w));
    QVERIFY(!w.lblAttendere->isVisibleTo(&w));
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestSearchWindows::everyTypedFieldMustMatch_data()
{
    QTest::addColumn<QStringList>("fields"); // Ditta, Titolare, PartitaIva
    QTest::addColumn<QString>("required");
    QTest::addColumn<QList<qint64>>("found");
    QTest::newRow("capitals find both") << QStringList{"ROSSI"} << "1" << QList<qint64>{2, 1};
    QTest::newRow("two fields") << QStringList{"rossi", "mario"} << "2" << QList<qint64>{1};
    QTest::newRow("blank third field") << QStringList{"rossi", "mario", "   "} << "2" << QList<qint64>{1};
    QTest::newRow("È is not è") << QStringList{"", "è"} << "1" << QList<qint64>{};
    QTest::newRow("trailing blank") << QStringList{"rossi "} << "1" << QList<qint64>{1};
}

void TestSearchWindows::everyTypedFieldMustMatch()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, required);
    QFETCH(QList<qint64>, found);
    writeFile(suppliersArchive(), {supplier({"Rossi S.r.l.", "Mario"}), supplier({"F.lli Rossi", "Èrica"}),
                                   supplier({"Bianchi", "Mario"})});
    TfrmTrovaFornitori w(m_suppliers.get());
    search(w, fields);
    QCOMPARE(w.lblConta->text(), required);
    QCOMPARE(positions(w), found);
    QCOMPARE(w.lblTrovate->text(), QStringLiteral("Il presente riepilogo contiene %1 schede.").arg(found.size()));
}

void TestSearchWindows::receiptsKeepFileOrder()
{
    TfrmCarichi card;
    const QString archive = ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024"));
    card.lblFile->setText(QStringLiteral("  ") + archive + QStringLiteral(" "));
    writeFile(archive, {receipt("09/03/2024", "ZZ"), receipt("01/01/2024", "AA"), receipt("05/02/2024", "MM")});
    TfrmTrovaCarichi receipts(&card);
    receipts.setCard(&card);
    search(receipts, {});
    QCOMPARE(positions(receipts), (QList<qint64>{1, 2, 3}));
    QCOMPARE(receipts.lblTrovate->text(), QStringLiteral("Il presente riepilogo contiene 3 schede."));

    writeFile(ProductRecord::archivePath(m_folder->path()), {product("b"), product("A"), product("c")});
    TfrmTrovaMagazzino products(m_suppliers.get());
    search(products, {});
    QCOMPARE(positions(products), (QList<qint64>{2, 1, 3}));
    QCOMPARE(products.lblTrovate->text(), QStringLiteral("Il presente elenco contiene 3 schede."));
}

void TestSearchWindows::missingArchiveIsCreatedEmpty()
{
    TfrmTrovaMagazzino w(m_suppliers.get());
    QCOMPARE(w.lblTrovate->text(), QStringLiteral("Il presente elenco contiene 0 schede."));
    search(w, {QStringLiteral("x")});
    QVERIFY(w.model->lines().empty());
    QCOMPARE(w.lblTrovate->text(), QStringLiteral("Il presente elenco contiene 0 schede."));
    QVERIFY(QFile::exists(ProductRecord::archivePath(m_folder->path())));
    QCOMPARE(QFileInfo(ProductRecord::archivePath(m_folder->path())).size(), 0);
    QVERIFY(m_messages->boxes.isEmpty());
    // Trova on the empty list.
    QTest::mouseClick(w.btnTrova, Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Ricerca non applicabile: la lista non contiene nessuna voce."));
}

void TestSearchWindows::searchFailureShowsAccessMessage()
{
    // A folder where the archive should be: it can be neither opened nor created.
    QVERIFY(QDir().mkpath(suppliersArchive()));
    TfrmTrovaFornitori w(m_suppliers.get());
    search(w, {QStringLiteral("rossi")});
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QCOMPARE(m_messages->lastText(),
             QStringLiteral("Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\rAccertarsi di "
                            "possedere i privilegi di scrittura nella cartella di installazione del programma."));
    QVERIFY(w.panAvvio->isVisibleTo(&w));
    QVERIFY(!w.panContainer->isVisibleTo(&w));
}

void TestSearchWindows::longFieldIsCutAndStillLoads()
{
    const QString ditta = QStringLiteral("Ferramenta Rossi e Figli S.r.l."); // 31 characters
    Supplier s{ditta, "Mario", "0544 1", "nota"};
    s.ricontatta = QStringLiteral("Sì");
    writeFile(suppliersArchive(), {supplier({"Bianchi"}), supplier(s)});
    m_suppliers->chkRicontatta->setChecked(false);
    {
        TfrmTrovaFornitori w(m_suppliers.get());
        w.lblMemory->setText(QStringLiteral("fornitori"));
        w.setCard(m_suppliers.get());
        search(w, {QStringLiteral("figli")});
        QCOMPARE(texts(w).size(), 1);
        QCOMPARE(texts(w).first().left(32), ditta.left(30) + QStringLiteral("  "));
        doubleClick(w, 0);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(w.model->lines().empty()); // closing empties the list
    }
    QCOMPARE(m_suppliers->txtDitta->text(), ditta);
    QCOMPARE(m_suppliers->txtTitolare->text(), QStringLiteral("Mario"));
    QCOMPARE(m_suppliers->txtOrdine->text(), ditta + QStringLiteral(" ordini"));
    QVERIFY(m_suppliers->chkRicontatta->isChecked());
    QCOMPARE(m_suppliers->findChild<QLabel *>(QStringLiteral("lblFile01"))->text(), ditta + QStringLiteral(".pdf"));
    QCOMPARE(m_suppliers->lblPosizione->text(), QStringLiteral("2"));
}

void TestSearchWindows::identicalLinesLoadTheClickedRecord()
{
    const Supplier same{"Rossi", "Mario", "0544", "doppione"};
    Supplier later = same;
    later.questioni = QStringLiteral("diversa"); // not on the line
    writeFile(suppliersArchive(), {supplier(same), supplier({"Bianchi"}), supplier(later)});
    for (int row : {0, 1}) {
        TfrmTrovaFornitori w(m_suppliers.get());
        w.lblMemory->setText(QStringLiteral("fornitori"));
        w.setCard(m_suppliers.get());
        search(w, {QStringLiteral("rossi")});
        QCOMPARE(texts(w).size(), 2);
        QCOMPARE(texts(w)[0], texts(w)[1]);
        doubleClick(w, row);
        QCOMPARE(m_suppliers->lblPosizione->text(), row == 0 ? QStringLiteral("1") : QStringLiteral("3"));
        QCOMPARE(m_suppliers->txtQuestioni->text(), row == 0 ? QString() : QStringLiteral("diversa"));
    }
}

void TestSearchWindows::changedArchiveFallsBackOrRefuses()
{
    writeFile(suppliersArchive(), {supplier({"Bianchi"}), supplier({"Rossi", "Mario"}), supplier({"Verdi"})});
    m_suppliers->txtDitta->setText(QStringLiteral("sulla scheda"));
    m_suppliers->lblPosizione->setText(QStringLiteral("1"));
    {
        TfrmTrovaFornitori w(m_suppliers.get());
        w.lblMemory->setText(QStringLiteral("fornitori"));
        w.setCard(m_suppliers.get());
        search(w, {QStringLiteral("rossi")});
        // Meanwhile another workstation rewrote position 2 and stored Rossi again at 4.
        writeFile(suppliersArchive(), {supplier({"Bianchi"}), supplier({"Gialli"}), supplier({"Verdi"}),
                                       supplier({"Rossi", "Mario"})});
        doubleClick(w, 0);
    }
    QCOMPARE(m_suppliers->txtDitta->text(), QStringLiteral("Rossi"));
    QCOMPARE(m_suppliers->lblPosizione->text(), QStringLiteral("4"));
    QVERIFY(m_messages->boxes.isEmpty());

    {
        TfrmTrovaFornitori w(m_suppliers.get());
        w.lblMemory->setText(QStringLiteral("fornitori"));
        w.setCard(m_suppliers.get());
        search(w, {QStringLiteral("verdi")});
        writeFile(suppliersArchive(), {supplier({"Bianchi"})});
        doubleClick(w, 0);
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), TListWindow::missingRecordMessage());
    QCOMPARE(m_suppliers->txtDitta->text(), QStringLiteral("Rossi"));
    QCOMPARE(m_suppliers->lblPosizione->text(), QStringLiteral("4"));
}

void TestSearchWindows::failedLoadLeavesCardUntouched()
{
    writeFile(suppliersArchive(), {supplier({"Bianchi"}), supplier({"Rossi", "Mario"})});
    m_suppliers->txtDitta->setText(QStringLiteral("sulla scheda"));
    m_suppliers->txtNote->setText(QStringLiteral("nota a video"));
    m_suppliers->lblPosizione->setText(QStringLiteral("1"));
    TfrmTrovaFornitori w(m_suppliers.get());
    w.lblMemory->setText(QStringLiteral("fornitori"));
    w.setCard(m_suppliers.get());
    search(w, {QStringLiteral("rossi")});
    QVERIFY(QFile::remove(suppliersArchive()));
    QVERIFY(QDir().mkpath(suppliersArchive()));
    doubleClick(w, 0);
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: il sistema non permette di accedere")));
    QCOMPARE(m_suppliers->txtDitta->text(), QStringLiteral("sulla scheda"));
    QCOMPARE(m_suppliers->txtNote->text(), QStringLiteral("nota a video"));
    QCOMPARE(m_suppliers->lblPosizione->text(), QStringLiteral("1"));
    QVERIFY(!w.isVisible());
}

void TestSearchWindows::inListFind()
{
    writeFile(suppliersArchive(), {supplier({"Alfa", "", "", "rossi"}), supplier({"Beta"}),
                                   supplier({"Gamma", "", "", "ROSSI"}), supplier({"Delta", "", "", "rossi x"})});
    TfrmTrovaFornitori w(m_suppliers.get());
    search(w, {});
    // Sorted: Alfa, Beta, Delta, Gamma.
    auto selectedRow = [&w] {
        const QModelIndexList s = w.lstRecords->selectionModel()->selectedIndexes();
        return s.isEmpty() ? -1 : s.first().row();
    };
    QCOMPARE(selectedRow(), -1);
    QTest::keyClicks(w.txtTrova, QStringLiteral("Rossi"));
    const QList<int> expected = {0, 2, 3, 0};
    for (int row : expected) {
        QTest::mouseClick(w.btnTrova, Qt::LeftButton);
        QCOMPARE(selectedRow(), row);
    }
    w.txtTrova->setText(QStringLiteral("gamma"));
    QTest::mouseClick(w.btnTrova, Qt::LeftButton);
    QCOMPARE(selectedRow(), 3);
    w.txtTrova->setText(QStringLiteral("zeta"));
    QTest::mouseClick(w.btnTrova, Qt::LeftButton);
    QCOMPARE(selectedRow(), 3);
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestSearchWindows::waitingLabelAndKeys()
{
    TfrmTrovaFornitori w(m_suppliers.get());
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(w.searchBoxes.first()->hasFocus());
    // The highlight follows the focus; Enter walks the ten fields and wraps.
    QVERIFY(w.findChild<QWidget *>(QStringLiteral("effDitta"))->isVisible());
    for (int i = 1; i <= 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w.searchBoxes[i % 10]);
    }
    QVERIFY(!w.findChild<QWidget *>(QStringLiteral("effTitolare"))->isVisible());
    QCOMPARE(w.searchBoxes[9]->objectName(), QStringLiteral("txtNote"));
    QCOMPARE(w.searchBoxes[9]->accessibleName(), QStringLiteral("Note"));

    QVERIFY(!w.lblAttendere->isVisible());
    QTest::mousePress(w.btnCerca, Qt::LeftButton);
    QVERIFY(w.lblAttendere->isVisible());
    QTest::mouseRelease(w.btnCerca, Qt::LeftButton);
    QVERIFY(!w.lblAttendere->isVisible());
    QVERIFY(w.panContainer->isVisible());
    QCOMPARE(QApplication::focusWidget(), w.txtTrova);
    // Enter in the find box moves to Trova without pressing it.
    QTest::keyClick(w.txtTrova, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w.btnTrova);
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestSearchWindows::impFornitoreFillsOnlyThreeBoxes()
{
    writeFile(suppliersArchive(), {supplier({"Rossi", "Mario", "0544 1"}), supplier({"Bianchi", "", "335"})});
    TfrmMagazzino card;
    card.open();
    card.txtCodice->setText(QStringLiteral("VT-430"));
    card.txtNote->setText(QStringLiteral("mia nota"));
    card.lblPosizione->setText(QStringLiteral("7"));
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<TfrmTrovaFornitori *>(modal);
        QVERIFY(w);
        opened = true;
        QCOMPARE(w->lblMemory->text(), QStringLiteral("magazzino"));
        QTest::keyClicks(w->searchBoxes.first(), QStringLiteral("bianchi"));
        QTest::mouseClick(w->btnCerca, Qt::LeftButton);
        doubleClick(*w, 0);
    });
    QTest::mouseClick(card.impFornitore, Qt::LeftButton);
    QVERIFY(opened);
    QCOMPARE(card.txtFornitore->text(), QStringLiteral("Bianchi"));
    QCOMPARE(card.txtRecapiti->text(), QStringLiteral("335"));
    QCOMPARE(card.txtOrdine->text(), QStringLiteral("Bianchi ordini"));
    QCOMPARE(card.txtCodice->text(), QStringLiteral("VT-430"));
    QCOMPARE(card.txtNote->text(), QStringLiteral("mia nota"));
    QCOMPARE(card.lblPosizione->text(), QStringLiteral("7"));
    QCOMPARE(card.findChild<QLabel *>(QStringLiteral("lblFile01"))->text(), QString());
}

void TestSearchWindows::printsTitleAndLines_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("title");
    QTest::newRow("fornitori") << 0 << "Riepilogo fornitori";
    QTest::newRow("magazzino") << 1 << "Riepilogo articoli in magazzino";
    QTest::newRow("carichi") << 2 << "Riepilogo operazioni di carico";
}

void TestSearchWindows::printsTitleAndLines()
{
    QFETCH(int, window);
    QFETCH(QString, title);
    TfrmCarichi card;
    card.lblFile->setText(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")));
    writeFile(suppliersArchive(), {supplier({"Rossi [1]"}), supplier({"Bianchi"})});
    writeFile(ProductRecord::archivePath(m_folder->path()), {product("P1"), product("P2")});
    writeFile(card.lblFile->text(), {receipt("01/01/2024", "C1"), receipt("02/01/2024", "C2")});
    std::unique_ptr<TSearchWindow> w;
    if (window == 0)
        w = std::make_unique<TfrmTrovaFornitori>(&card);
    else if (window == 1)
        w = std::make_unique<TfrmTrovaMagazzino>(&card);
    else
        w = std::make_unique<TfrmTrovaCarichi>(&card);
    w->setCard(&card);
    search(*w, {});
    QTest::mouseClick(w->btnStampa, Qt::LeftButton);
    QCOMPARE(m_printed.size(), 1);
    QCOMPARE(w->repRiepilogo.object(QStringLiteral("txtTitolo")).text(), title);
    const ReportObject &list = w->repRiepilogo.object(QStringLiteral("txtRiepilogo"));
    QCOMPARE(list.lines, texts(*w));
    QCOMPARE(list.rect.height(), 2 * 12.822);
    QCOMPARE(w->repRiepilogo.band(QStringLiteral("MasterData")).height, 2 * 12.822 + 10);
}

void TestSearchWindows::cardButtonsOpenTheirWindows()
{
    TfrmMagazzino products;
    TfrmCarichi receipts;
    receipts.lblFile->setText(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")));
    const struct
    {
        TCardScreen *card;
        const char *button;
        const char *window;
        const char *mode;
    } cases[] = {
        {m_suppliers.get(), "cmdTrova", "frmTrovaFornitori", "fornitori"},
        {&products, "cmdTrova", "frmTrovaMagazzino", "magazzino"},
        {&receipts, "cmdTrova", "frmTrovaCarichi", "carichi"},
    };
    for (const auto &c : cases) {
        QString seen;
        QString mode;
        whenModal([&](QWidget *modal) {
            seen = modal ? modal->objectName() : QString();
            auto *w = qobject_cast<TSearchWindow *>(modal);
            mode = w ? w->lblMemory->text() : QString();
            QCOMPARE(modal ? modal->windowTitle() : QString(), w ? w->search().caption : QString());
            QVERIFY(w && w->card() == c.card);
        });
        QTest::mouseClick(c.card->findChild<QAbstractButton *>(QLatin1StringView(c.button)), Qt::LeftButton);
        QCOMPARE(seen, QLatin1StringView(c.window));
        QCOMPARE(mode, QLatin1StringView(c.mode));
    }
}

QTEST_MAIN(TestSearchWindows)
#include "tst_searchwindows.moc"

#include "products/productrecord.h"
#include "receipts/importwindow.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptrecord.h"
#include "storage/archiveerror.h"
#include "storage/record.h"
#include "support/listwindows.h"
#include "support/childrun.h"
#include "support/recorders.h"
#include "ui/linemodel.h"
#include "ui/resultlist.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include <unistd.h>

namespace {

QByteArray product(const QString &codice, const QString &giacenza, const QString &costo, const QString &prezzo,
                   const QString &fornitore = QStringLiteral("Rossi"))
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, codice);
    r.setValue(ProductRecord::Tipologia, QStringLiteral("Viteria"));
    r.setValue(ProductRecord::Marca, QStringLiteral("ACME"));
    r.setValue(ProductRecord::Modello, QStringLiteral("X1"));
    r.setValue(ProductRecord::Descrizione, QStringLiteral("Viti 4x30"));
    r.setValue(ProductRecord::Fornitore, fornitore);
    r.setValue(ProductRecord::Recapiti, QStringLiteral("0544 1"));
    r.setValue(ProductRecord::Giacenza, giacenza);
    r.setValue(ProductRecord::Costo, costo);
    r.setValue(ProductRecord::Prezzo, prezzo);
    r.setValue(ProductRecord::Valore, QStringLiteral("1,00"));
    r.setValue(ProductRecord::Note, QStringLiteral("nota"));
    return r.bytes();
}

QByteArray stored(const QString &path, int position)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().mid(qsizetype(position - 1) * ProductRecord::Size, ProductRecord::Size);
}

QString field(const QByteArray &record, int f)
{
    return Record(ProductRecord::layout(), record).value(f);
}

void clickRow(TListWindow &w, int row)
{
    const QModelIndex index = w.model->index(row);
    w.lstRecords->doItemsLayout();
    w.lstRecords->scrollTo(index);
    QTest::mouseClick(w.lstRecords->viewport(), Qt::LeftButton, {},
                      w.lstRecords->visualRect(index).topLeft() + QPoint(20, 5));
}

} // namespace

class TestImportWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void importWithStockUpdate_data();
    void importWithStockUpdate();
    void importWithoutStockUpdate();
    void identicalLinesImportTheClickedProduct_data();
    void identicalLinesImportTheClickedProduct();
    void longCardQuantityIsKeptWhole();
    void noPickGivesTheWarning();
    void unreadableNumbersAreRefusedBeforeWriting();
    void readOnlyArchiveLeavesCardAndRecord();

private:
    // Opens the import from the card's button; `act` drives the window.
    void openImport(const std::function<void(TfrmImportaMagazzino &)> &act);
    QString archive() const { return ProductRecord::archivePath(m_folder->path()); }

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TfrmCarichi> m_card;
};

void TestImportWindow::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_card = std::make_unique<TfrmCarichi>();
    m_card->lblFile->setText(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")));
    m_card->open();
    m_card->txtNumDoc->setText(QStringLiteral("FT 12"));
    m_card->txtCostoTot->setText(QStringLiteral("99,00"));
    m_card->txtNote->setText(QStringLiteral("da controllare"));
}

void TestImportWindow::cleanup()
{
    m_card.reset();
    m_messages.reset();
    m_folder.reset();
}

void TestImportWindow::openImport(const std::function<void(TfrmImportaMagazzino &)> &act)
{
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<TfrmImportaMagazzino *>(modal);
        QVERIFY(w);
        opened = true;
        QCOMPARE(w->windowTitle(), QStringLiteral(" Importa articoli da magazzino"));
        QCOMPARE(w->lblMemory->text(), QStringLiteral("carichi"));
        QVERIFY(w->panAvvio->isVisible());
        QTest::mouseClick(w->btnCerca, Qt::LeftButton);
        QVERIFY(w->panContainer->isVisible());
        act(*w);
    });
    QTest::mouseClick(m_card->btnImpEsame, Qt::LeftButton);
    QVERIFY(opened);
}

void TestImportWindow::importWithStockUpdate_data()
{
    QTest::addColumn<QString>("cardQuant");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stock");
    QTest::addColumn<QString>("value");
    QTest::newRow("5 from the card") << "5" << QString() << "15" << "37,50";
    QTest::newRow("2,5 typed") << "" << "2,5" << "12,5" << "31,25";
    QTest::newRow("0 rewrites the value only") << "0" << QString() << "10" << "25,00";
}

void TestImportWindow::importWithStockUpdate()
{
    QFETCH(QString, cardQuant);
    QFETCH(QString, typed);
    QFETCH(QString, stock);
    QFETCH(QString, value);
    writeFile(archive(), {product("B-1", "3", "1,00", "2,00"), product("A-1", "10", "2,50", "4,00")});
    const QByteArray before = stored(archive(), 2);
    m_card->txtQuant->setText(cardQuant);
    openImport([&](TfrmImportaMagazzino &w) {
        QCOMPARE(w.txtQuant->text(), cardQuant.isEmpty() ? QStringLiteral("0") : cardQuant);
        QCOMPARE(w.lblTrovate->text(), QStringLiteral("Il presente elenco contiene 2 schede."));
        QCOMPARE(w.model->line(0).text(),
                 QStringLiteral("A-1%1  Viti 4x30%2  Prezzo: 4,00%3  Giacenza: 10")
                     .arg(QString(27, u' '), QString(36, u' '), QString(11, u' ')));
        clickRow(w, 0);
        QCOMPARE(w.lblCodice->text(), QStringLiteral("A-1"));
        QCOMPARE(w.lblDescrizione->text(), QStringLiteral("Viti 4x30"));
        QCOMPARE(w.lblGiacenza->text(), QStringLiteral("10"));
        QCOMPARE(w.lblPosizione->text(), QStringLiteral("2"));
        QCOMPARE(w.lblCosto->text(), QStringLiteral("2,50"));
        if (!typed.isEmpty()) {
            w.txtQuant->setFocus();
            w.txtQuant->selectAll();
            typeText(w.txtQuant, typed + QStringLiteral("x"));
            QCOMPARE(w.txtQuant->text(), typed);
        }
        QTest::mouseClick(w.btnAggiorna, Qt::LeftButton);
        QVERIFY(!w.isVisible());
    });
    QVERIFY(m_messages->boxes.isEmpty());
    const QByteArray after = stored(archive(), 2);
    QCOMPARE(field(after, ProductRecord::Giacenza), stock);
    QCOMPARE(field(after, ProductRecord::Valore), value);
    Record rest(ProductRecord::layout(), after);
    rest.setValue(ProductRecord::Giacenza, QStringLiteral("10"));
    rest.setValue(ProductRecord::Valore, QStringLiteral("1,00"));
    QCOMPARE(rest.bytes(), before);
    QCOMPARE(m_card->txtCodice->text(), QStringLiteral("A-1"));
    QCOMPARE(m_card->txtMarca->text(), QStringLiteral("ACME X1"));
    QCOMPARE(m_card->txtCostoUni->text(), QStringLiteral("4,00"));
    QCOMPARE(m_card->txtQuant->text(), typed.isEmpty() ? cardQuant.isEmpty() ? QStringLiteral("0") : cardQuant : typed);
    QCOMPARE(m_card->txtFornitore->text(), QStringLiteral("Rossi"));
    // The rest of the card as it was, the total too, until Calcola.
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("99,00"));
    QCOMPARE(m_card->txtNumDoc->text(), QStringLiteral("FT 12"));
    QCOMPARE(m_card->txtNote->text(), QStringLiteral("da controllare"));
}

void TestImportWindow::importWithoutStockUpdate()
{
    writeFile(archive(), {product("A-1", "10", "2,50", "4,00")});
    const QByteArray before = stored(archive(), 1);
    m_card->txtQuant->setText(QStringLiteral("7"));
    openImport([](TfrmImportaMagazzino &w) {
        QCOMPARE(w.txtQuant->text(), QStringLiteral("7"));
        clickRow(w, 0);
        QTest::mouseClick(w.btnNonAggiornare, Qt::LeftButton);
        QVERIFY(!w.isVisible());
    });
    QCOMPARE(stored(archive(), 1), before);
    QCOMPARE(m_card->txtCostoUni->text(), QStringLiteral("4,00"));
    QCOMPARE(m_card->txtQuant->text(), QStringLiteral("7"));
}

void TestImportWindow::identicalLinesImportTheClickedProduct_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("supplier");
    QTest::newRow("first line") << 0 << "Primo";
    QTest::newRow("second line") << 1 << "Secondo";
}

void TestImportWindow::identicalLinesImportTheClickedProduct()
{
    QFETCH(int, row);
    QFETCH(QString, supplier);
    // Same code, description, price and stock: the lines are equal; only
    // the suppliers differ.
    writeFile(archive(), {product("A-1", "10", "2,50", "4,00", QStringLiteral("Primo")),
                          product("A-1", "10", "2,50", "4,00", QStringLiteral("Secondo"))});
    const int position = row + 1, other = 2 - row;
    const QByteArray untouched = stored(archive(), other);
    openImport([&](TfrmImportaMagazzino &w) {
        QCOMPARE(w.model->line(0).text(), w.model->line(1).text());
        clickRow(w, row);
        QCOMPARE(w.lblPosizione->text(), QString::number(position));
        w.txtQuant->setText(QStringLiteral("1"));
        QTest::mouseClick(w.btnAggiorna, Qt::LeftButton);
    });
    QCOMPARE(field(stored(archive(), position), ProductRecord::Giacenza), QStringLiteral("11"));
    QCOMPARE(stored(archive(), other), untouched);
    QCOMPARE(m_card->txtFornitore->text(), supplier);
}

void TestImportWindow::longCardQuantityIsKeptWhole()
{
    // Typing stops at six characters; a longer quantity from the card is
    // neither cut nor added cut.
    writeFile(archive(), {product("A-1", "10", "2,50", "4,00")});
    m_card->txtQuant->setText(QStringLiteral("1234567"));
    openImport([](TfrmImportaMagazzino &w) {
        QCOMPARE(w.txtQuant->text(), QStringLiteral("1234567"));
        clickRow(w, 0);
        QTest::mouseClick(w.btnAggiorna, Qt::LeftButton);
    });
    QCOMPARE(field(stored(archive(), 1), ProductRecord::Giacenza), QStringLiteral("1234577"));
    QCOMPARE(m_card->txtQuant->text(), QStringLiteral("1234567"));

    TfrmImportaMagazzino typed(nullptr);
    typed.show();
    typed.txtQuant->clear();
    typeText(typed.txtQuant, QStringLiteral("12,34567"));
    QCOMPARE(typed.txtQuant->text(), QStringLiteral("12,345"));
}

void TestImportWindow::noPickGivesTheWarning()
{
    writeFile(archive(), {product("A-1", "10", "2,50", "4,00")});
    const QByteArray before = stored(archive(), 1);
    openImport([this](TfrmImportaMagazzino &w) {
        for (QPushButton *button : {w.btnAggiorna, w.btnNonAggiornare}) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
            QCOMPARE(m_messages->lastText(), TfrmImportaMagazzino::noSelectionWarning());
            QVERIFY(w.isVisible());
        }
        // Clicking a line and then the button imports it.
        clickRow(w, 0);
        QTest::mouseClick(w.btnNonAggiornare, Qt::LeftButton);
        QVERIFY(!w.isVisible());
    });
    QCOMPARE(m_messages->boxes.size(), 2);
    QCOMPARE(stored(archive(), 1), before);
    QCOMPARE(m_card->txtCodice->text(), QStringLiteral("A-1"));
}

void TestImportWindow::unreadableNumbersAreRefusedBeforeWriting()
{
    writeFile(archive(), {product("A-1", "dieci", "2,50", "4,00")});
    const QByteArray before = stored(archive(), 1);
    const QString cost = m_card->txtCostoUni->text(), quantity = m_card->txtQuant->text();
    openImport([this](TfrmImportaMagazzino &w) {
        clickRow(w, 0);
        w.txtQuant->setText(QStringLiteral("5"));
        QTest::mouseClick(w.btnAggiorna, Qt::LeftButton);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
        QVERIFY(m_messages->lastText().contains(QStringLiteral("\"dieci\"")));
        QVERIFY(w.isVisible());
    });
    QCOMPARE(stored(archive(), 1), before);
    QCOMPARE(m_card->txtCodice->text(), QString());
    QCOMPARE(m_card->txtCostoUni->text(), cost);
    QCOMPARE(m_card->txtQuant->text(), quantity);
}

void TestImportWindow::readOnlyArchiveLeavesCardAndRecord()
{
    // The superuser writes to read-only files: this runs as another user.
    if (runInChild("readOnlyArchiveLeavesCardAndRecord", ChildRun::AsNobodyIfRoot))
        return;
    writeFile(archive(), {product("A-1", "10", "2,50", "4,00")});
    const QByteArray before = stored(archive(), 1);
    const QString cost = m_card->txtCostoUni->text();
    openImport([this](TfrmImportaMagazzino &w) {
        clickRow(w, 0);
        QVERIFY(QFile::setPermissions(archive(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        QTest::mouseClick(w.btnAggiorna, Qt::LeftButton);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
        QCOMPARE(m_messages->lastText(), archiveAccessMessage());
        QVERIFY(w.isVisible());
    });
    QCOMPARE(stored(archive(), 1), before);
    QCOMPARE(m_card->txtCodice->text(), QString());
    QCOMPARE(m_card->txtCostoUni->text(), cost);
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("99,00"));
}

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"

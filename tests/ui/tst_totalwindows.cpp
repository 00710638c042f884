#include "output/reportoutput.h"
#include "products/inventorymenu.h"
#include "products/inventorywindow.h"
#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "receipts/summarymenu.h"
#include "receipts/summarywindow.h"
#include "storage/archiveerror.h"
#include "storage/record.h"
#include "support/childrun.h"
#include "support/recorders.h"
#include "ui/linemodel.h"
#include "ui/resultlist.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include <unistd.h>

namespace {

void writeFile(const QString &path, const QList<QByteArray> &records)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QByteArray &r : records)
        QCOMPARE(f.write(r), r.size());
}

QByteArray product(const QString &codice, const QString &tipologia, const QString &valore)
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, codice);
    r.setValue(ProductRecord::Tipologia, tipologia);
    r.setValue(ProductRecord::Costo, QStringLiteral("2,50"));
    r.setValue(ProductRecord::Giacenza, QStringLiteral("3"));
    r.setValue(ProductRecord::Valore, valore);
    return r.bytes();
}

QByteArray receipt(const QString &data, const QString &codice, const QString &costoTot)
{
    Record r(ReceiptRecord::layout());
    r.setValue(ReceiptRecord::Data, data);
    r.setValue(ReceiptRecord::Codice, codice);
    r.setValue(ReceiptRecord::CostoTot, costoTot);
    return r.bytes();
}

// The article codes of the listed lines, in the list's order.
QStringList codes(const TTotalListWindow &w)
{
    QStringList out;
    for (const QString &line : w.lstRecords->texts())
        out << line.left(30).trimmed();
    return out;
}

QStringList receiptCodes(const TTotalListWindow &w)
{
    QStringList out;
    for (const QString &line : w.lstRecords->texts())
        out << line.mid(23, 18).trimmed();
    return out;
}

// Picks an item of a drop-down list, as the mouse does.
void pick(QComboBox *box, const QString &item)
{
    box->setCurrentIndex(box->findText(item));
}

} // namespace

class TestTotalWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void inventoryOfEveryProduct();
    void inventoryFilter_data();
    void inventoryFilter();
    void inventoryLeavesOutUnreadableValues();
    void inventoryAccessFailure();
    void inventoryOfAReadOnlyArchive();

    void summaryChecksThePeriod_data();
    void summaryChecksThePeriod();
    void summaryBoxesTakeOnlyListValues();
    void summaryOfAPeriod();
    void summaryPrint();
    void yearBoxChoosesTheArchive();

private:
    // Presses Visualizza on the menu and lets `inspect` act on the window.
    template <class Window>
    void openFrom(QPushButton *button, QLabel *waiting, const std::function<void(Window &)> &inspect);

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    QList<PreparedReport> m_printed;
};

void TestTotalWindows::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_printed.clear();
    ReportOutput::setHandler([this](ReportOutput::Kind, const PreparedReport &r) { m_printed << r; });
}

void TestTotalWindows::cleanup()
{
    ReportOutput::setHandler({});
    m_messages.reset();
    m_folder.reset();
}

template <class Window>
void TestTotalWindows::openFrom(QPushButton *button, QLabel *waiting, const std::function<void(Window &)> &inspect)
{
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<Window *>(modal);
        QVERIFY(w);
        opened = true;
        // The waiting text stays up while the window is open.
        QVERIFY(waiting->isVisible());
        QVERIFY(w->isMaximized());
        QCOMPARE(QApplication::focusWidget(), w->txtTrova);
        inspect(*w);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(opened);
    QVERIFY(!waiting->isVisible());
}

void TestTotalWindows::inventoryOfEveryProduct()
{
    writeFile(ProductRecord::archivePath(m_folder->path()),
              {product("B", "Viti", "12,20"), product("A", "", "7,50"), product("C", "Dadi", "-2,50")});
    TfrmMenuRiepilogo menu;
    menu.open();
    menu.txtTipologia->setText(QStringLiteral("   "));
    openFrom<TfrmRiepilogo>(menu.btnVisualizza, menu.lblAttendere, [this](TfrmRiepilogo &w) {
        QCOMPARE(w.windowTitle(), QStringLiteral(" Scortex - Inventario Merce"));
        QCOMPARE(codes(w), (QStringList{"A", "B", "C"}));
        QVERIFY(w.lstRecords->texts()[0].endsWith(QStringLiteral("  Costo: € 2,50          Giacenza: 3             "
                                                                  "Valore: € 7,50")));
        // A negative value takes off its part.
        QCOMPARE(w.lblTotale->text(), QStringLiteral("€ 17,20"));
        QCOMPARE(w.panInfo->text(), QStringLiteral("Il presente inventario contiene 3 articoli."));
        QCOMPARE(w.panInfo->accessibleName(), w.panInfo->text());
        QCOMPARE(w.titTipologia->text(), QStringLiteral("Tutti gli articoli in magazzino."));
        QVERIFY(m_messages->boxes.isEmpty());

        // Enter moves to Trova; the find selects the next line holding the text.
        typeText(w.txtTrova, QStringLiteral("valore: € 12"));
        QTest::keyClick(w.txtTrova, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), w.btnTrova);
        QTest::mouseClick(w.btnTrova, Qt::LeftButton);
        QCOMPARE(w.lstRecords->currentIndex().row(), 1);

        QTest::mouseClick(w.btnStampa, Qt::LeftButton);
        QCOMPARE(m_printed.size(), 1);
        const QStringList printed = w.repRiepilogo.object(QStringLiteral("txtRiepilogo")).lines;
        QCOMPARE(printed.size(), 5);
        QCOMPARE(printed.mid(0, 3), w.lstRecords->texts());
        QCOMPARE(printed[3], QStringLiteral("--------------------------"));
        QCOMPARE(printed[4], QStringLiteral("VALORE TOTALE: € 17,20"));
        QCOMPARE(w.repRiepilogo.object(QStringLiteral("txtTitolo")).text(),
                 QStringLiteral("Inventario merce - Tipologia: Tutti gli articoli in magazzino."));
    });
}

void TestTotalWindows::inventoryFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("shown");
    QTest::newRow("empty") << QString() << QStringList{"A", "B", "C", "D"} << "€ 19,70" << "Tutti gli articoli in magazzino.";
    QTest::newRow("vit") << QStringLiteral("vit") << QStringList{"B", "C"} << "€ 12,20" << "vit";
    QTest::newRow("nothing matches") << QStringLiteral(" bulloni ") << QStringList{} << "€ 0,00" << "bulloni";
}

void TestTotalWindows::inventoryFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, listed);
    QFETCH(QString, total);
    QFETCH(QString, shown);
    writeFile(ProductRecord::archivePath(m_folder->path()),
              {product("A", "", "7,50"), product("B", "Viti", "12,20"), product("C", "VITI INOX", "0,00"),
               product("D", "Dadi", "0")});
    TfrmMenuRiepilogo menu;
    menu.open();
    typeText(menu.txtTipologia, filter);
    openFrom<TfrmRiepilogo>(menu.btnVisualizza, menu.lblAttendere, [&](TfrmRiepilogo &w) {
        QCOMPARE(codes(w), listed);
        QCOMPARE(w.lblTotale->text(), total);
        QCOMPARE(w.titTipologia->text(), shown);
        QCOMPARE(w.panInfo->text(), QStringLiteral("Il presente inventario contiene %1 articoli.").arg(listed.size()));
        if (listed.isEmpty()) {
            QTest::mouseClick(w.btnTrova, Qt::LeftButton);
            QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
            QCOMPARE(m_messages->lastText(), TResultList::emptyListMessage());
        }
    });
    // The menu starts empty each time it is shown.
    menu.hide();
    menu.open();
    QCOMPARE(menu.txtTipologia->text(), QString());
}

void TestTotalWindows::inventoryLeavesOutUnreadableValues()
{
    writeFile(ProductRecord::archivePath(m_folder->path()),
              {product("A", "", "7,50"), product("B", "", "sette"), product("C", "", "12,20")});
    TfrmMenuRiepilogo menu;
    menu.open();
    openFrom<TfrmRiepilogo>(menu.btnVisualizza, menu.lblAttendere, [this](TfrmRiepilogo &w) {
        // The records after the unreadable one are listed and counted.
        QCOMPARE(codes(w), (QStringList{"A", "C"}));
        QCOMPARE(w.lblTotale->text(), QStringLiteral("€ 19,70"));
        QCOMPARE(w.panInfo->text(), QStringLiteral("Il presente inventario contiene 2 articoli."));
        QCOMPARE(m_messages->boxes.size(), 1);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
        QCOMPARE(m_messages->lastText(),
                 QStringLiteral("Attenzione: l'elenco non è completo.\r\n\r\n1 scheda dell'archivio non è stata letta o "
                                "non contiene dati leggibili: non compare nell'elenco e non è compresa nel totale."
                                "\r\n\r\nPosizione in archivio: 2."));
    });
}

void TestTotalWindows::inventoryAccessFailure()
{
    // An archive that cannot be opened: a folder in its place.
    QVERIFY(QDir().mkpath(ProductRecord::archivePath(m_folder->path())));
    TfrmMenuRiepilogo menu;
    menu.open();
    openFrom<TfrmRiepilogo>(menu.btnVisualizza, menu.lblAttendere, [this](TfrmRiepilogo &w) {
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
        QCOMPARE(m_messages->lastText(), archiveAccessMessage());
        QVERIFY(w.lstRecords->lines().empty());
        // No total that looks like a result.
        QCOMPARE(w.lblTotale->text(), QStringLiteral("0,00"));
    });
}

void TestTotalWindows::inventoryOfAReadOnlyArchive()
{
    // The superuser writes to read-only files: this runs as another user.
    if (runInChild("inventoryOfAReadOnlyArchive", ChildRun::AsNobodyIfRoot))
        return;
    // A share mounted read-only: the inventory only reads, so it is shown.
    const QString path = ProductRecord::archivePath(m_folder->path());
    writeFile(path, {product("A", "", "7,50"), product("B", "", "12,20")});
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    TfrmMenuRiepilogo menu;
    menu.open();
    openFrom<TfrmRiepilogo>(menu.btnVisualizza, menu.lblAttendere, [this](TfrmRiepilogo &w) {
        QVERIFY2(m_messages->boxes.isEmpty(), qPrintable(m_messages->lastText()));
        QCOMPARE(codes(w), (QStringList{"A", "B"}));
        QCOMPARE(w.lblTotale->text(), QStringLiteral("€ 19,70"));
    });
}

void TestTotalWindows::summaryChecksThePeriod_data()
{
    QTest::addColumn<QString>("year");
    QTest::addColumn<QStringList>("period");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("29 Febbraio 2023") << "2023" << QStringList{"29", "Febbraio", "01", "Marzo"}
                                      << "Attenzione: la data 29/02/2023 di inizio intervallo non esiste.\n\r\n\rPer "
                                         "poter visualizzare il riepilogo è necessario indicare una data valida."
                                      << "txtGiornoInizio";
    QTest::newRow("31 Aprile") << "2024" << QStringList{"01", "Aprile", "31", "Aprile"}
                               << "Attenzione: la data 31/04/2024 di fine intervallo non esiste.\n\r\n\rPer "
                                  "poter visualizzare il riepilogo è necessario indicare una data valida."
                               << "txtGiornoFine";
    QTest::newRow("no start month") << "2024" << QStringList{"01", "", "31", "Aprile"}
                                    << "Attenzione: indicare il mese di inizio intervallo selezionandolo dall'elenco a "
                                       "cascata."
                                    << "txtMeseInizio";
    QTest::newRow("year of two digits") << "24" << QStringList{"01", "Aprile", "31", "Aprile"}
                                        << "Attenzione: indicare l'anno solare utilizzando quattro cifre." << "txtAnno";
}

void TestTotalWindows::summaryChecksThePeriod()
{
    QFETCH(QString, year);
    QFETCH(QStringList, period);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    TfrmMenuRiepilogoCarico menu;
    menu.open();
    menu.txtAnno->setFocus();
    typeText(menu.txtAnno, year);
    pick(menu.txtGiornoInizio, period[0]);
    pick(menu.txtMeseInizio, period[1]);
    pick(menu.txtGiornoFine, period[2]);
    pick(menu.txtMeseFine, period[3]);
    QTest::mouseClick(menu.btnVisualizza, Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastText(), message);
    QCOMPARE(m_messages->lastKind(), focus == u"txtAnno" || focus == u"txtMeseInizio" ? Messages::Kind::Warning
                                                                                     : Messages::Kind::Plain);
    QVERIFY(menu.focusWidget());
    QCOMPARE(menu.focusWidget()->objectName(), focus);
    QVERIFY(!menu.lblAttendere->isVisible());
}

void TestTotalWindows::summaryBoxesTakeOnlyListValues()
{
    TfrmMenuRiepilogoCarico menu;
    menu.open();
    QApplication::setActiveWindow(&menu);
    QComboBox *day = menu.txtGiornoInizio;
    day->setFocus();
    typeText(day, QStringLiteral("12"));
    QCOMPARE(day->currentText(), QString());
    pick(day, QStringLiteral("12"));
    QCOMPARE(day->currentText(), QStringLiteral("12"));
    QTest::keyClick(day, Qt::Key_Delete);
    QCOMPARE(day->currentText(), QString());
    // A single digit (pasted) does not survive leaving the box.
    day->setEditText(QStringLiteral("5"));
    QTest::keyClick(day, Qt::Key_Return);
    QCOMPARE(menu.focusWidget(), menu.txtMeseInizio);
    QCOMPARE(day->currentText(), QString());
    // The year beside the dates follows the year box as it is typed.
    menu.txtAnno->setFocus();
    menu.txtAnno->clear();
    typeText(menu.txtAnno, QStringLiteral("20a23"));
    QCOMPARE(menu.txtAnno->text(), QStringLiteral("2023"));
    QCOMPARE(menu.lblAnnoInizio->text(), QStringLiteral("2023"));
    QCOMPARE(menu.lblAnnoFine->text(), QStringLiteral("2023"));
}

void TestTotalWindows::summaryOfAPeriod()
{
    writeFile(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")),
              {receipt("31/03/2024", "XA1B", "4,50"), receipt("01/03/2024", "A1", "10,50"),
               receipt("15/03/2024", "À1", "1,00"), receipt("01/04/2024", "A10", "3,00"),
               receipt("29/02/2024", "a10", "2,00"), receipt("30/02/2024", "A1", "9,00")});
    TfrmMenuRiepilogoCarico menu;
    menu.txtAnno->setText(QStringLiteral("2024"));
    menu.lblAnnoInizio->setText(QStringLiteral("2024"));
    menu.lblAnnoFine->setText(QStringLiteral("2024"));
    menu.open();
    typeText(menu.txtTipologia, QStringLiteral("A1"));
    pick(menu.txtGiornoInizio, QStringLiteral("01"));
    pick(menu.txtMeseInizio, QStringLiteral("Marzo"));
    pick(menu.txtGiornoFine, QStringLiteral("31"));
    pick(menu.txtMeseFine, QStringLiteral("Marzo"));
    openFrom<TfrmRiepilogoCarico>(menu.btnVisualizza, menu.lblAttendere, [this](TfrmRiepilogoCarico &w) {
        // File order; both ends included; not À; the bad date of another
        // month is left out and named.
        QCOMPARE(receiptCodes(w), (QStringList{"XA1B", "A1"}));
        QCOMPARE(w.titTipologia->text(), QStringLiteral("A1"));
        QCOMPARE(w.lblIntervallo->text(), QStringLiteral("Dal   01/03/2024   al   31/03/2024"));
        QCOMPARE(w.txtTotMov->text(), QStringLiteral("2"));
        QCOMPARE(w.lblTotCosti->text(), QStringLiteral("€ 15,00"));
        QCOMPARE(w.lblTotCosti->accessibleName(), w.lblTotCosti->text());
        QCOMPARE(m_messages->boxes.size(), 1);
        QVERIFY(m_messages->lastText().endsWith(QStringLiteral("Posizione in archivio: 6.")));
    });
    QCOMPARE(menu.lblFile->text(), ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")));
    QCOMPARE(menu.lblDataInizio->text(), QStringLiteral("01/03/2024"));
    QCOMPARE(menu.lblDataFine->text(), QStringLiteral("31/03/2024"));
}

void TestTotalWindows::summaryPrint()
{
    const QString path = ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024"));
    writeFile(path, {receipt("10/03/2024", "A", "10,50"), receipt("10/03/2024", "B", "3,25")});
    TfrmRiepilogoCarico w(nullptr);
    w.setRequest(path, QStringLiteral("10/03/2024"), QStringLiteral("10/03/2024"), QString());
    w.show();
    w.FormShow();
    QCOMPARE(w.lblTotCosti->text(), QStringLiteral("€ 13,75"));
    QCOMPARE(w.titTipologia->text(), QStringLiteral("Tutti gli articoli"));

    m_messages->answers = {false};
    QTest::mouseClick(w.btnStampa, Qt::LeftButton);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Confirmation);
    QCOMPARE(m_messages->lastText(), TfrmRiepilogoCarico::printQuestion());
    QVERIFY(m_printed.isEmpty());

    QTest::mouseClick(w.btnStampa, Qt::LeftButton);
    QCOMPARE(m_printed.size(), 1);
    QCOMPARE(w.repRiepilogo.object(QStringLiteral("txtTitolo")).text(),
             QStringLiteral("Movimenti di carico merce - Codice articolo: Tutti gli articoli"));
    const QStringList printed = w.repRiepilogo.object(QStringLiteral("txtRiepilogo")).lines;
    QCOMPARE(printed.mid(0, 2), w.lstRecords->texts());
    QCOMPARE(printed.mid(2), (QStringList{"- - - - - - - - - - - - - - - -",
                                          "INTERVALLO SELEZIONATO:    Dal   10/03/2024   al   10/03/2024",
                                          "NUMERO OPERAZIONI:         2", "COSTO TOTALE:              € 13,75"}));

    // Nothing in the period: an empty list that is not printed.
    TfrmRiepilogoCarico empty(nullptr);
    empty.setRequest(path, QStringLiteral("11/03/2024"), QStringLiteral("31/12/2024"), QString());
    empty.show();
    empty.FormShow();
    QCOMPARE(empty.lblTotCosti->text(), QStringLiteral("€ 0,00"));
    QCOMPARE(empty.txtTotMov->text(), QStringLiteral("0"));
    const qsizetype boxes = m_messages->boxes.size();
    // Enter in the find box or on the list does nothing here.
    QTest::keyClick(empty.txtTrova, Qt::Key_Return);
    QTest::keyClick(empty.lstRecords, Qt::Key_Return);
    QCOMPARE(m_messages->boxes.size(), boxes);
    QTest::mouseClick(empty.btnTrova, Qt::LeftButton);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QCOMPARE(m_messages->lastText(), TResultList::emptyListMessage());
    m_messages->boxes.removeLast();
    QTest::mouseClick(empty.btnStampa, Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), boxes + 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), TfrmRiepilogoCarico::emptyPrintWarning());
    QCOMPARE(m_printed.size(), 1);
}

void TestTotalWindows::yearBoxChoosesTheArchive()
{
    writeFile(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")), {receipt("29/02/2024", "Y24", "1")});
    writeFile(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2000")), {receipt("29/02/2000", "Y00", "2")});
    TfrmMenuRiepilogoCarico menu;
    menu.txtAnno->setText(QStringLiteral("2024"));
    menu.open();
    // 29 February of a leap year that is a multiple of 400.
    menu.txtAnno->setFocus();
    menu.txtAnno->selectAll();
    typeText(menu.txtAnno, QStringLiteral("2000"));
    pick(menu.txtGiornoInizio, QStringLiteral("29"));
    pick(menu.txtMeseInizio, QStringLiteral("Febbraio"));
    pick(menu.txtGiornoFine, QStringLiteral("29"));
    pick(menu.txtMeseFine, QStringLiteral("Febbraio"));
    openFrom<TfrmRiepilogoCarico>(menu.btnVisualizza, menu.lblAttendere, [](TfrmRiepilogoCarico &w) {
        QCOMPARE(receiptCodes(w), QStringList{"Y00"});
        QCOMPARE(w.lblTotCosti->text(), QStringLiteral("€ 2,00"));
    });
    QVERIFY(m_messages->boxes.isEmpty());
}

QTEST_MAIN(TestTotalWindows)
#include "tst_totalwindows.moc"

#include "products/stockwindow.h"
#include "products/extradata.h"
#include "receipts/calendar.h"
#include "receipts/receiptprint.h"
#include "validators/validatorwindow.h"
#include "ui/helpwindows.h"
#include "app/loginwindow.h"
#include "ui/exportwindow.h"
#include "output/reportoutput.h"
#include "products/inventorywindow.h"
#include "products/lowstocklist.h"
#include "products/productcard.h"
#include "products/productrecord.h"
#include "receipts/importwindow.h"
#include "receipts/receiptcard.h"
#include "receipts/summarywindow.h"
#include "receipts/receiptrecord.h"
#include "receipts/unpaidlist.h"
#include "storage/recordfile.h"
#include "ui/searchwindow.h"
#include "suppliers/recontactlist.h"
#include "suppliers/suppliercard.h"
#include "suppliers/supplierrecord.h"
#include "support/listwindows.h"
#include "support/recorders.h"
#include "ui/attachwindow.h"
#include "ui/linemodel.h"
#include "ui/resultlist.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace {

QByteArray supplier(const QString &ditta, bool ricontatta, const QString &questioni = QString(),
                    const QString &note = QString())
{
    Record r(SupplierRecord::layout());
    r.setValue(SupplierRecord::Ditta, ditta);
    r.setValue(SupplierRecord::Titolare, QStringLiteral("Mario"));
    r.setValue(SupplierRecord::Ricontatta, YesNo::text(ricontatta));
    r.setValue(SupplierRecord::Questioni, questioni);
    r.setValue(SupplierRecord::Note, note);
    return r.bytes();
}

QByteArray product(const QString &codice, const QString &giacenza, const QString &sottoscorta)
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, codice);
    r.setValue(ProductRecord::Giacenza, giacenza);
    r.setValue(ProductRecord::Sottoscorta, sottoscorta);
    return r.bytes();
}

QByteArray receipt(const QString &codice, bool daSaldare)
{
    Record r(ReceiptRecord::layout());
    r.setValue(ReceiptRecord::Fornitore, QStringLiteral("Rossi"));
    r.setValue(ReceiptRecord::Data, QStringLiteral("09/03/2024"));
    r.setValue(ReceiptRecord::Codice, codice);
    r.setValue(ReceiptRecord::Tipologia, QStringLiteral("Viteria"));
    r.setValue(ReceiptRecord::Descrizione, QStringLiteral("Viti"));
    r.setValue(ReceiptRecord::CostoUni, QStringLiteral("1,00"));
    r.setValue(ReceiptRecord::Quant, QStringLiteral("2"));
    r.setValue(ReceiptRecord::CostoTot, QStringLiteral("2,00"));
    r.setValue(ReceiptRecord::DaSaldare, YesNo::text(daSaldare));
    return r.bytes();
}

QByteArray storedRecord(const QString &path, int size, int position)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().mid(qsizetype(position - 1) * size, size);
}

// Opens a list from its card button and lets `inspect` act on it.
template <class Window>
void openFrom(TCardScreen &card, const char *button, const std::function<void(Window &)> &inspect)
{
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<Window *>(modal);
        QVERIFY(w);
        opened = true;
        QCOMPARE(w->card(), &card);
        inspect(*w);
    });
    QTest::mouseClick(card.findChild<QAbstractButton *>(QLatin1StringView(button)), Qt::LeftButton);
    QVERIFY(opened);
}

} // namespace

class TestListWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recontactLoadsItsOwnRecordAndSavesOverIt();
    void lowStockListsAndWarnsAboutUnreadableNumbers();
    void unpaidOfTheOpenYearOnly();
    void emptyListsPrintTitleAndFooter_data();
    void emptyListsPrintTitleAndFooter();
    void unusableArchiveShowsAccessMessage();
    void enterOnALineLoadsIt();
    void doubleClickRules();
    void filledListPrintsItsLines();
    void everyReachableControlHasAName();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    QList<PreparedReport> m_printed;
};

void TestListWindows::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_printed.clear();
    ReportOutput::setHandler([this](ReportOutput::Kind, const PreparedReport &r) { m_printed << r; });
}

void TestListWindows::cleanup()
{
    ReportOutput::setHandler({});
    m_messages.reset();
    m_folder.reset();
}

void TestListWindows::recontactLoadsItsOwnRecordAndSavesOverIt()
{
    // Position 3 gives the same line as position 2 but is not marked: the
    // line of 2 must load 2, so that the save lands on 2.
    const QString path = SupplierRecord::archivePath(m_folder->path());
    writeFile(path, {supplier("Verdi", false), supplier("Rossi", true, "Listino", "marcato"),
                     supplier("Rossi", false, "Listino", "non marcato"), supplier("Bianchi", true, "Reso")});
    TfrmFornitori card;
    card.open();
    openFrom<TfrmRicontattaFor>(card, "cmdRicontatta", [](TfrmRicontattaFor &w) {
        QCOMPARE(w.windowTitle(), QStringLiteral(" Riepilogo fornitori da ricontattare"));
        QCOMPARE(positions(w), (QList<qint64>{4, 2}));
        QVERIFY(w.model->line(1).text().endsWith(QStringLiteral("  Listino")));
        doubleClick(w, 1);
    });
    QCOMPARE(card.lblPosizione->text(), QStringLiteral("2"));
    QCOMPARE(card.txtNote->text(), QStringLiteral("marcato"));
    QVERIFY(card.chkRicontatta->isChecked());
    const QByteArray third = storedRecord(path, SupplierRecord::Size, 3);

    card.chkRicontatta->setChecked(false);
    card.txtQuestioni->setText(QStringLiteral("Risolto"));
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdSalva")), Qt::LeftButton);
    const Record second(SupplierRecord::layout(), storedRecord(path, SupplierRecord::Size, 2));
    QCOMPARE(second.value(SupplierRecord::Questioni), QStringLiteral("Risolto"));
    QCOMPARE(second.value(SupplierRecord::Ricontatta), QStringLiteral("No"));
    QCOMPARE(storedRecord(path, SupplierRecord::Size, 3), third);

    openFrom<TfrmRicontattaFor>(card, "cmdRicontatta",
                                [](TfrmRicontattaFor &w) { QCOMPARE(positions(w), (QList<qint64>{4})); });
}

void TestListWindows::lowStockListsAndWarnsAboutUnreadableNumbers()
{
    writeFile(ProductRecord::archivePath(m_folder->path()),
              {product("F-6/5", "6", "5"), product("E-5/5", "5", "5"), product("X-bad", "tre", "5"),
               product("D-0/0", "0", "0"), product("C-neg", "-4", "0"), product("Y-bad", "1", "1,2,3"),
               product("A-late", "1", "2")});
    TfrmMagazzino card;
    card.open();
    openFrom<TfrmSottoscorta>(card, "cmdSottoscorta", [this](TfrmSottoscorta &w) {
        QCOMPARE(w.windowTitle(), QStringLiteral(" Materiali in esaurimento"));
        // In article-code order, the records after the unreadable ones included.
        QCOMPARE(positions(w), (QList<qint64>{7, 5, 4, 2}));
        QCOMPARE(m_messages->boxes.size(), 1);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
        QCOMPARE(m_messages->lastText(),
                 QStringLiteral("Attenzione: l'elenco non è completo.\r\n\r\n2 schede dell'archivio non sono state "
                                "lette o non contengono dati leggibili: non compaiono nell'elenco.\r\n\r\nPosizioni "
                                "in archivio: 3, 6."));
        doubleClick(w, 2);
    });
    QCOMPARE(card.txtCodice->text(), QStringLiteral("D-0/0"));
    QCOMPARE(card.lblPosizione->text(), QStringLiteral("4"));
}

void TestListWindows::unpaidOfTheOpenYearOnly()
{
    const QString year2024 = ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024"));
    const QString year2025 = ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2025"));
    writeFile(year2024, {receipt("A", true), receipt("B", false), receipt("C", true)});
    writeFile(year2025, {receipt("Z", true)});
    TfrmCarichi card;
    card.lblFile->setText(year2024);
    card.open();
    openFrom<TfrmSospese>(card, "cmdListino", [](TfrmSospese &w) {
        QCOMPARE(w.windowTitle(), QStringLiteral(" Riepilogo conti da saldare"));
        QCOMPARE(positions(w), (QList<qint64>{1, 3}));
        doubleClick(w, 1);
    });
    QCOMPARE(card.lblPosizione->text(), QStringLiteral("3"));
    QVERIFY(card.chkDaSaldare->isChecked());
    card.chkDaSaldare->setChecked(false);
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdSalva")), Qt::LeftButton);
    QCOMPARE(Record(ReceiptRecord::layout(), storedRecord(year2024, ReceiptRecord::Size, 3))
                 .value(ReceiptRecord::DaSaldare),
             QStringLiteral("No"));
    openFrom<TfrmSospese>(card, "cmdListino", [](TfrmSospese &w) { QCOMPARE(positions(w), (QList<qint64>{1})); });
}

void TestListWindows::emptyListsPrintTitleAndFooter_data()
{
    QTest::addColumn<int>("window");
    QTest::addColumn<QString>("title");
    QTest::newRow("recontact") << 0 << "Riepilogo fornitori da ricontattare";
    QTest::newRow("low stock") << 1 << "Materiali in esaurimento";
    QTest::newRow("unpaid") << 2 << "Riepilogo conti da saldare";
}

void TestListWindows::emptyListsPrintTitleAndFooter()
{
    QFETCH(int, window);
    QFETCH(QString, title);
    TfrmCarichi card;
    card.lblFile->setText(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")));
    std::unique_ptr<TFilledListWindow> w;
    if (window == 0)
        w = std::make_unique<TfrmRicontattaFor>(&card);
    else if (window == 1)
        w = std::make_unique<TfrmSottoscorta>(&card);
    else
        w = std::make_unique<TfrmSospese>(&card);
    w->setCard(&card);
    w->show();
    w->FormShow();
    QVERIFY(w->model->lines().empty());
    QVERIFY(m_messages->boxes.isEmpty());
    QTest::mouseClick(w->btnTrova, Qt::LeftButton);
    QCOMPARE(m_messages->lastText(), TResultList::emptyListMessage());
    QTest::mouseClick(w->btnStampa, Qt::LeftButton);
    QCOMPARE(m_printed.size(), 1);
    const PreparedReport &r = m_printed.first();
    QCOMPARE(r.pages.size(), 1);
    QStringList printed;
    for (const ReportObject &o : r.pages.first().objects)
        printed << o.text();
    QVERIFY(printed.contains(title));
    QVERIFY(printed.contains(QStringLiteral("Stampa eseguita in data ") + QDate::currentDate().toString("dd/MM/yyyy")));
    QCOMPARE(w->repRiepilogo.band(QStringLiteral("MasterData")).height, 10.0);
}

void TestListWindows::unusableArchiveShowsAccessMessage()
{
    QVERIFY(QDir().mkpath(SupplierRecord::archivePath(m_folder->path())));
    TfrmRicontattaFor w(nullptr);
    w.show();
    w.FormShow();
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: il sistema non permette di accedere")));
}

void TestListWindows::enterOnALineLoadsIt()
{
    writeFile(SupplierRecord::archivePath(m_folder->path()), {supplier("Rossi", true), supplier("Bianchi", true)});
    TfrmFornitori card;
    card.open();
    TfrmRicontattaFor w(&card);
    w.setCard(&card);
    w.show();
    w.FormShow();
    w.lstRecords->setFocus();
    w.lstRecords->setCurrentIndex(w.model->index(1));
    QTest::keyClick(w.lstRecords, Qt::Key_Return);
    QCOMPARE(card.txtDitta->text(), QStringLiteral("Rossi"));
    QCOMPARE(card.lblPosizione->text(), QStringLiteral("1"));
}

void TestListWindows::doubleClickRules()
{
    writeFile(SupplierRecord::archivePath(m_folder->path()), {supplier("Rossi", true), supplier("Bianchi", true)});
    TfrmFornitori card;
    card.open();
    TfrmRicontattaFor w(&card);
    w.setCard(&card);
    w.show();
    w.FormShow();
    w.lstRecords->doItemsLayout();
    const QPoint onFirst = w.lstRecords->visualRect(w.model->index(0)).topLeft() + QPoint(20, 5);
    const QPoint below = QPoint(20, w.lstRecords->viewport()->height() - 5);
    QVERIFY(!w.lstRecords->indexAt(below).isValid());
    // Another button's double-click loads nothing.
    QTest::mouseClick(w.lstRecords->viewport(), Qt::LeftButton, {}, onFirst);
    QTest::mouseDClick(w.lstRecords->viewport(), Qt::RightButton, {}, onFirst);
    QVERIFY(w.isVisible());
    QCOMPARE(card.lblPosizione->text(), QString());
    // Below the last line, the selected line is loaded.
    QTest::mouseDClick(w.lstRecords->viewport(), Qt::LeftButton, {}, below);
    QVERIFY(!w.isVisible());
    QCOMPARE(card.txtDitta->text(), QStringLiteral("Bianchi"));
    QCOMPARE(card.lblPosizione->text(), QStringLiteral("2"));
}

void TestListWindows::filledListPrintsItsLines()
{
    writeFile(SupplierRecord::archivePath(m_folder->path()),
              {supplier("Verdi", true, "[urgente] listino"), supplier("Rossi", false), supplier("Bianchi", true, "Reso"),
               supplier("Alfa", true)});
    TfrmRicontattaFor w(nullptr);
    w.show();
    w.FormShow();
    QTest::mouseClick(w.btnStampa, Qt::LeftButton);
    QCOMPARE(m_printed.size(), 1);
    const ReportObject &list = w.repRiepilogo.object(QStringLiteral("txtRiepilogo"));
    QCOMPARE(list.lines, texts(w));
    QCOMPARE(list.lines.size(), 3);
    QVERIFY(list.lines.first().startsWith(QStringLiteral("Alfa ")));
    QVERIFY(list.lines.last().endsWith(QStringLiteral("[urgente] listino")));
    QCOMPARE(list.rect.height(), 3 * 12.822);
    QCOMPARE(w.repRiepilogo.band(QStringLiteral("MasterData")).height, 3 * 12.822 + 10);
    // Printed literally: the brackets are no expression.
    QStringList printed;
    for (const ReportObject &o : m_printed.first().pages.first().objects)
        printed << o.lines;
    QVERIFY(printed.contains(list.lines.last()));
}

void TestListWindows::everyReachableControlHasAName()
{
    TfrmCarichi card;
    std::vector<std::unique_ptr<QWidget>> windows;
    windows.push_back(std::make_unique<TfrmRicontattaFor>(&card));
    windows.push_back(std::make_unique<TfrmSottoscorta>(&card));
    windows.push_back(std::make_unique<TfrmSospese>(&card));
    windows.push_back(std::make_unique<TfrmTrovaFornitori>(&card));
    windows.push_back(std::make_unique<TfrmTrovaMagazzino>(&card));
    windows.push_back(std::make_unique<TfrmTrovaCarichi>(&card));
    windows.push_back(std::make_unique<TfrmImportaMagazzino>(&card));
    windows.push_back(std::make_unique<TfrmRiepilogo>(&card));
    windows.push_back(std::make_unique<TfrmRiepilogoCarico>(&card));
    windows.push_back(std::make_unique<TfrmExpFornitori>(&card));
    windows.push_back(std::make_unique<TfrmExpMagazzino>(&card));
    windows.push_back(std::make_unique<TfrmExpCarichi>(&card));
    windows.push_back(std::make_unique<TfrmAllegaCartella>(&card));
    // Every control Tab reaches has a name in the accessibility tree;
    // returns how many there are.
    auto audit = [](QWidget *w) {
        int reachable = 0;
        for (QWidget *control : w->findChildren<QWidget *>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || qobject_cast<QAbstractScrollArea *>(control->parentWidget()))
                continue;
            ++reachable;
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(control);
            if (!a || a->text(QAccessible::Name).trimmed().isEmpty()) {
                qWarning("unnamed: %s.%s", qPrintable(w->objectName()), qPrintable(control->objectName()));
                return -1;
            }
        }
        return reachable;
    };
    for (const auto &w : windows) {
        // The export windows have a grid and three commands; the others more.
        QVERIFY2(audit(w.get()) >= (qobject_cast<TExportWindow *>(w.get()) ? 4 : 5), qPrintable(w->objectName()));
    }

    // And every other window of the program, through the same tree.
    std::vector<std::unique_ptr<QWidget>> others;
    others.push_back(std::make_unique<TfrmGiacenza>(&card));
    others.push_back(std::make_unique<TfrmDatiPneumatici>(&card));
    others.push_back(std::make_unique<TfrmCalendario>(&card));
    others.push_back(std::make_unique<TfrmStampaCarico>(&card));
    others.push_back(std::make_unique<TfrmCodFisc>(&card));
    others.push_back(std::make_unique<TfrmPartitaIva>(&card));
    others.push_back(std::make_unique<TfrmCarta>(&card));
    others.push_back(std::make_unique<TfrmIban>(&card));
    others.push_back(std::make_unique<TfrmGuida>(&card));
    others.push_back(std::make_unique<TfrmInfo>(&card));
    others.push_back(std::make_unique<TfrmPassword>());
    others.push_back(std::make_unique<TfrmCambiaPassword>());
    for (const auto &w : others)
        QVERIFY2(audit(w.get()) >= 1, qPrintable(w->objectName()));
}

QTEST_MAIN(TestListWindows)
#include "tst_listwindows.moc"

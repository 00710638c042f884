#include "ui/exportwindow.h"
#include "support/files.h"
#include "products/productarchive.h"
#include "products/productrecord.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptarchive.h"
#include "receipts/receiptrecord.h"
#include "storage/cp1252.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "suppliers/suppliercard.h"
#include "suppliers/supplierarchive.h"
#include "suppliers/supplierrecord.h"
#include "support/childrun.h"
#include "support/recorders.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QLabel>
#include <QTableView>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace {

QByteArray supplier(const QString &ditta, const QString &comune, const QString &prov, const QString &note,
                    const QString &cap = QString())
{
    Record r(SupplierRecord::layout());
    r.setValue(SupplierRecord::Ditta, ditta);
    r.setValue(SupplierRecord::ComuneRes, comune);
    r.setValue(SupplierRecord::ProvRes, prov);
    r.setValue(SupplierRecord::CapRes, cap);
    r.setValue(SupplierRecord::Note, note);
    return r.bytes();
}

void writeFile(const QString &path, const QList<QByteArray> &records)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QByteArray &r : records)
        QCOMPARE(f.write(r), r.size());
}

// The cells of the file's table, row by row, as an HTML reader sees them.
QList<QStringList> cellsOf(const QByteArray &file)
{
    QTextDocument document;
    document.setHtml(Cp1252::decode(file));
    QList<QStringList> rows;
    for (QTextFrame *frame : document.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        for (int r = 0; r < table->rows(); ++r) {
            QStringList row;
            for (int c = 0; c < table->columns(); ++c) {
                QTextCursor from = table->cellAt(r, c).firstCursorPosition();
                from.setPosition(table->cellAt(r, c).lastCursorPosition().position(), QTextCursor::KeepAnchor);
                row << from.selectedText();
            }
            rows << row;
        }
    }
    return rows;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void suppliersFile();
    void cityCell_data();
    void cityCell();
    void headerRows_data();
    void headerRows();
    void exportingAgainReplacesTheFile();
    void emptyArchiveGivesTenEmptyRows();
    void questionsDecide_data();
    void questionsDecide();
    void cellsRoundTripThroughAnHtmlReader();
    void failedWriteKeepsThePreviousFile_data();
    void failedWriteKeepsThePreviousFile();
    void largeArchiveKeepsFileOrder();
    void cardsOpenTheirExport();
    void hoverTexts();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<ShellRecorder> m_shell;
};

void TestExport::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_shell = std::make_unique<ShellRecorder>();
}

void TestExport::cleanup()
{
    m_shell.reset();
    m_messages.reset();
    m_folder.reset();
}

void TestExport::suppliersFile()
{
    writeFile(SupplierRecord::archivePath(m_folder->path()),
              {supplier("Rossi", "Roma", "RM", "Più però: 5 € à è", "00184"), supplier("Bianchi", "Forlì", "FC", "ù"),
               supplier("Verdi", "", "", "")});
    TfrmExpFornitori w(nullptr);
    w.show();
    w.FormShow();
    QCOMPARE(w.model->rowCount(), 3);
    QCOMPARE(w.model->columnCount(), 23);
    QCOMPARE(w.model->data(w.model->index(1, 0)).toString(), QStringLiteral("2"));
    QCOMPARE(w.model->data(w.model->index(1, 5)).toString(), QStringLiteral("Forlì FC"));
    QCOMPARE(w.grdRecords->columnWidth(5), 250);

    m_messages->answers = {true, false};
    QTest::mouseClick(w.cmdEsporta, Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), 2);
    QCOMPARE(m_messages->boxes[0].text, TExportWindow::firstQuestion());
    QCOMPARE(m_messages->boxes[1].text, TExportWindow::doneQuestion());
    QVERIFY(m_shell->opened.isEmpty());

    const QByteArray file = readAll(QDir(m_folder->path()).filePath(QStringLiteral("Fornitori.xls")));
    QVERIFY(file.startsWith("<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" xmlns:x=\"urn:schemas-"
                            "microsoft-com:office:excel\" xmlns=\"http://www.w3.org/TR/REC-html40\"><head><meta "
                            "http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"><!--[if gte mso "
                            "9]><xml><x:ExcelWorkbook><x:ExcelWorksheets><x:ExcelWorksheet><x:Name>Riepilogo "
                            "Fornitori</x:Name><x:WorksheetOptions><x:Selected/><x:Panes><x:Pane><x:Number>1</x:Number>"
                            "<x:ActiveRow>3</x:ActiveRow></x:Pane></x:Panes><x:ProtectContents>False</x:ProtectContents>"
                            "<x:ProtectObjects>False</x:ProtectObjects><x:ProtectScenarios>False</x:ProtectScenarios>"
                            "</x:WorksheetOptions></x:ExcelWorksheet></x:ExcelWorksheets></x:ExcelWorkbook></xml>"
                            "<![endif]--></head><body><table x:str><tr><td style=\"text-align: left; font-weight: "
                            "bold;\" width=250>Denominazione Ditta</td>"));
    QVERIFY(file.endsWith("</tr></table></body></html>"));
    QVERIFY(!file.contains('\n') && !file.contains('\r'));
    QCOMPARE(file.count("<tr>"), 4);
    QCOMPARE(file.count("<td style=\"text-align: left;\" sdnum=\"1040;0;@\">"), 3 * 22);
    // Single Windows-1252 bytes: ì, ù, è, €.
    QVERIFY(file.contains("Forl\xEC FC"));
    QVERIFY(file.contains("Pi\xF9 per\xF2: 5 \x80 \xE0 \xE8"));
    QVERIFY(file.contains(">Citt\xE0</td>"));
    // The postal code stays text, leading zeros included.
    QVERIFY(file.contains("@\">00184</td>"));
    const QList<QStringList> cells = cellsOf(file);
    QCOMPARE(cells.size(), 4);
    QCOMPARE(cells[1][0], QStringLiteral("Rossi"));
    QCOMPARE(cells[1][4], QStringLiteral("Roma RM"));
    QCOMPARE(cells[3][4], QString());
}

void TestExport::cityCell_data()
{
    QTest::addColumn<QString>("comune");
    QTest::addColumn<QString>("prov");
    QTest::addColumn<QByteArray>("cell");
    QTest::newRow("both") << "Forlì" << "FC" << QByteArray("Forl\xEC FC");
    QTest::newRow("city only") << "Roma" << "" << QByteArray("Roma");
    QTest::newRow("province only") << "" << "RM" << QByteArray("RM");
    QTest::newRow("neither") << "" << "" << QByteArray();
}

void TestExport::cityCell()
{
    QFETCH(QString, comune);
    QFETCH(QString, prov);
    QFETCH(QByteArray, cell);
    writeFile(SupplierRecord::archivePath(m_folder->path()), {supplier("Ditta", comune, prov, "")});
    TfrmExpFornitori w(nullptr);
    w.show();
    w.FormShow();
    QCOMPARE(w.model->data(w.model->index(0, 5)).toString(), Cp1252::decode(cell));
    m_messages->answers = {true, false};
    QTest::mouseClick(w.cmdEsporta, Qt::LeftButton);
    const QByteArray file = readAll(QDir(m_folder->path()).filePath(QStringLiteral("Fornitori.xls")));
    const QByteArray open = "<td style=\"text-align: left;\" sdnum=\"1040;0;@\">";
    // The fifth data cell of the row, exactly.
    qsizetype at = file.indexOf("<tr>", file.indexOf("</tr>"));
    for (int i = 0; i < 5; ++i)
        at = file.indexOf(open, at) + open.size();
    QCOMPARE(file.mid(at, file.indexOf("</td>", at) - at), cell);
}

void TestExport::headerRows_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QStringList>("headers"); // text=width, as the exported file must carry them
    QTest::newRow("products") << 1
                              << QStringList{"Codice articolo=250", "Tipologia=250", "Marca=250", "Modello=250",
                                             "Descrizione=400", "Accessori=400", "Fornitore=250",
                                             "Recapito preferenziale=250", "Data acquisto=200",
                                             "Estremi documento acquisto=350", "Modalità ordine merce=350",
                                             "Giacenza=200", "Costo=200", "Valore=200", "Prezzo senza IVA=200",
                                             "Perc. IVA=150", "Prezzo con IVA=200", "Collocazione in magazzino=350",
                                             "Altezza=200", "Larghezza=200", "Lunghezza=200", "Scadenza=200",
                                             "Note=400"};
    QTest::newRow("receipts") << 2
                              << QStringList{"Documento n.=250", "Data emissione=200", "Fornitore=250",
                                             "Recapito preferenziale=250", "Data carico=200", "Codice articolo=250",
                                             "Tipologia=250", "Marca e modello=250", "Descrizione=400",
                                             "Costo unitario=200", "Quantità caricata=200", "Costo totale=200",
                                             "Note=400", "Conto da saldare=200"};
    QTest::newRow("suppliers") << 0
                               << QStringList{"Denominazione Ditta=250", "Titolare o responsabile=250",
                                              "Recapito preferenziale=250", "Indirizzo=300", "Città=250", "CAP=150",
                                              "Modalità di pagamento=250", "Tel. casa=250", "Tel. ufficio=250",
                                              "Tel. cellulare=250", "Fax=250", "E-mail=250", "Codice fiscale=250",
                                              "Partita IVA=250", "Carta di credito n.=300", "Scadenza=150",
                                              "IBAN=300", "Articoli forniti=300", "Offerte e sconti=300",
                                              "Modalità di ordine merce=300", "Questioni in sospeso=300", "Note=300"};
}

void TestExport::headerRows()
{
    QFETCH(int, which);
    QFETCH(QStringList, headers);
    const Spreadsheet::Table &table = which == 0 ? Spreadsheet::fornitori()
                                      : which == 1 ? Spreadsheet::magazzino()
                                                   : Spreadsheet::carichi();
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(Spreadsheet::write(out, table, Spreadsheet::Rows()));
    QByteArray expected = "<table x:str><tr>";
    for (const QString &h : headers) {
        const qsizetype eq = h.lastIndexOf(u'=');
        expected += "<td style=\"text-align: left; font-weight: bold;\" width=" + h.mid(eq + 1).toLatin1() + '>'
                    + Cp1252::encode(h.left(eq)) + "</td>";
    }
    expected += "</tr><tr>";
    QVERIFY(out.data().contains(expected));
    QCOMPARE(out.data().count("<tr>"), 11);
}

void TestExport::exportingAgainReplacesTheFile()
{
    const QString archive = SupplierRecord::archivePath(m_folder->path());
    const QString path = QDir(m_folder->path()).filePath(QStringLiteral("Fornitori.xls"));
    for (const char *firm : {"Prima", "Seconda"}) {
        writeFile(archive, {supplier(firm, "", "", "")});
        TfrmExpFornitori w(nullptr);
        w.show();
        w.FormShow();
        m_messages->answers = {true, false};
        QTest::mouseClick(w.cmdEsporta, Qt::LeftButton);
        const QByteArray file = readAll(path);
        QVERIFY(file.contains(QByteArray(">") + firm + "</td>"));
        QCOMPARE(file.count("<tr>"), 2);
    }
    QCOMPARE(QDir(m_folder->path()).entryList({QStringLiteral("*.xls*")}, QDir::Files).size(), 1);
}

void TestExport::emptyArchiveGivesTenEmptyRows()
{
    TfrmExpMagazzino w(nullptr);
    w.show();
    w.FormShow();
    QCOMPARE(w.model->rowCount(), 10);
    QVERIFY(QFile::exists(ProductRecord::archivePath(m_folder->path())));
    QTest::mouseClick(w.cmdEsporta, Qt::LeftButton);
    const QByteArray file = readAll(QDir(m_folder->path()).filePath(QStringLiteral("Magazzino.xls")));
    QVERIFY(file.contains("<x:Name>Magazzino</x:Name>"));
    QCOMPARE(file.count("<tr>"), 11);
    QCOMPARE(file.count("@\"></td>"), 10 * 23);
    // Yes to the second question opens the file, its path in quotes.
    QCOMPARE(m_shell->opened, QStringList{QDir::toNativeSeparators(QDir(m_folder->path()).filePath("Magazzino.xls"))});
}

void TestExport::questionsDecide_data()
{
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<bool>("written");
    QTest::addColumn<bool>("opened");
    QTest::newRow("no at the first") << QList<bool>{false} << false << false;
    QTest::newRow("no at the second") << QList<bool>{true, false} << true << false;
    QTest::newRow("yes, yes") << QList<bool>{true, true} << true << true;
}

void TestExport::questionsDecide()
{
    QFETCH(QList<bool>, answers);
    QFETCH(bool, written);
    QFETCH(bool, opened);
    writeFile(SupplierRecord::archivePath(m_folder->path()), {supplier("Rossi", "Roma", "RM", "")});
    TfrmExpFornitori w(nullptr);
    w.show();
    w.FormShow();
    m_messages->answers = answers;
    QTest::mouseClick(w.cmdEsporta, Qt::LeftButton);
    QCOMPARE(QFile::exists(QDir(m_folder->path()).filePath(QStringLiteral("Fornitori.xls"))), written);
    QCOMPARE(m_shell->opened.size(), opened ? 1 : 0);
    QVERIFY(w.isVisible());
}

void TestExport::cellsRoundTripThroughAnHtmlReader()
{
    const QStringList notes = {"<b>grassetto</b>", "A&B", "1 < 2 > 0", "&amp; già scritto", "\"citato\""};
    QList<QByteArray> records;
    for (const QString &note : notes)
        records << supplier(QStringLiteral("Ditta"), QString(), QString(), note);
    writeFile(SupplierRecord::archivePath(m_folder->path()), records);
    TfrmExpFornitori w(nullptr);
    w.show();
    w.FormShow();
    m_messages->answers = {true, false};
    QTest::mouseClick(w.cmdEsporta, Qt::LeftButton);
    const QList<QStringList> cells = cellsOf(readAll(QDir(m_folder->path()).filePath(QStringLiteral("Fornitori.xls"))));
    QCOMPARE(cells.size(), notes.size() + 1);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        QCOMPARE(cells[i + 1].size(), 22);
        QCOMPARE(cells[i + 1][21], notes[i]);
    }
}

void TestExport::failedWriteKeepsThePreviousFile_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("read-only folder") << int(ChildRun::AsNobodyIfRoot);
    QTest::newRow("disk full part-way") << int(ChildRun::WithFileSizeLimit);
}

void TestExport::failedWriteKeepsThePreviousFile()
{
    QFETCH(int, how);
    if (runInChild(QStringLiteral("failedWriteKeepsThePreviousFile:%1").arg(QTest::currentDataTag()).toLatin1(),
                   ChildRun(how), 64 * 1024))
        return;
    QList<QByteArray> records;
    for (int i = 0; i < 200; ++i)
        records << supplier(QStringLiteral("Ditta %1").arg(i), QStringLiteral("Roma"), QStringLiteral("RM"),
                            QString(200, u'x'));
    writeFile(SupplierRecord::archivePath(m_folder->path()), records);
    const QString path = QDir(m_folder->path()).filePath(QStringLiteral("Fornitori.xls"));
    {
        QFile previous(path);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("previous export");
    }
    TfrmExpFornitori w(nullptr);
    w.show();
    w.FormShow();
    QCOMPARE(w.model->rowCount(), 200);
    if (ChildRun(how) == ChildRun::AsNobodyIfRoot) {
#ifdef Q_OS_WIN
        // A folder keeps no read-only attribute on Windows; a file does, and
        // no new file may take its place.
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
#else
        QVERIFY(QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
#endif
    } else {
        applyFileSizeLimit();
    }
    QTest::mouseClick(w.cmdEsporta, Qt::LeftButton);
    QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(m_messages->boxes.size(), 2);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QCOMPARE(m_messages->lastText(), TExportWindow::failureMessage());
    QCOMPARE(readAll(path), QByteArray("previous export"));
    // No temporary file left behind either.
    QCOMPARE(QDir(m_folder->path()).entryList({QStringLiteral("Fornitori.xls*")}, QDir::Files).size(), 1);
    QVERIFY(m_shell->opened.isEmpty());
}

void TestExport::largeArchiveKeepsFileOrder()
{
    // Large enough to be read in two halves at once.
    const QString path = ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        Record r(ReceiptRecord::layout());
        for (int i = 1; i <= 20003; ++i) {
            r.setValue(ReceiptRecord::NumDoc, QString::number(i));
            r.setValue(ReceiptRecord::Note, i % 2 ? QStringLiteral("dispari") : QString());
            f.write(r.bytes());
        }
    }
    RecordFile file(path, ReceiptRecord::Size, RecordFile::Mode::ReadOnly);
    const Spreadsheet::Rows rows = Spreadsheet::Rows::read(file, Spreadsheet::carichi());
    QCOMPARE(rows.size(), 20003);
    QCOMPARE(rows.unread, 0);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows.position(i) != i + 1 || rows.cell(i, 0) != QByteArray::number(i + 1)
            || rows.cell(i, 12) != QByteArrayView(i % 2 ? "" : "dispari"))
            QFAIL(qPrintable(QStringLiteral("row %1").arg(i)));
    }
}

void TestExport::cardsOpenTheirExport()
{
    // The receipts export reads the year open in the card, and only it.
    writeFile(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")), {Record(ReceiptRecord::layout()).bytes()});
    writeFile(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2025")), {});
    TfrmCarichi card;
    card.lblFile->setText(ReceiptRecord::archivePath(m_folder->path(), QStringLiteral("2024")));
    card.open();
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<TfrmExpCarichi *>(modal);
        QVERIFY(w);
        opened = true;
        QCOMPARE(w->windowTitle(), QStringLiteral(" Esporta archivio operazioni di carico in Microsoft Excel"));
        QCOMPARE(w->model->rowCount(), 1);
        QCOMPARE(w->model->columnCount(), 15);
    });
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdEsporta")), Qt::LeftButton);
    QVERIFY(opened);
}

void TestExport::hoverTexts()
{
    TfrmExpFornitori w(nullptr);
    w.show();
    const QList<QPair<QWidget *, QString>> hovers = {
        {w.cmdEsporta, QStringLiteral("Esporta l'archivio in formato Microsoft Excel.")},
        {w.cmdGuida, QStringLiteral("Visualizza la pagina della guida sensibile al contesto.")},
        {w.cmdEsci, QStringLiteral("Esci da questo ambiente di lavoro.")},
        {w.grdRecords, QString()},
    };
    for (const auto &[widget, text] : hovers) {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(widget, &enter);
        QCOMPARE(w.panInfo->text(), text);
    }
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"

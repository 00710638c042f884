#include "output/cardprint.h"
#include "output/layouts.h"
#include "output/reportoutput.h"
#include "products/productcard.h"
#include "suppliers/suppliercard.h"
#include "support/childrun.h"
#include "support/recorders.h"
#include "ui/artwork.h"
#include "ui/italian.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QAction>
#include <QPrintPreviewDialog>
#include <QTest>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const QDateTime kWhen(QDate(2024, 3, 9), QTime(15, 42, 7));

const ReportObject *find(const PreparedPage &page, const QString &name)
{
    for (const ReportObject &o : page.objects) {
        if (o.name == name)
            return &o;
    }
    return nullptr;
}

#ifdef Q_OS_WIN
// Poppler's Linux tools, run under Wine: a Windows program can start them,
// but cannot wait for them, so they write their output to a file that is
// renamed into place when it is whole.
QString unixPath(const QString &path)
{
    using ToUnix = char *(__cdecl *)(const wchar_t *);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return path;
    char *unix = toUnix(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16()));
    const QString converted = unix ? QString::fromUtf8(unix) : path;
    if (unix)
        HeapFree(GetProcessHeap(), 0, unix);
    return converted;
}

QString poppler(const QString &command, const QString &pdf)
{
    const QString out = pdf + QStringLiteral(".txt");
    QFile::remove(out);
    const QString script = QStringLiteral("{ %1; } >\"$2.tmp\" 2>/dev/null; mv \"$2.tmp\" \"$2\"").arg(command);
    if (!QProcess::startDetached(QStringLiteral("Z:/bin/sh"),
                                 {QStringLiteral("-c"), script, QStringLiteral("sh"), unixPath(pdf), unixPath(out)}))
        return QString();
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(out) && clock.elapsed() < 30000)
        QThread::msleep(20);
    QFile f(out);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString pdfText(const QString &path)
{
    return poppler(QStringLiteral("pdftotext -layout \"$1\" -"), path);
}

// The document information, then the XMP metadata.
QString pdfInfo(const QString &path)
{
    return poppler(QStringLiteral("pdfinfo \"$1\"; pdfinfo -meta \"$1\""), path);
}
#else
QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The document information, then the XMP metadata.
QString pdfInfo(const QString &path)
{
    QString out;
    for (const QStringList &args : {QStringList{path}, QStringList{QStringLiteral("-meta"), path}}) {
        QProcess p;
        p.start(QStringLiteral("pdfinfo"), args);
        p.waitForFinished(30000);
        out += QString::fromUtf8(p.readAllStandardOutput());
    }
    return out;
}
#endif

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void emptyListIsOnePage();
    void hundredLinesSplitAcrossLandscapePages();
    void thousandsOfLinesStayInOrder();
    void bracketsPrintedLiterally();
    void cardLayoutObjects();
    void supplierCardRows();
    void productCardRows();
    void printAndPreviewGoThroughTheEngine();
    void supplierPdfTwiceThenOpen();
    void pdfThatCannotBeWrittenIsNoSuccess();
    void previewOffersNoOrientationOrPageSetup();
    void fullDiskKeepsThePreviousPdf();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<ShellRecorder> m_shell;
    QList<QPair<ReportOutput::Kind, PreparedReport>> m_outputs;
};

void TestReport::init()
{
    m_folder = std::make_unique<ProgramFolder>(false);
    m_messages = std::make_unique<MessageRecorder>();
    m_shell = std::make_unique<ShellRecorder>();
    m_outputs.clear();
    ReportOutput::setHandler([this](ReportOutput::Kind kind, const PreparedReport &r) { m_outputs.append({kind, r}); });
    AppContext::setClock([] { return kWhen; });
}

void TestReport::cleanup()
{
    AppContext::setClock({});
    ReportOutput::setHandler({});
    m_shell.reset();
    m_messages.reset();
    m_folder.reset();
}

void TestReport::emptyListIsOnePage()
{
    Report r = ReportLayouts::listReport();
    ReportLayouts::fillList(r, QStringLiteral("Elenco vuoto"), {});
    QCOMPARE(r.object(QStringLiteral("txtRiepilogo")).rect.height(), 0.0);
    QCOMPARE(r.band(QStringLiteral("MasterData")).height, 10.0);
    const PreparedReport prepared = r.prepare(kWhen);
    QCOMPARE(prepared.pages.size(), 1);
    const PreparedPage &page = prepared.pages.first();
    QCOMPARE(page.orientation, QPageLayout::Landscape);
    QCOMPARE(find(page, QStringLiteral("txtTitolo"))->text(), QStringLiteral("Elenco vuoto"));
    const ReportObject *footer = find(page, QStringLiteral("txtPagina"));
    QVERIFY(footer);
    QCOMPARE(footer->text(), QStringLiteral("Stampa eseguita in data 09/03/2024"));
    QVERIFY(qAbs(footer->rect.top() - (30.24 + 10 + 7.56)) < 1e-6);
}

void TestReport::hundredLinesSplitAcrossLandscapePages()
{
    Report r = ReportLayouts::listReport();
    QStringList lines;
    for (int i = 1; i <= 100; ++i)
        lines << QStringLiteral("riga %1").arg(i);
    ReportLayouts::fillList(r, QStringLiteral("Cento righe"), lines);
    QVERIFY(qAbs(r.object(QStringLiteral("txtRiepilogo")).rect.height() - 1282.2) < 1e-6);
    QVERIFY(qAbs(r.band(QStringLiteral("MasterData")).height - 1292.2) < 1e-6);

    const PreparedReport prepared = r.prepare(kWhen);
    QVERIFY(prepared.pages.size() >= 2);
    QStringList printed;
    double lastLineBottom = 0;
    for (qsizetype i = 0; i < prepared.pages.size(); ++i) {
        const PreparedPage &page = prepared.pages[i];
        QCOMPARE(page.orientation, QPageLayout::Landscape);
        QCOMPARE(find(page, QStringLiteral("txtTitolo")) != nullptr, i == 0);
        QCOMPARE(find(page, QStringLiteral("txtPagina")) != nullptr, i == prepared.pages.size() - 1);
        const ReportObject *part = find(page, QStringLiteral("txtRiepilogo"));
        QVERIFY(part);
        QVERIFY(part->rect.bottom() <= page.printable.height() + 1e-6);
        printed << part->lines;
        lastLineBottom = part->rect.bottom();
    }
    QCOMPARE(printed, lines);
    const ReportObject *footer = find(prepared.pages.last(), QStringLiteral("txtPagina"));
    QVERIFY(footer->rect.top() >= lastLineBottom + 10);
    QVERIFY(footer->rect.bottom() <= prepared.pages.last().printable.height());
}

void TestReport::thousandsOfLinesStayInOrder()
{
    Report r = ReportLayouts::listReport();
    QStringList lines;
    for (int i = 0; i < 5000; ++i)
        lines << QString::number(i);
    ReportLayouts::fillList(r, QStringLiteral("Molte righe"), lines);
    const PreparedReport prepared = r.prepare(kWhen);
    QStringList printed;
    for (const PreparedPage &page : prepared.pages) {
        const ReportObject *part = find(page, QStringLiteral("txtRiepilogo"));
        QVERIFY(part);
        // One text object per page, not one per line.
        int texts = 0;
        for (const ReportObject &o : page.objects)
            texts += o.name == u"txtRiepilogo";
        QCOMPARE(texts, 1);
        printed << part->lines;
    }
    QCOMPARE(printed, lines);
    QVERIFY(prepared.pages.size() > 80);
}

void TestReport::bracketsPrintedLiterally()
{
    Report r = ReportLayouts::listReport();
    ReportLayouts::fillList(r, QStringLiteral("Note [DATE]"), {QStringLiteral("nota [DATE] e [altro]")});
    const PreparedPage page = r.prepare(kWhen).pages.first();
    QCOMPARE(find(page, QStringLiteral("txtRiepilogo"))->lines, QStringList{QStringLiteral("nota [DATE] e [altro]")});
    QCOMPARE(find(page, QStringLiteral("txtTitolo"))->text(), QStringLiteral("Note [DATE]"));

    Report card = ReportLayouts::cardReport(reportLogo());
    ReportLayouts::fillCard(card, QStringLiteral("T"), {{QStringLiteral("Note:"), QStringLiteral(" [DATE] ")}},
                            QStringLiteral("piede"));
    QCOMPARE(find(card.prepare(kWhen).pages.first(), QStringLiteral("txtCampo01"))->text(), QStringLiteral("[DATE]"));
}

void TestReport::cardLayoutObjects()
{
    Report r = ReportLayouts::cardReport(reportLogo());
    QCOMPARE(r.name(), QStringLiteral("Scheda informativa"));
    QCOMPARE(r.orientation(), QPageLayout::Portrait);
    using ReportUnits::mm;
    QCOMPARE(r.object(QStringLiteral("txtTitolo")).rect, QRectF(mm(23), mm(3), mm(165), mm(9)));
    QCOMPARE(r.object(QStringLiteral("titCampo24")).rect, QRectF(mm(3), mm(24 + 230), mm(52), mm(6)));
    QCOMPARE(r.object(QStringLiteral("txtCampo24")).rect, QRectF(mm(60), mm(254), mm(128), mm(6)));
    QCOMPARE(r.object(QStringLiteral("txtCampo07")).text(), QStringLiteral("Campo 7"));
    QCOMPARE(r.object(QStringLiteral("txtCalce")).fill, QColor(0xFF, 0x8C, 0x00));
    QCOMPARE(r.object(QStringLiteral("titCampo01")).fill, QColor(0x00, 0x80, 0x80));
    QVERIFY(!r.object(QStringLiteral("imgLogo")).picture.isNull());
    QCOMPARE(ReportLayouts::printFooter(kWhen), QStringLiteral("Stampa eseguita in data 09/03/2024 alle ore 15:42:07"));
    Report list = ReportLayouts::listReport();
    QCOMPARE(list.object(QStringLiteral("txtTitolo")).fill, QColor(0x70, 0x80, 0x90));
    QCOMPARE(list.object(QStringLiteral("txtRiepilogo")).fontFamily, QStringLiteral("Courier New"));
    QVERIFY(qAbs(list.printableSize().width() - 1046.93) < 0.01);
}

void TestReport::supplierCardRows()
{
    TfrmFornitori card;
    card.open();
    card.txtComuneRes->setText(QStringLiteral(" Forlì "));
    card.txtProvRes->setEditText(QStringLiteral("FC"));
    card.txtPartitaIva->setText(QStringLiteral("01234567890"));
    card.txtCarta->setText(QStringLiteral("4111"));
    card.fillReport();
    const PreparedPage page = card.repScheda.prepare(kWhen).pages.first();
    auto row = [&](int n) {
        const QString nn = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        return qMakePair(find(page, QStringLiteral("titCampo") + nn)->text(),
                         find(page, QStringLiteral("txtCampo") + nn)->text());
    };
    QCOMPARE(find(page, QStringLiteral("txtTitolo"))->text(), QStringLiteral("SCHEDA ANAGRAFICA FORNITORE"));
    QCOMPARE(row(1), qMakePair(QStringLiteral("Denominazione Ditta:"), QString()));
    QCOMPARE(row(4), qMakePair(QStringLiteral("Indirizzo:"), QString()));
    QCOMPARE(row(5), qMakePair(QStringLiteral("Città:"), QStringLiteral("Forlì")));
    QCOMPARE(row(6), qMakePair(QStringLiteral("Provincia:"), QStringLiteral("FC")));
    QCOMPARE(row(8).first, QStringLiteral("Modalità pagamento:"));
    QCOMPARE(row(15), qMakePair(QStringLiteral("Partita IVA:"), QStringLiteral("01234567890")));
    QCOMPARE(row(16), qMakePair(QStringLiteral("Carta di credito n."), QStringLiteral("4111")));
    QCOMPARE(row(17).first, QStringLiteral("Scadenza carta di credito:"));
    QCOMPARE(row(23), qMakePair(QStringLiteral("Da ricontattare:"), QStringLiteral("No")));
    QCOMPARE(row(24).first, QStringLiteral("Note:"));
    QCOMPARE(find(page, QStringLiteral("txtCalce"))->text(),
             QStringLiteral("Stampa eseguita in data 09/03/2024 alle ore 15:42:07"));
    card.chkRicontatta->setChecked(true);
    card.fillReport();
    QCOMPARE(card.repScheda.object(QStringLiteral("txtCampo23")).text(), QStringLiteral("S\u00EC"));
}

void TestReport::productCardRows()
{
    TfrmMagazzino card;
    card.open();
    card.txtSottoscorta->setText(QString());
    card.memConsumo->setText(QStringLiteral("10 cm"));
    card.memOnde->setText(QStringLiteral("12/2027"));
    card.txtPercIva->setText(QStringLiteral("22"));
    card.fillReport();
    Report &r = card.repScheda;
    QCOMPARE(r.object(QStringLiteral("txtTitolo")).text(), QStringLiteral("SCHEDA ARTICOLO"));
    QCOMPARE(r.object(QStringLiteral("titCampo15")).text(), QStringLiteral("Preavviso sottoscorta:"));
    QCOMPARE(r.object(QStringLiteral("txtCampo15")).text(), QStringLiteral(" pezzi rimasti"));
    QCOMPARE(r.object(QStringLiteral("titCampo20")).text(), QStringLiteral("Altezza:"));
    QCOMPARE(r.object(QStringLiteral("txtCampo20")).text(), QStringLiteral("10 cm"));
    QCOMPARE(r.object(QStringLiteral("txtCampo23")).text(), QStringLiteral("12/2027"));
    QCOMPARE(r.object(QStringLiteral("txtCampo17")).text(), QStringLiteral("22"));
    QCOMPARE(r.object(QStringLiteral("txtCampo13")).text(), QStringLiteral("0,00"));
    card.txtSottoscorta->setText(QStringLiteral(" 3 "));
    card.fillReport();
    QCOMPARE(r.object(QStringLiteral("txtCampo15")).text(), QStringLiteral("3 pezzi rimasti"));
}

void TestReport::printAndPreviewGoThroughTheEngine()
{
    TfrmFornitori suppliers;
    suppliers.open();
    suppliers.txtDitta->setText(QStringLiteral("Alfa"));
    QTest::mouseClick(suppliers.findChild<QAbstractButton *>(QStringLiteral("cmdStampa")), Qt::LeftButton);
    QTest::mouseClick(suppliers.findChild<QAbstractButton *>(QStringLiteral("cmdAnteprima")), Qt::LeftButton);
    TfrmMagazzino products;
    products.open();
    QTest::mouseClick(products.findChild<QAbstractButton *>(QStringLiteral("cmdStampa")), Qt::LeftButton);
    QCOMPARE(m_outputs.size(), 3);
    QCOMPARE(m_outputs[0].first, ReportOutput::Kind::Print);
    QCOMPARE(m_outputs[1].first, ReportOutput::Kind::Preview);
    QCOMPARE(m_outputs[0].second.pages.size(), 1);
    QCOMPARE(find(m_outputs[1].second.pages.first(), QStringLiteral("txtCampo01"))->text(), QStringLiteral("Alfa"));
    QCOMPARE(find(m_outputs[2].second.pages.first(), QStringLiteral("txtTitolo"))->text(),
             QStringLiteral("SCHEDA ARTICOLO"));
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestReport::supplierPdfTwiceThenOpen()
{
    TfrmFornitori card;
    card.open();
    const QString pdf = m_folder->file(QStringLiteral("Fornitore.pdf"));
    card.txtDitta->setText(QStringLiteral("Prima Ditta"));
    m_messages->answers = {false};
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdPDF")), Qt::LeftButton);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Confirmation);
    QCOMPARE(m_messages->lastText(),
             QStringLiteral("L'esportazione della scheda in PDF è terminata con successo.\r\n\r\nSi vuole aprire il file?"));
    QVERIFY(m_shell->opened.isEmpty()); // No: not opened
    QVERIFY(pdfText(pdf).contains(QStringLiteral("Prima Ditta")));

    card.txtDitta->setText(QStringLiteral("Seconda Ditta"));
    card.txtComuneRes->setText(QStringLiteral("Forlì"));
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdPDF")), Qt::LeftButton);
    QCOMPARE(m_shell->opened, QStringList{pdf});
    const QString text = pdfText(pdf);
    QVERIFY2(text.contains(QStringLiteral("Seconda Ditta")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("Prima Ditta")));
    QVERIFY(text.contains(QStringLiteral("SCHEDA ANAGRAFICA FORNITORE")));
    QVERIFY(text.contains(QStringLiteral("Forlì")));
    QVERIFY(text.contains(QStringLiteral("Stampa eseguita in data 09/03/2024 alle ore 15:42:07")));
    const QStringList files = QDir(m_folder->path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    QCOMPARE(files, QStringList{QStringLiteral("Fornitore.pdf")});
    const QString info = pdfInfo(pdf);
    const QString simplified = info.simplified();
    QVERIFY2(simplified.contains(QStringLiteral("Title: Scheda informativa")), qPrintable(info));
    QVERIFY(simplified.contains(QStringLiteral("Creator: Scortex Software")));
    QVERIFY(info.contains(QStringLiteral("(A4)")));
    QVERIFY(info.contains(QStringLiteral("<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>Scheda informativa")));
}

void TestReport::fullDiskKeepsThePreviousPdf()
{
    // With room for 16 KB only the new PDF cannot be whole: the previous one
    // stays and no success is reported.
    if (runInChild("fullDiskKeepsThePreviousPdf", ChildRun::WithFileSizeLimit, 16 * 1024))
        return;
    TfrmFornitori card;
    card.open();
    const QString pdf = m_folder->file(QStringLiteral("Fornitore.pdf"));
    {
        QFile previous(pdf);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("%PDF-1.4 previous");
    }
    card.txtDitta->setText(QStringLiteral("Ditta"));
    applyFileSizeLimit();
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdPDF")), Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
    QCOMPARE(m_messages->lastText(), CardPrint::failureMessage());
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("%PDF-1.4 previous"));
    QCOMPARE(QDir(m_folder->path()).entryList({QStringLiteral("Fornitore.pdf*")}, QDir::Files).size(), 1);
}

void TestReport::previewOffersNoOrientationOrPageSetup()
{
    QPrintPreviewDialog dialog;
    ReportOutput::limitPreview(dialog);
    QStringList shown, hidden;
    for (QAction *action : dialog.findChildren<QAction *>()) {
        if (!action->text().isEmpty())
            (action->isVisible() ? shown : hidden) << action->text();
    }
    const auto tr = [](const char *text) { return QCoreApplication::translate("QPrintPreviewDialog", text); };
    hidden.sort();
    QStringList expected{tr("Portrait"), tr("Landscape"), tr("Page setup")};
    expected.sort();
    QCOMPARE(hidden, expected);
    for (const char *kept : {"Print", "Zoom in", "Zoom out", "Fit width", "Fit page", "Next page"})
        QVERIFY2(shown.contains(tr(kept)), kept);
}

void TestReport::pdfThatCannotBeWrittenIsNoSuccess()
{
    TfrmMagazzino card;
    card.open();
    QVERIFY(QDir().mkdir(m_folder->file(QStringLiteral("Articolo.pdf")))); // the name is taken by a folder
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdPDF")), Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
    QCOMPARE(m_messages->lastText(), CardPrint::failureMessage());
    QVERIFY(m_shell->opened.isEmpty());

    // Once writable again, the product PDF is written and opened.
    QVERIFY(QDir().rmdir(m_folder->file(QStringLiteral("Articolo.pdf"))));
    card.txtCodice->setText(QStringLiteral("ART-1"));
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdPDF")), Qt::LeftButton);
    QCOMPARE(m_shell->opened, QStringList{m_folder->file(QStringLiteral("Articolo.pdf"))});
    QVERIFY(pdfText(m_folder->file(QStringLiteral("Articolo.pdf"))).contains(QStringLiteral("ART-1")));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installItalian(app);
    TestReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_report.moc"

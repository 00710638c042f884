#include "storage/attachments.h"
#include "storage/record.h"
#include "products/productcard.h"
#include "receipts/receiptcard.h"
#include "suppliers/suppliercard.h"
#include "suppliers/supplierrecord.h"
#include "support/childrun.h"
#include "support/files.h"
#include "support/recorders.h"
#include "ui/attachwindow.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Stands in for the file-open dialog: answers with the queued files, an
// empty name meaning "cancelled".
struct FileChooser
{
    QStringList answers;
    QStringList titles, filters;
    FileChooser()
    {
        FileDialogs::setChooser([this](QWidget *, const QString &title, const QString &filter) {
            titles << title;
            filters << filter;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
    }
    ~FileChooser() { FileDialogs::setChooser({}); }
};

} // namespace

class TestAttachWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstAttachmentCreatesTheFolder();
    void sameNameAsks_data();
    void sameNameAsks();
    void cancelledDialogChangesNothing();
    void removeApplyAndSave();
    void annullaLeavesTheCard();
    void failedCopyKeepsThePreviousName_data();
    void failedCopyKeepsThePreviousName();
    void windowsNames_data();
    void windowsNames();
    void namesTheCardCannotKeepAreNotCopied_data();
    void namesTheCardCannotKeepAreNotCopied();
    void sameWindowOnEveryCard_data();
    void sameWindowOnEveryCard();
    void namesWithFoldersAreNotOpened_data();
    void namesWithFoldersAreNotOpened();

private:
    // The attachments window of the card, opened from its button.
    void openFromCard(const std::function<void(TfrmAllegaCartella &)> &act);
    QString folder() const { return QDir(m_folder->path()).filePath(QStringLiteral("Documenti_Allegati")); }
    QString source(const QString &name, const QByteArray &bytes);

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<ShellRecorder> m_shell;
    std::unique_ptr<FileChooser> m_chooser;
    std::unique_ptr<QTemporaryDir> m_elsewhere;
    std::unique_ptr<TfrmFornitori> m_card;
};

void TestAttachWindow::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_shell = std::make_unique<ShellRecorder>();
    m_chooser = std::make_unique<FileChooser>();
    m_elsewhere = std::make_unique<QTemporaryDir>();
    m_card = std::make_unique<TfrmFornitori>();
    m_card->open();
}

void TestAttachWindow::cleanup()
{
    m_card.reset();
    m_elsewhere.reset();
    m_chooser.reset();
    m_shell.reset();
    m_messages.reset();
    m_folder.reset();
}

QString TestAttachWindow::source(const QString &name, const QByteArray &bytes)
{
    const QString path = m_elsewhere->filePath(name);
    writeBytes(path, bytes);
    return path;
}

void TestAttachWindow::openFromCard(const std::function<void(TfrmAllegaCartella &)> &act)
{
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<TfrmAllegaCartella *>(modal);
        QVERIFY(w);
        opened = true;
        QCOMPARE(w->windowTitle(), QStringLiteral(" Allega file"));
        QCOMPARE(w->lblMemory->text(), QStringLiteral("fornitori"));
        act(*w);
    });
    QTest::mouseClick(m_card->findChild<QAbstractButton *>(QStringLiteral("cmdFile")), Qt::LeftButton);
    QVERIFY(opened);
}

void TestAttachWindow::firstAttachmentCreatesTheFolder()
{
    const QString chosen = source(QStringLiteral("Contratto è 2026.pdf"), QByteArray(300000, 'c'));
    m_chooser->answers = {chosen};
    openFromCard([&](TfrmAllegaCartella &w) {
        QVERIFY(!w.btnApri[0]->isEnabled());
        QTest::mouseClick(w.btnSfoglia[0], Qt::LeftButton);
        QCOMPARE(m_chooser->titles, QStringList{QStringLiteral("Selezionare il file da allegare:")});
        QCOMPARE(m_chooser->filters, QStringList{QStringLiteral("Tutti i file (*.*)")});
        QCOMPARE(w.txtFile[0]->text(), QStringLiteral("Contratto è 2026.pdf"));
        QVERIFY(w.btnApri[0]->isEnabled());
        QTest::mouseClick(w.btnApri[0], Qt::LeftButton);
        w.txtDesc[0]->setText(QStringLiteral("  Contratto firmato  "));
        QTest::mouseClick(w.btnApplica, Qt::LeftButton);
    });
    QCOMPARE(readAll(QDir(folder()).filePath(QStringLiteral("Contratto è 2026.pdf"))), QByteArray(300000, 'c'));
    QCOMPARE(m_shell->opened, QStringList{QDir::toNativeSeparators(QDir(folder()).filePath("Contratto è 2026.pdf"))});
    QCOMPARE(m_card->controlText(QStringLiteral("lblFile01")), QStringLiteral("Contratto è 2026.pdf"));
    QCOMPARE(m_card->controlText(QStringLiteral("lblDesc01")), QStringLiteral("Contratto firmato"));
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestAttachWindow::sameNameAsks_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("Sì replaces") << true;
    QTest::newRow("No keeps the old file") << false;
}

void TestAttachWindow::sameNameAsks()
{
    QFETCH(bool, replace);
    QVERIFY(QDir().mkpath(folder()));
    writeBytes(QDir(folder()).filePath(QStringLiteral("listino.xls")), "old");
    m_chooser->answers = {source(QStringLiteral("listino.xls"), "new")};
    m_messages->answers = {replace};
    openFromCard([&](TfrmAllegaCartella &w) {
        w.txtFile[1]->setText(QStringLiteral("prima.doc"));
        QTest::mouseClick(w.btnSfoglia[1], Qt::LeftButton);
        QCOMPARE(m_messages->boxes.size(), 1);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Confirmation);
        QCOMPARE(m_messages->lastText(), TfrmAllegaCartella::overwriteQuestion());
        // Either way the slot names the file in the folder.
        QCOMPARE(w.txtFile[1]->text(), QStringLiteral("listino.xls"));
        QTest::mouseClick(w.btnApplica, Qt::LeftButton);
    });
    QCOMPARE(readAll(QDir(folder()).filePath(QStringLiteral("listino.xls"))), replace ? QByteArray("new") : QByteArray("old"));
    QCOMPARE(m_card->controlText(QStringLiteral("lblFile02")), QStringLiteral("listino.xls"));
}

void TestAttachWindow::cancelledDialogChangesNothing()
{
    m_card->setControlText(QStringLiteral("lblFile03"), QStringLiteral("vecchio.pdf"));
    openFromCard([&](TfrmAllegaCartella &w) {
        QCOMPARE(w.txtFile[2]->text(), QStringLiteral("vecchio.pdf"));
        QVERIFY(w.btnApri[2]->isEnabled());
        QTest::mouseClick(w.btnSfoglia[2], Qt::LeftButton);
        QCOMPARE(w.txtFile[2]->text(), QStringLiteral("vecchio.pdf"));
        QTest::mouseClick(w.btnApplica, Qt::LeftButton);
    });
    QVERIFY(!QFileInfo::exists(folder()));
    QCOMPARE(m_card->controlText(QStringLiteral("lblFile03")), QStringLiteral("vecchio.pdf"));
}

void TestAttachWindow::removeApplyAndSave()
{
    const QString path = SupplierRecord::archivePath(m_folder->path());
    Record r(SupplierRecord::layout());
    r.setValue(SupplierRecord::Ditta, QStringLiteral("Rossi"));
    r.setValue(SupplierRecord::File02, QStringLiteral("ordine.pdf"));
    r.setValue(SupplierRecord::Desc02, QStringLiteral("Ordine di marzo"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(r.bytes());
    }
    QVERIFY(QDir().mkpath(folder()));
    writeBytes(QDir(folder()).filePath(QStringLiteral("ordine.pdf")), "pdf");
    m_card->cmdPrimoClick();
    openFromCard([](TfrmAllegaCartella &w) {
        QCOMPARE(w.txtFile[1]->text(), QStringLiteral("ordine.pdf"));
        QTest::mouseClick(w.imgCancella[1], Qt::LeftButton);
        QCOMPARE(w.txtFile[1]->text(), QString());
        QVERIFY(!w.btnApri[1]->isEnabled());
        QTest::mouseClick(w.btnApplica, Qt::LeftButton);
    });
    QTest::mouseClick(m_card->findChild<QAbstractButton *>(QStringLiteral("cmdSalva")), Qt::LeftButton);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const Record saved(SupplierRecord::layout(), f.read(SupplierRecord::Size));
    QCOMPARE(saved.value(SupplierRecord::File02), QString());
    QCOMPARE(saved.value(SupplierRecord::Desc02), QStringLiteral("Ordine di marzo"));
    QVERIFY(QFile::exists(QDir(folder()).filePath(QStringLiteral("ordine.pdf"))));
}

void TestAttachWindow::annullaLeavesTheCard()
{
    m_chooser->answers = {source(QStringLiteral("foto.jpg"), "jpg")};
    openFromCard([](TfrmAllegaCartella &w) {
        QTest::mouseClick(w.btnSfoglia[0], Qt::LeftButton);
        w.txtDesc[2]->setText(QStringLiteral("nuova"));
        QTest::mouseClick(w.btnAnnulla, Qt::LeftButton);
    });
    QCOMPARE(m_card->controlText(QStringLiteral("lblFile01")), QString());
    QCOMPARE(m_card->controlText(QStringLiteral("lblDesc03")), QString());
    // The copy stays in the folder.
    QVERIFY(QFile::exists(QDir(folder()).filePath(QStringLiteral("foto.jpg"))));
}

void TestAttachWindow::failedCopyKeepsThePreviousName_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("read-only folder") << int(ChildRun::AsNobodyIfRoot);
    QTest::newRow("disk full part-way") << int(ChildRun::WithFileSizeLimit);
}

void TestAttachWindow::failedCopyKeepsThePreviousName()
{
    QFETCH(int, how);
    if (runInChild(QStringLiteral("failedCopyKeepsThePreviousName:%1").arg(QTest::currentDataTag()).toLatin1(),
                   ChildRun(how), 256 * 1024))
        return;
    QVERIFY(QDir().mkpath(folder()));
    const QString chosen = source(QStringLiteral("grande.bin"), QByteArray(200 * 1024, 'g') + QByteArray(200 * 1024, 'h'));
    // On Windows a folder keeps no read-only attribute: a read-only file of
    // that name, replaced with the user's consent, stands for it.
    const QString kept = QDir(folder()).filePath(QStringLiteral("grande.bin"));
    const bool readOnlyFile = ChildRun(how) == ChildRun::AsNobodyIfRoot && QSysInfo::productType() == u"windows";
    if (readOnlyFile) {
        QFile previous(kept);
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("allegato precedente");
        previous.close();
        QVERIFY(QFile::setPermissions(kept, QFileDevice::ReadOwner));
    } else if (ChildRun(how) == ChildRun::AsNobodyIfRoot) {
        QVERIFY(QFile::setPermissions(folder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else {
        applyFileSizeLimit();
    }
    m_chooser->answers = {chosen};
    openFromCard([&](TfrmAllegaCartella &w) {
        w.txtFile[0]->setText(QStringLiteral("precedente.pdf"));
        QTest::mouseClick(w.btnSfoglia[0], Qt::LeftButton);
        // The read-only file is there: first the question whether to replace it.
        QCOMPARE(m_messages->boxes.size(), readOnlyFile ? 2 : 1);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
        QVERIFY(m_messages->lastText().contains(QStringLiteral("\"grande.bin\"")));
        QCOMPARE(w.txtFile[0]->text(), QStringLiteral("precedente.pdf"));
        QTest::mouseClick(w.btnAnnulla, Qt::LeftButton);
    });
    QFile::setPermissions(folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Nothing cut under the real name, no temporary file left.
    if (readOnlyFile) {
        QFile::setPermissions(kept, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList{QStringLiteral("grande.bin")});
        QFile previous(kept);
        QVERIFY(previous.open(QIODevice::ReadOnly));
        QCOMPARE(previous.readAll(), QByteArray("allegato precedente"));
        return;
    }
    QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList());
}

void TestAttachWindow::windowsNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("plain") << "listino 2024.pdf" << true;
    QTest::newRow("accents and dots") << "Società.già.v2.pdf" << true;
    QTest::newRow("device-like, longer") << "console.txt" << true;
    QTest::newRow("COM0 is no port") << "COM0" << true;
    QTest::newRow("dotted start") << ".nascosto" << true;
    for (const char *bad : {"a<b", "a>b", "a:b", "a\"b", "a/b", "a\\b", "a|b", "a?b", "a*b"})
        QTest::newRow(bad) << QString::fromLatin1(bad) << false;
    QTest::newRow("tab") << "a\tb" << false;
    QTest::newRow("trailing dot") << "listino." << false;
    QTest::newRow("trailing blank") << "listino " << false;
    QTest::newRow("CON") << "CON" << false;
    QTest::newRow("prn.txt") << "prn.txt" << false;
    QTest::newRow("Aux.tar.gz") << "Aux.tar.gz" << false;
    QTest::newRow("nul") << "nul" << false;
    QTest::newRow("COM9.log") << "COM9.log" << false;
    QTest::newRow("lpt1") << "lpt1" << false;
}

void TestAttachWindow::windowsNames()
{
    // The rule alone, on every system: the names need no file.
    QFETCH(QString, name);
    QFETCH(bool, allowed);
    QCOMPARE(Attachments::isWindowsName(name), allowed);
    if (!allowed)
        QVERIFY(!Attachments::isStorableName(name));
}

void TestAttachWindow::namesTheCardCannotKeepAreNotCopied_data()
{
    QTest::addColumn<QString>("name");
    // A name Windows forbids gets the message that says so.
    QTest::addColumn<bool>("windowsRule");
    QTest::newRow("outside Windows-1252") << QStringLiteral("listino \u65E5\u672C.pdf") << false;
    QTest::newRow("leading blank") << " listino.pdf" << false;
    QTest::newRow("longer than 250") << QString(247, u'a') + ".pdf" << false;
    QTest::newRow("colon") << "a:b.pdf" << false;
    QTest::newRow("backslash") << "a\\b.pdf" << false;
    QTest::newRow("question mark") << "listino?.pdf" << true;
    QTest::newRow("star, angles, bar, quote") << "a*b<c>d|e\"f.pdf" << true;
    QTest::newRow("trailing dot") << "listino." << true;
    QTest::newRow("device name") << "con" << true;
    QTest::newRow("device name with extension") << "Nul.txt" << true;
    QTest::newRow("serial port") << "COM1.pdf" << true;
    QTest::newRow("printer port") << "lpt9" << true;
}

void TestAttachWindow::namesTheCardCannotKeepAreNotCopied()
{
    QFETCH(QString, name);
    QFETCH(bool, windowsRule);
#ifdef Q_OS_WIN
    if (windowsRule || name.contains(u':') || name.contains(u'\\'))
        QSKIP("Windows holds no file of that name to choose");
#endif
    m_chooser->answers = {source(name, "x")};
    openFromCard([&](TfrmAllegaCartella &w) {
        w.txtFile[0]->setText(QStringLiteral("precedente.pdf"));
        QTest::mouseClick(w.btnSfoglia[0], Qt::LeftButton);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
        QCOMPARE(m_messages->lastText(), Attachments::unstorableNameMessage(name));
        QCOMPARE(m_messages->lastText().contains(QStringLiteral("non è ammesso su Windows")), windowsRule);
        QCOMPARE(w.txtFile[0]->text(), QStringLiteral("precedente.pdf"));
    });
    QVERIFY(!QFileInfo::exists(folder()) || QDir(folder()).entryList(QDir::Files).isEmpty());
}

void TestAttachWindow::sameWindowOnEveryCard_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("word");
    QTest::newRow("suppliers") << 0 << "fornitori";
    QTest::newRow("products") << 1 << "magazzino";
    QTest::newRow("receipts") << 2 << "carichi";
}

void TestAttachWindow::sameWindowOnEveryCard()
{
    QFETCH(int, which);
    QFETCH(QString, word);
    std::unique_ptr<TCardScreen> card;
    if (which == 0)
        card = std::make_unique<TfrmFornitori>();
    else if (which == 1)
        card = std::make_unique<TfrmMagazzino>();
    else
        card = std::make_unique<TfrmCarichi>();
    card->open();
    card->setControlText(QStringLiteral("lblDesc02"), QStringLiteral("prima"));
    m_chooser->answers = {source(QStringLiteral("scheda.pdf"), "pdf")};
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<TfrmAllegaCartella *>(modal);
        QVERIFY(w);
        opened = true;
        QCOMPARE(w->lblMemory->text(), word);
        QCOMPARE(w->txtDesc[1]->text(), QStringLiteral("prima"));
        QTest::mouseClick(w->btnSfoglia[2], Qt::LeftButton);
        w->txtDesc[1]->setText(QStringLiteral("dopo"));
        QTest::mouseClick(w->btnApplica, Qt::LeftButton);
    });
    QTest::mouseClick(card->findChild<QAbstractButton *>(QStringLiteral("cmdFile")), Qt::LeftButton);
    QVERIFY(opened);
    QCOMPARE(card->controlText(QStringLiteral("lblFile03")), QStringLiteral("scheda.pdf"));
    QCOMPARE(card->controlText(QStringLiteral("lblDesc02")), QStringLiteral("dopo"));
}

void TestAttachWindow::namesWithFoldersAreNotOpened_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent folder") << "../Fornitori.pro";
    QTest::newRow("absolute") << "/etc/passwd";
    QTest::newRow("backslash") << "..\\unins000.dll";
    QTest::newRow("dot dot") << "..";
}

void TestAttachWindow::namesWithFoldersAreNotOpened()
{
    QFETCH(QString, name);
    m_card->setControlText(QStringLiteral("lblFile01"), name);
    openFromCard([&](TfrmAllegaCartella &w) {
        QTest::mouseClick(w.btnApri[0], Qt::LeftButton);
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
        QCOMPARE(m_messages->lastText(), Attachments::unsafeNameMessage(name));
    });
    QVERIFY(m_shell->opened.isEmpty());
    QVERIFY(Attachments::isPlainName(QStringLiteral("Contratto 2026.pdf")));
}

QTEST_MAIN(TestAttachWindow)
#include "tst_attachwindow.moc"

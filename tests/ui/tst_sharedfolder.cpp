// Several workstations on one shared program folder: a card's save never
// silently undoes another workstation's save, concurrent imports add up,
// and readers and writers wait for a write in progress.
#include "app/safetycopies.h"
#include "products/productcard.h"
#include "products/productrecord.h"
#include "products/stockwindow.h"
#include "receipts/productimport.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptrecord.h"
#include "storage/disk.h"
#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/filelock.h"
#include "storage/recordfile.h"
#include "suppliers/suppliercard.h"
#include "suppliers/supplierrecord.h"
#include "support/recorders.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

enum class CardKind { Suppliers, Products, Receipts };

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// One of the three cards over its archive, with two stored records; the user
// edits the notes, the other workstation another field.
struct CardCase
{
    std::unique_ptr<TCardScreen> card;
    QString archive;
    const RecordLayout *layout = nullptr;
    int otherField = 0;

    static CardCase make(CardKind kind, const QString &folder)
    {
        CardCase c;
        QList<QByteArray> records;
        for (int i = 1; i <= 2; ++i) {
            const QString n = QString::number(i);
            switch (kind) {
            case CardKind::Suppliers: {
                c.card = std::make_unique<TfrmFornitori>();
                c.archive = SupplierRecord::archivePath(folder);
                c.layout = &SupplierRecord::layout();
                c.otherField = SupplierRecord::Titolare;
                Record r(*c.layout);
                r.setValue(SupplierRecord::Ditta, QStringLiteral("Ditta ") + n);
                r.setValue(SupplierRecord::Ricontatta, QStringLiteral("No"));
                records << r.bytes();
                break;
            }
            case CardKind::Products: {
                c.card = std::make_unique<TfrmMagazzino>();
                c.archive = ProductRecord::archivePath(folder);
                c.layout = &ProductRecord::layout();
                c.otherField = ProductRecord::Marca;
                Record r(*c.layout);
                r.setValue(ProductRecord::Codice, QStringLiteral("A-") + n);
                r.setValue(ProductRecord::Descrizione, QStringLiteral("Viti"));
                records << r.bytes();
                break;
            }
            case CardKind::Receipts: {
                auto receipts = std::make_unique<TfrmCarichi>();
                c.archive = ReceiptRecord::archivePath(folder, QStringLiteral("2025"));
                receipts->lblFile->setText(c.archive);
                c.card = std::move(receipts);
                c.layout = &ReceiptRecord::layout();
                c.otherField = ReceiptRecord::Marca;
                Record r(*c.layout);
                r.setValue(ReceiptRecord::Fornitore, QStringLiteral("Rossi"));
                r.setValue(ReceiptRecord::Data, QStringLiteral("01/03/2025"));
                r.setValue(ReceiptRecord::Codice, QStringLiteral("A-") + n);
                r.setValue(ReceiptRecord::Tipologia, QStringLiteral("Minuteria"));
                r.setValue(ReceiptRecord::Descrizione, QStringLiteral("Viti"));
                r.setValue(ReceiptRecord::DaSaldare, QStringLiteral("No"));
                records << r.bytes();
                break;
            }
            }
        }
        writeFile(c.archive, records.join());
        c.card->open();
        QApplication::setActiveWindow(c.card.get());
        return c;
    }

    void click(const char *name) const
    {
        auto *b = card->findChild<QAbstractButton *>(QLatin1StringView(name));
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    QByteArray stored(qint64 p) const
    {
        RecordFile file(archive, layout->size(), RecordFile::Mode::ReadOnly);
        return file.read(p);
    }
    // The other workstation saves record p with one field changed.
    QByteArray saveElsewhere(qint64 p, const QString &text) const
    {
        RecordFile file(archive, layout->size());
        Record r(*layout, file.read(p));
        r.setValue(otherField, text);
        file.write(p, r.bytes());
        return r.bytes();
    }
    QString field(qint64 p, int f) const { return Record(*layout, stored(p)).value(f); }
};

QList<MessageRecorder::Box> boxesOf(const MessageRecorder &m, Messages::Kind kind)
{
    QList<MessageRecorder::Box> found;
    for (const MessageRecorder::Box &b : m.boxes) {
        if (b.kind == kind)
            found << b;
    }
    return found;
}

QByteArray product(const QString &giacenza, const QString &costo)
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, QStringLiteral("A-1"));
    r.setValue(ProductRecord::Descrizione, QStringLiteral("Viti 4x30"));
    r.setValue(ProductRecord::Costo, costo);
    r.setValue(ProductRecord::Giacenza, giacenza);
    return r.bytes();
}

} // namespace

class TestSharedFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void saveOverAnotherWorkstationsSaveAsks_data();
    void saveOverAnotherWorkstationsSaveAsks();
    void noQuestionWithoutAnotherSave_data();
    void noQuestionWithoutAnotherSave();
    void stockAdjustmentOverAnImportAsks();
    void twoWorkstationsImportTheSameProduct();
    void readersAndWritersWaitForAWriteInProgress_data();
    void readersAndWritersWaitForAWriteInProgress();
    void aFailedSaveIsSaidUndoneAndSavedNextTime_data();
    void aFailedSaveIsSaidUndoneAndSavedNextTime();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestSharedFolder::init()
{
    m_folder = std::make_unique<ProgramFolder>(false);
    m_messages = std::make_unique<MessageRecorder>();
}

void TestSharedFolder::cleanup()
{
    m_messages.reset();
    m_folder.reset();
}

void TestSharedFolder::saveOverAnotherWorkstationsSaveAsks_data()
{
    QTest::addColumn<CardKind>("kind");
    QTest::addColumn<QString>("answer");
    for (auto [name, kind] : {std::pair{"fornitori", CardKind::Suppliers}, std::pair{"magazzino", CardKind::Products},
                              std::pair{"carichi", CardKind::Receipts}}) {
        QTest::addRow("%s, No", name) << kind << QStringLiteral("No");
        QTest::addRow("%s, Sì", name) << kind << QStringLiteral("Sì");
    }
    // Sì answers for the version the question was about, not for a later one.
    QTest::newRow("fornitori, Sì while B saves again") << CardKind::Suppliers << QStringLiteral("Sì, B again");
}

void TestSharedFolder::saveOverAnotherWorkstationsSaveAsks()
{
    QFETCH(CardKind, kind);
    QFETCH(QString, answer);
    const CardCase c = CardCase::make(kind, m_folder->path());
    c.click("cmdUltimo");
    QCOMPARE(c.card->lblPosizione->text(), QStringLiteral("2"));
    const QByteArray before1 = c.stored(1);

    c.card->setControlText(QStringLiteral("txtNote"), QStringLiteral("nota della postazione A"));
    QByteArray theirs = c.saveElsewhere(2, QStringLiteral("Marca di B"));

    const bool overwrite = answer == u"Sì";
    if (answer == u"Sì, B again") {
        m_messages->answers = {true, false};
        m_messages->whileShown = [&](const MessageRecorder::Box &box) {
            if (box.kind == Messages::Kind::Overwrite && m_messages->boxes.size() == 1)
                theirs = c.saveElsewhere(2, QStringLiteral("Marca di B, seconda"));
        };
    } else {
        m_messages->answers = {overwrite};
    }
    c.click("cmdSalva");
    m_messages->whileShown = nullptr;
    const auto overwriteBoxes = boxesOf(*m_messages, Messages::Kind::Overwrite);
    QCOMPARE(overwriteBoxes.size(), answer == u"Sì, B again" ? 2 : 1);
    QCOMPARE(m_messages->boxes.size(), overwriteBoxes.size() + (overwrite ? 1 : 0));
    QCOMPARE(overwriteBoxes.first().text,
             QStringLiteral("Attenzione: la scheda è stata modificata da un'altra postazione dopo essere stata "
                            "visualizzata.\r\n\r\nSi vuole sovrascriverla con i dati presenti a video?"));
    QCOMPARE(c.stored(1), before1);
    QCOMPARE(c.card->lblPosizione->text(), QStringLiteral("2"));
    QCOMPARE(c.card->controlText(QStringLiteral("txtNote")), QStringLiteral("nota della postazione A"));
    if (overwrite) {
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
        QCOMPARE(m_messages->lastText(), TCardScreen::updatedMessage());
        QCOMPARE(c.stored(2), c.card->recordFromControls());
        QCOMPARE(c.field(2, c.otherField), QString());
    } else {
        QCOMPARE(c.stored(2), theirs);
        // Asked again on every save until the user decides.
        m_messages->answers = {false};
        c.click("cmdSalva");
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Overwrite);
        QCOMPARE(c.stored(2), theirs);
    }
}

void TestSharedFolder::noQuestionWithoutAnotherSave_data()
{
    QTest::addColumn<QString>("story");
    QTest::newRow("nobody else saved") << QStringLiteral("alone");
    QTest::newRow("two saves in a row") << QStringLiteral("twice");
    QTest::newRow("other saved the same bytes") << QStringLiteral("same");
    QTest::newRow("browsed to the other version first") << QStringLiteral("reloaded");
    QTest::newRow("new card while another appends") << QStringLiteral("new");
    QTest::newRow("duplicate while another appends") << QStringLiteral("duplicate");
}

void TestSharedFolder::noQuestionWithoutAnotherSave()
{
    QFETCH(QString, story);
    const CardCase c = CardCase::make(CardKind::Suppliers, m_folder->path());
    c.click("cmdUltimo");
    const auto edit = [&](const QString &note) { c.card->setControlText(QStringLiteral("txtNote"), note); };
    qint64 expectedAt = 2;
    QByteArray theirs;
    if (story == u"alone") {
        edit(QStringLiteral("prima"));
    } else if (story == u"twice") {
        edit(QStringLiteral("prima"));
        c.click("cmdSalva");
        edit(QStringLiteral("seconda"));
    } else if (story == u"same") {
        edit(QStringLiteral("prima"));
        RecordFile(c.archive, c.layout->size()).write(2, c.card->recordFromControls());
    } else if (story == u"reloaded") {
        theirs = c.saveElsewhere(2, QStringLiteral("Titolare di B"));
        c.click("cmdPrimo");
        c.click("cmdAvanti");
        QCOMPARE(c.card->controlText(QStringLiteral("txtTitolare")), QStringLiteral("Titolare di B"));
        edit(QStringLiteral("prima"));
    } else {
        if (story == u"new") {
            c.click("cmdNuovo");
            c.card->setControlText(QStringLiteral("txtDitta"), QStringLiteral("Ditta nuova"));
        } else {
            c.click("cmdDuplica");
        }
        RecordFile(c.archive, c.layout->size()).append(c.stored(1));
        expectedAt = 4;
    }
    const int before = int(m_messages->boxes.size());
    c.click("cmdSalva");
    QCOMPARE(m_messages->boxes.size(), before + 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    QCOMPARE(m_messages->lastText(),
             expectedAt == 2 ? TCardScreen::updatedMessage() : TCardScreen::insertedMessage());
    QCOMPARE(c.card->lblPosizione->text(), QString::number(expectedAt));
    QCOMPARE(c.stored(expectedAt), c.card->recordFromControls());
    if (story == u"reloaded")
        QCOMPARE(c.field(2, SupplierRecord::Titolare), QStringLiteral("Titolare di B"));
    QVERIFY(boxesOf(*m_messages, Messages::Kind::Overwrite).isEmpty());
}

void TestSharedFolder::stockAdjustmentOverAnImportAsks()
{
    // A shows stock 10 and adds 5; meanwhile B imports 3 into the product.
    const QString path = ProductRecord::archivePath(m_folder->path());
    QVERIFY(writeFile(path, product(QStringLiteral("10"), QStringLiteral("2"))));
    TfrmMagazzino card;
    card.open();
    QApplication::setActiveWindow(&card);
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdPrimo")), Qt::LeftButton);
    QCOMPARE(card.txtGiacenza->text(), QStringLiteral("10"));
    const QByteArray picked = RecordFile(path, ProductRecord::Size).read(1);
    QCOMPARE(ProductImport::raiseStock(path, 1, picked, QStringLiteral("3")).outcome, ProductImport::Import::Raised);

    const auto addFive = [&] {
        whenModal([](QWidget *modal) {
            auto *w = qobject_cast<TfrmGiacenza *>(modal);
            QVERIFY(w);
            w->txtAggiunta->setText(QStringLiteral("5"));
            QTest::mouseClick(w->btnAggiorna, Qt::LeftButton);
        });
        QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("btnAggiungi")), Qt::LeftButton);
    };
    const auto stock = [&] {
        return Record(ProductRecord::layout(), RecordFile(path, ProductRecord::Size).read(1))
            .value(ProductRecord::Giacenza);
    };
    addFive();
    QCOMPARE(card.txtGiacenza->text(), QStringLiteral("15"));
    m_messages->answers = {false};
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdSalva")), Qt::LeftButton);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Overwrite);
    QCOMPARE(stock(), QStringLiteral("13"));
    QCOMPARE(card.txtGiacenza->text(), QStringLiteral("15"));

    // Seeing B's import and adding again keeps both.
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdPrimo")), Qt::LeftButton);
    QCOMPARE(card.txtGiacenza->text(), QStringLiteral("13"));
    addFive();
    m_messages->boxes.clear();
    QTest::mouseClick(card.findChild<QAbstractButton *>(QStringLiteral("cmdSalva")), Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastText(), TCardScreen::updatedMessage());
    QCOMPARE(stock(), QStringLiteral("18"));
}

void TestSharedFolder::twoWorkstationsImportTheSameProduct()
{
    const QString path = ProductRecord::archivePath(m_folder->path());
    const QByteArray neighbour = [] {
        Record r(ProductRecord::layout());
        r.setValue(ProductRecord::Codice, QStringLiteral("B-2"));
        r.setValue(ProductRecord::Giacenza, QStringLiteral("7"));
        return r.bytes();
    }();
    QVERIFY(writeFile(path, neighbour + product(QStringLiteral("0"), QStringLiteral("2")) + neighbour));
    constexpr int kImports = 500;
    QProcess a, b;
    a.start(QStringLiteral(SHAREDWORKER),
            {QStringLiteral("import"), path, QStringLiteral("2"), QStringLiteral("1"), QString::number(kImports)});
    b.start(QStringLiteral(SHAREDWORKER),
            {QStringLiteral("import"), path, QStringLiteral("2"), QStringLiteral("2,5"), QString::number(kImports)});
    // Both started before either imports, so that their imports overlap.
    for (QProcess *worker : {&a, &b}) {
        QVERIFY(worker->waitForReadyRead(30000));
        QCOMPARE(worker->readLine(), QByteArray("ready\n"));
    }
    for (QProcess *worker : {&a, &b}) {
        worker->write("go\n");
        worker->waitForBytesWritten(30000);
    }
    QVERIFY(a.waitForFinished(120000));
    QVERIFY(b.waitForFinished(120000));
    QCOMPARE(a.exitCode(), 0);
    QCOMPARE(b.exitCode(), 0);

    RecordFile file(path, ProductRecord::Size, RecordFile::Mode::ReadOnly);
    QCOMPARE(file.count(), qint64(3));
    const Record raised(ProductRecord::layout(), file.read(2));
    QCOMPARE(raised.value(ProductRecord::Giacenza), QStringLiteral("1750"));
    QCOMPARE(raised.value(ProductRecord::Valore), QStringLiteral("3500,00"));
    QCOMPARE(file.read(1), neighbour);
    QCOMPARE(file.read(3), neighbour);
}

void TestSharedFolder::readersAndWritersWaitForAWriteInProgress_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("card read") << QStringLiteral("read");
    QTest::newRow("list scan, mapped") << QStringLiteral("mapped");
    QTest::newRow("list scan, blocks") << QStringLiteral("blocks");
    QTest::newRow("card save") << QStringLiteral("write");
    QTest::newRow("import") << QStringLiteral("update");
    QTest::newRow("safety copy") << QStringLiteral("copy");
}

void TestSharedFolder::readersAndWritersWaitForAWriteInProgress()
{
    // Another workstation overwrites record 2 in two halves under the lock,
    // as a network file system may split a write, and stops between them.
    // Whatever happens here meanwhile must wait for the second half.
    QFETCH(QString, action);
    if (action == u"mapped" && !RecordFile::mappingAllowed())
        QSKIP("no mapped scans on this system: its scans read blocks, the \"list scan, blocks\" row");
    constexpr int kSize = 4096;
    const QString path = m_folder->file(QStringLiteral("Fornitori.pro"));
    QVERIFY(writeFile(path, QByteArray(3 * kSize, 'a')));
    QProcess other;
    other.start(QStringLiteral(SHAREDWORKER),
                {QStringLiteral("splitwrite"), path, QString::number(kSize), QStringLiteral("2"), QStringLiteral("b")});
    QVERIFY(other.waitForReadyRead(30000));
    QCOMPARE(other.readLine(), QByteArray("half\n"));

    RecordFile::setMappingAllowed(action == u"mapped");
    QByteArray seen;
    std::atomic<bool> done{false};
    const quint64 waitsAtStart = FileLock::waits();
    std::thread here([&] {
        try {
            RecordFile file(path, kSize);
            if (action == u"read") {
                seen = file.read(2);
            } else if (action == u"write") {
                file.write(2, QByteArray(kSize, 'c'));
            } else if (action == u"copy") {
                const QString folder = QFileInfo(path).absolutePath();
                const SafetyCopies::Outcome made = SafetyCopies::daily(folder, QDate(2026, 12, 10));
                QFile zip(QDir(SafetyCopies::folder(folder)).filePath(made.name));
                Zip::Reader reader(&zip);
                if (!made.made || !zip.open(QIODevice::ReadOnly) || !reader.open()
                    || !reader.find(QStringLiteral("Fornitori.pro")))
                    throw ArchiveError(path, made.error);
                QByteArray bytes;
                reader.read(*reader.find(QStringLiteral("Fornitori.pro")), [&](QByteArrayView b) {
                    bytes += b.toByteArray();
                    return true;
                });
                seen = bytes.mid(kSize, kSize);
            } else if (action == u"update") {
                file.update(2, [&](const QByteArray &current) {
                    seen = current;
                    return QByteArray(kSize, 'c');
                });
            } else {
                struct Copy
                {
                    char *into;
                    static void gather(void *context, const RecordFile::Run &run)
                    {
                        auto *self = static_cast<Copy *>(context);
                        if (run.first <= 2 && run.first + run.count > 2)
                            std::memcpy(self->into, run.data + (2 - run.first) * kSize, kSize);
                    }
                };
                seen = QByteArray(kSize, '\0');
                Copy copy{seen.data()};
                file.scanRuns(100, &Copy::gather, &copy);
            }
        } catch (const ArchiveError &) {
            seen = "failed";
        }
        done = true;
    });
    // Let the other workstation finish once this one waits for its lock
    // (or has gone ahead without waiting, which is the fault).
    QElapsedTimer clock;
    clock.start();
    bool waited = false;
    // The lock code counts the times it found the lock taken by another
    // workstation and went on to wait for it, asking again.
    while (!done && !waited && clock.elapsed() < 30000) {
        waited = FileLock::waits() > waitsAtStart;
        QThread::msleep(5);
    }
    other.write("go\n");
    other.waitForBytesWritten(30000);
    here.join();
    RecordFile::setMappingAllowed(true);
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);

    if (action == u"write" || action == u"update")
        QCOMPARE(RecordFile(path, kSize).read(2), QByteArray(kSize, 'c'));
    if (action != u"write")
        QCOMPARE(seen, QByteArray(kSize, 'b'));
    QVERIFY(waited);
}

QTEST_MAIN(TestSharedFolder)
#include "tst_sharedfolder.moc"

void TestSharedFolder::aFailedSaveIsSaidUndoneAndSavedNextTime_data()
{
    QTest::addColumn<CardKind>("kind");
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<int>("fault");
    using Disk::Faults::Kind;
    for (auto [name, kind] : {std::pair{"fornitori", CardKind::Suppliers}, std::pair{"magazzino", CardKind::Products},
                              std::pair{"carichi", CardKind::Receipts}}) {
        for (bool isNew : {false, true}) {
            for (auto [faultName, fault] : {std::pair{"once", Kind::Once}, std::pair{"persistent", Kind::Persistent},
                                            std::pair{"short", Kind::Short}})
                QTest::addRow("%s, %s, %s", name, isNew ? "new card" : "overwrite", faultName) << kind << isNew << int(fault);
        }
    }
}

// Whatever call of the save fails, the card says the archive could not be
// written, the archive holds what it held, and the next Salva, with the
// disk working again, saves: with no question about another workstation,
// and a new card at the first free position.
void TestSharedFolder::aFailedSaveIsSaidUndoneAndSavedNextTime()
{
    QFETCH(CardKind, kind);
    QFETCH(bool, isNew);
    QFETCH(int, fault);
    for (int nth = 1;; ++nth) {
        QVERIFY2(nth < 50, "the save never ends");
        ProgramFolder folder(false);
        const CardCase c = CardCase::make(kind, folder.path());
        QFile archive(c.archive);
        QVERIFY(archive.open(QIODevice::ReadOnly));
        const QByteArray old = archive.readAll();
        archive.close();
        c.click("cmdUltimo");
        // A duplicate is a new card with the required fields filled in.
        if (isNew)
            c.click("cmdDuplica");
        c.card->setControlText(QStringLiteral("txtNote"), QStringLiteral("nota nuova"));
        m_messages->boxes.clear();

        Disk::Faults::arm(nth, Disk::Faults::Kind(fault));
        c.click("cmdSalva");
        const int calls = Disk::Faults::calls();
        Disk::Faults::disarm();
        QCOMPARE(m_messages->boxes.size(), 1);
        if (calls < nth) {
            QCOMPARE(m_messages->lastText(), isNew ? TCardScreen::insertedMessage() : TCardScreen::updatedMessage());
            break;
        }
        const QString at = QStringLiteral("call %1").arg(nth);
        QVERIFY2(m_messages->lastText() == archiveAccessMessage(), qPrintable(QString(at + QStringLiteral(": ") + m_messages->lastText())));
        {
            // The restart: the archive opened as the card opens it, which
            // undoes an interrupted write.
            RecordFile(c.archive, c.layout->size(), RecordFile::Mode::ReadOnly);
            QVERIFY(archive.open(QIODevice::ReadOnly));
            const QByteArray now = archive.readAll();
            archive.close();
            const QByteArray saved = isNew ? old + c.card->recordFromControls()
                                           : old.left(c.layout->size()) + c.card->recordFromControls();
            // A new card that moved to its record was written, and only its
            // close or last flush failed; any other failure left nothing.
            const bool moved = isNew && !c.card->lblPosizione->text().isEmpty();
            QVERIFY2(isNew ? now == (moved ? saved : old) : now == old || now == saved,
                     qPrintable(QString(at + QStringLiteral(": not the archive the card says"))));
        }
        c.click("cmdSalva");
        QVERIFY2(boxesOf(*m_messages, Messages::Kind::Overwrite).isEmpty(), qPrintable(QString(at + QStringLiteral(": asked about another workstation"))));
        // A close that failed after the record reached the disk leaves the
        // card on the new record, and Salva saves it there again.
        QVERIFY2(m_messages->lastText() == TCardScreen::updatedMessage()
                     || (isNew && m_messages->lastText() == TCardScreen::insertedMessage()),
                 qPrintable(QString(at + QStringLiteral(": ") + m_messages->lastText())));
        // Never twice: a save said to have failed did not land.
        const QString position = c.card->lblPosizione->text();
        QVERIFY2(position == (isNew ? QStringLiteral("3") : QStringLiteral("2")),
                 qPrintable(QString(at + QStringLiteral(": saved at ") + position)));
        QCOMPARE(c.stored(position.toLongLong()), c.card->recordFromControls());
        QCOMPARE(c.stored(1), old.left(c.layout->size()));
        QCOMPARE(QFileInfo(c.archive).size(), qint64(c.layout->size()) * (isNew ? 3 : 2));
    }
}

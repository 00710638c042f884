// Every saving action, with the Nth call of its file code failing in every
// way a disk or a share fails: the failure is reported, and every file is
// the old one or the new one, never a mixture; a failure said to the user
// leaves every file as it was. A crash runs in a child.
#include "app/passwordfile.h"
#include "output/report.h"
#include "output/reportoutput.h"
#include "support/files.h"
#include "output/spreadsheet.h"
#include "products/productrecord.h"
#include "receipts/productimport.h"
#include "receipts/receiptrecord.h"
#include "storage/archiveerror.h"
#include "storage/attachments.h"
#include "storage/disk.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "storage/rollbackjournal.h"
#include "storage/safefile.h"
#include "suppliers/supplierarchive.h"
#include "suppliers/supplierrecord.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

using Disk::Faults::Kind;

QString at(const QString &folder, const char *name)
{
    return folder + QLatin1Char('/') + QLatin1StringView(name);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray supplier(const QString &ditta)
{
    Record r(SupplierRecord::layout());
    r.setValue(SupplierRecord::Ditta, ditta);
    r.setValue(SupplierRecord::Ricontatta, QStringLiteral("No"));
    return r.bytes();
}

QByteArray product(const QString &codice, const QString &giacenza)
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, codice);
    r.setValue(ProductRecord::Descrizione, QStringLiteral("Viti 4x30"));
    r.setValue(ProductRecord::Costo, QStringLiteral("2,00"));
    r.setValue(ProductRecord::Giacenza, giacenza);
    return r.bytes();
}

QByteArray receipt(const QString &codice)
{
    Record r(ReceiptRecord::layout());
    r.setValue(ReceiptRecord::Fornitore, QStringLiteral("Rossi"));
    r.setValue(ReceiptRecord::Data, QStringLiteral("01/03/2025"));
    r.setValue(ReceiptRecord::Codice, codice);
    r.setValue(ReceiptRecord::DaSaldare, QStringLiteral("No"));
    return r.bytes();
}

struct Archive
{
    const char *name;
    int size;
};
const Archive kArchives[] = {
    {"Fornitori.pro", SupplierRecord::Size},
    {"Magazzino.pro", ProductRecord::Size},
    {"2025.odc", ReceiptRecord::Size},
};

// The program folder every action starts from.
void prepare(const QString &folder)
{
    Record bianchi(SupplierRecord::layout(), supplier(QStringLiteral("Bianchi")));
    // A field in the record's second half, so that half a write is a mixture.
    bianchi.setValue(SupplierRecord::Note, QStringLiteral("nota di Bianchi"));
    writeFile(at(folder, "Fornitori.pro"), supplier(QStringLiteral("Rossi")) + bianchi.bytes());
    writeFile(at(folder, "Magazzino.pro"), product(QStringLiteral("A-1"), QStringLiteral("10"))
                                              + product(QStringLiteral("A-2"), QStringLiteral("4")));
    writeFile(at(folder, "2025.odc"), receipt(QStringLiteral("A-1")) + receipt(QStringLiteral("A-2")));
    writeFile(at(folder, "unins000.dll"), QByteArray("[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\n"));
    writeFile(at(folder, "Scheda.pdf"), QByteArray("the previous PDF"));
    writeFile(at(folder, "Fornitori.xls"), QByteArray("the previous sheet"));
    writeFile(at(folder, "Documenti_Allegati/preventivo.txt"), QByteArray("the previous attachment"));
    // Two blocks of the copy's loop, and a few bytes more.
    writeFile(at(folder, "sorgente/preventivo.txt"), QByteArray(2 * (1 << 20) + 17, 'n'));
}

// What an action tells its user.
enum class Said {
    Saved,
    Failed,
    // Written, but the archive's close or the change's last flush failed:
    // the card moves to the record all the same.
    Unconfirmed,
};

Said closing(RecordFile &file)
{
    try {
        file.close();
    } catch (const ArchiveError &) {
        return Said::Unconfirmed;
    }
    return Said::Saved;
}

Said appendTo(const QString &folder, const char *archive, const QByteArray &record)
{
    RecordFile file(folder + u'/' + QLatin1StringView(archive), int(record.size()));
    file.append(record);
    return closing(file);
}

Said overwrite(const QString &folder, const char *archive, const QByteArray &record)
{
    const QString path = folder + u'/' + QLatin1StringView(archive);
    RecordFile file(path, int(record.size()));
    const QByteArray shown = file.read(2);
    if (!file.replace(2, shown, record))
        return Said::Failed;
    return closing(file);
}

Said saidBy(bool saved)
{
    return saved ? Said::Saved : Said::Failed;
}

PreparedReport aReport()
{
    PreparedReport report;
    report.name = QStringLiteral("Scheda");
    PreparedPage page;
    page.printable = QSizeF(ReportUnits::mm(190), ReportUnits::mm(277));
    ReportObject text;
    text.rect = QRectF(0, 0, ReportUnits::mm(100), ReportUnits::mm(10));
    text.setText(QStringLiteral("Ditta Rossi"));
    page.objects << text;
    report.pages << page;
    return report;
}

struct Action
{
    const char *name;
    // What the action says; a throw says it failed.
    std::function<Said(const QString &folder)> run;
};

const QList<Action> &actions()
{
    static const QList<Action> list = {
        {"new supplier", [](const QString &f) { return appendTo(f, "Fornitori.pro", supplier(QStringLiteral("Verdi"))); }},
        {"new product", [](const QString &f) { return appendTo(f, "Magazzino.pro", product(QStringLiteral("B-1"), QStringLiteral("1"))); }},
        {"new receipt", [](const QString &f) { return appendTo(f, "2025.odc", receipt(QStringLiteral("B-1"))); }},
        {"supplier overwritten", [](const QString &f) { return overwrite(f, "Fornitori.pro", supplier(QStringLiteral("Neri"))); }},
        {"product overwritten", [](const QString &f) { return overwrite(f, "Magazzino.pro", product(QStringLiteral("A-2"), QStringLiteral("9"))); }},
        {"receipt overwritten", [](const QString &f) { return overwrite(f, "2025.odc", receipt(QStringLiteral("C-9"))); }},
        {"import raises the stock",
         [](const QString &f) {
             const QString path = at(f, "Magazzino.pro");
             const ProductImport::Import done = ProductImport::raiseStock(path, 1, product(QStringLiteral("A-1"), QStringLiteral("10")),
                                                                          QStringLiteral("3"));
             if (done.outcome != ProductImport::Import::Raised)
                 return Said::Failed;
             return done.unconfirmed ? Said::Unconfirmed : Said::Saved;
         }},
        {"password change",
         [](const QString &f) {
             return saidBy(PasswordFile::change(f, QStringLiteral("magazzino"), QStringLiteral("nuova"), QStringLiteral("nuova"))
                           == PasswordFile::Outcome::Accepted);
         }},
        {"PDF", [](const QString &f) { return saidBy(ReportOutput::writePdf(aReport(), at(f, "Scheda.pdf"), {})); }},
        {"export",
         [](const QString &f) {
             RecordFile archive(at(f, "Fornitori.pro"), SupplierRecord::Size, RecordFile::Mode::ReadOnly);
             const Spreadsheet::Rows rows = Spreadsheet::Rows::read(archive, Spreadsheet::fornitori());
             SafeFile sheet(at(f, "Fornitori.xls"));
             if (sheet.open(QIODevice::WriteOnly) && Spreadsheet::write(sheet, Spreadsheet::fornitori(), rows)
                 && sheet.commit())
                 return Said::Saved;
             return sheet.replaced() ? Said::Unconfirmed : Said::Failed;
         }},
        {"attachment copy",
         [](const QString &f) {
             return saidBy(Attachments::copyInto(at(f, "sorgente/preventivo.txt"), at(f, "Documenti_Allegati"),
                                                 QStringLiteral("preventivo.txt"))
                               .isEmpty());
         }},
    };
    return list;
}

const Action *actionNamed(const QString &name)
{
    for (const Action &a : actions()) {
        if (name == QLatin1StringView(a.name))
            return &a;
    }
    return nullptr;
}

Said runAction(const Action &action, const QString &folder)
{
    try {
        return action.run(folder);
    } catch (const ArchiveError &) {
        return Said::Failed;
    }
}

// Every file of the folder, with the archives read as Scortex reads them:
// opening one first undoes an interrupted write.
QMap<QString, QByteArray> contents(const QString &folder)
{
    for (const Archive &a : kArchives) {
        try {
            RecordFile(folder + u'/' + QLatin1StringView(a.name), a.size, RecordFile::Mode::ReadOnly);
        } catch (const ArchiveError &) {
        }
    }
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readAll(path));
    }
    return files;
}

// A PDF carries the time it was made: a new one is any whole PDF.
bool isNew(const QString &name, const QByteArray &bytes, const QByteArray &reference, const QByteArray &old)
{
    if (name.endsWith(QLatin1StringView(".pdf")) && reference != old)
        return bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF");
    return bytes == reference;
}

// Each file is the old one or the new one: all new after a success, every
// archive old after a failure said to the user. After a crash a temporary
// file of a whole-file write may be left beside its file.
QString mixture(const QMap<QString, QByteArray> &before, const QMap<QString, QByteArray> &reference,
                const QMap<QString, QByteArray> &now, Said said, bool crashed)
{
    QStringList names = before.keys() + reference.keys() + now.keys();
    names.removeDuplicates();
    for (const QString &name : names) {
        const bool isOld = before.contains(name) ? now.value(name) == before.value(name) && now.contains(name)
                                                 : !now.contains(name);
        const bool isNewOne = reference.contains(name) ? now.contains(name) && isNew(name, now.value(name), reference.value(name), before.value(name))
                                                       : !now.contains(name);
        if (crashed && !before.contains(name) && !reference.contains(name) && name.contains(QLatin1StringView(".~")))
            continue;
        // A whole file may stand new after a failure of its folder's flush,
        // which comes after its rename.
        const bool archive = name.endsWith(QLatin1StringView(".pro")) || name.endsWith(QLatin1StringView(".odc"));
        const bool failed = said == Said::Failed && !crashed && archive;
        if (said == Said::Saved ? !isNewOne : failed ? !isOld : !(isOld || isNewOne))
            return QStringLiteral("%1: %2 (%3 bytes)")
                .arg(name, said == Said::Saved ? "not the new file after a success"
                           : failed             ? "not the old file after a failure said to the user"
                                                : "neither old nor new")
                .arg(now.value(name).size());
    }
    return QString();
}

Said saidByExit(int exit)
{
    return exit == 0 ? Said::Saved : exit == 3 ? Said::Unconfirmed : Said::Failed;
}

const char *kindName(Kind kind)
{
    switch (kind) {
    case Kind::Once: return "once";
    case Kind::Persistent: return "persistent";
    case Kind::Short: return "short";
    case Kind::Crash: return "crash";
    }
    return "";
}

// What one run of an action with a failing call did.
struct Run
{
    Said said = Said::Failed;
    bool hit = false;     // the failing call was reached
    bool crashed = false; // the process ended there
};

// Runs `action` on `folder` in a child process of this program, with
// `settings` added to its environment; its exit code, -1 when it did not
// end normally.
int actInChild(const QString &action, const QString &folder, const QList<QPair<QString, QString>> &settings)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto &[name, value] : settings)
        env.insert(name, value);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--act"), action, QDir::toNativeSeparators(folder)});
    const bool ended = child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit;
    const int exit = ended ? child.exitCode() : -1;
    // Saved (0), said it failed (1), unconfirmed (3), or ended at the seam
    // (86): anything else is a fault of its own.
    if (exit != 0 && exit != 1 && exit != 3 && exit != 86)
        QTest::qFail(child.readAllStandardError().constData(), __FILE__, __LINE__);
    return exit;
}

} // namespace

class TestSaves : public QObject
{
    Q_OBJECT

private:
    void failEveryCall(const QString &action, const std::function<Run(int nth, const QString &folder)> &failAt);

private slots:
    void everyFailureIsReportedAndNoFileIsMixed_data();
    void everyFailureIsReportedAndNoFileIsMixed();
    void realSystemCallsFailToo_data();
    void realSystemCallsFailToo();
    void aJournalFromACrashIsUndoneOnOpen_data();
    void aJournalFromACrashIsUndoneOnOpen();
    void aFailedFlushThenARetrySavesOnce_data();
    void aFailedFlushThenARetrySavesOnce();
    void aDamagedJournalIsDropped();
    void journalsAreNoArchives();
};

void TestSaves::everyFailureIsReportedAndNoFileIsMixed_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("kind");
    for (const Action &a : actions()) {
        for (Kind k : {Kind::Once, Kind::Persistent, Kind::Short, Kind::Crash})
            QTest::addRow("%s, %s", a.name, kindName(k)) << QString::fromLatin1(a.name) << int(k);
    }
}

// Runs every call of `action` failed by `failAt`, one run per call, until a
// run gets through: each run that met its failure says it did not save, and
// leaves every file old or new.
void TestSaves::failEveryCall(const QString &action, const std::function<Run(int nth, const QString &folder)> &failAt)
{
    const Action *a = actionNamed(action);
    QVERIFY(a);
    QTemporaryDir refDir;
    prepare(refDir.path());
    const QMap<QString, QByteArray> before = contents(refDir.path());
    QVERIFY(runAction(*a, refDir.path()) == Said::Saved);
    const QMap<QString, QByteArray> reference = contents(refDir.path());
    QVERIFY(before != reference);

    for (int nth = 1;; ++nth) {
        QVERIFY2(nth < 200, "the action never ends");
        QTemporaryDir dir;
        prepare(dir.path());
        const Run run = failAt(nth, dir.path());
        if (QTest::currentTestFailed())
            return;
        const QString mixed = mixture(before, reference, contents(dir.path()), run.said, run.crashed);
        QVERIFY2(mixed.isEmpty(), qPrintable(QStringLiteral("call %1: %2").arg(nth).arg(mixed)));
        if (run.hit) {
            QVERIFY2(run.said != Said::Saved, qPrintable(QStringLiteral("call %1 failed, and the action said it saved").arg(nth)));
            continue;
        }
        // Past the last call: the action ran whole and said so.
        QVERIFY2(run.said == Said::Saved, "no call failed, and the action did not say it saved");
        QVERIFY2(nth > 2, "the action makes no checked call at all");
        qInfo("%s: %d calls", qPrintable(action), nth - 1);
        return;
    }
}

void TestSaves::everyFailureIsReportedAndNoFileIsMixed()
{
    QFETCH(QString, action);
    QFETCH(int, kind);
    const Action *a = actionNamed(action);
    QVERIFY(a);
    failEveryCall(action, [&](int nth, const QString &folder) {
        Run run;
        if (Kind(kind) == Kind::Crash) {
            const int exit = actInChild(action, folder, {{QStringLiteral("SCORTEX_FAULT"), QStringLiteral("%1:crash").arg(nth)}});
            run.crashed = run.hit = exit == 86;
            run.said = saidByExit(exit);
            return run;
        }
        Disk::Faults::arm(nth, Kind(kind));
        run.said = runAction(*a, folder);
        run.hit = Disk::Faults::hit();
        Disk::Faults::disarm();
        return run;
    });
}

void TestSaves::realSystemCallsFailToo_data()
{
    everyFailureIsReportedAndNoFileIsMixed_data();
}

// The same table with the system calls themselves failing underneath
// (write, fsync, ftruncate, close of a written file, rename, an exclusive
// lock), so that the system's own error paths are tried as well as the seam.
void TestSaves::realSystemCallsFailToo()
{
#ifndef FAILSHIM
    QSKIP("the calls are failed by a library preloaded into the child (LD_PRELOAD), which Windows does not "
          "have; the fault seam fails the same calls there");
#else
    QFETCH(QString, action);
    QFETCH(int, kind);
    QTemporaryDir markers;
    failEveryCall(action, [&](int nth, const QString &folder) {
        const QString hitMarker = markers.filePath(QString::number(nth));
        const int exit = actInChild(action, folder,
                                    {{QStringLiteral("LD_PRELOAD"), QStringLiteral(FAILSHIM)},
                                     // A sanitizer's runtime would otherwise insist on coming first.
                                     {QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0:detect_leaks=0")},
                                     {QStringLiteral("FAILSHIM_DIR"), QFileInfo(folder).canonicalFilePath()},
                                     {QStringLiteral("FAILSHIM_N"), QString::number(nth)},
                                     {QStringLiteral("FAILSHIM_KIND"), QString::fromLatin1(kindName(Kind(kind)))},
                                     {QStringLiteral("FAILSHIM_HIT"), hitMarker}});
        Run run;
        run.crashed = exit == 86;
        run.said = saidByExit(exit);
        run.hit = QFile::exists(hitMarker);
        return run;
    });
#endif
}

void TestSaves::aJournalFromACrashIsUndoneOnOpen_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("halfWritten");
    // The record's write cut in half: half new, half old.
    QTest::newRow("crash in the record's write") << QStringLiteral("write:Fornitori.pro:crash") << true;
    // The new record whole in the file, the commit never made: it is not
    // saved, and must not come back as if it were.
    QTest::newRow("crash at the record's flush") << QStringLiteral("sync:Fornitori.pro:crash") << false;
}

void TestSaves::aJournalFromACrashIsUndoneOnOpen()
{
    // A crash in the middle of an overwrite leaves the journal; whoever
    // opens the archive next finds the old record.
    QFETCH(QString, fault);
    QFETCH(bool, halfWritten);
    QTemporaryDir dir;
    prepare(dir.path());
    const QString path = dir.filePath(QStringLiteral("Fornitori.pro"));
    const QByteArray old = readAll(path);
    QCOMPARE(actInChild(QStringLiteral("supplier overwritten"), dir.path(), {{QStringLiteral("SCORTEX_FAULT"), fault}}), 86);
    QVERIFY(QFile::exists(RollbackJournal::pathFor(path)));
    const QByteArray left = readAll(path);
    QVERIFY(left != old);
    QCOMPARE(left.mid(SupplierRecord::Size) == supplier(QStringLiteral("Neri")), !halfWritten);
    {
        RecordFile file(path, SupplierRecord::Size, RecordFile::Mode::ReadOnly);
        QCOMPARE(file.read(2), old.mid(SupplierRecord::Size));
    }
    QCOMPARE(readAll(path), old);
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(path)));
}

void TestSaves::aFailedFlushThenARetrySavesOnce_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("archive");
    QTest::newRow("new supplier") << QStringLiteral("new supplier") << QStringLiteral("Fornitori.pro");
    QTest::newRow("new product") << QStringLiteral("new product") << QStringLiteral("Magazzino.pro");
    QTest::newRow("new receipt") << QStringLiteral("new receipt") << QStringLiteral("2025.odc");
    QTest::newRow("import") << QStringLiteral("import raises the stock") << QStringLiteral("Magazzino.pro");
}

// The flush of the record fails for good (a full disk, a share gone) and
// so does taking it back: the user is told the save failed. After a restart
// the archive is as it was, and the retry saves once.
void TestSaves::aFailedFlushThenARetrySavesOnce()
{
    QFETCH(QString, action);
    QFETCH(QString, archive);
    const Action *a = actionNamed(action);
    QVERIFY(a);
    QTemporaryDir once;
    prepare(once.path());
    QCOMPARE(runAction(*a, once.path()), Said::Saved);

    QTemporaryDir dir;
    prepare(dir.path());
    const QByteArray before = readAll(dir.filePath(archive));
    Disk::Faults::arm({Disk::Faults::Call::Sync, archive}, Kind::Persistent);
    const Said said = runAction(*a, dir.path());
    const bool hit = Disk::Faults::hit();
    Disk::Faults::disarm();
    QVERIFY(hit);
    QCOMPARE(said, Said::Failed);
    // The restart: the next open of the archive.
    const QMap<QString, QByteArray> restarted = contents(dir.path());
    QCOMPARE(restarted.value(archive), before);
    QCOMPARE(runAction(*a, dir.path()), Said::Saved);
    QCOMPARE(readAll(dir.filePath(archive)), readAll(once.filePath(archive)));
}

void TestSaves::aDamagedJournalIsDropped()
{
    // A journal cut short was still being written: the archive was never
    // touched, so it stays as it is and the journal goes.
    QTemporaryDir dir;
    prepare(dir.path());
    const QString path = dir.filePath(QStringLiteral("Fornitori.pro"));
    const QByteArray old = readAll(path);
    QVERIFY(writeFile(RollbackJournal::pathFor(path), QByteArray("SCXJRNL1\x01\x02", 10)));
    RecordFile file(path, SupplierRecord::Size);
    QCOMPARE(file.count(), 2);
    QCOMPARE(readAll(path), old);
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(path)));
}

void TestSaves::journalsAreNoArchives()
{
    for (const char *name : {"Magazzino.pro-journal", "2025.odc-journal", "FORNITORI.PRO-JOURNAL"})
        QVERIFY2(RollbackJournal::isJournal(QString::fromLatin1(name)), name);
    for (const char *name : {"Magazzino.pro", "2025.odc", "journal.odc"})
        QVERIFY2(!RollbackJournal::isJournal(QString::fromLatin1(name)), name);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--act") == 0) {
        // The child of a crash case: the action, with the seam armed.
        const Action *a = actionNamed(QString::fromLocal8Bit(argv[2]));
        if (!a)
            return 2;
        Disk::Faults::armFromEnvironment();
        switch (runAction(*a, QDir::fromNativeSeparators(QString::fromLocal8Bit(argv[3])))) {
        case Said::Saved: return 0;
        case Said::Failed: return 1;
        case Said::Unconfirmed: return 3;
        }
        return 1;
    }
    TestSaves test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_saves.moc"

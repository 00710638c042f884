#include "app/safetycopies.h"
#include "storage/disk.h"
#include "storage/filelock.h"
#include "storage/recordfile.h"
#include "storage/rollbackjournal.h"
#include "storage/zipfile.h"
#include "support/files.h"

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <thread>

namespace {

constexpr int kSupplier = 3643;
constexpr int kProduct = 4874;
constexpr int kReceipt = 2937;

// A record as the card writes it: a few short texts and zero padding.
QByteArray record(int size, int seed)
{
    QByteArray r(size, '\0');
    for (int at = 0; at + 40 < size; at += 97) {
        const QByteArray text = QByteArray("Articolo ") + QByteArray::number(seed * 31 + at);
        r[at] = char(text.size());
        r.replace(at + 1, text.size(), text);
    }
    return r;
}

QByteArray records(int size, int count, int seed = 0)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += record(size, seed + i);
    return bytes;
}

// The copies folder's files, the workstations' lock file left out.
QStringList zipsIn(const QString &programFolder)
{
    QStringList names = QDir(SafetyCopies::folder(programFolder)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.removeAll(SafetyCopies::lockFileName());
    return names;
}

QByteArray entryBytes(const QString &zipPath, const QString &name)
{
    QFile f(zipPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    Zip::Reader reader(&f);
    QByteArray bytes;
    if (!reader.open() || !reader.find(name))
        return {};
    if (!reader.read(*reader.find(name), [&](QByteArrayView b) {
            bytes += b.toByteArray();
            return true;
        }))
        return QByteArray("damaged: ") + reader.errorString().toUtf8();
    return bytes;
}

QString zipOf(const QString &folder, const QString &name)
{
    return QDir(SafetyCopies::folder(folder)).filePath(name);
}

} // namespace

class TestSafetyCopies : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void zipRoundTrip();
    void zipIsStandard();
    void firstStartCopiesOnlyChangedFiles();
    void keepingRule_data();
    void keepingRule();
    void keepingOverASimulatedYear();
    void copyWhileAnotherProcessWrites();
    void copyUndoesAnInterruptedWriteFirst();
    void copyWaitsForASaveOfThisProcess();
    void anotherThreadsCloseKeepsASavesLock();
    void copyWaitingForAnotherWorkstationHoldsNoScreenUp_data();
    void copyWaitingForAnotherWorkstationHoldsNoScreenUp();
    void oneWorkstationMakesTheDaysCopy();
    void failedCopyKeepsThePreviousOnes_data();
    void failedCopyKeepsThePreviousOnes();
    void stopAbandonsCleanly();
    void restoreRoundTripsEveryArchive();
    void restoreNamedArchiveFromAnEarlierCopy();
    void restoreRefuses_data();
    void restoreRefuses();
    void failedRestoreLeavesTheArchiveWhole();
    void cliBackupsAndRestore();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QHash<QString, QByteArray> m_original;

    void fill();
};

void TestSafetyCopies::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->path();
    fill();
}

void TestSafetyCopies::cleanup()
{
    Disk::Faults::disarm();
    m_dir.reset();
}

// The four kinds of file, one with a trailing partial record.
void TestSafetyCopies::fill()
{
    m_original = {
        {QStringLiteral("Fornitori.pro"), records(kSupplier, 30)},
        {QStringLiteral("Magazzino.pro"), records(kProduct, 50, 1000) + QByteArray("parziale")},
        {QStringLiteral("2024.odc"), records(kReceipt, 20, 2000)},
        {QStringLiteral("unins000.dll"), QByteArray("[Accesso]\r\nValore=4D414741\r\n")},
    };
    for (auto it = m_original.cbegin(); it != m_original.cend(); ++it)
        writeBytes(QDir(m_folder).filePath(it.key()), it.value());
    // Not copied: neither an archive nor the password file.
    writeBytes(QDir(m_folder).filePath(QStringLiteral("Fornitori.xls")), "foglio");
}

void TestSafetyCopies::zipRoundTrip()
{
    QByteArray random(300000, Qt::Uninitialized);
    for (char &c : random)
        c = char(QRandomGenerator::global()->bounded(256));
    const QList<QPair<QString, QByteArray>> files = {
        {QStringLiteral("vuoto.pro"), QByteArray()},
        {QStringLiteral("Magazzino.pro"), records(kProduct, 200)},
        {QStringLiteral("casuale.bin"), random},
    };
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Zip::Writer writer(&buffer);
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(1765353662123);
    for (const auto &[name, bytes] : files) {
        QVERIFY(writer.begin(name, when, bytes.size()));
        // In pieces, as the copy hands them over.
        for (qsizetype at = 0; at < bytes.size(); at += 70001)
            QVERIFY(writer.add(QByteArrayView(bytes).sliced(at, qMin<qsizetype>(70001, bytes.size() - at))));
        QVERIFY(writer.end());
    }
    QVERIFY(writer.finish(QStringLiteral("commento")));
    buffer.close();

    buffer.open(QIODevice::ReadOnly);
    Zip::Reader reader(&buffer);
    QVERIFY2(reader.open(), qPrintable(reader.errorString()));
    QCOMPARE(reader.comment(), QStringLiteral("commento"));
    QCOMPARE(reader.entries().size(), files.size());
    for (const auto &[name, bytes] : files) {
        const Zip::Entry *e = reader.find(name);
        QVERIFY(e);
        QCOMPARE(e->size, bytes.size());
        QCOMPARE(e->modified, when);
        QByteArray back;
        QVERIFY(reader.read(*e, [&](QByteArrayView b) {
            back += b.toByteArray();
            return true;
        }));
        QCOMPARE(back, bytes);
    }
    // Mostly padding packs small.
    QVERIFY(reader.find(QStringLiteral("Magazzino.pro"))->packed * 20 < kProduct * 200);
}

void TestSafetyCopies::zipIsStandard()
{
#ifdef Q_OS_WIN
    QSKIP("Wine runs no Linux unzip; the zip files are the same bytes on both systems");
#else
    // What the program writes, the common tools read; what they write, it reads.
    const SafetyCopies::Outcome made = SafetyCopies::daily(m_folder, QDate(2026, 12, 10));
    QVERIFY(made.made);
    const QString zip = zipOf(m_folder, QStringLiteral("2026-12-10.zip"));
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-t"), zip});
    QVERIFY(unzip.waitForFinished(60000));
    QVERIFY2(unzip.exitCode() == 0, unzip.readAll().constData());
    QProcess list;
    list.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, QStringLiteral("Magazzino.pro")});
    QVERIFY(list.waitForFinished(60000));
    QCOMPARE(list.readAllStandardOutput(), m_original.value(QStringLiteral("Magazzino.pro")));

    const QString theirs = QDir(m_folder).filePath(QStringLiteral("theirs.zip"));
    QProcess zipper;
    zipper.setWorkingDirectory(m_folder);
    zipper.start(QStringLiteral("zip"), {QStringLiteral("-q"), QStringLiteral("-6"), theirs,
                                         QStringLiteral("Magazzino.pro"), QStringLiteral("unins000.dll")});
    QVERIFY(zipper.waitForFinished(60000));
    QCOMPARE(zipper.exitCode(), 0);
    QCOMPARE(entryBytes(theirs, QStringLiteral("Magazzino.pro")), m_original.value(QStringLiteral("Magazzino.pro")));
    QCOMPARE(entryBytes(theirs, QStringLiteral("unins000.dll")), m_original.value(QStringLiteral("unins000.dll")));
#endif
}

void TestSafetyCopies::firstStartCopiesOnlyChangedFiles()
{
    const QDate day(2026, 12, 10);
    const SafetyCopies::Outcome first = SafetyCopies::daily(m_folder, day);
    QVERIFY2(first.made, qPrintable(first.error));
    QCOMPARE(first.name, QStringLiteral("2026-12-10.zip"));
    QStringList all = m_original.keys();
    all.sort(Qt::CaseInsensitive);
    QStringList copied = first.files;
    copied.sort(Qt::CaseInsensitive);
    QCOMPARE(copied, all);
    for (auto it = m_original.cbegin(); it != m_original.cend(); ++it)
        QCOMPARE(entryBytes(zipOf(m_folder, first.name), it.key()), it.value());
    QVERIFY(first.zipBytes * 5 < first.bytes);

    // A second start the same day makes none.
    const SafetyCopies::Outcome second = SafetyCopies::daily(m_folder, day);
    QVERIFY(!second.made);
    QVERIFY(second.error.isEmpty());
    QCOMPARE(zipsIn(m_folder), QStringList{QStringLiteral("2026-12-10.zip")});

    // Nothing changed: the next day makes none either.
    QVERIFY(!SafetyCopies::daily(m_folder, day.addDays(1)).made);

    // One record overwritten in place, same size: only that archive.
    {
        RecordFile f(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), kProduct);
        f.write(7, record(kProduct, 99));
        f.close();
    }
    const SafetyCopies::Outcome third = SafetyCopies::daily(m_folder, day.addDays(2));
    QVERIFY(third.made);
    QCOMPARE(third.files, QStringList{QStringLiteral("Magazzino.pro")});
    QCOMPARE(zipsIn(m_folder), (QStringList{QStringLiteral("2026-12-10.zip"), QStringLiteral("2026-12-12.zip")}));
}

void TestSafetyCopies::keepingRule_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("present");

    QStringList eleven;
    for (int d = 1; d <= 11; ++d)
        eleven << QStringLiteral("2026-12-%1.zip").arg(d + 10);
    QTest::newRow("eleventh oldest day goes, but it is December's first")
        << eleven << QDate(2026, 12, 21) << eleven << QStringList{};
    QStringList novemberToo = eleven;
    novemberToo.prepend(QStringLiteral("2026-11-30.zip"));
    novemberToo.prepend(QStringLiteral("2026-11-29.zip"));
    QStringList keptNov = eleven;
    keptNov.prepend(QStringLiteral("2026-11-29.zip"));
    QTest::newRow("a month's first copy stays, its later ones go") << novemberToo << QDate(2026, 12, 21) << keptNov << QStringList{};
    QTest::newRow("a day's copies stay together")
        << QStringList{QStringLiteral("2026-12-10.zip"), QStringLiteral("2026-12-10-2.zip"),
                       QStringLiteral("2026-12-10-3.zip")}
        << QDate(2026, 12, 10)
        << QStringList{QStringLiteral("2026-12-10.zip"), QStringLiteral("2026-12-10-2.zip"),
                       QStringLiteral("2026-12-10-3.zip")} << QStringList{};
    QStringList recent;
    for (int d = 1; d <= 10; ++d)
        recent << QStringLiteral("2026-12-%1.zip").arg(d, 2, 10, QLatin1Char('0'));
    QTest::newRow("older than twelve months goes, once ten newer days have copies")
        << QStringList{QStringLiteral("2025-11-03.zip"), QStringLiteral("2025-12-01.zip"),
                       QStringLiteral("2026-01-05.zip"), QStringLiteral("2026-01-06.zip")} + recent
        << QDate(2026, 12, 10) << QStringList{QStringLiteral("2026-01-05.zip")} + recent << QStringList{};
    QTest::newRow("the last ten copies stay however old")
        << QStringList{QStringLiteral("2024-03-03.zip"), QStringLiteral("2025-11-03.zip")} << QDate(2026, 12, 10)
        << QStringList{QStringLiteral("2024-03-03.zip"), QStringLiteral("2025-11-03.zip")} << QStringList{};
    QTest::newRow("a copy dated after today is left alone")
        << QStringList{QStringLiteral("2027-01-02.zip"), QStringLiteral("2026-12-09.zip")} << QDate(2026, 12, 10)
        << QStringList{QStringLiteral("2026-12-09.zip"), QStringLiteral("2027-01-02.zip")} << QStringList{};
    QTest::newRow("names that are no copy are never kept or counted")
        << QStringList{QStringLiteral("note.txt"), QStringLiteral("2026-13-01.zip"), QStringLiteral("2026-12-09-1.zip")}
        << QDate(2026, 12, 10) << QStringList{} << QStringList{};
    const QStringList everything{QStringLiteral("Fornitori.pro"), QStringLiteral("Magazzino.pro"), QStringLiteral("2024.odc")};
    QStringList laterDays;
    for (int d = 1; d <= 10; ++d)
        laterDays << QStringLiteral("2026-12-%1.zip=Magazzino.pro").arg(d, 2, 10, QLatin1Char('0'));
    QTest::newRow("the newest copy of a missing file stays")
        << QStringList{QStringLiteral("2025-05-01.zip=2024.odc,Magazzino.pro"), QStringLiteral("2025-06-01.zip=2024.odc"),
                       QStringLiteral("2025-07-01.zip=Fornitori.pro")} + laterDays
        << QDate(2026, 12, 10)
        << QStringList{QStringLiteral("2025-06-01.zip")} + QStringList(laterDays).replaceInStrings(QStringLiteral("=Magazzino.pro"), QString())
        << QStringList{QStringLiteral("Fornitori.pro"), QStringLiteral("Magazzino.pro")};
    QTest::newRow("and goes once the file is back")
        << QStringList{QStringLiteral("2025-06-01.zip=2024.odc")} + laterDays << QDate(2026, 12, 10)
        << QStringList(laterDays).replaceInStrings(QStringLiteral("=Magazzino.pro"), QString()) << everything;
}

void TestSafetyCopies::keepingRule()
{
    // Each copy is "name" or "name=file,file…", the files it holds.
    QFETCH(QStringList, names);
    QFETCH(QDate, today);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, present);
    QList<SafetyCopies::Held> copies;
    for (const QString &n : names) {
        const QStringList parts = n.split(u'=');
        copies << SafetyCopies::Held{parts.first(), parts.size() > 1 ? parts[1].split(u',') : QStringList{}};
    }
    QStringList got = SafetyCopies::kept(copies, present, today);
    got.sort();
    kept.sort();
    QCOMPARE(got, kept);
}

void TestSafetyCopies::keepingOverASimulatedYear()
{
    // Every day for 14 months the products change; the suppliers never do.
    const QString foreign = QDir(SafetyCopies::folder(m_folder)).filePath(QStringLiteral("leggimi.txt"));
    QVERIFY(QDir().mkpath(SafetyCopies::folder(m_folder)));
    writeBytes(foreign, "non è una copia");
    const QDate start(2025, 10, 1);
    const QDate end(2026, 12, 10);
    for (QDate day = start; day <= end; day = day.addDays(1)) {
        RecordFile f(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), kProduct);
        f.write(1, record(kProduct, int(start.daysTo(day))));
        f.close();
        // A year's archive deleted by mistake on the second day.
        if (day == start.addDays(1))
            QVERIFY(QFile::remove(QDir(m_folder).filePath(QStringLiteral("2024.odc"))));
        const SafetyCopies::Outcome o = SafetyCopies::daily(m_folder, day);
        QVERIFY2(o.made, qPrintable(day.toString(Qt::ISODate) + o.error));
    }
    QStringList expected;
    for (int d = 0; d < 10; ++d)
        expected << end.addDays(-d).toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".zip");
    for (int m = 1; m <= 11; ++m)
        expected << QDate(end.year(), end.month(), 1).addMonths(-m).toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".zip");
    // The only copy of the deleted archive stays while it is missing.
    expected << QStringLiteral("leggimi.txt") << QStringLiteral("2025-10-01.zip");
    expected.sort();
    QCOMPARE(zipsIn(m_folder), expected);
    QCOMPARE(readAll(foreign), QByteArray("non è una copia"));

    // The suppliers' only copy would have gone with its year-old zip: it was
    // carried into a newer one first, and it still comes back.
    writeBytes(QDir(m_folder).filePath(QStringLiteral("Fornitori.pro")), "rovinato");
    const SafetyCopies::Restored r =
        SafetyCopies::restore(m_folder, QStringLiteral("2026-12-10"), {QStringLiteral("Fornitori.pro")}, end);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(readAll(QDir(m_folder).filePath(QStringLiteral("Fornitori.pro"))),
             m_original.value(QStringLiteral("Fornitori.pro")));
    const SafetyCopies::Restored year =
        SafetyCopies::restore(m_folder, QStringLiteral("2026-12-10"), {QStringLiteral("2024.odc")}, end);
    QVERIFY2(year.error.isEmpty(), qPrintable(year.error));
    QCOMPARE(year.from, QStringList{QStringLiteral("2025-10-01")});
    QCOMPARE(readAll(QDir(m_folder).filePath(QStringLiteral("2024.odc"))), m_original.value(QStringLiteral("2024.odc")));
}

void TestSafetyCopies::copyWhileAnotherProcessWrites()
{
    // A worker rewrites every product again and again, each record all one
    // byte, while copies are taken: a copy may mix old and new records, but
    // never two halves of one record.
    const QString path = QDir(m_folder).filePath(QStringLiteral("Magazzino.pro"));
    // Past one read block (1 MB), so later blocks are locked too.
    const int count = 500;
    writeBytes(path, QByteArray(qsizetype(kProduct) * count, 'a'));
    QProcess worker;
    worker.start(QStringLiteral(APPENDWORKER),
                 {path, QString::number(kProduct), QStringLiteral("3000"), QStringLiteral("b"), QStringLiteral("overwrite")});
    QVERIFY(worker.waitForStarted());
    int copies = 0;
    QDate day(2026, 1, 1);
    // The state is read afresh each turn: this loop runs no event loop.
    while (!worker.waitForFinished(0) && copies < 400) {
        const SafetyCopies::Outcome o = SafetyCopies::daily(m_folder, day);
        day = day.addDays(1);
        QVERIFY2(o.error.isEmpty(), qPrintable(o.error));
        if (!o.made || !o.files.contains(QStringLiteral("Magazzino.pro")))
            continue;
        const QByteArray bytes = entryBytes(zipOf(m_folder, o.name), QStringLiteral("Magazzino.pro"));
        QCOMPARE(bytes.size(), qsizetype(kProduct) * count);
        for (int r = 0; r < count; ++r) {
            const QByteArray one = bytes.mid(qsizetype(r) * kProduct, kProduct);
            QVERIFY2(one.count(one.at(0)) == kProduct, qPrintable(QStringLiteral("record %1 torn in copy %2").arg(r + 1).arg(copies)));
        }
        ++copies;
    }
    QVERIFY(worker.state() == QProcess::NotRunning || worker.waitForFinished(120000));
    QVERIFY(copies >= 2);
    QCOMPARE(worker.exitCode(), 0);
}

void TestSafetyCopies::copyUndoesAnInterruptedWriteFirst()
{
    // A save that stopped half-way (a crash) left half a record and its
    // journal: the copy holds the record as it was, never the half.
    const QString path = QDir(m_folder).filePath(QStringLiteral("2024.odc"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SCORTEX_FAULT"), QStringLiteral("write:2024.odc:crash"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral(APPENDWORKER),
                {path, QString::number(kReceipt), QStringLiteral("1"), QStringLiteral("z"), QStringLiteral("overwrite")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 86);
    QVERIFY(QFile::exists(RollbackJournal::pathFor(path)));
    QVERIFY(readAll(path) != m_original.value(QStringLiteral("2024.odc")));

    const SafetyCopies::Outcome o = SafetyCopies::daily(m_folder, QDate(2026, 12, 10));
    QVERIFY2(o.made, qPrintable(o.error));
    QCOMPARE(entryBytes(zipOf(m_folder, o.name), QStringLiteral("2024.odc")), m_original.value(QStringLiteral("2024.odc")));
    QVERIFY(!o.files.contains(QStringLiteral("2024.odc-journal")));
}

void TestSafetyCopies::copyWaitsForASaveOfThisProcess()
{
    // The copy runs on a thread of the program that saves cards: record
    // locks belong to the process, so the save's must still hold it off.
    const QString path = QDir(m_folder).filePath(QStringLiteral("Magazzino.pro"));
    const QByteArray changed = record(kProduct, 4242);
    std::atomic<bool> copyDone{false};
    bool doneDuringSave = true;
    SafetyCopies::Outcome o;
    std::thread copier;
    {
        RecordFile file(path, kProduct);
        file.update(3, [&](const QByteArray &) {
            copier = std::thread([&] {
                o = SafetyCopies::daily(m_folder, QDate(2026, 12, 10));
                copyDone = true;
            });
            QThread::msleep(300);
            doneDuringSave = copyDone;
            return changed;
        });
        file.close();
    }
    copier.join();
    QVERIFY(!doneDuringSave);
    QVERIFY2(o.made, qPrintable(o.error));
    QCOMPARE(entryBytes(zipOf(m_folder, o.name), QStringLiteral("Magazzino.pro")).mid(2 * kProduct, kProduct), changed);
}

void TestSafetyCopies::anotherThreadsCloseKeepsASavesLock()
{
    // Closing any descriptor of a file drops the process's fcntl locks on
    // it: the copy's thread closing the archive mid-save must not let
    // another workstation write meanwhile.
    const QString path = QDir(m_folder).filePath(QStringLiteral("Magazzino.pro"));
    bool otherDoneDuringSave = true;
    std::thread closer;
    QProcess other;
    {
        RecordFile file(path, kProduct);
        file.update(3, [&](const QByteArray &current) {
            closer = std::thread([&] { RecordFile(path, kProduct, RecordFile::Mode::ReadOnly); });
            QThread::msleep(100);
            other.start(QStringLiteral(APPENDWORKER), {path, QString::number(kProduct), QStringLiteral("1"),
                                                       QStringLiteral("z"), QStringLiteral("overwrite")});
            other.waitForStarted();
            otherDoneDuringSave = other.waitForFinished(500);
            return current;
        });
        file.close();
    }
    closer.join();
    QVERIFY(other.state() == QProcess::NotRunning || other.waitForFinished(60000));
    QVERIFY(!otherDoneDuringSave);
    QCOMPARE(other.exitCode(), 0);
}

void TestSafetyCopies::copyWaitingForAnotherWorkstationHoldsNoScreenUp_data()
{
    QTest::addColumn<QString>("write");
    // A bare write under the lock: the copy waits in its read.
    QTest::newRow("a write under the lock") << QStringLiteral("splitwrite");
    // A save with its journal on the disk: the copy waits in the open,
    // which finds the journal and must take the lock to look at it.
    QTest::newRow("a save with its journal") << QStringLiteral("journaled");
}

void TestSafetyCopies::copyWaitingForAnotherWorkstationHoldsNoScreenUp()
{
    // Another workstation holds the suppliers' lock in the middle of a
    // write: the copy's thread waits for it, and the screens' own reads and
    // saves of other archives go on meanwhile.
    QFETCH(QString, write);
    const QString path = QDir(m_folder).filePath(QStringLiteral("Fornitori.pro"));
    QProcess other;
    other.start(QStringLiteral(SHAREDWORKER), {write, path, QString::number(kSupplier), QStringLiteral("2"), QStringLiteral("q")});
    QVERIFY(other.waitForReadyRead(30000));
    QCOMPARE(other.readLine(), QByteArray("half\n"));
    std::atomic<bool> copyDone{false};
    std::atomic<bool> stop{false};
    SafetyCopies::Outcome stopped;
    std::thread copier([&] {
        FileLock::setBackgroundThread(true, &stop);
        stopped = SafetyCopies::daily(m_folder, QDate(2026, 12, 10), &stop);
        copyDone = true;
    });
    const quint64 waits = FileLock::waits();
    QElapsedTimer clock;
    clock.start();
    while (FileLock::waits() == waits && clock.elapsed() < 30000)
        QThread::msleep(5);
    QVERIFY(!copyDone);
    std::atomic<bool> screensDone{false};
    std::thread screens([&] {
        RecordFile products(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), kProduct);
        products.read(1);
        RecordFile receipts(QDir(m_folder).filePath(QStringLiteral("2024.odc")), kReceipt);
        receipts.append(record(kReceipt, 777));
        receipts.close();
        screensDone = true;
    });
    clock.restart();
    while (!screensDone && clock.elapsed() < 2000)
        QThread::msleep(5);
    const bool screensWentOn = screensDone && !copyDone;
    // Told to stop while it waits (the program is left), it gives up at once.
    stop = true;
    clock.restart();
    while (!copyDone && clock.elapsed() < 2000)
        QThread::msleep(5);
    const bool quitWhileLocked = copyDone;
    other.write("go\n");
    other.waitForBytesWritten(30000);
    screens.join();
    copier.join();
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);
    QVERIFY(screensWentOn);
    QVERIFY(quitWhileLocked);
    QVERIFY(stopped.abandoned);
    QVERIFY(stopped.error.isEmpty());
    QVERIFY(!stopped.made);
    QCOMPARE(zipsIn(m_folder), QStringList{});
    // The next start makes the copy, with the other workstation's record.
    const SafetyCopies::Outcome o = SafetyCopies::daily(m_folder, QDate(2026, 12, 10));
    QVERIFY2(o.made, qPrintable(o.error));
    QCOMPARE(entryBytes(zipOf(m_folder, o.name), QStringLiteral("Fornitori.pro")).mid(kSupplier, kSupplier),
             QByteArray(kSupplier, 'q'));
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(path)));
}

void TestSafetyCopies::oneWorkstationMakesTheDaysCopy()
{
    // Another workstation is making the day's copy: this one leaves the day
    // to it, without a word, and makes it itself once it is free.
    const QString lock = QDir(SafetyCopies::folder(m_folder)).filePath(SafetyCopies::lockFileName());
    QVERIFY(QDir().mkpath(SafetyCopies::folder(m_folder)));
    QProcess other;
    other.start(QStringLiteral(SHAREDWORKER), {QStringLiteral("hold"), lock});
    QVERIFY(other.waitForReadyRead(30000));
    QCOMPARE(other.readLine(), QByteArray("held\n"));
    const SafetyCopies::Outcome left = SafetyCopies::daily(m_folder, QDate(2026, 12, 10));
    other.write("go\n");
    other.waitForBytesWritten(30000);
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);
    QVERIFY(left.elsewhere);
    QVERIFY(!left.made);
    QVERIFY(left.error.isEmpty());
    QCOMPARE(zipsIn(m_folder), QStringList{});
    const SafetyCopies::Outcome made = SafetyCopies::daily(m_folder, QDate(2026, 12, 10));
    QVERIFY2(made.made, qPrintable(made.error));
    QVERIFY(!made.elsewhere);
}

void TestSafetyCopies::failedCopyKeepsThePreviousOnes_data()
{
    using Disk::Faults::Call;
    using Disk::Faults::Kind;
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("occurrence");
    QTest::addColumn<int>("kind");
    QTest::newRow("disk full at the first block") << int(Call::Write) << 1 << int(Kind::Persistent);
    QTest::newRow("disk full half-way") << int(Call::Write) << 2 << int(Kind::Persistent);
    QTest::newRow("short write") << int(Call::Write) << 2 << int(Kind::Short);
    QTest::newRow("flush refused") << int(Call::Sync) << 1 << int(Kind::Once);
    QTest::newRow("close refused") << int(Call::Close) << 1 << int(Kind::Once);
    QTest::newRow("rename refused") << int(Call::Rename) << 1 << int(Kind::Once);
}

void TestSafetyCopies::failedCopyKeepsThePreviousOnes()
{
    QFETCH(int, call);
    QFETCH(int, occurrence);
    QFETCH(int, kind);
    QVERIFY(SafetyCopies::daily(m_folder, QDate(2026, 12, 9)).made);
    const QString previous = zipOf(m_folder, QStringLiteral("2026-12-09.zip"));
    const QByteArray before = readAll(previous);
    // Random bytes, so that the copy needs several blocks of writes.
    QByteArray changed(qsizetype(kProduct) * 60, Qt::Uninitialized);
    for (char &c : changed)
        c = char(QRandomGenerator::global()->generate());
    writeBytes(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), changed);

    Disk::Faults::arm({Disk::Faults::Call(call), QStringLiteral("2026-12-10.zip"), occurrence}, Disk::Faults::Kind(kind));
    const SafetyCopies::Outcome o = SafetyCopies::daily(m_folder, QDate(2026, 12, 10));
    const bool hit = Disk::Faults::hit();
    Disk::Faults::disarm();
    QVERIFY(hit);
    QVERIFY(!o.made);
    QVERIFY(!o.error.isEmpty());
    // The old copy stands as it was, and nothing half-written lies beside it.
    QCOMPARE(zipsIn(m_folder), QStringList{QStringLiteral("2026-12-09.zip")});
    QCOMPARE(readAll(previous), before);
    // The next start tries again and makes it.
    const SafetyCopies::Outcome again = SafetyCopies::daily(m_folder, QDate(2026, 12, 10));
    QVERIFY2(again.made, qPrintable(again.error));
    QCOMPARE(again.files, QStringList{QStringLiteral("Magazzino.pro")});
}

void TestSafetyCopies::stopAbandonsCleanly()
{
    writeBytes(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), records(kProduct, 2000));
    std::atomic<bool> stop{true};
    const SafetyCopies::Outcome o = SafetyCopies::daily(m_folder, QDate(2026, 12, 10), &stop);
    QVERIFY(o.abandoned);
    QVERIFY(!o.made);
    QVERIFY(o.error.isEmpty());
    QVERIFY(zipsIn(m_folder).isEmpty());
}

void TestSafetyCopies::restoreRoundTripsEveryArchive()
{
    const QDate day(2026, 12, 10);
    QVERIFY(SafetyCopies::daily(m_folder, day).made);
    // Later: archives grown, one record changed, the password changed.
    QHash<QString, QByteArray> changed = m_original;
    changed[QStringLiteral("Fornitori.pro")] += records(kSupplier, 5, 500);
    changed[QStringLiteral("Magazzino.pro")].replace(kProduct, kProduct, record(kProduct, 777));
    changed[QStringLiteral("2024.odc")] = records(kReceipt, 3, 9);
    changed[QStringLiteral("unins000.dll")] = "[Accesso]\r\nValore=414243\r\n";
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        writeBytes(QDir(m_folder).filePath(it.key()), it.value());

    const SafetyCopies::Restored r = SafetyCopies::restore(m_folder, QStringLiteral("2026-12-10"), {}, day);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(r.files.size(), 4);
    for (auto it = m_original.cbegin(); it != m_original.cend(); ++it)
        QCOMPARE(readAll(QDir(m_folder).filePath(it.key())), it.value());
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")))));

    // The copy taken first undoes the restore.
    QCOMPARE(r.undoCopy, QStringLiteral("2026-12-10-2"));
    const SafetyCopies::Restored undo = SafetyCopies::restore(m_folder, r.undoCopy, {}, day);
    QVERIFY2(undo.error.isEmpty(), qPrintable(undo.error));
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        QCOMPARE(readAll(QDir(m_folder).filePath(it.key())), it.value());
}

void TestSafetyCopies::restoreNamedArchiveFromAnEarlierCopy()
{
    QVERIFY(SafetyCopies::daily(m_folder, QDate(2026, 12, 8)).made);
    writeBytes(QDir(m_folder).filePath(QStringLiteral("2024.odc")), records(kReceipt, 21, 2000));
    const SafetyCopies::Outcome later = SafetyCopies::daily(m_folder, QDate(2026, 12, 9));
    QCOMPARE(later.files, QStringList{QStringLiteral("2024.odc")});
    writeBytes(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), "perso");
    // The 9th's copy has no products, unchanged since the 8th's: that one.
    const SafetyCopies::Restored r = SafetyCopies::restore(m_folder, QStringLiteral("2026-12-09"),
                                                           {QStringLiteral("magazzino.pro")}, QDate(2026, 12, 10));
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(r.files, QStringList{QStringLiteral("Magazzino.pro")});
    QCOMPARE(r.from, QStringList{QStringLiteral("2026-12-08")});
    QCOMPARE(readAll(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro"))), m_original.value(QStringLiteral("Magazzino.pro")));
    QCOMPARE(readAll(QDir(m_folder).filePath(QStringLiteral("2024.odc"))), records(kReceipt, 21, 2000));
    // The copy taken before that restore holds only the products: it
    // speaks for no other file.
    const SafetyCopies::Restored other =
        SafetyCopies::restore(m_folder, r.undoCopy, {QStringLiteral("2024.odc")}, QDate(2026, 12, 10));
    QVERIFY(other.refused);
    QVERIFY2(other.error.contains(QStringLiteral("prima di un ripristino")), qPrintable(other.error));

    // A newer version sits in a damaged copy in between: no older one
    // is put back in its place.
    writeBytes(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), records(kProduct, 3, 77));
    QVERIFY(SafetyCopies::daily(m_folder, QDate(2026, 12, 11)).made);
    writeBytes(QDir(m_folder).filePath(QStringLiteral("2024.odc")), records(kReceipt, 22, 2000));
    QCOMPARE(SafetyCopies::daily(m_folder, QDate(2026, 12, 12)).files, QStringList{QStringLiteral("2024.odc")});
    writeBytes(zipOf(m_folder, QStringLiteral("2026-12-11.zip")), "rovinata");
    writeBytes(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), "perso");
    const SafetyCopies::Restored refused = SafetyCopies::restore(m_folder, QStringLiteral("2026-12-12"),
                                                                 {QStringLiteral("Magazzino.pro")}, QDate(2026, 12, 12));
    QVERIFY(refused.refused);
    QVERIFY2(refused.error.contains(QStringLiteral("2026-12-11")), qPrintable(refused.error));
    QCOMPARE(readAll(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro"))), QByteArray("perso"));
}

void TestSafetyCopies::restoreRefuses_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("said");
    QTest::newRow("a byte of the data changed") << "flip" << "danneggiata";
    QTest::newRow("cut short") << "truncate" << "danneggiata";
    QTest::newRow("not a zip") << "garbage" << "danneggiata";
    QTest::newRow("holds a file that is no archive") << "foreign" << "non è un archivio di Scortex";
    QTest::newRow("holds a path out of the folder") << "path" << "non è un archivio di Scortex";
    QTest::newRow("no such copy") << "missing" << "Nessuna copia";
    QTest::newRow("ZIP64 index beyond any file") << "zip64" << "danneggiata";
}

void TestSafetyCopies::restoreRefuses()
{
    QFETCH(QString, damage);
    QFETCH(QString, said);
    const QString zip = zipOf(m_folder, QStringLiteral("2026-12-10.zip"));
    QVERIFY(QDir().mkpath(SafetyCopies::folder(m_folder)));
    if (damage == u"foreign" || damage == u"path") {
        QFile out(zip);
        QVERIFY(out.open(QIODevice::WriteOnly));
        Zip::Writer w(&out);
        for (const QString &name : {QStringLiteral("Magazzino.pro"),
                                    damage == u"foreign" ? QStringLiteral("leggimi.txt") : QStringLiteral("../Fornitori.pro")}) {
            QVERIFY(w.begin(name, QDateTime::currentDateTime(), 5));
            QVERIFY(w.add("nuovo"));
            QVERIFY(w.end());
        }
        QVERIFY(w.finish());
    } else if (damage == u"zip64") {
        QByteArray b;
        QDataStream out(&b, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        const quint64 huge = 0x7FFFFFFFFFFFFFF0ULL;
        out << quint32(0x06064b50) << quint64(44) << quint16(45) << quint16(45) << quint32(0) << quint32(0)
            << quint64(1) << quint64(1) << huge << huge;
        out << quint32(0x07064b50) << quint32(0) << quint64(0) << quint32(1);
        out << quint32(0x06054b50) << quint16(0) << quint16(0) << quint16(0xFFFF) << quint16(0xFFFF)
            << quint32(0xFFFFFFFF) << quint32(0xFFFFFFFF) << quint16(0);
        writeBytes(zip, b);
    } else if (damage != u"missing") {
        QVERIFY(SafetyCopies::daily(m_folder, QDate(2026, 12, 10)).made);
        QByteArray bytes = readAll(zip);
        if (damage == u"flip")
            bytes[bytes.size() / 3] = char(bytes[bytes.size() / 3] ^ 0x55);
        else if (damage == u"truncate")
            bytes.chop(30);
        else
            bytes = QByteArray(4000, 'x');
        writeBytes(zip, bytes);
    }
    const QList<QString> files = m_original.keys();
    for (const QString &f : files)
        writeBytes(QDir(m_folder).filePath(f), "attuale " + f.toUtf8());
    const SafetyCopies::Restored r = SafetyCopies::restore(m_folder, QStringLiteral("2026-12-10"), {}, QDate(2026, 12, 10));
    QVERIFY(r.refused);
    QVERIFY2(r.error.contains(said), qPrintable(r.error));
    QVERIFY(r.files.isEmpty());
    QVERIFY(r.undoCopy.isEmpty());
    for (const QString &f : files)
        QCOMPARE(readAll(QDir(m_folder).filePath(f)), "attuale " + f.toUtf8());
    QVERIFY(!zipsIn(m_folder).contains(QStringLiteral("2026-12-10-2.zip")));
}

void TestSafetyCopies::failedRestoreLeavesTheArchiveWhole()
{
    const QDate day(2026, 12, 10);
    QVERIFY(SafetyCopies::daily(m_folder, day).made);
    const QString path = QDir(m_folder).filePath(QStringLiteral("Magazzino.pro"));
    const QByteArray current = records(kProduct, 80, 5);
    writeBytes(path, current);
    // Each failing call of the rewrite in turn, after the copy taken first.
    bool restored = false;
    for (int nth = 1; nth <= 40 && !restored; ++nth) {
        // The undo copy's calls come first: counted from after it.
        Disk::Faults::arm(1000000, Disk::Faults::Kind::Once);
        QTemporaryDir probe;
        QDir().mkpath(SafetyCopies::folder(probe.path()));
        writeBytes(QDir(probe.path()).filePath(QStringLiteral("Magazzino.pro")), current);
        SafetyCopies::beforeRestore(probe.path(), day, {QStringLiteral("Magazzino.pro")});
        const int undoCalls = Disk::Faults::calls();
        Disk::Faults::arm(undoCalls + nth, Disk::Faults::Kind::Persistent);
        const SafetyCopies::Restored r =
            SafetyCopies::restore(m_folder, QStringLiteral("2026-12-10"), {QStringLiteral("Magazzino.pro")}, day);
        Disk::Faults::disarm();
        restored = r.error.isEmpty();
        QVERIFY2(!restored || nth > 8, "a restore cannot pass its journal, writes and flushes all failing");
        // Whole or not at all, once the next open has used the journal: the
        // copy's bytes where the restore says it put them back, else the
        // archive as it was.
        {
            RecordFile f(path, kProduct, RecordFile::Mode::ReadOnly);
        }
        const bool putBack = r.files.contains(QStringLiteral("Magazzino.pro"));
        QVERIFY2(readAll(path) == (putBack ? m_original.value(QStringLiteral("Magazzino.pro")) : current),
                 qPrintable(QStringLiteral("call %1: %2").arg(nth).arg(r.error)));
        QVERIFY(!QFile::exists(RollbackJournal::pathFor(path)));
        if (!restored)
            writeBytes(path, current);
    }
    QVERIFY(restored);
}

void TestSafetyCopies::cliBackupsAndRestore()
{
    QVERIFY(SafetyCopies::daily(m_folder, QDate(2026, 12, 10)).made);
    QProcess list;
    list.start(QStringLiteral(SCORTEX_CLI), {QStringLiteral("backups"), m_folder});
    QVERIFY(list.waitForFinished(60000));
    QCOMPARE(list.exitCode(), 0);
    const QString listed = QString::fromUtf8(list.readAllStandardOutput());
    QVERIFY2(listed.startsWith(QStringLiteral("2026-12-10  4 archivi")), qPrintable(listed));
    QVERIFY2(listed.contains(QStringLiteral("    Magazzino.pro  243.708 byte (")), qPrintable(listed));

    writeBytes(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro")), "guasto");
    QProcess restore;
    restore.start(QStringLiteral(SCORTEX_CLI),
                  {QStringLiteral("restore"), QStringLiteral("2026-12-10"), QStringLiteral("Magazzino.pro"), m_folder});
    QVERIFY(restore.waitForFinished(60000));
    QCOMPARE(restore.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(restore.readAllStandardOutput()),
             QStringLiteral("Copia degli archivi attuali salvata come 2026-12-10-2: per annullare il ripristino, "
                            "scortex-cli restore 2026-12-10-2\nMagazzino.pro ripristinato dalla copia 2026-12-10\n")
                 .replace(QStringLiteral("2026-12-10-2"), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("-2")));
    QCOMPARE(readAll(QDir(m_folder).filePath(QStringLiteral("Magazzino.pro"))), m_original.value(QStringLiteral("Magazzino.pro")));

    QFile::remove(zipOf(m_folder, QStringLiteral("2026-12-10.zip")));
    writeBytes(zipOf(m_folder, QStringLiteral("2026-12-10.zip")), "PK\x03\x04 non una copia");
    QProcess refused;
    refused.start(QStringLiteral(SCORTEX_CLI), {QStringLiteral("restore"), QStringLiteral("2026-12-10"), m_folder});
    QVERIFY(refused.waitForFinished(60000));
    QCOMPARE(refused.exitCode(), 2);
    QVERIFY(refused.readAllStandardError().contains("danneggiata"));
}

QTEST_GUILESS_MAIN(TestSafetyCopies)
#include "tst_safetycopies.moc"

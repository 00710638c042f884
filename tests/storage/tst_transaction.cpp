// A change of three archives at once: it reaches all of them or none, with
// every checked disk call failed in every way a disk or a share fails, and
// recovered from whichever archive is opened first.
#include "storage/archiveerror.h"
#include "storage/archivekind.h"
#include "storage/disk.h"
#include "storage/recordfile.h"
#include "storage/rollbackjournal.h"
#include "storage/transaction.h"
#include "support/files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

using Disk::Faults::Kind;

struct Archive
{
    const char *name;
    int size;
};
// The record sizes of the three kinds, listed out of rule 1's order.
const Archive kMagazzino{"Magazzino.pro", 4874};
const Archive kCarichi{"2025.odc", 2937};
const Archive kFornitori{"Fornitori.pro", 3643};
const Archive kArchives[] = {kMagazzino, kCarichi, kFornitori};

QByteArray rec(const Archive &a, char c)
{
    // A different byte in the second half, so that half a write shows.
    return QByteArray(a.size / 2, c) + QByteArray(a.size - a.size / 2, char(c + 1));
}

QString pathOf(const QString &folder, const Archive &a)
{
    return folder + u'/' + QLatin1StringView(a.name);
}

void prepare(const QString &folder)
{
    writeBytes(pathOf(folder, kFornitori), rec(kFornitori, 'f') + rec(kFornitori, 'g'));
    writeBytes(pathOf(folder, kMagazzino), rec(kMagazzino, 'a') + rec(kMagazzino, 'b') + rec(kMagazzino, 'c'));
    writeBytes(pathOf(folder, kCarichi), rec(kCarichi, 'r') + rec(kCarichi, 's'));
}

// What the change leaves, archive by archive.
QByteArray expected(const Archive &a)
{
    if (a.name == kFornitori.name)
        return rec(kFornitori, 'f') + rec(kFornitori, 'g') + rec(kFornitori, 'H');
    if (a.name == kMagazzino.name)
        return rec(kMagazzino, 'a') + rec(kMagazzino, 'B') + rec(kMagazzino, 'c') + rec(kMagazzino, 'D');
    return rec(kCarichi, 'r') + rec(kCarichi, 's') + rec(kCarichi, 'R') + rec(kCarichi, 'T');
}

// An invoice's import in small: two receipts, a stock rewritten in the
// middle of the products and a new product, a new supplier.
enum class Said { Saved, Failed, Unconfirmed };

Said theChange(const QString &folder)
{
    try {
        ArchiveTransaction change({{pathOf(folder, kMagazzino), kMagazzino.size},
                                   {pathOf(folder, kCarichi), kCarichi.size},
                                   {pathOf(folder, kFornitori), kFornitori.size}});
        change.append(pathOf(folder, kCarichi), rec(kCarichi, 'R'));
        change.append(pathOf(folder, kCarichi), rec(kCarichi, 'T'));
        change.write(pathOf(folder, kMagazzino), 2, rec(kMagazzino, 'B'));
        change.append(pathOf(folder, kMagazzino), rec(kMagazzino, 'D'));
        change.append(pathOf(folder, kFornitori), rec(kFornitori, 'H'));
        return change.commit() == ArchiveTransaction::Committed::Done ? Said::Saved : Said::Unconfirmed;
    } catch (const ArchiveError &) {
        return Said::Failed;
    }
}

// Every file of the folder, the archives opened first as any reader opens
// them, starting from `first`: that open recovers the whole change.
QMap<QString, QByteArray> recovered(const QString &folder, int first)
{
    for (int i = 0; i < 3; ++i) {
        const Archive &a = kArchives[(first + i) % 3];
        try {
            RecordFile(pathOf(folder, a), a.size, RecordFile::Mode::ReadOnly);
        } catch (const ArchiveError &e) {
            qWarning("%s", e.what());
        }
    }
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, readAll(QDir(folder).filePath(name)));
    return files;
}

// "old", "new", or what is wrong.
QString state(const QMap<QString, QByteArray> &files, const QString &folder)
{
    int olds = 0, news = 0;
    const QMap<QString, QByteArray> before = [&] {
        QTemporaryDir dir;
        prepare(dir.path());
        QMap<QString, QByteArray> m;
        for (const Archive &a : kArchives)
            m.insert(QLatin1StringView(a.name), readAll(pathOf(dir.path(), a)));
        return m;
    }();
    for (const Archive &a : kArchives) {
        const QByteArray now = files.value(QLatin1StringView(a.name));
        if (now == before.value(QLatin1StringView(a.name)))
            ++olds;
        else if (now == expected(a))
            ++news;
        else
            return QStringLiteral("%1 is neither old nor new (%2 bytes)").arg(QLatin1StringView(a.name)).arg(now.size());
    }
    if (olds == 3)
        return QStringLiteral("old");
    if (news == 3)
        return QStringLiteral("new");
    Q_UNUSED(folder);
    return QStringLiteral("a mixture: %1 archives old, %2 new").arg(olds).arg(news);
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

// Runs the change in a child with SCORTEX_FAULT set: its exit code, 86 when
// it ended at the seam.
int changeInChild(const QString &folder, const QString &fault)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SCORTEX_FAULT"), fault);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--change"), QDir::toNativeSeparators(folder)});
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit)
        return -1;
    return child.exitCode();
}

} // namespace

class TestTransaction : public QObject
{
    Q_OBJECT

private slots:
    void threeArchivesCommitTogether();
    void readsSeeTheStagedChange();
    void anUncommittedChangeWritesNothing();
    void mistakesAreRefused_data();
    void mistakesAreRefused();
    void everyCallFailed_data();
    void everyCallFailed();
    void aWriterOpenBeforeTheCrashRollsBackAll();
    void aReaderRefusesAHotChange();
    void twoWorkstationsInOppositeOrder();
};

void TestTransaction::threeArchivesCommitTogether()
{
    QTemporaryDir dir;
    prepare(dir.path());
    QCOMPARE(theChange(dir.path()), Said::Saved);
    for (const Archive &a : kArchives)
        QCOMPARE(readAll(pathOf(dir.path(), a)), expected(a));
    // No journal and no super-journal is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
             QStringList({"2025.odc", "Fornitori.pro", "Magazzino.pro"}));
}

void TestTransaction::readsSeeTheStagedChange()
{
    QTemporaryDir dir;
    prepare(dir.path());
    const QString mag = pathOf(dir.path(), kMagazzino);
    const QString odc = pathOf(dir.path(), kCarichi);
    // A trailing partial record: appends go over it, as RecordFile's do.
    {
        QFile f(odc);
        QVERIFY(f.open(QIODevice::Append));
        QCOMPARE(f.write("partial"), 7);
    }
    ArchiveTransaction change({{mag, kMagazzino.size}, {odc, kCarichi.size}});
    QCOMPARE(change.count(mag), 3);
    change.write(mag, 2, rec(kMagazzino, 'B'));
    QCOMPARE(change.read(mag, 2), rec(kMagazzino, 'B'));
    QCOMPARE(change.read(mag, 3), rec(kMagazzino, 'c'));
    QCOMPARE(change.append(odc, rec(kCarichi, 'R')), 3);
    QCOMPARE(change.append(odc, rec(kCarichi, 'x')), 4);
    QCOMPARE(change.count(odc), 4);
    // A staged append rewritten stays an append.
    change.write(odc, 4, rec(kCarichi, 'T'));
    QCOMPARE(change.read(odc, 4), rec(kCarichi, 'T'));
    // By another path to the same file.
    QCOMPARE(change.read(dir.path() + QStringLiteral("/./2025.odc"), 3), rec(kCarichi, 'R'));
    QCOMPARE(readAll(mag).mid(kMagazzino.size, kMagazzino.size), rec(kMagazzino, 'b'));
    QCOMPARE(change.commit(), ArchiveTransaction::Committed::Done);
    QCOMPARE(readAll(odc), expected(kCarichi));
    QCOMPARE(readAll(mag), rec(kMagazzino, 'a') + rec(kMagazzino, 'B') + rec(kMagazzino, 'c'));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, change.read(mag, 1));
}

void TestTransaction::anUncommittedChangeWritesNothing()
{
    QTemporaryDir dir;
    prepare(dir.path());
    const QMap<QString, QByteArray> before = recovered(dir.path(), 0);
    {
        ArchiveTransaction change({{pathOf(dir.path(), kMagazzino), kMagazzino.size},
                                   {pathOf(dir.path(), kFornitori), kFornitori.size}});
        change.write(pathOf(dir.path(), kMagazzino), 1, rec(kMagazzino, 'z'));
        change.append(pathOf(dir.path(), kFornitori), rec(kFornitori, 'z'));
    }
    QCOMPARE(recovered(dir.path(), 0), before);
    // A commit of nothing makes no disk call at all.
    {
        ArchiveTransaction change({{pathOf(dir.path(), kMagazzino), kMagazzino.size}});
        QCOMPARE(change.read(pathOf(dir.path(), kMagazzino), 3), rec(kMagazzino, 'c'));
        Disk::Faults::arm(1, Kind::Persistent);
        QCOMPARE(change.commit(), ArchiveTransaction::Committed::Done);
        QCOMPARE(Disk::Faults::calls(), 0);
        Disk::Faults::disarm();
    }
    QCOMPARE(recovered(dir.path(), 0), before);
}

void TestTransaction::mistakesAreRefused_data()
{
    QTest::addColumn<QString>("mistake");
    for (const char *m : {"short record", "position 0", "past the end", "not in the change", "twice", "after the commit"})
        QTest::newRow(m) << QString::fromLatin1(m);
}

void TestTransaction::mistakesAreRefused()
{
    QFETCH(QString, mistake);
    QTemporaryDir dir;
    prepare(dir.path());
    const QMap<QString, QByteArray> before = recovered(dir.path(), 0);
    const QString mag = pathOf(dir.path(), kMagazzino);
    try {
        QList<ArchiveTransaction::Archive> list{{mag, kMagazzino.size}};
        if (mistake == u"twice")
            list.append({dir.path() + QStringLiteral("/./Magazzino.pro"), kMagazzino.size});
        ArchiveTransaction change(list);
        if (mistake == u"short record")
            change.write(mag, 1, QByteArray(10, 'x'));
        else if (mistake == u"position 0")
            change.write(mag, 0, rec(kMagazzino, 'x'));
        else if (mistake == u"past the end")
            change.read(mag, 4);
        else if (mistake == u"not in the change")
            change.append(pathOf(dir.path(), kFornitori), rec(kFornitori, 'x'));
        else if (mistake == u"after the commit") {
            change.commit();
            change.append(mag, rec(kMagazzino, 'x'));
        }
        QFAIL("not refused");
    } catch (const ArchiveError &e) {
        QVERIFY(!e.reason().isEmpty());
    }
    QCOMPARE(recovered(dir.path(), 0), before);
}

void TestTransaction::everyCallFailed_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("first"); // the archive opened first after it
    QTest::newRow("once") << int(Kind::Once) << 0;
    QTest::newRow("persistent") << int(Kind::Persistent) << 0;
    QTest::newRow("short write") << int(Kind::Short) << 0;
    for (int first = 0; first < 3; ++first)
        QTest::addRow("crash, recovered from %s", kArchives[first].name) << int(Kind::Crash) << first;
}

// Every checked call of the change fails in turn: the archives are then all
// old or all new, never a mixture; all new when the change said it saved,
// all old when it said it failed; and no journal is left once the archives
// have been opened and the next change has run.
void TestTransaction::everyCallFailed()
{
    QFETCH(int, kind);
    QFETCH(int, first);
    QElapsedTimer timer;
    timer.start();
    int calls = 0;
    {
        QTemporaryDir dir;
        prepare(dir.path());
        Disk::Faults::arm(1 << 30, Kind::Once);
        QCOMPARE(theChange(dir.path()), Said::Saved);
        calls = Disk::Faults::calls();
        Disk::Faults::disarm();
        QCOMPARE(state(recovered(dir.path(), first), dir.path()), QStringLiteral("new"));
    }
    QVERIFY(calls > 20);
    for (int nth = 1; nth <= calls; ++nth) {
        QTemporaryDir dir;
        prepare(dir.path());
        Said said;
        bool crashed = false;
        if (Kind(kind) == Kind::Crash) {
            const int exit = changeInChild(dir.path(), QStringLiteral("%1:crash").arg(nth));
            QVERIFY2(exit == 0 || exit == 1 || exit == 3 || exit == 86, qPrintable(QStringLiteral("call %1: exit %2").arg(nth).arg(exit)));
            crashed = exit == 86;
            QVERIFY2(crashed, qPrintable(QStringLiteral("call %1 was not reached").arg(nth)));
            said = exit == 0 ? Said::Saved : exit == 3 ? Said::Unconfirmed : Said::Failed;
        } else {
            Disk::Faults::arm(nth, Kind(kind));
            said = theChange(dir.path());
            QVERIFY2(Disk::Faults::hit(), qPrintable(QStringLiteral("call %1 was not reached").arg(nth)));
            Disk::Faults::disarm();
        }
        const QString now = state(recovered(dir.path(), first), dir.path());
        const QString where = QStringLiteral("call %1 (%2): ").arg(nth).arg(QLatin1StringView(kindName(Kind(kind))));
        QVERIFY2(now == u"old" || now == u"new", qPrintable(where + now));
        // A failed removal of a journal after the commit point is harmless:
        // the change saved.
        if (said == Said::Saved)
            QVERIFY2(now == u"new", qPrintable(where + QStringLiteral("old after the change said it saved")));
        if (said == Said::Failed && !crashed)
            QVERIFY2(now == u"old", qPrintable(where + QStringLiteral("new after a failure said to the user")));
        // The next change clears what a failing disk could not remove.
        {
            ArchiveTransaction next({{pathOf(dir.path(), kMagazzino), kMagazzino.size},
                                     {pathOf(dir.path(), kCarichi), kCarichi.size},
                                     {pathOf(dir.path(), kFornitori), kFornitori.size}});
        }
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
        QVERIFY2(left == QStringList({"2025.odc", "Fornitori.pro", "Magazzino.pro"}),
                 qPrintable(where + QStringLiteral("left behind: ") + left.join(u' ')));
    }
    qInfo("%d calls, %lld ms", calls, qint64(timer.elapsed()));
}

void TestTransaction::aWriterOpenBeforeTheCrashRollsBackAll()
{
    // A workstation has the products open when another one stops half-way
    // through the change: its next save rolls back all three archives
    // first, under the lock it holds.
    QTemporaryDir dir;
    prepare(dir.path());
    const QMap<QString, QByteArray> before = recovered(dir.path(), 0);
    RecordFile mine(pathOf(dir.path(), kMagazzino), kMagazzino.size);
    QCOMPARE(changeInChild(dir.path(), QStringLiteral("sync:2025.odc:crash")), 86);
    // An earlier version, which removes a journal it cannot make sense of,
    // cannot even open this one: it refuses the archive instead of reading
    // it half-changed.
    for (const Archive &a : kArchives) {
        QFile earlier(RollbackJournal::pathFor(pathOf(dir.path(), a)));
        QVERIFY2(earlier.exists() && !earlier.open(QIODevice::ReadOnly), a.name);
    }
    // The super-journal is no archive, for the safety copy and the
    // command-line tool alike.
    const QStringList supers = QDir(dir.path()).entryList({QStringLiteral("*.super-journal")}, QDir::Files);
    QCOMPARE(supers.size(), 1);
    QVERIFY(ArchiveTransaction::isSuperJournal(supers.front()));
    QVERIFY(RollbackJournal::isJournal(supers.front()));
    QVERIFY(!ArchiveKinds::byFileName(supers.front()));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, mine.read(2));
    mine.write(3, rec(kMagazzino, 'w'));
    mine.close();
    QCOMPARE(readAll(pathOf(dir.path(), kFornitori)), before.value("Fornitori.pro"));
    QCOMPARE(readAll(pathOf(dir.path(), kCarichi)), before.value("2025.odc"));
    QCOMPARE(readAll(pathOf(dir.path(), kMagazzino)),
             rec(kMagazzino, 'a') + rec(kMagazzino, 'b') + rec(kMagazzino, 'w'));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
             QStringList({"2025.odc", "Fornitori.pro", "Magazzino.pro"}));
}

void TestTransaction::aReaderRefusesAHotChange()
{
    // A crash after the new bytes: a reader that opened an archive before
    // it refuses the hot journal instead of reading a change never committed.
    QTemporaryDir dir;
    prepare(dir.path());
    RecordFile reader(pathOf(dir.path(), kCarichi), kCarichi.size, RecordFile::Mode::ReadOnly);
    QCOMPARE(changeInChild(dir.path(), QStringLiteral("sync:Magazzino.pro:crash")), 86);
    try {
        reader.read(1);
        QFAIL("a hot journal was read past");
    } catch (const ArchiveError &e) {
        QVERIFY2(e.reason().contains(QStringLiteral("va annullata")), qPrintable(e.reason()));
    }
}

void TestTransaction::twoWorkstationsInOppositeOrder()
{
    // Two workstations import into the same three archives at once, naming
    // them in opposite orders: both finish, and no update is lost.
    QTemporaryDir dir;
    prepare(dir.path());
    constexpr int kEach = 25;
    QProcess a, b;
    for (auto [p, order] : {std::pair{&a, "forward"}, std::pair{&b, "backward"}}) {
        p->start(QStringLiteral(SHAREDWORKER), {QStringLiteral("group"), QDir::toNativeSeparators(dir.path()),
                                                QString::number(kEach), QString::fromLatin1(order)});
        QVERIFY(p->waitForStarted());
        QVERIFY(p->waitForReadyRead(30000));
        QCOMPARE(p->readLine().trimmed(), QByteArray("ready"));
    }
    a.write("go\n");
    b.write("go\n");
    for (QProcess *p : {&a, &b}) {
        QVERIFY2(p->waitForFinished(60000), "a workstation waits for ever");
        QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, p->readAllStandardError().constData());
    }
    RecordFile mag(pathOf(dir.path(), kMagazzino), kMagazzino.size, RecordFile::Mode::ReadOnly);
    QCOMPARE(mag.count(), 3 + 2 * kEach);
    // Record 1 counts the changes, read and rewritten under the locks.
    QCOMPARE(mag.read(1).left(8).toInt(), 2 * kEach);
    RecordFile odc(pathOf(dir.path(), kCarichi), kCarichi.size, RecordFile::Mode::ReadOnly);
    QCOMPARE(odc.count(), 2 + 2 * kEach);
    RecordFile forn(pathOf(dir.path(), kFornitori), kFornitori.size, RecordFile::Mode::ReadOnly);
    QCOMPARE(forn.count(), 2 + 2 * kEach);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--change") == 0) {
        // The child of a crash case: the change, with the seam armed.
        Disk::Faults::armFromEnvironment();
        switch (theChange(QDir::fromNativeSeparators(QString::fromLocal8Bit(argv[2])))) {
        case Said::Saved: return 0;
        case Said::Failed: return 1;
        case Said::Unconfirmed: return 3;
        }
        return 1;
    }
    TestTransaction test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_transaction.moc"

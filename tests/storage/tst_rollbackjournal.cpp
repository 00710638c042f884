// The journal's protocol seen from the next open: what it rolls back, what
// it drops, what a reader that may not write does, and that recovery holds
// little memory whatever the archive's size.
#include "storage/archiveerror.h"
#include "storage/disk.h"
#include "storage/filelock.h"
#include "storage/recordfile.h"
#include "storage/rollbackjournal.h"
#include "support/childrun.h"
#include "support/files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

namespace {

constexpr int kSize = 64;

QByteArray rec(char c)
{
    return QByteArray(kSize, c);
}

QByteArray sha1(QByteArrayView bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
}

// What a save leaves when it stops after its new bytes: the journal down,
// `fresh` written at record `p`, no commit.
void interruptedWrite(const QString &path, qint64 p, const QByteArray &fresh, bool commit = false)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    {
        FileLock lock(file, FileLock::Exclusive);
        const qint64 at = (p - 1) * kSize;
        RollbackJournal journal(file, at, at + fresh.size(), QStringLiteral("scrittura"));
        QVERIFY(Disk::write(file, at, fresh.constData(), fresh.size(), nullptr));
        QString why;
        if (commit)
            QCOMPARE(journal.commit(&why), RollbackJournal::Commit::Done);
    }
    QVERIFY(FileLock::close(file, nullptr));
}

// A journal as an earlier version of the program wrote it: the SHA-1 of
// the new bytes where this version writes zeros. `damage` gives it old
// bytes that reach past the archive's old end, with a check that holds.
QByteArray earlierJournal(const QByteArray &archive, qint64 offset, const QByteArray &fresh, bool damage = false)
{
    QByteArray j("SCXJRNL1");
    const qint64 at = damage ? archive.size() - 8 : offset;
    const QByteArray old = damage ? QByteArray(fresh.size(), 'j') : archive.mid(offset, fresh.size());
    auto le = [&](qint64 v, int n) {
        for (int i = 0; i < n; ++i)
            j += char((quint64(v) >> (8 * i)) & 0xFF);
    };
    le(archive.size(), 8);
    le(at, 8);
    le(at + fresh.size(), 8);
    le(old.size(), 4);
    j += old + sha1(fresh);
    return j + sha1(j);
}

} // namespace

class TestRollbackJournal : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void theNextOpenRollsBackAHotJournal_data();
    void theNextOpenRollsBackAHotJournal();
    void aCommittedJournalLeavesTheChange();
    void journalsOfEveryKind_data();
    void journalsOfEveryKind();
    void aWorkstationStoppedAfterTheOpen();
    void aReaderThatMayNotWrite();
    void recoveryOfALargeRewriteHoldsLittleMemory();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestRollbackJournal::init()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("%1.pro").arg(QTest::currentTestFunction()));
    QFile::remove(m_path);
    QFile::remove(RollbackJournal::pathFor(m_path));
    writeBytes(m_path, rec('a') + rec('b'));
}

void TestRollbackJournal::theNextOpenRollsBackAHotJournal_data()
{
    QTest::addColumn<qint64>("position");
    QTest::addColumn<bool>("whole");
    // The new bytes are all in the file: a valid journal still rolls back,
    // since the change was never committed.
    QTest::newRow("overwrite, new bytes whole") << qint64(2) << true;
    QTest::newRow("overwrite, half written") << qint64(2) << false;
    QTest::newRow("append, new record whole") << qint64(3) << true;
    QTest::newRow("append, half written") << qint64(3) << false;
}

void TestRollbackJournal::theNextOpenRollsBackAHotJournal()
{
    QFETCH(qint64, position);
    QFETCH(bool, whole);
    const QByteArray old = readAll(m_path);
    const QByteArray fresh = whole ? rec('n') : rec('n').left(kSize / 2);
    interruptedWrite(m_path, position, whole ? fresh : rec('n'), false);
    if (!whole)
        writeBytes(m_path, old.left((position - 1) * kSize) + fresh + old.mid(position * kSize - kSize + fresh.size()));
    QVERIFY(readAll(m_path) != old);
    QVERIFY(QFile::exists(RollbackJournal::pathFor(m_path)));
    {
        RecordFile file(m_path, kSize, RecordFile::Mode::ReadOnly);
        QCOMPARE(file.count(), 2);
    }
    QCOMPARE(readAll(m_path), old);
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(m_path)));
}

void TestRollbackJournal::aCommittedJournalLeavesTheChange()
{
    interruptedWrite(m_path, 2, rec('n'), true);
    QCOMPARE(readAll(m_path), rec('a') + rec('n'));
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(m_path)));
    // A commit whose journal could not be removed leaves it invalid: the
    // next open drops it and keeps the change.
    const QByteArray committed = readAll(m_path);
    interruptedWrite(m_path, 2, rec('z'), false);
    const QByteArray journal = readAll(RollbackJournal::pathFor(m_path));
    writeBytes(RollbackJournal::pathFor(m_path), QByteArray(8, '\0') + journal.mid(8));
    QVERIFY(committed != readAll(m_path));
    QVERIFY(QFile::exists(RollbackJournal::pathFor(m_path)));
    {
        RecordFile file(m_path, kSize);
        QCOMPARE(file.read(2), rec('z'));
    }
    QCOMPARE(readAll(m_path), rec('a') + rec('z'));
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(m_path)));
}

void TestRollbackJournal::journalsOfEveryKind_data()
{
    QTest::addColumn<QString>("journal");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("after");
    // An earlier version kept a change whose new bytes were whole, and
    // removed its journal unflushed: a journal of its that comes back
    // after the save was said done keeps the save, as that version did.
    QTest::newRow("an earlier version's, write whole") << QStringLiteral("earlier") << true << QStringLiteral("new");
    QTest::newRow("an earlier version's, write cut short") << QStringLiteral("earlier") << false << QStringLiteral("old");
    // Fields that no write makes are damage, whatever the check says.
    QTest::newRow("old bytes past the old end") << QStringLiteral("damaged") << false << QStringLiteral("as it is");
    // A journal there but not readable decides nothing: the open refuses,
    // and it stays for a look.
    QTest::newRow("a journal that cannot be read") << QStringLiteral("unreadable") << false << QStringLiteral("refused");
    // The folder of a change of several archives, left empty by a removal
    // that failed: nothing to roll back, and it goes.
    QTest::newRow("an empty journal folder") << QStringLiteral("empty folder") << false << QStringLiteral("as it is");
}

void TestRollbackJournal::journalsOfEveryKind()
{
    QFETCH(QString, journal);
    QFETCH(bool, whole);
    QFETCH(QString, after);
    const QByteArray old = readAll(m_path);
    const QByteArray fresh = rec('n');
    const QString path = RollbackJournal::pathFor(m_path);
    if (journal == u"unreadable")
        QVERIFY(QDir().mkpath(RollbackJournal::rangesPathFor(m_path)));
    else if (journal == u"empty folder")
        QVERIFY(QDir().mkpath(path));
    else
        writeBytes(path, earlierJournal(old, kSize, fresh, journal == u"damaged"));
    const QByteArray left = old.left(kSize) + (whole ? fresh : fresh.left(kSize / 2) + old.mid(kSize + kSize / 2));
    writeBytes(m_path, left);
    try {
        RecordFile file(m_path, kSize);
        QVERIFY(after != u"refused");
    } catch (const ArchiveError &e) {
        QCOMPARE(after, QStringLiteral("refused"));
        QVERIFY2(e.reason().contains(QStringLiteral("non si può leggere")), qPrintable(e.reason()));
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(readAll(m_path), left);
        QVERIFY(QDir(path).removeRecursively());
        return;
    }
    QCOMPARE(readAll(m_path), after == u"old" ? old : left);
    QVERIFY(!QFile::exists(path));
}

void TestRollbackJournal::aWorkstationStoppedAfterTheOpen()
{
    // This workstation has the archive open for its action when another one
    // stops half-way through a write: what it reads next is refused, and its
    // own write first rolls the other one back, never writes its journal
    // over the other's.
    RecordFile mine(m_path, kSize);
    interruptedWrite(m_path, 2, rec('n'), false);
    QVERIFY_THROWS_EXCEPTION(ArchiveError, mine.read(2));
    mine.write(1, rec('w'));
    mine.close();
    QCOMPARE(readAll(m_path), rec('w') + rec('b'));
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(m_path)));
}

void TestRollbackJournal::aReaderThatMayNotWrite()
{
    // Read-only archives (a share without the right to write, a CD): an
    // invalid journal beside one does not stop reading; a hot one must be
    // rolled back first, and from here it cannot.
    if (runInChild("aReaderThatMayNotWrite", ChildRun::AsNobodyIfRoot))
        return;
    const QByteArray old = readAll(m_path);
    interruptedWrite(m_path, 2, rec('n'), false);
    const QByteArray hot = readAll(RollbackJournal::pathFor(m_path));
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    try {
        RecordFile file(m_path, kSize, RecordFile::Mode::ReadOnly);
        QFAIL("a hot journal was read past");
    } catch (const ArchiveError &e) {
        QVERIFY2(e.reason().contains(QStringLiteral("va annullata")), qPrintable(e.reason()));
    }
    // Committed elsewhere meanwhile: its magic is gone.
    writeBytes(RollbackJournal::pathFor(m_path), QByteArray(8, '\0') + hot.mid(8));
    {
        RecordFile file(m_path, kSize, RecordFile::Mode::ReadOnly);
        QCOMPARE(file.read(2), rec('n'));
    }
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    RecordFile file(m_path, kSize);
    QCOMPARE(file.read(2), rec('n'));
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(m_path)));
    QVERIFY(old != readAll(m_path));
}

void TestRollbackJournal::recoveryOfALargeRewriteHoldsLittleMemory()
{
#ifndef Q_OS_LINUX
    QSKIP("the peak memory of the process is read from getrusage(), which Windows does not have");
#else
    // A rewrite of 64 MB stopped half-way: its journal holds the whole old
    // file. Recovery streams it: the process's peak grows by a few blocks,
    // never by the archive's size.
    constexpr qint64 kBytes = 64 << 20;
    constexpr int kRecord = 4096;
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray block(1 << 20, 'o');
        for (qint64 at = 0; at < kBytes; at += block.size())
            QCOMPARE(file.write(block), block.size());
    }
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        {
            FileLock lock(file, FileLock::Exclusive);
            RollbackJournal journal(file, 0, kBytes, QStringLiteral("sostituzione dell'archivio"),
                                    RollbackJournal::Extent::ToTheEnd);
            const QByteArray fresh(1 << 20, 'n');
            for (qint64 at = 0; at < kBytes / 2; at += fresh.size())
                QVERIFY(Disk::write(file, at, fresh.constData(), fresh.size(), nullptr));
        }
        QVERIFY(FileLock::close(file, nullptr));
    }
    QCOMPARE(QFileInfo(RollbackJournal::pathFor(m_path)).size(), kBytes + 36 + 40);
    struct rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    {
        RecordFile file(m_path, kRecord, RecordFile::Mode::ReadOnly);
        QCOMPARE(file.count(), kBytes / kRecord);
        QCOMPARE(file.read(1), QByteArray(kRecord, 'o'));
    }
    getrusage(RUSAGE_SELF, &after);
    const long grownKb = after.ru_maxrss - before.ru_maxrss;
    QVERIFY2(grownKb < 16 * 1024, qPrintable(QStringLiteral("the peak grew by %1 kB").arg(grownKb)));
    QVERIFY(!QFile::exists(RollbackJournal::pathFor(m_path)));
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), kBytes);
    QCOMPARE(file.read(1 << 20), QByteArray(1 << 20, 'o'));
#endif
}

QTEST_GUILESS_MAIN(TestRollbackJournal)
#include "tst_rollbackjournal.moc"

#include "storage/filelock.h"
#include "storage/recordfile.h"
#include "support/childrun.h"
#include "support/files.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QTest>

#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include <unistd.h>

namespace {

constexpr int kSize = 16;

QByteArray rec(char c)
{
    return QByteArray(kSize, c);
}

} // namespace

class TestRecordFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void missingFileIsCreatedEmpty();
    void appendReadWrite();
    void partialTrailingRecord();
    void positionsOutOfRange_data();
    void positionsOutOfRange();
    void wrongRecordSizeIsRefused();
    void scanVisitsWholeRecordsInOrder();
    void scanStopsEarly();
    void scanAcrossBlocks();
    void runsCoverEveryRecordOnce_data();
    void runsCoverEveryRecordOnce();
    void fileCutShortUnderAMappedScanRaises();
    void readOnlyModeNeverCreates();
    void failedAppendLeavesNoPartialRecord();
    void failedOverwriteLeavesTheRecordWhole();
    void unwritableFileRaises();
    void uncreatableFileRaises();
    void concurrentAppendsKeepEveryRecord();
    void locksWithinTheProgram();
    void threadsThatReadLeaveCleanly();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestRecordFile::init()
{
    QVERIFY(m_dir.isValid());
    m_path = m_dir.filePath(QStringLiteral("archive-%1.pro").arg(QTest::currentTestFunction()));
    QFile::remove(m_path);
}

void TestRecordFile::missingFileIsCreatedEmpty()
{
    QVERIFY(!QFile::exists(m_path));
    {
        RecordFile file(m_path, kSize);
        QCOMPARE(file.count(), 0);
    }
    QVERIFY(QFile::exists(m_path));
    QCOMPARE(QFileInfo(m_path).size(), 0);
}

void TestRecordFile::appendReadWrite()
{
    {
        RecordFile file(m_path, kSize);
        QCOMPARE(file.append(rec('a')), 1);
        QCOMPARE(file.append(rec('b')), 2);
        QCOMPARE(file.append(rec('c')), 3);
        file.write(2, rec('B'));
        QCOMPARE(file.count(), 3);
    }
    QCOMPARE(readAll(m_path), rec('a') + rec('B') + rec('c'));
    RecordFile file(m_path, kSize);
    QCOMPARE(file.read(1), rec('a'));
    QCOMPARE(file.read(3), rec('c'));
    QCOMPARE(file.read(2), rec('B'));
}

void TestRecordFile::partialTrailingRecord()
{
    writeBytes(m_path, rec('a') + QByteArray(5, 'z'));
    RecordFile file(m_path, kSize);
    QCOMPARE(file.count(), 1);
    QCOMPARE(file.trailingBytes(), 5);
    QVERIFY_THROWS_EXCEPTION(ArchiveError, file.read(2));
    // The append starts at the end of the last whole record.
    QCOMPARE(file.append(rec('b')), 2);
    QCOMPARE(file.trailingBytes(), 0);
    file.close();
    QCOMPARE(readAll(m_path), rec('a') + rec('b'));
}

void TestRecordFile::positionsOutOfRange_data()
{
    QTest::addColumn<qint64>("position");
    QTest::newRow("zero") << qint64(0);
    QTest::newRow("negative") << qint64(-1);
    QTest::newRow("past count") << qint64(3);
}

void TestRecordFile::positionsOutOfRange()
{
    QFETCH(qint64, position);
    writeBytes(m_path, rec('a') + rec('b'));
    RecordFile file(m_path, kSize);
    QVERIFY_THROWS_EXCEPTION(ArchiveError, file.read(position));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, file.write(position, rec('x')));
    file.close();
    QCOMPARE(readAll(m_path), rec('a') + rec('b'));
}

void TestRecordFile::wrongRecordSizeIsRefused()
{
    RecordFile file(m_path, kSize);
    QVERIFY_THROWS_EXCEPTION(ArchiveError, file.append(QByteArray(kSize - 1, 'x')));
    QCOMPARE(file.count(), 0);
}

void TestRecordFile::scanVisitsWholeRecordsInOrder()
{
    writeBytes(m_path, rec('a') + rec('b') + rec('c') + QByteArray(3, 'z'));
    RecordFile file(m_path, kSize);
    QList<qint64> positions;
    QByteArray firstBytes;
    file.scan([&](qint64 p, QByteArrayView bytes) {
        positions << p;
        firstBytes += bytes[0];
        return bytes.size() == kSize;
    });
    QCOMPARE(positions, (QList<qint64>{1, 2, 3}));
    QCOMPARE(firstBytes, QByteArray("abc"));
}

void TestRecordFile::scanStopsEarly()
{
    writeBytes(m_path, rec('a') + rec('b') + rec('c'));
    RecordFile file(m_path, kSize);
    int visits = 0;
    file.scan([&](qint64 p, QByteArrayView) {
        ++visits;
        return p < 2;
    });
    QCOMPARE(visits, 2);
}

namespace {

// What a test's gathering sees: plain data, as the guard requires.
struct Seen
{
    qint64 records;
    qint64 expectedNext;
    bool inOrder;
    unsigned long sum;
};

void gatherSeen(void *context, const RecordFile::Run &run)
{
    auto *seen = static_cast<Seen *>(context);
    if (run.first != seen->expectedNext)
        seen->inOrder = false;
    for (qint64 i = 0; i < run.count; ++i)
        seen->sum += static_cast<unsigned char>(run.data[i * kSize + 3]);
    seen->records += run.count;
    seen->expectedNext = run.first + run.count;
}

struct CutShort
{
    char path[4096];
    volatile char last;
};

// Cuts the file while its run is mapped, then touches the run's end.
void gatherCutShort(void *context, const RecordFile::Run &run)
{
    auto *c = static_cast<CutShort *>(context);
    if (::truncate(c->path, 0) != 0)
        return;
    c->last = run.data[run.count * kSize - 1];
}

} // namespace

void TestRecordFile::runsCoverEveryRecordOnce_data()
{
    QTest::addColumn<bool>("mapped");
    QTest::addColumn<qint64>("perRun");
    QTest::newRow("mapped, one run") << true << qint64(1 << 20);
    QTest::newRow("mapped, runs of 7") << true << qint64(7);
    QTest::newRow("read, runs of 7") << false << qint64(7);
    QTest::newRow("read, large runs") << false << qint64(1 << 20);
}

void TestRecordFile::runsCoverEveryRecordOnce()
{
    QFETCH(bool, mapped);
    QFETCH(qint64, perRun);
    QByteArray all;
    unsigned long sum = 0;
    for (int i = 0; i < 1000; ++i) {
        all += rec(char(i % 251));
        sum += static_cast<unsigned char>(char(i % 251));
    }
    all += "partial"; // a trailing partial record is not handed over
    writeBytes(m_path, all);
    RecordFile::setMappingAllowed(mapped);
    RecordFile file(m_path, kSize, RecordFile::Mode::ReadOnly);
    Seen seen{0, 1, true, 0};
    qint64 afterRuns = 0;
    file.scanRuns(perRun, gatherSeen, &seen, [&](qint64, qint64 count) { afterRuns += count; });
    RecordFile::setMappingAllowed(true);
    QCOMPARE(seen.records, 1000);
    QCOMPARE(afterRuns, 1000);
    QVERIFY(seen.inOrder);
    QCOMPARE(seen.sum, sum);
}

void TestRecordFile::fileCutShortUnderAMappedScanRaises()
{
    if (!RecordFile::mappingAllowed())
        QSKIP("no mapped scans on this system");
    // The bus error of the vanished pages becomes an archive error, and the
    // process goes on; a second scan is guarded just the same.
    for (int round = 0; round < 2; ++round) {
        writeBytes(m_path, QByteArray(kSize * 4096, 'x'));
        RecordFile file(m_path, kSize, RecordFile::Mode::ReadOnly);
        CutShort context{};
        const QByteArray path = QFile::encodeName(m_path);
        std::memcpy(context.path, path.constData(), size_t(path.size()));
        bool raised = false;
        try {
            file.scanRuns(1 << 20, gatherCutShort, &context);
        } catch (const ArchiveError &e) {
            raised = true;
            QVERIFY(e.reason().contains(QStringLiteral("non riuscita")));
        }
        QVERIFY(raised);
    }
}

void TestRecordFile::scanAcrossBlocks()
{
    // Large records so the scan needs several block reads.
    const int size = 4874;
    const int n = 700;
    QByteArray all;
    for (int i = 0; i < n; ++i) {
        QByteArray r(size, char('A' + i % 26));
        r.replace(0, 4, QByteArray::number(i).rightJustified(4, '0'));
        all += r;
    }
    writeBytes(m_path, all);
    RecordFile file(m_path, size);
    qint64 seen = 0;
    bool inOrder = true;
    file.scan([&](qint64 p, QByteArrayView bytes) {
        inOrder = inOrder && bytes.first(4) == QByteArray::number(p - 1).rightJustified(4, '0')
                  && bytes[size - 1] == char('A' + (p - 1) % 26);
        ++seen;
        return true;
    });
    QCOMPARE(seen, n);
    QVERIFY(inOrder);
}

void TestRecordFile::failedAppendLeavesNoPartialRecord()
{
    // Room for two records and a half, as on a disk that fills up during
    // the append: the half record must not stay behind.
    if (runInChild("failedAppendLeavesNoPartialRecord", ChildRun::WithFileSizeLimit, 2 * kSize + kSize / 2))
        return;
    writeBytes(m_path, rec('a') + rec('b'));
    applyFileSizeLimit();
    {
        RecordFile file(m_path, kSize);
        QVERIFY_THROWS_EXCEPTION(ArchiveError, file.append(rec('c')));
        QCOMPARE(file.trailingBytes(), 0);
        QCOMPARE(file.count(), 2);
    }
    QCOMPARE(QFileInfo(m_path).size(), 2 * kSize);
}

void TestRecordFile::failedOverwriteLeavesTheRecordWhole()
{
    // Writes past one record and a half fail, as on a share that goes away
    // in the middle of an overwrite of record 2.
    if (runInChild("failedOverwriteLeavesTheRecordWhole", ChildRun::WithFileSizeLimit, kSize + kSize / 2))
        return;
    writeBytes(m_path, rec('a') + rec('b') + rec('c'));
    applyFileSizeLimit();
    const std::pair<const char *, std::function<void(RecordFile &)>> ways[] = {
        {"write", [](RecordFile &f) { f.write(2, rec('x')); }},
        {"replace", [](RecordFile &f) { f.replace(2, rec('b'), rec('x')); }},
        {"update", [](RecordFile &f) { f.update(2, [](const QByteArray &) { return rec('x'); }); }},
    };
    for (const auto &[name, overwrite] : ways) {
        RecordFile file(m_path, kSize);
        QVERIFY_THROWS_EXCEPTION(ArchiveError, overwrite(file));
        file.close();
        QVERIFY2(readAll(m_path) == rec('a') + rec('b') + rec('c'), name);
    }
}

void TestRecordFile::readOnlyModeNeverCreates()
{
    QVERIFY_THROWS_EXCEPTION(ArchiveError, RecordFile(m_path, kSize, RecordFile::Mode::ReadOnly));
    QVERIFY(!QFile::exists(m_path));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, RecordFile(m_dir.path(), kSize, RecordFile::Mode::ReadOnly));
}

void TestRecordFile::unwritableFileRaises()
{
    writeBytes(m_path, rec('a'));
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    if (!isSuperuser()) {
        // Opened all the same, to be browsed; only its writes fail.
        RecordFile file(m_path, kSize);
        QCOMPARE(file.read(1), rec('a'));
        QVERIFY_THROWS_EXCEPTION(ArchiveError, file.append(rec('b')));
        QVERIFY_THROWS_EXCEPTION(ArchiveError, file.write(1, rec('b')));
    } else {
#ifndef Q_OS_WIN
        // Root ignores permission bits: append as an unprivileged user, with
        // the worker copied where that user can run it. A writable file
        // first, as the control that the worker runs at all.
        const QFile::Permissions open755 = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                           | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                           | QFileDevice::ExeOther;
        QFile::setPermissions(m_dir.path(), open755);
        const QString worker = m_dir.filePath(QStringLiteral("appendworker"));
        QFile::remove(worker);
        QVERIFY(QFile::copy(QStringLiteral(APPENDWORKER), worker));
        QVERIFY(QFile::setPermissions(worker, open755));
        auto appendAsNobody = [&] {
            QProcess process;
            process.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
            process.start(worker, {m_path, QString::number(kSize), QStringLiteral("1"), QStringLiteral("n")});
            if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
                return -1;
            return process.exitCode();
        };
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ReadOther | QFileDevice::WriteOther);
        if (appendAsNobody() != 0)
            QSKIP("cannot run a process as an unprivileged user here");
        QCOMPARE(readAll(m_path).size(), 2 * kSize);
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadGroup
                                                  | QFileDevice::ReadOther));
        QCOMPARE(appendAsNobody(), 1);
        QCOMPARE(readAll(m_path).size(), 2 * kSize);
        return;
#endif
    }
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(readAll(m_path), rec('a'));
}

void TestRecordFile::uncreatableFileRaises()
{
    // A file in a folder that does not exist can neither be opened nor
    // created; this holds for root too.
    const QString path = m_dir.filePath(QStringLiteral("missing/Fornitori.pro"));
    try {
        RecordFile file(path, kSize);
        QFAIL("no error raised");
    } catch (const ArchiveError &e) {
        QCOMPARE(e.path(), path);
    }
}

void TestRecordFile::concurrentAppendsKeepEveryRecord()
{
    const int perWorker = 500;
    const int size = 2937;
    QProcess first;
    QProcess second;
    const QStringList common{m_path, QString::number(size), QString::number(perWorker)};
    first.start(QStringLiteral(APPENDWORKER), common + QStringList{QStringLiteral("A")});
    second.start(QStringLiteral(APPENDWORKER), common + QStringList{QStringLiteral("B")});
    QVERIFY(first.waitForFinished(120000));
    QVERIFY(second.waitForFinished(120000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);

    const QByteArray bytes = readAll(m_path);
    QCOMPARE(bytes.size(), qsizetype(2 * perWorker) * size);
    std::set<QByteArray> seen;
    for (qsizetype offset = 0; offset < bytes.size(); offset += size) {
        const QByteArray r = bytes.mid(offset, size);
        const char tag = r[0];
        QVERIFY(tag == 'A' || tag == 'B');
        // Intact: every byte outside the sequence number is the tag.
        QCOMPARE(r.mid(7), QByteArray(size - 7, tag));
        seen.insert(r.left(7));
    }
    QCOMPARE(seen.size(), size_t(2 * perWorker));
}

void TestRecordFile::locksWithinTheProgram()
{
    // A thread of this program holds a shared lock of the archive, as a
    // scan does for each block.
    writeBytes(m_path, rec('a') + rec('b'));
    QFile held(m_path);
    QVERIFY(held.open(QIODevice::ReadOnly));
    auto shared = std::make_unique<FileLock>(held, FileLock::Shared);
    auto waitFor = [](const std::atomic<bool> &flag) {
        QElapsedTimer clock;
        clock.start();
        while (!flag && clock.elapsed() < 5000)
            QThread::msleep(5);
        return flag.load();
    };
    // Another reader of this program goes on at once: readers never wait
    // for each other.
    std::atomic<bool> read{false};
    std::thread reader([&] {
        RecordFile file(m_path, kSize, RecordFile::Mode::ReadOnly);
        file.read(2);
        read = true;
    });
    QVERIFY(waitFor(read));
    // A writer of this program waits for the readers, as another
    // workstation does; and the other reader's close (which the system
    // takes for the whole process's) has not dropped the first one's lock.
    std::atomic<bool> written{false};
    std::thread writer([&] {
        RecordFile file(m_path, kSize);
        file.write(2, rec('x'));
        file.close();
        written = true;
    });
    QProcess other;
    other.start(QStringLiteral(APPENDWORKER),
                {m_path, QString::number(kSize), QStringLiteral("1"), QStringLiteral("z"), QStringLiteral("overwrite")});
    QVERIFY(other.waitForStarted());
    QVERIFY(!other.waitForFinished(500));
    QVERIFY(!written);
    shared.reset();
    reader.join();
    writer.join();
    QVERIFY(other.waitForFinished(30000));
    QCOMPARE(other.exitCode(), 0);
    QVERIFY(written);
    QVERIFY(FileLock::close(held, nullptr));
    QCOMPARE(readAll(m_path), rec('a') + rec('x'));
}

void TestRecordFile::threadsThatReadLeaveCleanly()
{
    // Each list runs its scan on a thread of its own that then ends. A lock
    // that kept per-thread state in a thread_local with a destructor crashed
    // the Windows build now and then as such a thread left.
    writeBytes(m_path, rec('a') + rec('b'));
    std::atomic<int> reads{0};
    for (int round = 0; round < 3000; ++round) {
        auto scan = [&] {
            RecordFile file(m_path, kSize, RecordFile::Mode::ReadOnly);
            if (file.read(2) == rec('b'))
                ++reads;
        };
        std::thread first(scan);
        std::thread second(scan);
        first.join();
        second.join();
    }
    QCOMPARE(reads.load(), 6000);
}

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"

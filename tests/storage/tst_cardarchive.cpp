// The card's archive rule without a screen: where each browse command goes,
// and the compare-and-write save that never silently undoes another
// workstation's save.
#include "storage/archiveerror.h"
#include "storage/cardarchive.h"
#include "storage/recordfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kSize = 16;

QByteArray rec(char c)
{
    return QByteArray(kSize, c);
}

} // namespace

class TestCardArchive : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void browse_data();
    void browse();
    void browseAnEmptyArchive();
    void aTrailingPartialRecordIsNoRecord();
    void saveAppendsAndOverwrites();
    void changedElsewhereThenYesOrNo_data();
    void changedElsewhereThenYesOrNo();
    void unreachableArchiveThrows();

private:
    void writeRecords(const QByteArray &bytes);
    QByteArray stored() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestCardArchive::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("Fornitori.pro"));
}

void TestCardArchive::writeRecords(const QByteArray &bytes)
{
    QFile f(m_path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray TestCardArchive::stored() const
{
    QFile f(m_path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestCardArchive::browse_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<qint64>("shown");
    QTest::addColumn<qint64>("expected"); // 0: the card stays
    using S = CardArchive::Step;
    QTest::newRow("first") << int(S::First) << qint64(2) << qint64(1);
    QTest::newRow("last") << int(S::Last) << qint64(1) << qint64(3);
    QTest::newRow("next") << int(S::Next) << qint64(1) << qint64(2);
    QTest::newRow("next from none") << int(S::Next) << qint64(0) << qint64(1);
    QTest::newRow("next from the last") << int(S::Next) << qint64(3) << qint64(0);
    QTest::newRow("next from beyond the end") << int(S::Next) << qint64(7) << qint64(0);
    QTest::newRow("previous") << int(S::Previous) << qint64(3) << qint64(2);
    QTest::newRow("previous from the second") << int(S::Previous) << qint64(2) << qint64(1);
    QTest::newRow("previous from none") << int(S::Previous) << qint64(0) << qint64(1);
}

void TestCardArchive::browse()
{
    QFETCH(int, step);
    QFETCH(qint64, shown);
    QFETCH(qint64, expected);
    writeRecords(rec('a') + rec('b') + rec('c'));
    const CardArchive::Found found = CardArchive(m_path, kSize).browse(CardArchive::Step(step), shown);
    if (expected == 0) {
        QCOMPARE(found.kind, CardArchive::Found::Kind::Stay);
        return;
    }
    QCOMPARE(found.kind, CardArchive::Found::Kind::Record);
    QCOMPARE(found.position, expected);
    QCOMPARE(found.bytes, rec(char('a' + expected - 1)));
}

void TestCardArchive::browseAnEmptyArchive()
{
    // A fresh installation: the archive is created empty by the first look.
    for (CardArchive::Step step : {CardArchive::Step::First, CardArchive::Step::Previous, CardArchive::Step::Next,
                                   CardArchive::Step::Last}) {
        QCOMPARE(CardArchive(m_path, kSize).browse(step, 0).kind, CardArchive::Found::Kind::Empty);
    }
    QVERIFY(QFile::exists(m_path));
    QCOMPARE(stored(), QByteArray());
}

void TestCardArchive::aTrailingPartialRecordIsNoRecord()
{
    writeRecords(rec('a') + rec('b') + QByteArray(5, 'z'));
    const CardArchive archive(m_path, kSize);
    QCOMPARE(archive.browse(CardArchive::Step::Last, 0).position, 2);
    QCOMPARE(archive.browse(CardArchive::Step::Next, 2).kind, CardArchive::Found::Kind::Stay);
    // A new card goes over the partial record, at 3.
    const CardArchive::Saved saved = archive.save(0, {}, rec('n'));
    QCOMPARE(saved.outcome, CardArchive::Saved::Outcome::Appended);
    QCOMPARE(saved.position, 3);
    QCOMPARE(stored(), rec('a') + rec('b') + rec('n'));
}

void TestCardArchive::saveAppendsAndOverwrites()
{
    writeRecords(rec('a') + rec('b'));
    const CardArchive archive(m_path, kSize);
    CardArchive::Saved saved = archive.save(2, rec('b'), rec('B'));
    QCOMPARE(saved.outcome, CardArchive::Saved::Outcome::Saved);
    QCOMPARE(saved.position, 2);
    QVERIFY(!saved.closeFailed);
    // Saving again what is already there asks nothing.
    saved = archive.save(2, rec('b'), rec('B'));
    QCOMPARE(saved.outcome, CardArchive::Saved::Outcome::Saved);
    saved = archive.save(0, {}, rec('c'));
    QCOMPARE(saved.outcome, CardArchive::Saved::Outcome::Appended);
    QCOMPARE(saved.position, 3);
    QCOMPARE(stored(), rec('a') + rec('B') + rec('c'));
}

void TestCardArchive::changedElsewhereThenYesOrNo_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("No") << false;
    QTest::newRow("Sì") << true;
}

void TestCardArchive::changedElsewhereThenYesOrNo()
{
    QFETCH(bool, overwrite);
    writeRecords(rec('a') + rec('b'));
    const CardArchive archive(m_path, kSize);
    // Shown as 'b'; another workstation saves 'x' meanwhile.
    RecordFile(m_path, kSize).write(2, rec('x'));
    CardArchive::Saved saved = archive.save(2, rec('b'), rec('m'));
    QCOMPARE(saved.outcome, CardArchive::Saved::Outcome::ChangedElsewhere);
    QCOMPARE(saved.found, rec('x'));
    QCOMPARE(stored(), rec('a') + rec('x'));
    if (!overwrite)
        return;
    // Sì answers for the version found; a later save elsewhere asks again.
    RecordFile(m_path, kSize).write(2, rec('y'));
    saved = archive.save(2, saved.found, rec('m'));
    QCOMPARE(saved.outcome, CardArchive::Saved::Outcome::ChangedElsewhere);
    QCOMPARE(saved.found, rec('y'));
    saved = archive.save(2, saved.found, rec('m'));
    QCOMPARE(saved.outcome, CardArchive::Saved::Outcome::Saved);
    QCOMPARE(stored(), rec('a') + rec('m'));
}

void TestCardArchive::unreachableArchiveThrows()
{
    QVERIFY(QDir().mkdir(m_path));
    const CardArchive archive(m_path, kSize);
    QVERIFY_THROWS_EXCEPTION(ArchiveError, archive.browse(CardArchive::Step::First, 0));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, archive.save(0, {}, rec('n')));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, archive.reach());
}

QTEST_GUILESS_MAIN(TestCardArchive)
#include "tst_cardarchive.moc"

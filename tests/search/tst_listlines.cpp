#include "products/productarchive.h"
#include "products/productrecord.h"
#include "receipts/receiptarchive.h"
#include "receipts/receiptrecord.h"
#include "search/listquery.h"
#include "search/searchdefinition.h"
#include "storage/cp1252.h"
#include "storage/recordfile.h"
#include "suppliers/supplierarchive.h"
#include "suppliers/supplierrecord.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <unistd.h>

namespace {

QByteArray supplier(const QString &ditta, const QString &titolare = QString(), const QString &recapito = QString(),
                    const QString &note = QString())
{
    Record r(SupplierRecord::layout());
    r.setValue(SupplierRecord::Ditta, ditta);
    r.setValue(SupplierRecord::Titolare, titolare);
    r.setValue(SupplierRecord::Recapito, recapito);
    r.setValue(SupplierRecord::Note, note);
    return r.bytes();
}

QByteArray product(const QString &codice, const QString &giacenza, const QString &sottoscorta)
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, codice);
    r.setValue(ProductRecord::Giacenza, giacenza);
    r.setValue(ProductRecord::Sottoscorta, sottoscorta);
    return r.bytes();
}

// A field written as raw bytes, as a foreign program may have left it.
void setRaw(QByteArray &record, const RecordLayout &layout, int field, const QByteArray &text)
{
    char *p = record.data() + layout.offset(field);
    p[0] = char(text.size());
    std::memcpy(p + 1, text.constData(), size_t(text.size()));
}

LineList lines(const QStringList &texts)
{
    LineList out;
    for (qsizetype i = 0; i < texts.size(); ++i)
        out.append(Cp1252::encode(texts[i]), i + 1);
    return out;
}

} // namespace

class TestListLines : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void supplierLineColumns();
    void productAndReceiptLines();
    void fieldSearch_data();
    void fieldSearch();
    void inListFind_data();
    void inListFind();
    void foldedOrderIsStable();
    void mappedAndReadScansAgree();
    void lowStockBoundaries();
    void unreadableStockIsLeftOutAndNamed();
    void yesFieldsListOnlySi();
    void readFailureKeepsWhatWasRead();
    void twoHalvesListLikeOne();
    void locateKeepsTheChosenRecord();
    void incompleteWarningNamesPositions();

private:
    QTemporaryDir m_dir;
    QString m_path;
    void writeArchive(const QList<QByteArray> &records);
    ListResult run(const ListQuery &query);
};

void TestListLines::init()
{
    m_path = m_dir.filePath(QStringLiteral("%1.pro").arg(QTest::currentTestFunction()));
    QFile::remove(m_path);
}

void TestListLines::cleanup()
{
    RecordFile::setMappingAllowed(true);
}

void TestListLines::writeArchive(const QList<QByteArray> &records)
{
    QFile f(m_path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QByteArray &r : records)
        QCOMPARE(f.write(r), r.size());
}

ListResult TestListLines::run(const ListQuery &query)
{
    RecordFile file(m_path, query.format->layout().size(), RecordFile::Mode::ReadOnly);
    return runQuery(file, query);
}

void TestListLines::supplierLineColumns()
{
    const LineFormat &f = LineFormats::fornitori();
    const QString ditta31 = QStringLiteral("Ferramenta Rossi e Figli S.r.l."); // 31 characters
    QCOMPARE(ditta31.size(), 31);
    const QString line = f.build(supplier(ditta31, QStringLiteral("Mario"), QStringLiteral("0544 1"),
                                          QStringLiteral("  nota finale  ")));
    QCOMPARE(line.left(30), ditta31.left(30));
    QCOMPARE(line.mid(30, 2), QStringLiteral("  "));
    QCOMPARE(line.mid(32, 5), QStringLiteral("Mario")); // the 33rd character
    QCOMPARE(line.mid(62, 7), QStringLiteral("  Tel. "));
    QCOMPARE(line.mid(69, 20), QStringLiteral("0544 1").leftJustified(20));
    QCOMPARE(line.mid(89), QStringLiteral("  nota finale"));

    // The recontact line ends with the pending issue instead of the notes.
    Record r(SupplierRecord::layout(), supplier(QStringLiteral("A")));
    r.setValue(SupplierRecord::Questioni, QStringLiteral("Reso [urgente]"));
    QVERIFY(LineFormats::ricontatta().build(r.bytes()).endsWith(QStringLiteral("       Reso [urgente]")));

    // Stored bytes with blanks and control characters at their ends, and a
    // length byte beyond the capacity, read as the card reads them.
    QByteArray raw = supplier(QString());
    setRaw(raw, SupplierRecord::layout(), SupplierRecord::Ditta, QByteArray("\t  Caff\xE8  \x01"));
    raw[SupplierRecord::layout().offset(SupplierRecord::Recapito)] = char(200);
    const QString odd = f.build(raw);
    QCOMPARE(odd.left(30), QStringLiteral("Caffè").leftJustified(30));
    QCOMPARE(odd.mid(69, 20).size(), 20);
}

void TestListLines::productAndReceiptLines()
{
    Record p(ProductRecord::layout());
    p.setValue(ProductRecord::Codice, QStringLiteral("VT-430"));
    p.setValue(ProductRecord::Modello, QStringLiteral("Vite 4x30"));
    p.setValue(ProductRecord::Costo, QStringLiteral("12,50"));
    p.setValue(ProductRecord::Giacenza, QStringLiteral("3"));
    p.setValue(ProductRecord::Note, QStringLiteral("ok"));
    // An empty brand still leaves its blank before the model.
    QCOMPARE(LineFormats::magazzino().build(p.bytes()),
             QStringLiteral("VT-430").leftJustified(30) + QStringLiteral("  ")
                 + QStringLiteral(" Vite 4x30").leftJustified(40) + QStringLiteral("  Costo: ")
                 + QStringLiteral("12,50").leftJustified(12) + QStringLiteral("  Giacenza: ")
                 + QStringLiteral("3").leftJustified(12) + QStringLiteral("  Note: ok"));
    p.setValue(ProductRecord::Marca, QString(45, u'M'));
    QCOMPARE(LineFormats::magazzino().build(p.bytes()).mid(32, 40), QString(40, u'M'));

    Record c(ReceiptRecord::layout());
    c.setValue(ReceiptRecord::Data, QStringLiteral("09/03/2024"));
    c.setValue(ReceiptRecord::Codice, QStringLiteral("VT-430"));
    c.setValue(ReceiptRecord::Quant, QStringLiteral("10"));
    c.setValue(ReceiptRecord::Tipologia, QStringLiteral("Viteria"));
    c.setValue(ReceiptRecord::CostoTot, QStringLiteral("125,00"));
    const QString line = LineFormats::carichi().build(c.bytes());
    QCOMPARE(line, QStringLiteral("Data: 09/03/2024  Cod. ") + QStringLiteral("VT-430").leftJustified(18)
                       + QStringLiteral("  Quant. ") + QStringLiteral("10").leftJustified(10)
                       + QStringLiteral("  Tipo ") + QStringLiteral("Viteria").leftJustified(28) + QStringLiteral("  ")
                       + QString(37, u' ') + QStringLiteral("  Tot. € 125,00"));
    c.setValue(ReceiptRecord::Descrizione, QString(40, u'd'));
    QCOMPARE(LineFormats::carichi().build(c.bytes()).mid(line.indexOf(u"  Tot.") - 37, 37), QString(37, u'd'));
}

void TestListLines::fieldSearch_data()
{
    QTest::addColumn<QString>("ditta");
    QTest::addColumn<QString>("titolare");
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("listed");

    // Stored: Ditta "Ferramenta Rossi S.r.l.", Titolare "Èrica Bianchi", Note "urgente?"
    QTest::newRow("all blank") << "" << "" << "" << true;
    QTest::newRow("only blanks count as blank") << "   " << "" << " " << true;
    QTest::newRow("capitals fold") << "ROSSI" << "" << "" << true;
    QTest::newRow("lower case") << "rossi s.r" << "" << "" << true;
    QTest::newRow("two fields both match") << "rossi" << "bianchi" << "" << true;
    QTest::newRow("two fields, one misses") << "rossi" << "verdi" << "" << false;
    QTest::newRow("third blank ignored") << "rossi" << "bianchi" << "   " << true;
    QTest::newRow("accented capital not folded") << "" << "èrica" << "" << false;
    QTest::newRow("accented capital as stored") << "" << "Èrica" << "" << true;
    QTest::newRow("trailing blank must occur") << "rossi " << "" << "" << true;
    QTest::newRow("trailing blank at the end") << "s.r.l. " << "" << "" << false;
    QTest::newRow("leading blank must occur") << " ferramenta" << "" << "" << false;
    QTest::newRow("question mark typed") << "" << "" << "?" << true;
    QTest::newRow("character outside the code page") << "" << "" << "urgente\u0142" << false;
    QTest::newRow("longer than the field") << QString(51, u'x') << "" << "" << false;
}

void TestListLines::fieldSearch()
{
    QFETCH(QString, ditta);
    QFETCH(QString, titolare);
    QFETCH(QString, note);
    QFETCH(bool, listed);
    const QByteArray record = supplier(QStringLiteral("Ferramenta Rossi S.r.l."), QStringLiteral("Èrica Bianchi"),
                                       QString(), QStringLiteral("urgente?"));
    const FieldSearch search(SupplierRecord::layout(), {{SupplierRecord::Ditta, ditta},
                                                        {SupplierRecord::Titolare, titolare},
                                                        {SupplierRecord::Note, note}});
    QCOMPARE(search.accepts(record.constData()), listed);
}

void TestListLines::inListFind_data()
{
    QTest::addColumn<QStringList>("typed"); // successive clicks on Trova
    QTest::addColumn<int>("selected");      // before the first click
    QTest::addColumn<QList<int>>("rows");   // selected after each click

    // Lines: 0 "Alfa rossi", 1 "Beta", 2 "Gamma ROSSI", 3 "Delta rossi "
    QTest::newRow("same text again goes on and wraps")
        << QStringList{"rossi", "rossi", "rossi", "rossi"} << -1 << QList<int>{0, 2, 3, 0};
    QTest::newRow("changed text starts from the first line")
        << QStringList{"rossi", "rossi", "gamma"} << -1 << QList<int>{0, 2, 2};
    QTest::newRow("new text tests the first line first") << QStringList{"alfa"} << 3 << QList<int>{0};
    QTest::newRow("same text skips the selected line") << QStringList{"delta", "delta"} << -1 << QList<int>{3, 3};
    QTest::newRow("no hit keeps the selection") << QStringList{"zeta"} << 1 << QList<int>{1};
    QTest::newRow("no selection selects the first") << QStringList{"zeta"} << -1 << QList<int>{0};
    QTest::newRow("empty text finds nothing") << QStringList{""} << 2 << QList<int>{2};
    QTest::newRow("trailing blank") << QStringList{"rossi "} << -1 << QList<int>{3};
}

void TestListLines::inListFind()
{
    QFETCH(QStringList, typed);
    QFETCH(int, selected);
    QFETCH(QList<int>, rows);
    const LineList list = lines({"Alfa rossi", "Beta", "Gamma ROSSI", "Delta rossi "});
    QString last;
    qsizetype at = selected;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        at = ResultLines::find(list, at, typed[i], last);
        QCOMPARE(int(at), rows[i]);
    }
}

void TestListLines::foldedOrderIsStable()
{
    LineList list = lines({"beta", "Alfa", "ALFA", "alfa", "_x", "Zeta", "abc", "Ab", "b", "€ uro", "é", "Alfabeto e"});
    list.sortFolded();
    QStringList texts;
    QList<qint64> positions;
    for (qsizetype i = 0; i < list.size(); ++i) {
        texts << list.text(i);
        positions << list.position(i);
    }
    // "_" (0x5F) sorts after the capitals, "é" (U+00E9) before "€" (U+20AC)
    // although its byte is higher; equal folded lines keep file order.
    QCOMPARE(texts, (QStringList{"Ab", "abc", "Alfa", "ALFA", "alfa", "Alfabeto e", "b", "beta", "Zeta", "_x", "é",
                                 "€ uro"}));
    QCOMPARE(positions.mid(2, 3), (QList<qint64>{2, 3, 4}));
    QVERIFY(ResultLines::compareFolded(Cp1252::encode(u"è"), Cp1252::encode(u"È")) > 0);

    // Lines of any bytes, sharing long beginnings, in the order the plain
    // character-by-character comparison gives.
    QRandomGenerator g(7);
    const QByteArray alphabet("aAbB zZ_[\x80\x81\x9f\xa0\xe9\xc9\xff", 17);
    // Enough lines to be sorted in two halves, with many equal ones.
    LineList random;
    QList<QPair<QByteArray, qint64>> expected;
    for (int i = 0; i < 30000; ++i) {
        QByteArray line(int(g.bounded(12)), 'a');
        line += QByteArray(int(g.bounded(3)) * 8, 'Q');
        for (int k = int(g.bounded(6)); k > 0; --k)
            line += alphabet[int(g.bounded(alphabet.size()))];
        random.append(line, i + 1);
        expected.append({line, i + 1});
    }
    std::stable_sort(expected.begin(), expected.end(), [](const auto &a, const auto &b) {
        return ResultLines::compareFolded(a.first, b.first) < 0;
    });
    random.sortFolded();
    for (qsizetype i = 0; i < random.size(); ++i) {
        QCOMPARE(random.bytes(i), QByteArrayView(expected[i].first));
        QCOMPARE(random.position(i), expected[i].second);
    }
}

void TestListLines::mappedAndReadScansAgree()
{
    // More records than one run holds, so several runs meet.
    QList<QByteArray> records;
    for (int i = 0; i < 20000; ++i)
        records << supplier(QStringLiteral("Ditta %1").arg((i * 7919) % 20000), QString(), QString(),
                            i % 3 == 0 ? QStringLiteral("rossi") : QString());
    writeArchive(records);
    const ListQuery query = Searches::fornitori().query({{SupplierRecord::Note, QStringLiteral("ROSSI")}});
    const ListResult mapped = run(query);
    RecordFile::setMappingAllowed(false);
    const ListResult read = run(query);
    QCOMPARE(mapped.lines.size(), 6667);
    QCOMPARE(read.lines.size(), mapped.lines.size());
    for (qsizetype i = 0; i < mapped.lines.size(); ++i) {
        QCOMPARE(read.lines.bytes(i), mapped.lines.bytes(i));
        QCOMPARE(read.lines.position(i), mapped.lines.position(i));
        // Sorted, and each line still names its own record.
        if (i > 0)
            QVERIFY(ResultLines::compareFolded(mapped.lines.bytes(i - 1), mapped.lines.bytes(i)) <= 0);
        QCOMPARE(LineFormats::fornitori().build(records[mapped.lines.position(i) - 1]), mapped.lines.text(i));
    }
}

void TestListLines::lowStockBoundaries()
{
    writeArchive({product(QStringLiteral("E-6/5"), QStringLiteral("6"), QStringLiteral("5")),
                  product(QStringLiteral("D-5/5"), QStringLiteral("5"), QStringLiteral("5")),
                  product(QStringLiteral("C-0/0"), QStringLiteral("0"), QStringLiteral("0")),
                  product(QStringLiteral("B-neg"), QStringLiteral("-3"), QStringLiteral("0")),
                  product(QStringLiteral("A-dec"), QStringLiteral("4,5"), QStringLiteral("4,25"))});
    const ListResult r = run(Lists::sottoscorta());
    QVERIFY(r.complete());
    QStringList codes;
    for (qsizetype i = 0; i < r.lines.size(); ++i)
        codes << r.lines.text(i).left(30).trimmed();
    QCOMPARE(codes, (QStringList{"B-neg", "C-0/0", "D-5/5"}));
}

void TestListLines::unreadableStockIsLeftOutAndNamed()
{
    QList<QByteArray> records;
    for (int i = 1; i <= 9; ++i) {
        const bool bad = i == 2 || i == 4 || i == 5 || i == 6 || i == 7 || i == 8;
        records << product(QStringLiteral("P%1").arg(i), bad ? QStringLiteral("tre") : QStringLiteral("1"),
                           i == 8 ? QStringLiteral("x") : QStringLiteral("2"));
    }
    writeArchive(records);
    const ListResult r = run(Lists::sottoscorta());
    QCOMPARE(r.lines.size(), 3); // 1, 3 and 9: the scan went on
    QCOMPARE(r.lines.position(2), 9);
    QCOMPARE(r.leftOut, 6);
    QCOMPARE(r.leftOutPositions, (QList<qint64>{2, 4, 5, 6, 7}));
}

void TestListLines::yesFieldsListOnlySi()
{
    QList<QByteArray> records;
    for (const QByteArray &value : {QByteArray("S\xEC"), QByteArray("No"), QByteArray(), QByteArray("S\xEC"),
                                    QByteArray("SI"), QByteArray("s\xEC")}) {
        QByteArray r = supplier(QStringLiteral("Ditta"));
        setRaw(r, SupplierRecord::layout(), SupplierRecord::Ricontatta, value);
        records << r;
    }
    // A length byte beyond the capacity of 2 reads as 2.
    records[3][SupplierRecord::layout().offset(SupplierRecord::Ricontatta)] = char(9);
    writeArchive(records);
    const ListResult r = run(Lists::ricontatta());
    QCOMPARE(r.lines.size(), 2);
    QCOMPARE(r.lines.position(0), 1);
    QCOMPARE(r.lines.position(1), 4);
}

namespace {

// Cuts the archive short while the scan has it mapped, the first time it is
// asked: the scan then fails to read the records past the cut.
class CutShortTest : public RecordTest
{
public:
    CutShortTest(const QString &path, qint64 keepBytes) : m_keep(keepBytes)
    {
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(m_path, name.constData(), size_t(name.size()));
    }
    Result test(const char *) const override
    {
        if (!m_cut) {
            m_cut = true;
            if (::truncate(m_path, off_t(m_keep)) != 0)
                return Result::Skipped;
        }
        return Result::Listed;
    }
    void prefetch(const char *) const override {}

private:
    char m_path[4096] = {};
    qint64 m_keep;
    mutable bool m_cut = false;
};

} // namespace

void TestListLines::readFailureKeepsWhatWasRead()
{
    if (!RecordFile::mappingAllowed())
        QSKIP("no mapped scans on this system");
    QList<QByteArray> records;
    for (int i = 1; i <= 300; ++i)
        records << supplier(QStringLiteral("Ditta %1").arg(i, 3, 10, QLatin1Char('0')));
    for (bool keepPartial : {true, false}) {
        writeArchive(records);
        ListQuery query = Lists::ricontatta();
        query.test = std::make_shared<CutShortTest>(m_path, 100 * qint64(SupplierRecord::Size));
        query.sorted = false;
        query.keepPartial = keepPartial;
        RecordFile file(m_path, SupplierRecord::Size, RecordFile::Mode::ReadOnly);
        if (!keepPartial) {
            QVERIFY_THROWS_EXCEPTION(ArchiveError, runQuery(file, query));
            continue;
        }
        const ListResult r = runQuery(file, query);
        // The records before the cut are listed; the rest are named missing.
        QVERIFY2(r.lines.size() >= 100 && r.lines.size() < 300, qPrintable(QString::number(r.lines.size())));
        for (qsizetype i = 0; i < r.lines.size(); ++i)
            QCOMPARE(r.lines.position(i), i + 1);
        QVERIFY(r.readFailed);
        QCOMPARE(r.leftOut, 300 - r.lines.size());
        QCOMPARE(r.leftOutPositions.first(), r.lines.size() + 1);
    }
}

void TestListLines::twoHalvesListLikeOne()
{
    // Enough products for two threads; unreadable stock in both halves and
    // the same line at the first and the last position.
    const int n = 20002;
    QList<QByteArray> records;
    QList<qint64> listed;
    for (int i = 1; i <= n; ++i) {
        const bool same = i == 1 || i == n;
        const bool unreadable = i == 3 || i == 15000;
        const QString code = same ? QStringLiteral("UGUALE") : QStringLiteral("P%1").arg((i * 7919) % n);
        records << product(code, unreadable ? QStringLiteral("?") : QString::number(i % 7), QStringLiteral("3"));
        if (!unreadable && (i % 7) <= 3)
            listed << i;
    }
    writeArchive(records);
    const ListResult r = run(Lists::sottoscorta());
    QCOMPARE(r.leftOut, 2);
    QCOMPARE(r.leftOutPositions, (QList<qint64>{3, 15000}));
    QVERIFY(!r.readFailed);
    std::vector<ListLine> expected;
    for (qint64 p : listed)
        expected.push_back({LineFormats::magazzino().bytes(records[p - 1]), p});
    std::stable_sort(expected.begin(), expected.end(), [](const ListLine &a, const ListLine &b) {
        return ResultLines::compareFolded(a.bytes, b.bytes) < 0;
    });
    QCOMPARE(r.lines.size(), qsizetype(expected.size()));
    for (qsizetype i = 0; i < r.lines.size(); ++i) {
        QCOMPARE(r.lines.bytes(i), QByteArrayView(expected[size_t(i)].bytes));
        QCOMPARE(r.lines.position(i), expected[size_t(i)].position);
    }
}

void TestListLines::locateKeepsTheChosenRecord()
{
    const QByteArray same = supplier(QStringLiteral("Rossi"), QStringLiteral("Mario"));
    writeArchive({same, supplier(QStringLiteral("Bianchi")), same});
    const LineFormat &f = LineFormats::fornitori();
    {
        RecordFile file(m_path, SupplierRecord::Size);
        // Either of two identical lines loads its own record.
        QCOMPARE(locateRecord(file, f, {f.bytes(same), 1})->position, 1);
        QCOMPARE(locateRecord(file, f, {f.bytes(same), 3})->position, 3);
        // A record that no longer gives the line: the last one that does.
        QCOMPARE(locateRecord(file, f, {f.bytes(same), 2})->position, 3);
        // Nothing gives it any more.
        QVERIFY(!locateRecord(file, f, {f.bytes(supplier(QStringLiteral("Verdi"))), 2}));
        // A position past the end of a shrunken archive.
        QCOMPARE(locateRecord(file, f, {f.bytes(supplier(QStringLiteral("Bianchi"))), 7})->position, 2);
    }
}

void TestListLines::incompleteWarningNamesPositions()
{
    ListResult one;
    one.leaveOut(12);
    QCOMPARE(ResultLines::incompleteWarning(one),
             QStringLiteral("Attenzione: l'elenco non è completo.\r\n\r\n1 scheda dell'archivio non è stata letta o non "
                            "contiene dati leggibili: non compare nell'elenco.\r\n\r\nPosizione in archivio: 12."));
    ListResult many;
    many.leaveOut(3);
    many.leaveOut(40, 100);
    QVERIFY(ResultLines::incompleteWarning(many).contains(QStringLiteral("101 schede")));
    QVERIFY(ResultLines::incompleteWarning(many).endsWith(QStringLiteral("Posizioni in archivio: 3, 40, 41, 42, 43 e "
                                                                         "altre.")));
}

QTEST_GUILESS_MAIN(TestListLines)
#include "tst_listlines.moc"

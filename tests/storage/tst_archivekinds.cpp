// The registry of archive kinds: which file names each kind takes, in any
// letter case, and the layout and tables each brings.
#include "output/spreadsheet.h"
#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "search/listquery.h"
#include "search/searchdefinition.h"
#include "storage/archivekind.h"
#include "storage/recordlayout.h"
#include "suppliers/supplierrecord.h"

#include <QTest>

class TestArchiveKinds : public QObject
{
    Q_OBJECT

private slots:
    void fileNames_data();
    void fileNames();
    void eachKindBringsItsTables();
};

void TestArchiveKinds::fileNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("kind"); // empty: none
    QTest::newRow("Fornitori.pro") << "Fornitori.pro" << "fornitori";
    QTest::newRow("FORNITORI.PRO") << "FORNITORI.PRO" << "fornitori";
    QTest::newRow("in a folder") << "/srv/Scortex/fornitori.pro" << "fornitori";
    QTest::newRow("Magazzino.pro") << "Magazzino.pro" << "magazzino";
    QTest::newRow("mAgAzZiNo.PrO") << "mAgAzZiNo.PrO" << "magazzino";
    QTest::newRow("2024.odc") << "2024.odc" << "carichi";
    QTest::newRow("1999.ODC") << "C:/Programmi/Magazzino Già/1999.ODC" << "carichi";
    QTest::newRow("three digits") << "202.odc" << "";
    QTest::newRow("five digits") << "20245.odc" << "";
    QTest::newRow("a journal") << "Magazzino.pro-journal" << "";
    QTest::newRow("a year's journal") << "2024.odc-journal" << "";
    QTest::newRow("a copy") << "Fornitori.pro.bak" << "";
    QTest::newRow("the password file") << "unins000.dll" << "";
}

void TestArchiveKinds::fileNames()
{
    QFETCH(QString, path);
    QFETCH(QString, kind);
    const ArchiveKind *found = ArchiveKinds::byFileName(path);
    QCOMPARE(found ? QString::fromLatin1(found->name) : QString(), kind);
    if (found)
        QCOMPARE(ArchiveKinds::byName(kind.toUpper()), found);
}

void TestArchiveKinds::eachKindBringsItsTables()
{
    struct Expected
    {
        const char *name;
        int size;
        const char *list;
        const char *sheetFile;
    };
    const Expected table[] = {
        {"fornitori", SupplierRecord::Size, "ricontatta", "Fornitori.xls"},
        {"magazzino", ProductRecord::Size, "sottoscorta", "Magazzino.xls"},
        {"carichi", ReceiptRecord::Size, "sospese", "Operazioni_Carico.xls"},
    };
    QCOMPARE(ArchiveKinds::all().size(), std::size(table));
    for (const Expected &e : table) {
        const ArchiveKind *k = ArchiveKinds::byName(QString::fromLatin1(e.name));
        QVERIFY2(k, e.name);
        QCOMPARE(k->layout().size(), e.size);
        QCOMPARE(&k->search().layout(), &k->layout());
        QCOMPARE(k->sheet().layout, &k->layout());
        QCOMPARE(k->sheet().fileName, QString::fromLatin1(e.sheetFile));
        QCOMPARE(ArchiveKinds::byListName(QString::fromLatin1(e.list)), k);
        QCOMPARE(&k->list().format->layout(), &k->layout());
    }
    QCOMPARE(ArchiveKinds::byName(QStringLiteral("clienti")), nullptr);
}

QTEST_GUILESS_MAIN(TestArchiveKinds)
#include "tst_archivekinds.moc"

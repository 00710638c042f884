#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "storage/recordfile.h"
#include "suppliers/supplierrecord.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using Offsets = QList<QPair<QString, int>>;

void compareOffsets(const RecordLayout &layout, const Offsets &expected)
{
    QCOMPARE(layout.fieldCount(), expected.size());
    for (int i = 0; i < layout.fieldCount(); ++i) {
        QCOMPARE(QString(layout.fieldName(i)), expected[i].first);
        QCOMPARE(layout.offset(i), expected[i].second);
        QCOMPARE(layout.indexOf(QLatin1StringView(layout.field(i).name)), i);
    }
}

} // namespace

class TestRecordLayouts : public QObject
{
    Q_OBJECT

private slots:
    void supplierOffsets();
    void productOffsets();
    void receiptOffsets();
    void supplierWithOnlyDittaGoldenBytes();
    void recordRoundTripThroughFile();
    void overlongLengthByteStaysInsideField();
    void archivePaths();
};

void TestRecordLayouts::supplierOffsets()
{
    QCOMPARE(SupplierRecord::layout().size(), 3643);
    compareOffsets(SupplierRecord::layout(),
                   {{"Ditta", 0}, {"Titolare", 51}, {"Recapito", 172}, {"IndirizzoRes", 223},
                    {"ProvRes", 274}, {"ComuneRes", 277}, {"CapRes", 328}, {"Pagamento", 334},
                    {"TelCasa", 585}, {"TelUff", 616}, {"TelCel", 647}, {"Fax", 678},
                    {"Email", 709}, {"CodFisc", 760}, {"Carta", 777}, {"ScadeCarta", 808},
                    {"PartitaIva", 839}, {"Iban", 851}, {"Articoli", 879}, {"Offerte", 1130},
                    {"Ordine", 1381}, {"Questioni", 1632}, {"Note", 1883}, {"Ricontatta", 2134},
                    {"File01", 2137}, {"File02", 2388}, {"File03", 2639}, {"Desc01", 2890},
                    {"Desc02", 3141}, {"Desc03", 3392}});
}

void TestRecordLayouts::productOffsets()
{
    QCOMPARE(ProductRecord::layout().size(), 4874);
    compareOffsets(ProductRecord::layout(),
                   {{"Codice", 0}, {"Tipologia", 31}, {"Marca", 282}, {"Modello", 533},
                    {"Accessori", 784}, {"Descrizione", 1035}, {"Fornitore", 1286},
                    {"Recapiti", 1537}, {"Data", 1588}, {"Costo", 1639}, {"Valore", 1655},
                    {"Documento", 1671}, {"Ordine", 1922}, {"Prezzo", 2173}, {"PercIva", 2189},
                    {"Prezzo_con_Iva", 2192}, {"Collocazione", 2208}, {"Giacenza", 2459},
                    {"Sottoscorta", 2475}, {"Consumo", 2491}, {"Aderenza", 2522}, {"Rumore", 2553},
                    {"Onde", 2584}, {"Note", 2615}, {"File01", 2866}, {"File02", 3117},
                    {"File03", 3368}, {"Desc01", 3619}, {"Desc02", 3870}, {"Desc03", 4121},
                    {"Cartella", 4372}, {"CartellaDesc", 4623}});
}

void TestRecordLayouts::receiptOffsets()
{
    QCOMPARE(ReceiptRecord::layout().size(), 2937);
    compareOffsets(ReceiptRecord::layout(),
                   {{"Fornitore", 0}, {"Recapiti", 251}, {"NumDoc", 302}, {"DataDoc", 323},
                    {"Data", 334}, {"Codice", 345}, {"Tipologia", 376}, {"Marca", 627},
                    {"Descrizione", 878}, {"CostoUni", 1129}, {"Quant", 1145},
                    {"CostoTot", 1161}, {"Note", 1177}, {"DaSaldare", 1428}, {"File01", 1431},
                    {"File02", 1682}, {"File03", 1933}, {"Desc01", 2184}, {"Desc02", 2435},
                    {"Desc03", 2686}});
}

void TestRecordLayouts::supplierWithOnlyDittaGoldenBytes()
{
    // What the card writes for a supplier with only the firm's name.
    Record record(SupplierRecord::layout());
    for (int f = 0; f < SupplierRecord::FieldCount; ++f)
        record.setValue(f, QString());
    record.setValue(SupplierRecord::Ditta, QStringLiteral("  Ferramenta Società  "));
    record.setValue(SupplierRecord::Ricontatta, YesNo::text(false));

    QByteArray golden(3643, '\0');
    const QByteArray name("Ferramenta Societ\xE0");
    golden[0] = char(name.size());
    golden.replace(1, name.size(), name);
    golden.replace(2134, 3, QByteArray("\x02\x4E\x6F", 3));
    QCOMPARE(record.bytes(), golden);
}

void TestRecordLayouts::recordRoundTripThroughFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = ProductRecord::archivePath(dir.path());
    Record written(ProductRecord::layout());
    auto sample = [](int f) {
        return QStringLiteral("%1 è €").arg(f).left(ProductRecord::layout().capacity(f));
    };
    for (int f = 0; f < ProductRecord::FieldCount; ++f)
        written.setValue(f, sample(f));
    written.setValue(ProductRecord::Codice, QString(31, u'C'));
    {
        RecordFile file(path, ProductRecord::Size);
        QCOMPARE(file.append(written.bytes()), 1);
    }
    RecordFile file(path, ProductRecord::Size);
    const Record read(ProductRecord::layout(), file.read(1));
    QCOMPARE(read.value(ProductRecord::Codice), QString(30, u'C'));
    for (int f = 1; f < ProductRecord::FieldCount; ++f)
        QCOMPARE(read.value(f), sample(f));
}

void TestRecordLayouts::overlongLengthByteStaysInsideField()
{
    // DaSaldare (capacity 2) claiming 200 bytes must not take File01's bytes.
    Record record(ReceiptRecord::layout());
    record.setValue(ReceiptRecord::File01, QStringLiteral("allegato.pdf"));
    QByteArray bytes = record.bytes();
    bytes[1428] = char(200);
    bytes[1429] = 'S';
    bytes[1430] = char(0xEC);
    const Record damaged(ReceiptRecord::layout(), bytes);
    QCOMPARE(damaged.value(ReceiptRecord::DaSaldare), QStringLiteral("S\u00EC"));
    QCOMPARE(damaged.storedLength(ReceiptRecord::DaSaldare), 200);
    QCOMPARE(damaged.value(ReceiptRecord::File01), QStringLiteral("allegato.pdf"));
}

void TestRecordLayouts::archivePaths()
{
    QCOMPARE(SupplierRecord::archivePath(QStringLiteral("/opt/scortex")), QStringLiteral("/opt/scortex/Fornitori.pro"));
    QCOMPARE(ProductRecord::archivePath(QStringLiteral("/opt/scortex/")), QStringLiteral("/opt/scortex/Magazzino.pro"));
    QCOMPARE(ReceiptRecord::archivePath(QStringLiteral("/opt/scortex"), QStringLiteral("2024")),
             QStringLiteral("/opt/scortex/2024.odc"));
}

QTEST_APPLESS_MAIN(TestRecordLayouts)
#include "tst_recordlayouts.moc"

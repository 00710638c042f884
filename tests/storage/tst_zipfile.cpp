// Zips from outside: odd and hostile files laid out byte by byte, each
// read or refused with its own message.

#include "storage/zipfile.h"

#include <QBuffer>
#include <QTest>
#include <QtEndian>

#include <zlib.h>

#include <cstring>
#include <optional>

namespace {

quint32 crcOf(QByteArrayView b)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef *>(b.data()), uInt(b.size())));
}

QByteArray rawDeflate(const QByteArray &data)
{
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

class Le
{
public:
    Le &u16(quint16 v) { return raw(v); }
    Le &u32(quint32 v) { return raw(v); }
    Le &u64(quint64 v) { return raw(v); }
    Le &bytes(const QByteArray &b)
    {
        data += b;
        return *this;
    }
    QByteArray data;

private:
    template<typename T>
    Le &raw(T v)
    {
        const T le = qToLittleEndian(v);
        data.append(reinterpret_cast<const char *>(&le), sizeof(T));
        return *this;
    }
};

void put16(QByteArray &b, qint64 at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}

void put32(QByteArray &b, qint64 at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

const QByteArray kContent = "<FatturaElettronica versione=\"FPR12\">...</FatturaElettronica>";

// One entry as the test lays it out. The local header repeats the
// directory unless a row makes it differ.
struct Item
{
    QByteArray name = "fattura.xml";
    QByteArray content = kContent;
    quint16 method = 8;
    quint16 flags = 0x0800;
    QByteArray extra;                  // in both headers
    std::optional<QByteArray> packed;  // the content packed by `method` unless given
    std::optional<QByteArray> localName;
    std::optional<quint16> localMethod;
    std::optional<quint32> localSize;
    QByteArray descriptor;             // after the data, with flag 0x0008
};

// Where the parts of a built zip start, for rows that damage one field.
struct Layout
{
    QByteArray bytes;
    QList<qint64> local;
    QList<qint64> central;
    qint64 end = 0;
};

Layout build(const QList<Item> &items, bool zip64 = false)
{
    Layout l;
    Le out;
    QList<QByteArray> packed;
    for (const Item &item : items) {
        packed << item.packed.value_or(item.method == 8 ? rawDeflate(item.content) : item.content);
        const bool later = item.flags & 0x0008;
        const QByteArray name = item.localName.value_or(item.name);
        l.local << out.data.size();
        out.u32(0x04034b50).u16(20).u16(item.flags).u16(item.localMethod.value_or(item.method)).u16(0).u16(0x21);
        out.u32(later ? 0 : crcOf(item.content)).u32(later ? 0 : quint32(packed.last().size()));
        out.u32(later ? 0 : item.localSize.value_or(quint32(item.content.size())));
        out.u16(quint16(name.size())).u16(quint16(item.extra.size())).bytes(name).bytes(item.extra);
        out.bytes(packed.last()).bytes(item.descriptor);
    }
    const qint64 directory = out.data.size();
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Item &item = items[i];
        l.central << out.data.size();
        out.u32(0x02014b50).u16(20).u16(20).u16(item.flags).u16(item.method).u16(0).u16(0x21);
        out.u32(crcOf(item.content)).u32(quint32(packed[i].size())).u32(quint32(item.content.size()));
        out.u16(quint16(item.name.size())).u16(quint16(item.extra.size())).u16(0).u16(0).u16(0).u32(0);
        out.u32(quint32(l.local[i])).bytes(item.name).bytes(item.extra);
    }
    const qint64 directorySize = out.data.size() - directory;
    if (zip64) {
        const qint64 end64 = out.data.size();
        out.u32(0x06064b50).u64(44).u16(45).u16(45).u32(0).u32(0).u64(items.size()).u64(items.size());
        out.u64(directorySize).u64(directory);
        out.u32(0x07064b50).u32(0).u64(end64).u32(1);
    }
    l.end = out.data.size();
    const quint16 count = zip64 ? 0xFFFF : quint16(items.size());
    out.u32(0x06054b50).u16(0).u16(0).u16(count).u16(count);
    out.u32(zip64 ? 0xFFFFFFFF : quint32(directorySize)).u32(zip64 ? 0xFFFFFFFF : quint32(directory)).u16(0);
    l.bytes = out.data;
    return l;
}

QByteArray zipOf(const Item &item)
{
    return build({item}).bytes;
}

// A data descriptor: `wide` sizes of 8 bytes, `signature` in front.
QByteArray descriptor(const QByteArray &content, qint64 packed, bool signature, bool wide, quint32 crcDelta = 0)
{
    Le d;
    if (signature)
        d.u32(0x08074b50);
    d.u32(crcOf(content) + crcDelta);
    if (wide)
        d.u64(quint64(packed)).u64(quint64(content.size()));
    else
        d.u32(quint32(packed)).u32(quint32(content.size()));
    return d.data;
}

Item withDescriptor(bool signature, bool wide, quint32 crcDelta = 0)
{
    Item item;
    item.flags |= 0x0008;
    item.descriptor = descriptor(item.content, rawDeflate(item.content).size(), signature, wide, crcDelta);
    return item;
}

// What the project's own writer makes of `files` (name, content).
QByteArray written(const QList<std::pair<QString, QByteArray>> &files, qint64 expectedSize = 0)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Zip::Writer w(&buffer);
    for (const auto &[name, bytes] : files) {
        if (!w.begin(name, QDateTime(QDate(2026, 3, 2), QTime(10, 0)), expectedSize) || !w.add(bytes) || !w.end())
            return {};
    }
    return w.finish() ? buffer.data() : QByteArray();
}

struct Outcome
{
    QString openError;
    QList<Zip::Entry> entries;
    QString readError;
    QByteArray content;
};

// Opens `zip` and reads its entry `index`.
Outcome readEntry(const QByteArray &zip, qsizetype index = 0)
{
    Outcome o;
    QBuffer buffer;
    buffer.setData(zip);
    buffer.open(QIODevice::ReadOnly);
    Zip::Reader reader(&buffer);
    if (!reader.open()) {
        o.openError = reader.errorString();
        return o;
    }
    o.entries = reader.entries();
    if (index >= o.entries.size())
        return o;
    const Zip::Entry &e = o.entries[index];
    if (!reader.read(e, [&](QByteArrayView b) {
            o.content += b;
            return true;
        }))
        o.readError = reader.errorString();
    return o;
}

// A file of `size` zero bytes but for `tail` at its end, which notes the
// largest read asked of it: a reader that trusts a header asks for what
// the header says, and allocates it.
class SparseFile : public QIODevice
{
public:
    SparseFile(qint64 size, const QByteArray &tail) : m_size(size), m_tail(tail) {}
    qint64 size() const override { return m_size; }
    bool isSequential() const override { return false; }
    qint64 largestRead = 0;

protected:
    qint64 readData(char *data, qint64 max) override
    {
        largestRead = qMax(largestRead, max);
        const qint64 n = qMin(max, m_size - pos());
        std::memset(data, 0, size_t(n));
        const qint64 tailStart = m_size - m_tail.size();
        for (qint64 i = qMax(pos(), tailStart); i < pos() + n; ++i)
            data[i - pos()] = m_tail[i - tailStart];
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 m_size;
    QByteArray m_tail;
};

} // namespace

class TestZipFile : public QObject
{
    Q_OBJECT

private slots:
    void foreignZips_data();
    void foreignZips();
    void names_data();
    void names();
    void plainZipOf65535Entries();
    void hugeDirectoryIsNotRead();
    void writerRefusesWhatDoesNotFit_data();
    void writerRefusesWhatDoesNotFit();
};

void TestZipFile::foreignZips_data()
{
    QTest::addColumn<QByteArray>("zip");
    QTest::addColumn<QString>("openError");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<QString>("readError");
    QTest::addColumn<QByteArray>("content"); // when read

    const QString mismatch =
        QStringLiteral("fattura.xml: la voce non corrisponde all'indice del file zip: file danneggiato");
    const QString damaged = QStringLiteral("fattura.xml: dati danneggiati");
    const QString directory = QStringLiteral("indice del file zip danneggiato");
    const QString encrypted = QStringLiteral("fattura.xml: voce cifrata con password, non si può leggere");

    Item stored;
    stored.method = 0;
    QTest::newRow("stored") << zipOf(stored) << "" << false << "" << kContent;
    QTest::newRow("deflated") << zipOf(Item()) << "" << false << "" << kContent;
    QTest::newRow("ZIP64 end record") << build({Item()}, true).bytes << "" << false << "" << kContent;
    QTest::newRow("ZIP64 entry of the writer")
        << written({{QStringLiteral("fattura.xml"), kContent}}, 5LL << 30) << "" << false << "" << kContent;

    // Sizes after the data, in each layout writers use.
    QTest::newRow("descriptor, signed, 32-bit") << zipOf(withDescriptor(true, false)) << "" << false << "" << kContent;
    QTest::newRow("descriptor, unsigned") << zipOf(withDescriptor(false, false)) << "" << false << "" << kContent;
    QTest::newRow("descriptor, 64-bit sizes") << zipOf(withDescriptor(true, true)) << "" << false << "" << kContent;
    QTest::newRow("descriptor differs from the directory")
        << zipOf(withDescriptor(true, false, 1)) << "" << false << mismatch << QByteArray();

    // Listed, but not read: a password is needed, not a repair.
    for (const quint16 flag : {0x0001, 0x0041, 0x0040}) {
        Item item;
        item.flags |= flag;
        item.packed = QByteArray(12, 'k') + rawDeflate(kContent);
        QTest::addRow("encrypted, flags %04x", flag) << zipOf(item) << "" << true << encrypted << QByteArray();
    }

    Item localName;
    localName.localName = "fattura.exe";
    QTest::newRow("local name differs") << zipOf(localName) << "" << false << mismatch << QByteArray();
    Item localMethod;
    localMethod.localMethod = 0;
    QTest::newRow("local method differs") << zipOf(localMethod) << "" << false << mismatch << QByteArray();
    Item localSize;
    localSize.localSize = 10;
    QTest::newRow("local size differs") << zipOf(localSize) << "" << false << mismatch << QByteArray();
    QByteArray localEncrypted = zipOf(Item());
    put16(localEncrypted, 6, 0x0801);
    QTest::newRow("local header says encrypted") << localEncrypted << "" << false << mismatch << QByteArray();

    // Bytes the stream never reaches, or a stream that never ends.
    Item trailing;
    trailing.packed = rawDeflate(kContent) + "nascosto";
    QTest::newRow("bytes after the deflate stream") << zipOf(trailing) << "" << false << damaged << QByteArray();
    Item storedLonger = stored;
    storedLonger.packed = kContent + "nascosto";
    QTest::newRow("stored bytes beyond the size") << zipOf(storedLonger) << "" << false << damaged << QByteArray();
    Item cut;
    cut.packed = rawDeflate(kContent).first(10);
    QTest::newRow("deflate stream cut short")
        << zipOf(cut) << "" << false << QStringLiteral("fattura.xml: dati incompleti") << QByteArray();
    Item bzip2;
    bzip2.method = 12;
    bzip2.packed = QByteArray("BZh91AY&SY");
    QTest::newRow("bzip2") << zipOf(bzip2) << "" << false
                           << QStringLiteral("fattura.xml: metodo di compressione 12 non gestito") << QByteArray();

    QByteArray chopped = zipOf(Item());
    chopped.chop(30);
    QTest::newRow("file cut short") << chopped
                                    << "fine del file zip non trovata: il file è incompleto o danneggiato" << false
                                    << "" << QByteArray();
    Layout past = build({Item()});
    put32(past.bytes, past.end + 16, 0x7FFFFFF0);
    QTest::newRow("directory offset past the file") << past.bytes << directory << false << "" << QByteArray();
    Layout counted = build({Item()});
    put16(counted.bytes, counted.end + 8, 5000);
    put16(counted.bytes, counted.end + 10, 5000);
    QTest::newRow("more entries than the directory holds") << counted.bytes << directory << false << "" << QByteArray();
    Item second;
    second.name = "allegato.pdf";
    Layout uncounted = build({Item(), second});
    put16(uncounted.bytes, uncounted.end + 8, 1);
    put16(uncounted.bytes, uncounted.end + 10, 1);
    QTest::newRow("fewer entries than the directory holds") << uncounted.bytes << directory << false << ""
                                                            << QByteArray();
    Layout markers = build({Item()});
    put32(markers.bytes, markers.end + 16, 0xFFFFFFFF);
    QTest::newRow("ZIP64 marker with no record") << markers.bytes << "indice ZIP64 danneggiato" << false << ""
                                                 << QByteArray();
    Layout huge = build({Item()}, true);
    qToLittleEndian(quint64(1) << 62, huge.bytes.data() + huge.end - 20 - 56 + 32);
    QTest::newRow("ZIP64 count of 2^62") << huge.bytes << directory << false << "" << QByteArray();
    // Two entries over the same bytes: the way a small file unpacks to
    // gigabytes.
    Layout overlap = build({Item(), second});
    put32(overlap.bytes, overlap.central[1] + 42, 0);
    QTest::newRow("entries over the same bytes") << overlap.bytes << directory << false << "" << QByteArray();
    Item quoting;
    quoting.method = 0;
    Layout quoted = build({quoting, second});
    const QByteArray next = quoted.bytes.mid(quoted.local[1], 30 + second.name.size());
    quoting.content = kContent + next;
    quoted = build({quoting, second});
    put32(quoted.bytes, quoted.central[1] + 42, quint32(quoted.local[0] + 30 + quoting.name.size() + kContent.size()));
    QTest::newRow("entry inside another") << quoted.bytes << directory << false << "" << QByteArray();
}

void TestZipFile::foreignZips()
{
    QFETCH(QByteArray, zip);
    QFETCH(QString, openError);
    QFETCH(bool, encrypted);
    QFETCH(QString, readError);
    QFETCH(QByteArray, content);
    const Outcome o = readEntry(zip);
    QCOMPARE(o.openError, openError);
    if (!openError.isEmpty()) {
        QVERIFY(o.entries.isEmpty());
        return;
    }
    QCOMPARE(o.entries.size(), 1);
    QCOMPARE(o.entries[0].name, QStringLiteral("fattura.xml"));
    QCOMPARE(o.entries[0].encrypted, encrypted);
    QCOMPARE(o.readError, readError);
    if (readError.isEmpty())
        QCOMPARE(o.content, content);
    else // what came before the refusal, and never more
        QVERIFY(kContent.startsWith(o.content));
}

void TestZipFile::names_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<quint16>("flags");
    QTest::addColumn<QByteArray>("extra");
    QTest::addColumn<QString>("name");

    QTest::newRow("code page 437") << QByteArray("\x80 perch\x82 caff\x8a gi\x97 \xe1\xff.xml") << quint16(0)
                                   << QByteArray() << QStringLiteral("Ç perché caffè giù ß\u00a0.xml");
    QTest::newRow("UTF-8 flagged") << QByteArray("perch\xc3\xa9 caff\xc3\xa8.xml") << quint16(0x0800) << QByteArray()
                                   << QStringLiteral("perché caffè.xml");
    QTest::newRow("UTF-8 bytes, not flagged") << QByteArray("caff\xc3\xa8.xml") << quint16(0) << QByteArray()
                                              << QStringLiteral("caff├¿.xml");
    // Info-ZIP's Unicode Path field, valid while its CRC is the name's.
    const QByteArray legacy = "caffe.xml";
    auto unicodePath = [](quint32 nameCrc) {
        const QByteArray utf8 = "caff\xc3\xa8.xml";
        Le f;
        f.u16(0x7075).u16(quint16(5 + utf8.size())).bytes("\x01").u32(nameCrc).bytes(utf8);
        return f.data;
    };
    QTest::newRow("Unicode Path field") << legacy << quint16(0) << unicodePath(crcOf(legacy))
                                        << QStringLiteral("caffè.xml");
    QTest::newRow("Unicode Path field of another name")
        << legacy << quint16(0) << unicodePath(crcOf("tè.xml")) << QStringLiteral("caffe.xml");
}

void TestZipFile::names()
{
    QFETCH(QByteArray, stored);
    QFETCH(quint16, flags);
    QFETCH(QByteArray, extra);
    QFETCH(QString, name);
    Item item;
    item.name = stored;
    item.flags = flags;
    item.extra = extra;
    const Outcome o = readEntry(zipOf(item));
    QCOMPARE(o.openError, QString());
    QCOMPARE(o.entries.size(), 1);
    QCOMPARE(o.entries[0].name, name);
    QCOMPARE(o.entries[0].nameBytes, stored);
    // The local header's name is compared as stored, not as decoded.
    QCOMPARE(o.readError, QString());
    QCOMPARE(o.content, kContent);
}

void TestZipFile::plainZipOf65535Entries()
{
    // The count 0xFFFF written plainly, with no ZIP64 record behind it.
    QList<Item> items(0xFFFF);
    for (qsizetype i = 0; i < items.size(); ++i) {
        items[i].name = QByteArray::number(i);
        items[i].method = 0;
        items[i].content = "voce " + QByteArray::number(i);
    }
    const QByteArray zip = build(items).bytes;
    const Outcome last = readEntry(zip, 0xFFFE);
    QCOMPARE(last.openError, QString());
    QCOMPARE(last.entries.size(), 65535);
    QCOMPARE(last.entries.last().name, QStringLiteral("65534"));
    QCOMPARE(last.readError, QString());
    QCOMPARE(last.content, QByteArray("voce 65534"));
}

void TestZipFile::hugeDirectoryIsNotRead()
{
    // A 300 MB file whose end record points at a directory of 200 MB: the
    // reader refuses it before asking the file for those bytes.
    Le end;
    end.u32(0x06054b50).u16(0).u16(0).u16(60000).u16(60000).u32(200 << 20).u32(1 << 20).u16(0);
    SparseFile file(300 << 20, end.data);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    Zip::Reader reader(&file);
    QVERIFY(!reader.open());
    QCOMPARE(reader.errorString(),
             QStringLiteral("indice del file zip troppo grande (oltre 64 MB): il file non si può leggere"));
    QVERIFY2(file.largestRead <= 0x10000 + 22, qPrintable(QString::number(file.largestRead)));
}

void TestZipFile::writerRefusesWhatDoesNotFit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("error");

    const QString longName = QStringLiteral("%1…: nome troppo lungo per un file zip (oltre 65.535 byte)");
    QTest::newRow("name of 65 535 bytes") << QString(0xFFFF, u'a') << "" << "";
    QTest::newRow("name of 65 536 bytes") << QString(0x10000, u'a') << "" << longName.arg(QString(40, u'a'));
    // Counted in UTF-8 bytes: 32 768 characters of two bytes each.
    QTest::newRow("name of 32 768 è") << QString(0x8000, u'è') << "" << longName.arg(QString(40, u'è'));
    QTest::newRow("comment of 65 535 bytes") << "fattura.xml" << QString(0xFFFF, u'c') << "";
    QTest::newRow("comment of 65 536 bytes") << "fattura.xml" << QString(0x10000, u'c')
                                             << "commento troppo lungo per un file zip (oltre 65.535 byte)";
}

void TestZipFile::writerRefusesWhatDoesNotFit()
{
    QFETCH(QString, name);
    QFETCH(QString, comment);
    QFETCH(QString, error);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Zip::Writer w(&buffer);
    const bool ok = w.begin(name, QDateTime(QDate(2026, 3, 2), QTime(10, 0)), 0) && w.add(kContent) && w.end()
                    && w.finish(comment);
    QCOMPARE(w.errorString(), error);
    QCOMPARE(ok, error.isEmpty());
    if (!ok) {
        // Nothing cut short reaches the file: no entry, or no directory.
        QVERIFY(!readEntry(buffer.data()).openError.isEmpty());
        return;
    }
    const Outcome o = readEntry(buffer.data());
    QCOMPARE(o.openError, QString());
    QCOMPARE(o.entries.size(), 1);
    QCOMPARE(o.entries[0].name, name);
    QCOMPARE(o.content, kContent);
}

QTEST_GUILESS_MAIN(TestZipFile)
#include "tst_zipfile.moc"

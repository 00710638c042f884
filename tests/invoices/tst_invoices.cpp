#include "invoices/decimal.h"
#include "invoices/envelope.h"
#include "invoices/invoicereader.h"
#include "invoices/invoicexml.h"
#include "receipts/invoicelines.h"
#include "storage/zipfile.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Invoices;

namespace {

QString data(const QString &name)
{
    return QStringLiteral(SCORTEX_TEST_DATA "/invoices/") + name;
}

QByteArray readData(const QString &name)
{
    QFile f(data(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}

// A 1.2 invoice with one body whose lines are given as XML.
QByteArray invoiceXml(const QByteArray &lines, const QByteArray &type = "TD01")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<p:FatturaElettronica versione=\"FPR12\" "
           "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">"
           "<FatturaElettronicaHeader><CedentePrestatore><DatiAnagrafici><IdFiscaleIVA><IdPaese>IT</IdPaese>"
           "<IdCodice>01234567890</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Rossi Forniture "
           "S.r.l.</Denominazione></Anagrafica></DatiAnagrafici></CedentePrestatore><CessionarioCommittente>"
           "<DatiAnagrafici><Anagrafica><Denominazione>Il negozio</Denominazione></Anagrafica></DatiAnagrafici>"
           "</CessionarioCommittente></FatturaElettronicaHeader><FatturaElettronicaBody><DatiGenerali>"
           "<DatiGeneraliDocumento><TipoDocumento>" +
           type +
           "</TipoDocumento><Data>2024-03-05</Data><Numero>F/12</Numero></DatiGeneraliDocumento></DatiGenerali>"
           "<DatiBeniServizi>" +
           lines + "</DatiBeniServizi></FatturaElettronicaBody></p:FatturaElettronica>\n";
}

QByteArray line(const QByteArray &inner)
{
    return "<DettaglioLinee><NumeroLinea>1</NumeroLinea>" + inner + "</DettaglioLinee>";
}

// Quant / CostoUni / CostoTot, and "merce" for a goods line.
QStringList amounts(const Invoice &invoice)
{
    QStringList out;
    for (const Line &l : invoice.lines) {
        const InvoiceLines::ReceiptFields r = InvoiceLines::fromLine(invoice, l);
        out << QStringList{l.numeroLinea, r.quant, r.costoUni, r.costoTot, r.goods ? QStringLiteral("merce") : QString()}.join(u' ');
    }
    return out;
}

// Everything a file gave, as text, to compare two readings of one invoice.
QString digest(const QList<Source> &sources)
{
    QString out;
    for (const Source &s : sources) {
        out += s.error + s.note + u'\n';
        for (const Invoice &v : s.invoices) {
            out += v.supplier.name() + v.supplier.vatNumber() + v.numero + v.data + v.importoTotale + u'\n';
            for (const Line &l : v.lines) {
                const InvoiceLines::ReceiptFields r = InvoiceLines::fromLine(v, l);
                out += QStringList{r.fornitore, r.numDoc, r.dataDoc, r.codice, r.descrizione, r.quant, r.costoUni,
                                   r.costoTot, l.prezzoTotale}
                           .join(u'|') +
                       u'\n';
            }
            for (const Attachment &a : v.attachments)
                out += a.nome + QString::fromLatin1(a.bytes.toHex()) + u'\n';
        }
    }
    return out;
}

Invoice onlyInvoice(const QByteArray &xml)
{
    const ParsedXml parsed = parseXml(xml);
    if (!parsed.error.isEmpty() || parsed.invoices.size() != 1)
        qWarning("not one invoice: %s", qPrintable(parsed.error));
    return parsed.invoices.value(0);
}

QByteArray zipOf(const QList<QPair<QString, QByteArray>> &entries)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    Zip::Writer zip(&out);
    for (const auto &[name, content] : entries) {
        zip.begin(name, QDateTime(QDate(2024, 3, 5), QTime(10, 0)), content.size());
        zip.add(content);
        zip.end();
    }
    zip.finish();
    return bytes;
}

} // namespace

class TestInvoices : public QObject
{
    Q_OBJECT

private slots:
    void decimalsAreExact_data();
    void decimalsAreExact();
    void lineBecomesReceipt_data();
    void lineBecomesReceipt();
    void goodsLines_data();
    void goodsLines();
    void textsAsStored();
    void encodings_data();
    void encodings();
    void prefixesAndNamespaces_data();
    void prefixesAndNamespaces();
    void everythingReadFromTheSample();
    void twoBodiesAreTwoInvoices();
    void olderVersionAndPersonName();
    void simplifiedInvoiceSaysItHasNoLines();
    void refusedFiles_data();
    void refusedFiles();
    void envelopes_data();
    void envelopes();
    void zipOfAPeriod();
    void zipBombsAreRefusedBeforeUnpacking();
};

void TestInvoices::decimalsAreExact_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("places");
    QTest::addColumn<QString>("rounded"); // empty: not read
    QTest::newRow("plain") << "12.50" << 4 << "12,50";
    QTest::newRow("eight places") << "0.12345678" << 8 << "0,12345678";
    QTest::newRow("tie rounds up") << "0.03125" << 4 << "0,0313";
    QTest::newRow("negative tie away from zero") << "-0.00005" << 4 << "-0,0001";
    // A binary double holds 1.005 just below it, and rounds to 1,00.
    QTest::newRow("no binary fraction") << "1.005" << 2 << "1,01";
    QTest::newRow("blanks around") << " 7.00 " << 4 << "7,00";
    QTest::newRow("18 whole digits") << "123456789012345678" << 0 << "123456789012345678,00";
    QTest::newRow("19 whole digits") << "1234567890123456789" << 0 << "";
    QTest::newRow("leading zeros are no digits") << "0000000000000000001.00" << 2 << "1,00";
    QTest::newRow("nine places") << "0.123456789" << 8 << "";
    QTest::newRow("comma") << "12,50" << 2 << "";
    QTest::newRow("exponent") << "1E3" << 2 << "";
    QTest::newRow("empty") << "" << 2 << "";
    QTest::newRow("lone point") << "." << 2 << "";
}

void TestInvoices::decimalsAreExact()
{
    QFETCH(QString, text);
    QFETCH(int, places);
    QFETCH(QString, rounded);
    const std::optional<Decimal> d = Decimal::parse(text);
    QCOMPARE(d.has_value(), !rounded.isEmpty());
    if (d)
        QCOMPARE(d->rounded(places).text(2, 8), rounded);
}

void TestInvoices::lineBecomesReceipt_data()
{
    QTest::addColumn<QByteArray>("inner");
    QTest::addColumn<QStringList>("expected"); // Quant, CostoUni, CostoTot, and the problem if any
    auto row = [](const char *name, const QByteArray &inner, const QStringList &expected) {
        QTest::newRow(name) << inner << expected;
    };
    row("whole pieces", "<Quantita>5.00</Quantita><PrezzoUnitario>12.50</PrezzoUnitario><PrezzoTotale>62.50</PrezzoTotale>",
        {"5", "12,50", "62,50"});
    row("half pieces", "<Quantita>2.50</Quantita><PrezzoUnitario>4.00</PrezzoUnitario><PrezzoTotale>10.00</PrezzoTotale>",
        {"2,5", "4,00", "10,00"});
    // What one piece cost after the line's discount, not the list price.
    row("line discount",
        "<Quantita>3.00</Quantita><PrezzoUnitario>10.00</PrezzoUnitario><ScontoMaggiorazione><Tipo>SC</Tipo>"
        "<Percentuale>10.00</Percentuale></ScontoMaggiorazione><PrezzoTotale>27.00</PrezzoTotale>",
        {"3", "9,00", "27,00"});
    row("unit cost rounded half up", "<Quantita>32.00</Quantita><PrezzoUnitario>0.03125</PrezzoUnitario><PrezzoTotale>1.00</PrezzoTotale>",
        {"32", "0,0313", "1,00"});
    row("a third", "<Quantita>3.00</Quantita><PrezzoUnitario>3.33333333</PrezzoUnitario><PrezzoTotale>10.00</PrezzoTotale>",
        {"3", "3,3333", "10,00"});
    row("quantity rounded to four places", "<Quantita>1.23456789</Quantita><PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>1.23</PrezzoTotale>",
        {"1,2346", "0,9963", "1,23"});
    row("no quantity", "<PrezzoUnitario>15.00</PrezzoUnitario><PrezzoTotale>15.00</PrezzoTotale>", {"1", "15,00", "15,00"});
    row("zero quantity", "<Quantita>0.00</Quantita><PrezzoUnitario>7.3333</PrezzoUnitario><PrezzoTotale>0.00</PrezzoTotale>",
        {"0", "7,3333", "0,00"});
    row("negative price", "<Quantita>1.00</Quantita><PrezzoUnitario>-5.00</PrezzoUnitario><PrezzoTotale>-5.00</PrezzoTotale>",
        {"1", "-5,00", "-5,00"});
    row("largest that fits", "<Quantita>1.00</Quantita><PrezzoUnitario>123456789012.50</PrezzoUnitario><PrezzoTotale>123456789012.50</PrezzoTotale>",
        {"1", "123456789012,50", "123456789012,50"});
    row("too long for the field", "<Quantita>1.00</Quantita><PrezzoUnitario>1234567890123.00</PrezzoUnitario><PrezzoTotale>1234567890123.00</PrezzoTotale>",
        {"1", "1234567890123,00", "1234567890123,00", "l'importo 1234567890123,00 non entra nei 15 caratteri della scheda"});
    row("a quantity that rounds to nothing", "<Quantita>0.00004</Quantita><PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>1.00</PrezzoTotale>",
        {"0", "25000,00", "0,00", "la quantità 0.00004, arrotondata a 4 decimali, è zero"});
    row("a unit cost beyond any field", "<Quantita>1.00</Quantita><PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>999999999999999999.99999999</PrezzoTotale>",
        {"", "", "", "il costo unitario della riga è fuori misura"});
    row("unreadable quantity", "<Quantita>tre</Quantita><PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>3.00</PrezzoTotale>",
        {"", "", "", "la quantità \"tre\" non è un numero"});
    row("unreadable price", "<Quantita>1.00</Quantita><PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>1,00</PrezzoTotale>",
        {"", "", "", "il prezzo della riga non è un importo leggibile"});
}

void TestInvoices::lineBecomesReceipt()
{
    QFETCH(QByteArray, inner);
    QFETCH(QStringList, expected);
    const Invoice invoice = onlyInvoice(invoiceXml(line("<Descrizione>x</Descrizione>" + inner)));
    QCOMPARE(invoice.lines.size(), 1);
    const InvoiceLines::ReceiptFields r = InvoiceLines::fromLine(invoice, invoice.lines.first());
    QCOMPARE(r.problem, expected.value(3));
    QCOMPARE((QStringList{r.quant, r.costoUni, r.costoTot}), expected.mid(0, 3));
}

void TestInvoices::goodsLines_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("inner");
    QTest::addColumn<bool>("goods");
    const QByteArray plain = "<Quantita>2.00</Quantita><PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>2.00</PrezzoTotale>";
    QTest::newRow("invoice") << QByteArray("TD01") << plain << true;
    QTest::newRow("deferred invoice") << QByteArray("TD24") << plain << true;
    QTest::newRow("deferred invoice, second kind") << QByteArray("TD25") << plain << true;
    QTest::newRow("credit note") << QByteArray("TD04") << plain << false;
    QTest::newRow("transport") << QByteArray("TD01") << "<TipoCessionePrestazione>AC</TipoCessionePrestazione>" + plain << false;
    QTest::newRow("discount line") << QByteArray("TD01") << "<TipoCessionePrestazione>SC</TipoCessionePrestazione>" + plain << false;
    QTest::newRow("no quantity") << QByteArray("TD01") << QByteArray("<PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>2.00</PrezzoTotale>") << false;
    QTest::newRow("zero quantity") << QByteArray("TD01") << QByteArray("<Quantita>0.00</Quantita><PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>0.00</PrezzoTotale>") << false;
    QTest::newRow("negative total") << QByteArray("TD01") << QByteArray("<Quantita>1.00</Quantita><PrezzoUnitario>-2.00</PrezzoUnitario><PrezzoTotale>-2.00</PrezzoTotale>") << false;
    QTest::newRow("free goods") << QByteArray("TD01") << QByteArray("<Quantita>1.00</Quantita><PrezzoUnitario>0.00</PrezzoUnitario><PrezzoTotale>0.00</PrezzoTotale>") << true;
}

void TestInvoices::goodsLines()
{
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, inner);
    QFETCH(bool, goods);
    const Invoice invoice = onlyInvoice(invoiceXml(line("<Descrizione>x</Descrizione>" + inner), type));
    QCOMPARE(InvoiceLines::fromLine(invoice, invoice.lines.first()).goods, goods);
}

void TestInvoices::textsAsStored()
{
    const QByteArray longText(300, 'a');
    const Invoice invoice = onlyInvoice(invoiceXml(
        line("<CodiceArticolo><CodiceTipo>FORN</CodiceTipo><CodiceValore> AB-1 </CodiceValore></CodiceArticolo>"
             "<CodiceArticolo><CodiceTipo>EAN</CodiceTipo><CodiceValore>8001234567890</CodiceValore></CodiceArticolo>"
             "<Descrizione>  Vite\tinox\r\n   M4 \xE2\x98\x85 &amp; dado  </Descrizione><Quantita>1.00</Quantita>"
             "<PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>1.00</PrezzoTotale>") +
        line("<Descrizione>" + longText + "</Descrizione><PrezzoUnitario>1.00</PrezzoUnitario><PrezzoTotale>1.00</PrezzoTotale>")));
    QCOMPARE(invoice.lines.size(), 2);
    const InvoiceLines::ReceiptFields first = InvoiceLines::fromLine(invoice, invoice.lines[0]);
    QCOMPARE(first.fornitore, QStringLiteral("Rossi Forniture S.r.l."));
    QCOMPARE(first.numDoc, QStringLiteral("F/12"));
    QCOMPARE(first.dataDoc, QStringLiteral("05/03/2024"));
    QCOMPARE(first.codice, QStringLiteral("AB-1"));
    // Runs of blanks made one; the star has no Windows-1252 byte.
    QCOMPARE(first.descrizione, QStringLiteral("Vite inox M4 ? & dado"));
    QCOMPARE(first.marks, QStringList{QStringLiteral("Descrizione: caratteri che la scheda non può contenere "
                                                     "sostituiti con \"?\" (\u2605)")});
    const InvoiceLines::ReceiptFields second = InvoiceLines::fromLine(invoice, invoice.lines[1]);
    QByteArray person = invoiceXml(line("<Descrizione>x</Descrizione><PrezzoTotale>1.00</PrezzoTotale>"));
    person.replace("<Denominazione>Rossi Forniture S.r.l.</Denominazione>", "<Nome> Mario </Nome><Cognome>Rossi </Cognome>");
    person.replace("<IdPaese>IT</IdPaese>", "<IdPaese>IT </IdPaese>");
    const Invoice personal = onlyInvoice(person);
    QCOMPARE(InvoiceLines::fromLine(personal, personal.lines.first()).fornitore, QStringLiteral("Mario Rossi"));
    QCOMPARE(personal.supplier.vatNumber(), QStringLiteral("IT01234567890"));
    QCOMPARE(second.codice, QString());
    QCOMPARE(second.descrizione, QString(250, u'a'));
    QCOMPARE(second.marks, QStringList{QStringLiteral("Descrizione: testo tagliato a 250 caratteri")});
}

void TestInvoices::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("descrizione"); // empty: refused
    const QByteArray head = "<FatturaElettronica><FatturaElettronicaBody><DatiBeniServizi><DettaglioLinee><Descrizione>";
    const QByteArray tail = "</Descrizione></DettaglioLinee></DatiBeniServizi></FatturaElettronicaBody></FatturaElettronica>";
    auto declared = [&](const char *encoding, const QByteArray &text) {
        return QByteArray("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n" + head + text + tail;
    };
    QTest::newRow("UTF-8") << declared("UTF-8", "Caff\xC3\xA8 \xE2\x82\xAC") << QStringLiteral("Caffè €");
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + declared("utf-8", "Caff\xC3\xA8") << QStringLiteral("Caffè");
    QTest::newRow("no declaration") << head + "Caff\xC3\xA8" + tail << QStringLiteral("Caffè");
    QTest::newRow("ISO-8859-1") << declared("ISO-8859-1", "Caff\xE8 per\xF2") << QStringLiteral("Caffè però");
    QTest::newRow("latin1") << declared("latin1", "Caff\xE8") << QStringLiteral("Caffè");
    QTest::newRow("windows-1252") << declared("windows-1252", "\x80 l\x92ora \x93x\x94") << QStringLiteral("€ l’ora “x”");
    QTest::newRow("BOM beats the declaration") << "\xEF\xBB\xBF" + declared("ISO-8859-1", "Caff\xC3\xA8") << QStringLiteral("Caffè");
    QTest::newRow("stray byte in UTF-8") << declared("UTF-8", "Caff\xC3\xA8 per\xF2") << QStringLiteral("Caffè però");
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFE") +
                                   QByteArray(reinterpret_cast<const char *>(
                                                  QString::fromUtf8(declared("UTF-16", "Caff\xC3\xA8")).utf16()),
                                              declared("UTF-16", "Caff\xC3\xA8").size() * 2 - 2)
                            << QStringLiteral("Caffè");
    QTest::newRow("unknown encoding") << declared("EBCDIC-IT", "x") << QString();
    const QString stored = QStringLiteral("Caffè però “scelto” d’Italia € ≈ 250 g");
    QTest::newRow("file: UTF-8 with BOM") << readData(QStringLiteral("enc_utf8_bom.xml")) << stored;
    QTest::newRow("file: no declaration") << readData(QStringLiteral("enc_nodecl.xml")) << stored;
    QTest::newRow("file: ISO-8859-1") << readData(QStringLiteral("enc_latin1.xml")) << QStringLiteral("Caffè però");
    QTest::newRow("file: windows-1252") << readData(QStringLiteral("enc_cp1252.xml"))
                                        << QStringLiteral("Caffè però “scelto” d’Italia €");
}

void TestInvoices::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, descrizione);
    const ParsedXml parsed = parseXml(bytes);
    if (descrizione.isEmpty()) {
        QCOMPARE(parsed.error, QStringLiteral("la codifica dei caratteri \"ebcdic-it\" non è tra quelle lette "
                                              "(UTF-8, ISO-8859-1, windows-1252)"));
        return;
    }
    QCOMPARE(parsed.error, QString());
    QCOMPARE(parsed.invoices.size(), 1);
    QCOMPARE(parsed.invoices.first().lines.value(0).descrizione.trimmed(), descrizione);
    if (QByteArray(QTest::currentDataTag()).startsWith("file:"))
        QCOMPARE(parsed.invoices.first().supplier.name(), QStringLiteral("Torrefazione Città Alta S.r.l."));
}

void TestInvoices::prefixesAndNamespaces_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray ns = "http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2";
    const QByteArray body = "<DatiGenerali><DatiGeneraliDocumento><TipoDocumento>TD01</TipoDocumento><Numero>7"
                            "</Numero></DatiGeneraliDocumento></DatiGenerali><DatiBeniServizi><DettaglioLinee>"
                            "<NumeroLinea>1</NumeroLinea><Descrizione>Vite</Descrizione></DettaglioLinee>"
                            "</DatiBeniServizi>";
    const QByteArray header = "<CedentePrestatore><DatiAnagrafici><Anagrafica><Denominazione>Rossi</Denominazione>"
                              "</Anagrafica></DatiAnagrafici></CedentePrestatore>";
    auto prefixed = [](const QByteArray &xml, const QByteArray &prefix) {
        QString text = QString::fromUtf8(xml);
        text.replace(QStringLiteral("</"), QStringLiteral("</") + QString::fromUtf8(prefix) + u':');
        text.replace(QRegularExpression(QStringLiteral("<([A-Z])")), u'<' + QString::fromUtf8(prefix) + QStringLiteral(":\\1"));
        return text.toUtf8();
    };
    QTest::newRow("prefix on the root") << "<p:FatturaElettronica xmlns:p=\"" + ns + "\"><FatturaElettronicaHeader>" +
                                               header + "</FatturaElettronicaHeader><FatturaElettronicaBody>" + body +
                                               "</FatturaElettronicaBody></p:FatturaElettronica>";
    QTest::newRow("prefix everywhere")
        << "<ns2:FatturaElettronica xmlns:ns2=\"" + ns + "\">" +
               prefixed("<FatturaElettronicaHeader>" + header + "</FatturaElettronicaHeader><FatturaElettronicaBody>" +
                            body + "</FatturaElettronicaBody>",
                        "ns2") +
               "</ns2:FatturaElettronica>";
    QTest::newRow("default namespace, emptied again")
        << "<FatturaElettronica xmlns=\"" + ns + "\"><FatturaElettronicaHeader xmlns=\"\">" + header +
               "</FatturaElettronicaHeader><FatturaElettronicaBody xmlns=\"\">" + body +
               "</FatturaElettronicaBody></FatturaElettronica>";
    QTest::newRow("malformed namespace URI")
        << "<q1:FatturaElettronica xmlns:q1=\"ivaservizi agenzia entrate v1.2 \"><FatturaElettronicaHeader>" + header +
               "</FatturaElettronicaHeader><FatturaElettronicaBody>" + body +
               "</FatturaElettronicaBody></q1:FatturaElettronica>";
    QTest::newRow("prefix never declared") << "<a:FatturaElettronica><a:FatturaElettronicaHeader>" + header +
                                                   "</a:FatturaElettronicaHeader><a:FatturaElettronicaBody>" + body +
                                                   "</a:FatturaElettronicaBody></a:FatturaElettronica>";
}

void TestInvoices::prefixesAndNamespaces()
{
    QFETCH(QByteArray, bytes);
    const ParsedXml parsed = parseXml(bytes);
    QCOMPARE(parsed.error, QString());
    QCOMPARE(parsed.invoices.size(), 1);
    const Invoice &v = parsed.invoices.first();
    QCOMPARE(v.supplier.name(), QStringLiteral("Rossi"));
    QCOMPARE(v.numero, QStringLiteral("7"));
    QCOMPARE(v.lines.size(), 1);
    QCOMPARE(v.lines.first().descrizione, QStringLiteral("Vite"));
}

void TestInvoices::everythingReadFromTheSample()
{
    const QList<Source> sources = readFile(data(QStringLiteral("IT01234567890_FPR01.xml")));
    QCOMPARE(sources.size(), 1);
    QCOMPARE(sources.first().name, QStringLiteral("IT01234567890_FPR01.xml"));
    QCOMPARE(sources.first().error, QString());
    QCOMPARE(sources.first().invoices.size(), 1);
    const Invoice &v = sources.first().invoices.first();
    const Supplier &s = v.supplier;
    // The supplier's, not the transmitter's nor the buyer's.
    QCOMPARE(s.name(), QStringLiteral("Molino e Pastificio Valcerina S.r.l."));
    QCOMPARE(s.vatNumber(), QStringLiteral("IT04578120364"));
    QCOMPARE((QStringList{s.sede.indirizzo, s.sede.numeroCivico, s.sede.cap, s.sede.comune, s.sede.provincia, s.sede.nazione}),
             (QStringList{"Via dei Mulini", "14", "42121", "Reggio nell'Emilia", "RE", "IT"}));
    QCOMPARE((QStringList{s.telefono, s.email}), (QStringList{"0522123456", "ordini@valcerina.example"}));
    QCOMPARE((QStringList{v.versione, v.tipoDocumento, v.numero, v.data, v.importoTotale}),
             (QStringList{"FPR12", "TD01", "FV/2024/0153", "2024-03-15", "139.72"}));
    QCOMPARE(v.deliveryNotes.size(), 1);
    QCOMPARE(v.deliveryNotes.first().numero, QStringLiteral("DDT-77"));
    QCOMPARE(v.deliveryNotes.first().data, QStringLiteral("2024-03-12"));
    QCOMPARE(v.deliveryNotes.first().lines, (QStringList{"1", "2"}));
    QCOMPARE(v.payments.size(), 1);
    const Payment &p = v.payments.first();
    QCOMPARE((QStringList{p.condizioni, p.modalita, p.scadenza, p.importo, p.iban}),
             (QStringList{"TP02", "MP05", "2024-04-30", "139.72", "IT62D0538712900000000012345"}));
    QCOMPARE(v.attachments.size(), 1);
    const Attachment &a = v.attachments.first();
    QCOMPARE((QStringList{a.nome, a.formato, a.descrizione}),
             (QStringList{"ordine.txt", "TXT", "Copia dell'ordine del cliente"}));
    QCOMPARE(a.bytes, QByteArray("Ordine n. 45 del 10/03/2024\r\nFarina tipo 00 1 kg: 5 pz\r\nSemola rimacinata 1 kg: 3 pz\r\n"));

    QCOMPARE(v.lines.size(), 8);
    const Line &first = v.lines.first();
    QCOMPARE(first.codes.size(), 2);
    QCOMPARE((QStringList{first.codes[1].tipo, first.codes[1].valore}), (QStringList{"EAN", "8007771234568"}));
    QCOMPARE((QStringList{first.unitaMisura, first.prezzoUnitario, first.aliquotaIva}), (QStringList{"PZ", "12.50", "22.00"}));
    QCOMPARE(v.lines[1].adjustments.size(), 1);
    QCOMPARE(v.lines[1].adjustments.first().tipo, QStringLiteral("SC"));
    QCOMPARE(v.lines[1].adjustments.first().percentuale, QStringLiteral("10.00"));
    QCOMPARE(v.lines[2].tipoCessionePrestazione, QStringLiteral("AC"));
    QCOMPARE(InvoiceLines::fromLine(v, v.lines[5]).descrizione, QStringLiteral("Reso merce danneggiata (lotto 12)"));
    QCOMPARE(amounts(v), (QStringList{"1 5 12,50 62,50 merce", "2 3 9,00 27,00 merce", "3 1 8,00 8,00 ",
                                      "4 1 15,00 15,00 ", "5 0 7,3333 0,00 ", "6 1 -5,00 -5,00 ",
                                      "7 2,5 3,0001 7,50 merce", "8 32 0,0313 1,00 merce"}));
}
void TestInvoices::twoBodiesAreTwoInvoices()
{
    const QList<Source> sources = readFile(data(QStringLiteral("IT09876543210_FPR02.xml")));
    QCOMPARE(sources.size(), 1);
    const QList<Invoice> &invoices = sources.first().invoices;
    QCOMPARE(invoices.size(), 2);
    QCOMPARE(invoices[0].body, 1);
    QCOMPARE(invoices[1].body, 2);
    QCOMPARE(invoices[0].numero, QStringLiteral("A/1"));
    QCOMPARE(invoices[1].numero, QStringLiteral("A/2"));
    QCOMPARE(invoices[0].tipoDocumento, QStringLiteral("TD24"));
    QCOMPARE(invoices[1].supplier.name(), QStringLiteral("Cartoleria Ingrosso Adriatica S.p.A."));
    QCOMPARE(amounts(invoices[0]), (QStringList{"1 10 3,90 39,00 merce", "2 12 0,8375 10,05 merce"}));
    QCOMPARE(amounts(invoices[1]), (QStringList{"1 2 6,50 13,00 merce", "2 32 -0,0313 -1,00 "}));
    const InvoiceLines::ReceiptFields cut = InvoiceLines::fromLine(invoices[0], invoices[0].lines[1]);
    QCOMPARE(cut.codice, QStringLiteral("ADR-EVIDENZIATORI-GIALLO-FLUO-"));
    QCOMPARE(cut.descrizione.size(), 249); // 250, its last a blank
    QVERIFY(cut.descrizione.endsWith(QStringLiteral("espositore da banco")));
    QCOMPARE(cut.marks, (QStringList{"Codice articolo: testo tagliato a 30 caratteri", "Descrizione: testo tagliato a 250 caratteri"}));
}
void TestInvoices::olderVersionAndPersonName()
{
    const Invoice older = readFile(data(QStringLiteral("IT33333333333_V11.xml"))).value(0).invoices.value(0);
    QCOMPARE(older.versione, QStringLiteral("1.1"));
    QCOMPARE(older.supplier.name(), QStringLiteral("Giuseppina Marchetti"));
    QCOMPARE(InvoiceLines::fromLine(older, older.lines.value(0)).fornitore, QStringLiteral("Giuseppina Marchetti"));
    QCOMPARE(amounts(older), QStringList{"1 4 12,50 50,00 merce"});

    // A time zone and a blank after the date; an entity in the name.
    const Invoice pa = readFile(data(QStringLiteral("IT11111111111_FPA01.xml"))).value(0).invoices.value(0);
    QCOMPARE(pa.versione, QStringLiteral("FPA12"));
    QCOMPARE(pa.supplier.name(), QStringLiteral("Studio Tecnico Ferraresi & Lodi"));
    QCOMPARE(pa.dateText(), QStringLiteral("05/03/2024"));
    QCOMPARE(amounts(pa), (QStringList{"1 3 45,00 135,00 merce", "2 1 20,00 20,00 "}));

    const Invoice malformed = readFile(data(QStringLiteral("IT22222222222_MALFORMED_NS.xml"))).value(0).invoices.value(0);
    QCOMPARE(malformed.supplier.name(), QStringLiteral("Caseificio Fratelli Ottaviani S.a.s."));
    QCOMPARE(amounts(malformed), QStringList{"1 10 2,80 28,00 merce"});

    const Invoice credit = readFile(data(QStringLiteral("IT01234567890_NC001.xml"))).value(0).invoices.value(0);
    QCOMPARE(amounts(credit), (QStringList{"1 2 12,50 25,00 ", "2 3 1,00 3,00 "}));
}
void TestInvoices::simplifiedInvoiceSaysItHasNoLines()
{
    const QList<Source> sources = readFile(data(QStringLiteral("IT44444444444_FSM01.xml")));
    QCOMPARE(sources.size(), 1);
    QCOMPARE(sources.first().error, QString());
    QCOMPARE(sources.first().note, QStringLiteral("fattura semplificata: non ha righe di dettaglio da caricare"));
    QCOMPARE(sources.first().invoices.size(), 1);
    const Invoice &v = sources.first().invoices.first();
    QVERIFY(v.simplified);
    QCOMPARE(v.lines.size(), 0);
    QCOMPARE(v.supplier.name(), QStringLiteral("Pasticceria Gelsomino S.n.c."));
    QCOMPARE(v.supplier.vatNumber(), QStringLiteral("IT08412759303"));
    QCOMPARE(v.numero, QStringLiteral("S-18"));
}
void TestInvoices::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    const QString doctype = QStringLiteral("il file contiene una dichiarazione DOCTYPE, che una fattura elettronica "
                                           "non ha: non viene letto");
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE FatturaElettronica [\n<!ENTITY a0 \"ha\">\n";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY a" + QByteArray::number(i) + " \"" + QByteArray("&a").append(QByteArray::number(i - 1)).append(';').repeated(10) + "\">\n";
    laughs += "]>\n" + invoiceXml(line("<Descrizione>&a9;</Descrizione>")).mid(39);
    QTest::newRow("entities") << laughs << doctype;
    QTest::newRow("entities, file") << readData(QStringLiteral("doctype.xml")) << doctype;
    QTest::newRow("external entity")
        << QByteArray("<!DOCTYPE FatturaElettronica [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                      "<FatturaElettronica><FatturaElettronicaBody>&x;</FatturaElettronicaBody></FatturaElettronica>")
        << doctype;
    QTest::newRow("undefined entity") << invoiceXml(line("<Descrizione>&x;</Descrizione>"))
                                      << QStringLiteral("il file XML non è ben formato (riga 2, colonna 800)");
    QTest::newRow("cut short") << invoiceXml(line("<Descrizione>x</Descrizione>")).left(600)
                               << QStringLiteral("il file XML è incompleto (riga 2, colonna 561)");
    QTest::newRow("another document") << QByteArray("<FileMetadati><IdentificativoSdI>1</IdentificativoSdI></FileMetadati>")
                                      << QStringLiteral("il file XML non è una fattura elettronica");
    QTest::newRow("lines beyond any invoice")
        << invoiceXml(QByteArray("<DettaglioLinee/>").repeated(Limits::Lines + 1))
        << QStringLiteral("il file ha oltre 100000 righe di dettaglio o 10000 elementi ripetuti: non è una fattura che si possa caricare");
    QByteArray crowded("\x30\x82\x9C\x42", 4);
    crowded += QByteArray("\x05\x00", 2).repeated(20001);
    QTest::newRow("an envelope of countless elements") << crowded
        << QStringLiteral("la busta firmata (.p7m) ha oltre 20000 elementi: non è la busta di una fattura, non viene letta");
    QTest::newRow("nested beyond reason")
        << "<FatturaElettronica>" + QByteArray("<a>").repeated(100) + QByteArray("</a>").repeated(100) + "</FatturaElettronica>"
        << QStringLiteral("il file XML è annidato oltre ogni fattura elettronica: non viene letto");
    // Envelopes.
    QByteArray nested = invoiceXml(line("<Descrizione>x</Descrizione>"));
    for (int i = 0; i < 5; ++i)
        nested = nested.toBase64();
    QTest::newRow("envelopes without end") << nested << QStringLiteral("troppe buste una dentro l'altra: il file non si legge");
    QTest::newRow("neither XML nor an envelope") << QByteArray("%PDF-1.4 ...") << QStringLiteral(
        "il file non è una fattura elettronica: non è XML, né una busta firmata .p7m, né testo base64");
    QTest::newRow("empty") << QByteArray(" \r\n") << QStringLiteral("il file è vuoto");
    QTest::newRow("cut inside the content") << readData(QStringLiteral("damaged.xml.p7m"))
                                            << QStringLiteral("la busta firmata (.p7m) è danneggiata o incompleta: non si può leggere");
    // The signatures come after the content: the last end-of-contents of an
    // envelope of indefinite length spoiled.
    QByteArray tail = readData(QStringLiteral("IT01234567890_FPR01_BER.xml.p7m"));
    tail[tail.size() - 1] = 1;
    QTest::newRow("damaged after the content") << tail
                                               << QStringLiteral("la busta firmata (.p7m) è danneggiata o incompleta: non si può leggere");
    QByteArray longer = readData(QStringLiteral("IT01234567890_FPR01.xml.p7m"));
    longer += "trailing";
    QTest::newRow("bytes after the envelope") << longer
                                              << QStringLiteral("la busta firmata (.p7m) è danneggiata o incompleta: non si può leggere");
    QTest::newRow("a sequence that is no envelope") << QByteArray("\x30\x03\x02\x01\x05", 5)
                                                    << QStringLiteral("la busta firmata (.p7m) è danneggiata o incompleta: non si può leggere");
}

void TestInvoices::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const QList<Source> sources = readBytes(QStringLiteral("x.xml"), bytes);
    QCOMPARE(sources.size(), 1);
    QCOMPARE(sources.first().error, error);
    QVERIFY(sources.first().invoices.isEmpty());
}

void TestInvoices::envelopes_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("DER") << "IT01234567890_FPR01.xml.p7m";
    QTest::newRow("BER, content in chunks") << "IT01234567890_FPR01_BER.xml.p7m";
    QTest::newRow("base64, CRLF every 76") << "IT01234567890_FPR01_B64.xml.p7m";
    QTest::newRow("base64, one line") << "IT01234567890_FPR01_B64LINE.xml.p7m";
}

void TestInvoices::envelopes()
{
    QFETCH(QString, file);
    const QList<Source> plain = readFile(data(QStringLiteral("IT01234567890_FPR01.xml")));
    const QList<Source> wrapped = readFile(data(file));
    QCOMPARE(wrapped.size(), 1);
    QCOMPARE(wrapped.first().name, file);
    QCOMPARE(wrapped.first().error, QString());
    QCOMPARE(wrapped.first().lineCount(), 8);
    QCOMPARE(digest(wrapped), digest(plain));
    QVERIFY(unwrap(readData(file)).signedEnvelope);

    // Padding after the envelope, a byte-order mark before base64 text.
    const QByteArray bytes = readData(file);
    if (!bytes.startsWith("0"))
        QCOMPARE(digest(readBytes(file, "\xEF\xBB\xBF" + bytes)), digest(plain));
    else
        QCOMPARE(digest(readBytes(file, bytes + QByteArray(98, '\0') + "\r\n  ")), digest(plain));

    // The same bytes with the extension in capitals, or none: the content decides.
    QCOMPARE(digest(readBytes(QStringLiteral("FATTURA.XML.P7M"), readData(file))), digest(plain));
}


void TestInvoices::zipOfAPeriod()
{
    const QList<Source> sources = readFile(data(QStringLiteral("period.zip")));
    QStringList names;
    for (const Source &s : sources)
        names << s.name + u' ' + QString::number(s.lineCount()) + u' ' + s.error + s.note;
    // The read-me is not an invoice and is left out; the simplified one says why it has no lines.
    QCOMPARE(names, (QStringList{"period.zip/IT01234567890_FPR01.XML 8 ", "period.zip/IT01234567890_FPR01.xml.p7m 8 ",
                                 "period.zip/IT09876543210_FPR02.xml 4 ",
                                 "period.zip/IT44444444444_FSM01.xml 0 fattura semplificata: non ha righe di dettaglio da caricare"}));
    QCOMPARE(digest({sources[1]}).section(u'\n', 1), digest(readFile(data(QStringLiteral("IT01234567890_FPR01.xml")))).section(u'\n', 1));

    // The exchange system's metadata travels with the invoices and is skipped;
    // a damaged entry is named and the others are still read.
    const QByteArray zip = zipOf({{QStringLiteral("IT01_MT_001.xml"), QByteArray("<?xml version=\"1.0\"?><FileMetadati><IdentificativoSdI>1</IdentificativoSdI></FileMetadati>")},
                                  {QStringLiteral("rotta.xml.p7m"), readData(QStringLiteral("damaged.xml.p7m"))},
                                  {QStringLiteral("IT33333333333_V11.xml"), readData(QStringLiteral("IT33333333333_V11.xml"))}});
    const QList<Source> mixed = readBytes(QStringLiteral("marzo.zip"), zip);
    QCOMPARE(mixed.size(), 2);
    QCOMPARE(mixed[0].name, QStringLiteral("marzo.zip/rotta.xml.p7m"));
    QCOMPARE(mixed[0].error, QStringLiteral("la busta firmata (.p7m) è danneggiata o incompleta: non si può leggere"));
    QCOMPARE(mixed[1].lineCount(), 1);

    // A month of invoices is read by several threads: the zip's order stays.
    QList<QPair<QString, QByteArray>> month;
    QStringList expected;
    for (int i = 1; i <= 40; ++i) {
        const QString name = QStringLiteral("IT%1.xml").arg(i, 3, 10, QLatin1Char('0'));
        if (i % 10 == 0) {
            month.append({QStringLiteral("IT%1_MT_001.xml").arg(i), QByteArray("<FileMetadati/>")});
            month.append({name + QStringLiteral(".p7m"), readData(QStringLiteral("damaged.xml.p7m"))});
            expected << name + QStringLiteral(".p7m 0");
        } else {
            month.append({name, readData(QStringLiteral("IT33333333333_V11.xml"))});
            expected << name + QStringLiteral(" 1");
        }
    }
    QStringList got;
    for (const Source &s : readBytes(QStringLiteral("mese.zip"), zipOf(month)))
        got << s.name.section(u'/', 1) + u' ' + QString::number(s.lineCount());
    QCOMPARE(got, expected);

    const QList<Source> none = readBytes(QStringLiteral("vuoto.zip"), zipOf({{QStringLiteral("LEGGIMI.txt"), QByteArray("x")}}));
    QCOMPARE(none.size(), 1);
    QCOMPARE(none.first().note, QStringLiteral("il file zip non contiene fatture elettroniche"));
}
void TestInvoices::zipBombsAreRefusedBeforeUnpacking()
{
    // An entry that would unpack beyond the limit: refused from the
    // directory, before a byte is inflated.
    const QByteArray zeros(int(Limits::ZipEntryBytes) + 1, '\0');
    QList<Source> sources = readBytes(QStringLiteral("bomba.zip"), zipOf({{QStringLiteral("IT1_A.xml"), zeros}}));
    QCOMPARE(sources.size(), 1);
    QCOMPARE(sources.first().name, QStringLiteral("bomba.zip/IT1_A.xml"));
    QCOMPARE(sources.first().error, QStringLiteral("il file, estratto, supererebbe 32 MB: non viene letto"));

    // Declared sizes that add up beyond a gigabyte: the whole zip is refused.
    QByteArray many = zipOf({{QStringLiteral("IT1_A.xml"), QByteArray("<a/>")}, {QStringLiteral("IT1_B.xml"), QByteArray("<a/>")}});
    for (qsizetype at = many.indexOf("PK\x01\x02"); at >= 0; at = many.indexOf("PK\x01\x02", at + 4)) {
        const quint32 huge = 0x7FFFFFF0;
        for (int k = 0; k < 4; ++k)
            many[at + 24 + k] = char((huge >> (8 * k)) & 0xFF);
    }
    for (qsizetype at = many.indexOf("PK\x03\x04"); at >= 0; at = many.indexOf("PK\x03\x04", at + 4)) {
        const quint32 huge = 0x7FFFFFF0;
        for (int k = 0; k < 4; ++k)
            many[at + 22 + k] = char((huge >> (8 * k)) & 0xFF);
    }
    sources = readBytes(QStringLiteral("bomba.zip"), many);
    QCOMPARE(sources.size(), 1);
    QCOMPARE(sources.first().error, QStringLiteral("il file zip, estratto, supererebbe 256 MB: non viene letto"));

    // An entry that inflates beyond what it declares stops at its size.
    QByteArray liar = zipOf({{QStringLiteral("IT1_A.xml"), QByteArray(100000, ' ')}});
    for (const char *sig : {"PK\x01\x02", "PK\x03\x04"}) {
        const qsizetype at = liar.indexOf(sig);
        const int offset = QByteArrayView(sig) == QByteArrayView("PK\x01\x02") ? 24 : 22;
        liar[at + offset] = 100;
        liar[at + offset + 1] = 0;
        liar[at + offset + 2] = 0;
        liar[at + offset + 3] = 0;
    }
    sources = readBytes(QStringLiteral("bomba.zip"), liar);
    QCOMPARE(sources.size(), 1);
    // Stopped at the declared size: no CRC was ever computed over more.
    QCOMPARE(sources.first().error, QStringLiteral("dati danneggiati"));

    // Small enough, but a thousand times its packed size.
    sources = readBytes(QStringLiteral("bomba.zip"), zipOf({{QStringLiteral("IT1_A.xml"), QByteArray(2 << 20, ' ')}}));
    QCOMPARE(sources.first().error,
             QStringLiteral("il file si estrarrebbe in oltre 100 volte il suo spazio nello zip: non viene letto"));
}

QTEST_GUILESS_MAIN(TestInvoices)
#include "tst_invoices.moc"

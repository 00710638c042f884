// A year of a shop's purchases read as whole processes: `scortex-cli
// fattura` over the portal's zip of 1 000 invoices of 20 lines each, against
// `xmllint --noout` over the same XML files, unzipped, in one process.
//   bench_invoices [DIR] [RUNS]

#include "benchrows.h"
#include "storage/zipfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace BenchRows;

namespace {

QByteArray invoice(int n, QRandomGenerator &random)
{
    const int supplier = n % 40;
    QByteArray x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<p:FatturaElettronica versione=\"FPR12\" xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\" "
                   "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">\n"
                   "<FatturaElettronicaHeader><DatiTrasmissione><IdTrasmittente><IdPaese>IT</IdPaese><IdCodice>"
                   "01234567890</IdCodice></IdTrasmittente><ProgressivoInvio>" +
                   QByteArray::number(n) +
                   "</ProgressivoInvio><FormatoTrasmissione>FPR12</FormatoTrasmissione><CodiceDestinatario>"
                   "0000000</CodiceDestinatario></DatiTrasmissione>\n<CedentePrestatore><DatiAnagrafici>"
                   "<IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>0" +
                   QByteArray::number(1000000000 + supplier) +
                   "</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Fornitore " + QByteArray::number(supplier) +
                   " S.r.l.</Denominazione></Anagrafica><RegimeFiscale>RF01</RegimeFiscale></DatiAnagrafici>"
                   "<Sede><Indirizzo>Via Roma</Indirizzo><NumeroCivico>1</NumeroCivico><CAP>20100</CAP><Comune>"
                   "Milano</Comune><Provincia>MI</Provincia><Nazione>IT</Nazione></Sede></CedentePrestatore>\n"
                   "<CessionarioCommittente><DatiAnagrafici><CodiceFiscale>RSSMRA80A01F205X</CodiceFiscale>"
                   "<Anagrafica><Denominazione>Il negozio</Denominazione></Anagrafica></DatiAnagrafici><Sede>"
                   "<Indirizzo>Via Po</Indirizzo><CAP>10100</CAP><Comune>Torino</Comune><Nazione>IT</Nazione></Sede>"
                   "</CessionarioCommittente></FatturaElettronicaHeader>\n<FatturaElettronicaBody><DatiGenerali>"
                   "<DatiGeneraliDocumento><TipoDocumento>TD01</TipoDocumento><Divisa>EUR</Divisa><Data>2024-03-05"
                   "</Data><Numero>" +
                   QByteArray::number(n) + "/2024</Numero></DatiGeneraliDocumento></DatiGenerali>\n<DatiBeniServizi>\n";
    for (int l = 1; l <= 20; ++l) {
        const int quantity = 1 + int(random.bounded(50));
        const int cents = 50 + int(random.bounded(20000));
        x += "<DettaglioLinee><NumeroLinea>" + QByteArray::number(l) +
             "</NumeroLinea><CodiceArticolo><CodiceTipo>FORN</CodiceTipo><CodiceValore>ART-" +
             QByteArray::number(random.bounded(5000)) + "</CodiceValore></CodiceArticolo><Descrizione>Articolo " +
             QByteArray::number(l) + " vite inox testa esagonale M" + QByteArray::number(l % 12 + 3) +
             "</Descrizione><Quantita>" + QByteArray::number(quantity) + ".00</Quantita><UnitaMisura>PZ</UnitaMisura>"
             "<PrezzoUnitario>" + QByteArray::number(cents / 100) + "." + QByteArray::number(cents % 100).rightJustified(2, '0') +
             "</PrezzoUnitario><PrezzoTotale>" + QByteArray::number(qint64(cents) * quantity / 100) + "." +
             QByteArray::number(qint64(cents) * quantity % 100).rightJustified(2, '0') +
             "</PrezzoTotale><AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>\n";
    }
    x += "<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>1.00</ImponibileImporto><Imposta>0.22"
         "</Imposta></DatiRiepilogo></DatiBeniServizi></FatturaElettronicaBody>\n</p:FatturaElettronica>\n";
    return x;
}

double runProcess(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    const auto start = Clock::now();
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s failed", qPrintable(program));
    return msSince(start);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
    const QString cli = QStringLiteral(SCORTEX_CLI);
    const QString xmlDir = dir + QStringLiteral("/xml");
    const QString zipPath = dir + QStringLiteral("/fatture-2024.zip");

    if (!QFile::exists(zipPath)) {
        QDir().mkpath(xmlDir);
        QRandomGenerator random(2024);
        QFile zipFile(zipPath);
        if (!zipFile.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(zipPath));
        Zip::Writer zip(&zipFile);
        for (int n = 1; n <= 1000; ++n) {
            const QString name = QStringLiteral("IT0%1_%2.xml").arg(1000000000 + n % 40).arg(n, 5, 36, QLatin1Char('0'));
            const QByteArray bytes = invoice(n, random);
            QFile xml(xmlDir + u'/' + name);
            if (!xml.open(QIODevice::WriteOnly) || xml.write(bytes) != bytes.size())
                qFatal("cannot write %s", qPrintable(name));
            zip.begin(name, QDateTime::currentDateTime(), bytes.size());
            zip.add(bytes);
            zip.end();
        }
        if (!zip.finish())
            qFatal("cannot write the zip");
    }
    QStringList xmlFiles;
    for (const QString &name : QDir(xmlDir).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        xmlFiles << xmlDir + u'/' + name;
    std::printf("1 000 invoices of 20 lines: %lld bytes of XML, zip of %lld bytes\n",
                [&] {
                    qint64 total = 0;
                    for (const QString &f : xmlFiles)
                        total += QFileInfo(f).size();
                    return static_cast<long long>(total);
                }(),
                static_cast<long long>(QFileInfo(zipPath).size()));

    std::vector<Row> rows;
    rows.push_back({QStringLiteral("xmllint --noout, 1 000 XML files"), [&] {
                        runProcess(QStringLiteral("xmllint"), QStringList{QStringLiteral("--noout")} + xmlFiles);
                        return QString();
                    }});
    rows.push_back({QStringLiteral("scortex-cli fattura, the zip"), [&] {
                        runProcess(cli, {QStringLiteral("fattura"), zipPath});
                        return QString();
                    }});
    rows.push_back({QStringLiteral("scortex-cli fattura, 1 000 XML files"), [&] {
                        runProcess(cli, QStringList{QStringLiteral("fattura")} + xmlFiles);
                        return QString();
                    }});
    runRows(QStringLiteral("Reading a year of invoices, whole processes"), rows, runs, "xmllint --noout");
    return 0;
}

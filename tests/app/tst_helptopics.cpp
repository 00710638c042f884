#include "app/helptopics.h"
#include "products/producthelp.h"
#include "receipts/receipthelp.h"
#include "suppliers/supplierhelp.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(HelpTopic)

class TestHelpTopics : public QObject
{
    Q_OBJECT

private slots:
    void titlesAndFirstSentences_data();
    void titlesAndFirstSentences();
    void overviewRepeatsTheApplicationsAndNamesThePassword();
    void guideDocumentIsWritten();
};

void TestHelpTopics::titlesAndFirstSentences_data()
{
    QTest::addColumn<HelpTopic>("topic");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("first");
    QTest::newRow("menu") << HelpTopics::overview() << "Uno sguardo a Scortex."
        << "Scortex è un software facile e intuitivo studiato per la gestione dei fornitori e della merce da loro fornita consentendo di archiviare i dati delle ditte e di catalogare nel dettaglio i prodotti del proprio magazzino.";
    QTest::newRow("suppliers") << SupplierHelp::card() << "Applicazione Archivio Fornitori."
        << "L'applicazione Archivio Fornitori è utile per velocizzare la compilazione delle schede del magazzino dei prodotti grazie alla possibilità di importare i dati, ma può essere usata anche come una completa rubrica elettronica dotata di funzioni avanzate quali l'invio di e-mail al fornitore, il controllo della validità del codice fiscale, della partita IVA, del numero di carta di credito e del codice IBAN.";
    QTest::newRow("products") << ProductHelp::card() << "Applicazione Magazzino Prodotti."
        << "L'applicazione Magazzino Prodotti permette di gestire i dati riguardanti la merce di cui la propria ditta dispone.";
    QTest::newRow("receipts") << ReceiptHelp::card() << "Applicazione Operazioni di Carico."
        << "L'applicazione Operazioni di Carico permette di inserire le schede riguardanti le fornitura dei prodotti al proprio magazzino e di visualizzare lo storico dei movimenti di carico di ciascun articolo selezionando un intervallo di tempo all'interno dell'anno solare prescelto.";
    QTest::newRow("inventory") << ProductHelp::inventory() << "Applicazione Inventario Merce."
        << "L'applicazione Inventario Merce consente di visualizzare l'inventario di tutti i prodotti del proprio magazzino o soltanto di quelli appartenenti ad una tipologia merceologica.";
    QTest::newRow("summary") << ReceiptHelp::summary() << "Applicazione Riepilogo movimenti di carico merce."
        << "L'applicazione Riepilogo movimenti di carico merce permette di visualizzare il riepilogo delle operazioni di carico di ciascun prodotto registrate nell'anno solare selezionato.";
    QTest::newRow("suppliers export") << SupplierHelp::exportSheet() << "Esportazione archivio fornitori in Microsoft Excel."
        << "Il pulsante Esporta archivio consente di esportare i dati anagrafici di tutti i fornitori in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office).";
    QTest::newRow("products export") << ProductHelp::exportSheet() << "Esportazione archivio beni e servizi in Microsoft Excel."
        << "Il pulsante Esporta archivio consente di esportare tutte le schede dei beni e servizi in magazzino in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office).";
    QTest::newRow("receipts export") << ReceiptHelp::exportSheet() << "Esportazione archivio operazioni di carico in Microsoft Excel."
        << "Il pulsante Esporta archivio consente di esportare l'archivio delle operazioni di carico in un foglio di lavoro di Microsoft Excel, che potrà essere aperto con qualsiasi software in grado di gestire i file in formato XLS (ad esempio, con Open Office, Libre Office o Microsoft Office).";
}

void TestHelpTopics::titlesAndFirstSentences()
{
    QFETCH(HelpTopic, topic);
    QFETCH(QString, title);
    QFETCH(QString, first);
    const HelpTopic &t = topic;
    QCOMPARE(t.title, title);
    const QStringList paragraphs = t.body.split(QStringLiteral("\r\n\r\n"));
    QVERIFY(paragraphs.size() >= 3);
    QCOMPARE(paragraphs.first(), first);
    for (const QString &p : paragraphs) {
        QVERIFY(!p.trimmed().isEmpty());
        QVERIFY2(!p.contains(u'\n') && !p.contains(u'\r'), qPrintable(p));
    }
}

void TestHelpTopics::overviewRepeatsTheApplicationsAndNamesThePassword()
{
    const QString body = HelpTopics::overview().body;
    qsizetype last = -1;
    // The applications' own topics, in menu order after the introduction.
    for (const HelpTopic &t : {ProductHelp::card(), SupplierHelp::card(), ProductHelp::inventory(), ReceiptHelp::card(),
                               ReceiptHelp::summary()}) {
        const qsizetype at = body.indexOf(t.body);
        QVERIFY(at > last);
        last = at;
    }
    QVERIFY(body.contains(QStringLiteral("password magazzino")));
    QVERIFY(body.contains(QStringLiteral("USB")));
    QVERIFY(body.contains(QStringLiteral("rete locale")));
    // Where the safety copies are, how many stay, how one is put back.
    QVERIFY(body.contains(QStringLiteral("nella cartella Copie di sicurezza dentro la cartella del programma")));
    QVERIFY(body.contains(QStringLiteral("ultimi 10 giorni")));
    QVERIFY(body.contains(QStringLiteral("ultimi 12 mesi")));
    QVERIFY(body.contains(QStringLiteral("scortex-cli restore 2026-12-10")));
    // What happens when two workstations edit the same card.
    QVERIFY(body.contains(QStringLiteral("sovrascriverla con i dati presenti a video")));
}

void TestHelpTopics::guideDocumentIsWritten()
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("Guida.pdf"));
    QCOMPARE(QProcess::execute(QStringLiteral(SCORTEX_GUIDA), {pdf}), 0);
    QFile f(pdf);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    // Several pages: every topic is in it.
    QVERIFY(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page ") >= 3);
}

QTEST_APPLESS_MAIN(TestHelpTopics)
#include "tst_helptopics.moc"

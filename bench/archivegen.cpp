#include "archivegen.h"

#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "suppliers/supplierrecord.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

namespace ArchiveGen {

namespace {

const QStringList kTypes = {"Viteria", "Bulloneria", "Elettroutensili", "Utensili manuali", "Colori e vernici",
                            "Idraulica", "Giardinaggio", "Protezione", "Pneumatici", "Ferramenta", "Illuminazione",
                            "Adesivi e sigillanti", "Minuteria", "Serrature", "Cancelleria"};
const QStringList kBrands = {"Fischer", "Bosch", "Makita", "Würth", "Stanley", "Beta", "Usag", "Michelin",
                             "Ansell", "3M", "Loctite", "Cisa", "Osram", "Dewalt", "Hilti", "Fervi", "Valex"};
const QStringList kWords = {"vite", "bullone", "dado", "rondella", "tassello", "inox", "zincato", "acciaio",
                            "ottone", "testa", "svasata", "esagonale", "punta", "trapano", "avvitatore", "batteria",
                            "litio", "guanti", "nitrile", "taglia", "confezione", "pezzi", "tubo", "raccordo",
                            "rubinetto", "valvola", "sfera", "colla", "silicone", "bianco", "nero", "trasparente",
                            "lampada", "led", "attacco", "serratura", "cilindro", "chiave", "pennello", "rullo",
                            "smalto", "all'acqua", "opaco", "lucido", "da esterno", "professionale", "kit",
                            "ricambio", "misura", "lunghezza", "diametro", "è", "più", "però"};
const QStringList kSurnames = {"Rossi", "Bianchi", "Verdi", "Russo", "Ferrari", "Esposito", "Romano", "Colombo",
                               "Ricci", "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini",
                               "Costa", "Giordano", "Rizzo", "Lombardi", "Moretti", "Barbieri", "Fontana",
                               "Santoro", "Mariani", "Rinaldi", "Caruso", "Ferrara", "Galli", "Martini"};
const QStringList kNames = {"Mario", "Luca", "Anna", "Giulia", "Paolo", "Francesca", "Marco", "Chiara",
                            "Andrea", "Sara", "Giuseppe", "Elena", "Stefano", "Laura", "Davide", "Simona"};
const QStringList kTrades = {"Ferramenta", "Colorificio", "Utensileria", "Idraulica", "Elettroforniture",
                             "Commerciale", "Forniture industriali", "Ingrosso", "Magazzini", "Officina"};
const QStringList kForms = {"S.r.l.", "S.p.A.", "S.n.c.", "S.a.s.", "& C.", "di", "F.lli"};
const QStringList kCities = {"Roma", "Milano", "Napoli", "Torino", "Bologna", "Firenze", "Ravenna", "Forlì",
                             "Cesena", "Rimini", "Bari", "Verona", "Padova", "Trieste", "Brescia", "Parma"};

QString pick(QRandomGenerator &g, const QStringList &list)
{
    return list[int(g.bounded(list.size()))];
}

QString words(QRandomGenerator &g, int least, int most)
{
    QStringList out;
    const int n = least + int(g.bounded(most - least + 1));
    for (int i = 0; i < n; ++i)
        out << pick(g, kWords);
    return out.join(u' ');
}

QString money(QRandomGenerator &g)
{
    return QStringLiteral("%1,%2").arg(g.bounded(500)).arg(g.bounded(100), 2, 10, QLatin1Char('0'));
}

void write(const QString &path, int records, int size, const std::function<void(QRandomGenerator &, Record &)> &fill,
           const RecordLayout &layout)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QRandomGenerator g(20261210);
    QByteArray block;
    block.reserve(qsizetype(size) * 1024);
    for (int i = 0; i < records; ++i) {
        Record r(layout);
        fill(g, r);
        block += r.bytes();
        if (block.size() >= qsizetype(size) * 1024) {
            f.write(block);
            block.clear();
        }
    }
    f.write(block);
}

} // namespace

void products(const QString &path, int records)
{
    using namespace ProductRecord;
    write(path, records, Size, [](QRandomGenerator &g, Record &r) {
        r.setValue(Codice, QStringLiteral("%1%2-%3")
                               .arg(QChar(u'A' + int(g.bounded(26))))
                               .arg(QChar(u'A' + int(g.bounded(26))))
                               .arg(g.bounded(100000), 5, 10, QLatin1Char('0')));
        r.setValue(Tipologia, pick(g, kTypes));
        r.setValue(Marca, pick(g, kBrands));
        r.setValue(Modello, words(g, 1, 3) + QStringLiteral(" %1").arg(g.bounded(1000)));
        r.setValue(Accessori, g.bounded(4) == 0 ? words(g, 2, 5) : QString());
        r.setValue(Descrizione, words(g, 3, 9));
        r.setValue(Fornitore, pick(g, kTrades) + u' ' + pick(g, kSurnames) + u' ' + pick(g, kForms));
        r.setValue(Recapiti, QStringLiteral("0%1 %2").arg(g.bounded(10, 999)).arg(g.bounded(100000, 9999999)));
        r.setValue(Data, QStringLiteral("%1/%2/20%3")
                             .arg(g.bounded(1, 29), 2, 10, QLatin1Char('0'))
                             .arg(g.bounded(1, 13), 2, 10, QLatin1Char('0'))
                             .arg(g.bounded(10, 27)));
        r.setValue(Costo, money(g));
        r.setValue(Valore, money(g));
        r.setValue(Documento, QStringLiteral("Fattura n. %1").arg(g.bounded(10000)));
        r.setValue(Prezzo, money(g));
        r.setValue(PercIva, QStringLiteral("22"));
        r.setValue(Prezzo_con_Iva, money(g));
        r.setValue(Collocazione, QStringLiteral("Scaffale %1, ripiano %2").arg(g.bounded(1, 60)).arg(g.bounded(1, 6)));
        r.setValue(Giacenza, QString::number(g.bounded(-2, 60)));
        r.setValue(Sottoscorta, QString::number(g.bounded(0, 10)));
        r.setValue(Note, g.bounded(3) == 0 ? words(g, 2, 12) : QString());
    }, layout());
}

void suppliers(const QString &path, int records)
{
    using namespace SupplierRecord;
    write(path, records, Size, [](QRandomGenerator &g, Record &r) {
        r.setValue(Ditta, pick(g, kTrades) + u' ' + pick(g, kSurnames) + u' ' + pick(g, kForms));
        r.setValue(Titolare, pick(g, kNames) + u' ' + pick(g, kSurnames));
        r.setValue(Recapito, QStringLiteral("0%1 %2").arg(g.bounded(10, 999)).arg(g.bounded(100000, 9999999)));
        r.setValue(IndirizzoRes, QStringLiteral("Via %1, %2").arg(pick(g, kSurnames)).arg(g.bounded(1, 200)));
        r.setValue(ComuneRes, pick(g, kCities));
        r.setValue(CapRes, QStringLiteral("%1").arg(g.bounded(10000, 99999)));
        r.setValue(PartitaIva, QStringLiteral("%1").arg(g.bounded(10000000, 99999999)) + QStringLiteral("157"));
        r.setValue(Articoli, words(g, 2, 8));
        r.setValue(Offerte, g.bounded(3) == 0 ? words(g, 2, 6) : QString());
        r.setValue(Questioni, g.bounded(5) == 0 ? words(g, 3, 10) : QString());
        r.setValue(Note, g.bounded(3) == 0 ? words(g, 2, 12) : QString());
        r.setValue(Ricontatta, YesNo::text(g.bounded(5) == 0));
    }, layout());
}

void receipts(const QString &path, int records, int year)
{
    using namespace ReceiptRecord;
    write(path, records, Size, [year](QRandomGenerator &g, Record &r) {
        const QString date = QStringLiteral("%1/%2/%3")
                                 .arg(g.bounded(1, 29), 2, 10, QLatin1Char('0'))
                                 .arg(g.bounded(1, 13), 2, 10, QLatin1Char('0'))
                                 .arg(year);
        r.setValue(Fornitore, pick(g, kTrades) + u' ' + pick(g, kSurnames) + u' ' + pick(g, kForms));
        r.setValue(Recapiti, QStringLiteral("0%1 %2").arg(g.bounded(10, 999)).arg(g.bounded(100000, 9999999)));
        r.setValue(NumDoc, QStringLiteral("FT %1").arg(g.bounded(10000)));
        r.setValue(DataDoc, date);
        r.setValue(Data, date);
        r.setValue(Codice, QStringLiteral("%1%2-%3")
                               .arg(QChar(u'A' + int(g.bounded(26))))
                               .arg(QChar(u'A' + int(g.bounded(26))))
                               .arg(g.bounded(100000), 5, 10, QLatin1Char('0')));
        r.setValue(Tipologia, pick(g, kTypes));
        r.setValue(Marca, pick(g, kBrands) + u' ' + words(g, 1, 2));
        r.setValue(Descrizione, words(g, 3, 9));
        r.setValue(CostoUni, money(g));
        r.setValue(Quant, QString::number(g.bounded(1, 200)));
        r.setValue(CostoTot, money(g));
        r.setValue(Note, g.bounded(3) == 0 ? words(g, 2, 12) : QString());
        r.setValue(DaSaldare, YesNo::text(g.bounded(4) == 0));
    }, layout());
}

} // namespace ArchiveGen

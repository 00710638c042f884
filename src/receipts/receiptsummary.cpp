#include "receiptsummary.h"

#include "receipts/receiptarchive.h"
#include "receipts/receiptrecord.h"
#include "storage/numberformat.h"
#include "storage/textrules.h"

namespace ReceiptSummary {

namespace {

// The yyyymmdd number of a valid date text, 0 otherwise.
int dayOf(const QString &date)
{
    const QByteArray latin = date.toLatin1();
    return DateWithin::dayNumber(latin.constData(), latin.size());
}

const QString newParagraph = QStringLiteral("\n\r\n\r");

} // namespace

const QStringList &days()
{
    static const QStringList list = [] {
        QStringList l;
        for (int d = 1; d <= 31; ++d)
            l << QStringLiteral("%1").arg(d, 2, 10, QLatin1Char('0'));
        return l;
    }();
    return list;
}

const QStringList &months()
{
    static const QStringList list{QStringLiteral("Gennaio"),   QStringLiteral("Febbraio"), QStringLiteral("Marzo"),
                                  QStringLiteral("Aprile"),    QStringLiteral("Maggio"),   QStringLiteral("Giugno"),
                                  QStringLiteral("Luglio"),    QStringLiteral("Agosto"),   QStringLiteral("Settembre"),
                                  QStringLiteral("Ottobre"),   QStringLiteral("Novembre"), QStringLiteral("Dicembre")};
    return list;
}

QString monthNumber(QStringView name)
{
    const QString folded = TextRules::lowerAZ(TextRules::trimmed(name));
    for (qsizetype i = 0; i < months().size(); ++i) {
        if (TextRules::lowerAZ(months()[i]) == folded)
            return days()[i];
    }
    return QString();
}

QString dayExit(const QString &text)
{
    return days().contains(TextRules::trimmed(text)) ? text : QString();
}

QString monthExit(const QString &text)
{
    return monthNumber(text).isEmpty() ? QString() : text;
}

Check check(const Request &r)
{
    using Box = Check::Box;
    Check c;
    auto warn = [&c](const char *text, Box focus) {
        c.warning = true;
        c.message = QString::fromUtf8(text);
        c.focus = focus;
        return c;
    };
    if (!ReceiptRecord::isYearText(r.anno))
        return warn("Attenzione: indicare l'anno solare utilizzando quattro cifre.", Box::Anno);
    const QString giornoInizio = TextRules::trimmed(r.giornoInizio);
    const QString giornoFine = TextRules::trimmed(r.giornoFine);
    if (giornoInizio.isEmpty())
        return warn("Attenzione: indicare il giorno di inizio intervallo selezionandolo dall'elenco a cascata.",
                    Box::GiornoInizio);
    if (TextRules::trimmed(r.meseInizio).isEmpty())
        return warn("Attenzione: indicare il mese di inizio intervallo selezionandolo dall'elenco a cascata.",
                    Box::MeseInizio);
    if (giornoFine.isEmpty())
        return warn("Attenzione: indicare il giorno di fine intervallo selezionandolo dall'elenco a cascata.",
                    Box::GiornoFine);
    if (TextRules::trimmed(r.meseFine).isEmpty())
        return warn("Attenzione: indicare il mese di fine intervallo selezionandolo dall'elenco a cascata.",
                    Box::MeseFine);

    auto build = [](const QString &day, const QString &month, const QString &year) {
        const QString mm = monthNumber(month);
        return mm.isEmpty() ? QString() : day + u'/' + mm + u'/' + TextRules::trimmed(year);
    };
    const QString missing = QStringLiteral("Per poter visualizzare il riepilogo è necessario indicare una data valida.");
    c.dataInizio = build(giornoInizio, r.meseInizio, r.annoInizio);
    const int first = dayOf(c.dataInizio);
    if (first == 0) {
        c.message = QStringLiteral("Attenzione: la data ") + c.dataInizio + QStringLiteral(" di inizio intervallo non esiste.")
                    + newParagraph + missing;
        c.focus = Box::GiornoInizio;
        return c;
    }
    c.dataFine = build(giornoFine, r.meseFine, r.annoFine);
    const int last = dayOf(c.dataFine);
    if (last == 0) {
        c.message = QStringLiteral("Attenzione: la data ") + c.dataFine + QStringLiteral(" di fine intervallo non esiste.")
                    + newParagraph + missing;
        c.focus = Box::GiornoFine;
        return c;
    }
    if (first > last) {
        c.message = QStringLiteral("Attenzione: la data di fine intervallo (") + c.dataFine
                    + QStringLiteral(") non può essere anteriore a quella di inizio intervallo (") + c.dataInizio
                    + QStringLiteral(").") + newParagraph
                    + QStringLiteral("Per poter visualizzare il riepilogo è necessario indicare un intervallo di "
                                     "tempo valido.");
        return c;
    }
    c.ok = true;
    return c;
}

ListQuery query(const QString &filter, const QString &dataInizio, const QString &dataFine)
{
    using namespace ReceiptRecord;
    ListQuery q;
    q.format = &LineFormats::carichi();
    std::shared_ptr<const RecordTest> within
        = std::make_shared<DateWithin>(layout(), Data, dayOf(TextRules::trimmed(dataInizio)),
                                       dayOf(TextRules::trimmed(dataFine)));
    auto code = std::make_shared<FieldSearch>(layout(), QList<FieldSearch::Term>{{Codice, filter}});
    // The code first: a receipt of another article is not dated at all.
    q.test = code->required() > 0 ? std::make_shared<BothTests>(code, within) : within;
    q.amountField = CostoTot;
    q.keepPartial = true;
    return q;
}

QString tipologiaText(const QString &filter)
{
    const QString trimmed = TextRules::trimmed(filter);
    return trimmed.isEmpty() ? QStringLiteral("Tutti gli articoli") : trimmed;
}

QString intervalText(const QString &dataInizio, const QString &dataFine)
{
    return QStringLiteral("Dal   ") + TextRules::trimmed(dataInizio) + QStringLiteral("   al   ")
           + TextRules::trimmed(dataFine);
}

QString totalText(double total)
{
    return QStringLiteral("€ ") + NumberFormat::normaliseMoney(NumberFormat::numberText(NumberFormat::roundTo(total, 4)));
}

QString printTitle(const QString &tipologia)
{
    return QStringLiteral("Movimenti di carico merce - Codice articolo: ") + TextRules::trimmed(tipologia);
}

QStringList printLines(QStringList lines, const QString &intervallo, const QString &operazioni, const QString &totale)
{
    lines << QStringLiteral("- - - - - - - - - - - - - - - -")
          << QStringLiteral("INTERVALLO SELEZIONATO:    ") + TextRules::trimmed(intervallo)
          << QStringLiteral("NUMERO OPERAZIONI:         ") + TextRules::trimmed(operazioni)
          << QStringLiteral("COSTO TOTALE:              ") + TextRules::trimmed(totale);
    return lines;
}

} // namespace ReceiptSummary

#include "invoicelines.h"

#include "invoices/decimal.h"
#include "receipts/receiptrecord.h"
#include "storage/cp1252.h"
#include "storage/textrules.h"

#include <algorithm>
#include <optional>

using Invoices::Decimal;

namespace InvoiceLines {

namespace {

int capacity(int field)
{
    return ReceiptRecord::layout().capacity(field);
}

// Every run of blanks, tabs and line breaks made one blank.
QString oneBlank(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty())
            out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

} // namespace

bool isGoods(const Invoices::Invoice &invoice, const Invoices::Line &line)
{
    const QString type = invoice.tipoDocumento.trimmed();
    if (type != u"TD01" && type != u"TD24" && type != u"TD25")
        return false;
    if (!line.tipoCessionePrestazione.trimmed().isEmpty())
        return false;
    const std::optional<Decimal> quantity = Decimal::parse(line.quantita);
    const std::optional<Decimal> total = Decimal::parse(line.prezzoTotale);
    return quantity && total && quantity->compare(Decimal()) > 0 && !total->isNegative();
}

QString storedText(const QString &text, int capacity, const QString &label, QStringList *marks)
{
    // Only what the field keeps is looked at, so a long text costs no more
    // than a short one, and a character beyond the cut is not said lost.
    QStringView view = text;
    while (!view.isEmpty() && view.front().unicode() <= 32)
        view = view.sliced(1);
    qsizetype units = 0;
    for (int characters = 0; units < view.size() && characters < capacity; ++characters)
        units += view[units].isHighSurrogate() && units + 1 < view.size() && view[units + 1].isLowSurrogate() ? 2 : 1;
    QString t = TextRules::trimmed(view.first(units));
    const QStringView rest = view.sliced(units);
    const bool cut = std::any_of(rest.begin(), rest.end(), [](QChar c) { return c.unicode() > 32; });
    if (!std::all_of(t.cbegin(), t.cend(), [](QChar c) { return c.unicode() < 0x80; })) {
        QString missing = Cp1252::unrepresentable(t);
        if (!missing.isEmpty()) {
            if (missing.size() > 20)
                missing = missing.left(20) + QStringLiteral("…");
            marks->append(QStringLiteral("%1: caratteri che la scheda non può contenere sostituiti con \"?\" (%2)")
                              .arg(label, missing));
        }
        t = Cp1252::decode(Cp1252::encode(t)); // one character each, '?' where the page has none
    }
    if (cut)
        marks->append(QStringLiteral("%1: testo tagliato a %2 caratteri").arg(label).arg(capacity));
    return t;
}

ReceiptFields fromLine(const Invoices::Invoice &invoice, const Invoices::Line &line)
{
    using namespace ReceiptRecord;
    ReceiptFields r;
    r.goods = isGoods(invoice, line);
    r.fornitore = storedText(invoice.supplier.name(), capacity(Fornitore), QStringLiteral("Fornitore"), &r.marks);
    r.numDoc = storedText(invoice.numero, capacity(NumDoc), QStringLiteral("Numero documento"), &r.marks);
    r.dataDoc = invoice.dateText();
    if (!invoice.realDate())
        r.marks.append(QStringLiteral("Data documento: \"%1\" non è una data del calendario").arg(invoice.data.trimmed()));
    r.codice = storedText(line.codes.isEmpty() ? QString() : line.codes.first().valore, capacity(Codice),
                          QStringLiteral("Codice articolo"), &r.marks);
    r.descrizione =
        storedText(oneBlank(line.descrizione), capacity(Descrizione), QStringLiteral("Descrizione"), &r.marks);

    const bool counted = !line.quantita.trimmed().isEmpty();
    const std::optional<Decimal> quantity = counted ? Decimal::parse(line.quantita) : Decimal::parse(u"1");
    const std::optional<Decimal> total = Decimal::parse(line.prezzoTotale);
    const std::optional<Decimal> unitPrice = Decimal::parse(line.prezzoUnitario);
    if (!quantity) {
        r.problem = QStringLiteral("la quantità \"%1\" non è un numero").arg(line.quantita.trimmed());
        return r;
    }
    const Decimal quant = quantity->rounded(4);
    std::optional<Decimal> unit;
    bool readable = true;
    if (!counted) {
        readable = total.has_value();
        if (total)
            unit = total->rounded(4);
    } else if (quantity->isZero()) {
        readable = unitPrice.has_value();
        if (unitPrice)
            unit = unitPrice->rounded(4);
    } else {
        // What one piece really cost, after the line's discounts.
        readable = total.has_value();
        if (total)
            unit = total->dividedBy(*quantity, 4);
    }
    if (!unit) {
        r.problem = readable ? QStringLiteral("il costo unitario della riga è fuori misura")
                             : QStringLiteral("il prezzo della riga non è un importo leggibile");
        return r;
    }
    const std::optional<Decimal> sum = unit->times(quant, 2);
    if (!sum) {
        r.problem = QStringLiteral("il costo totale della riga è fuori misura");
        return r;
    }
    // Shown as computed even when they cannot be loaded, so that the reason
    // can be checked against them.
    r.quant = quant.text(0, 4);
    r.costoUni = unit->text(2, 4);
    r.costoTot = sum->text(2, 2);
    if (quant.isZero() && !quantity->isZero()) {
        // A receipt of no pieces that cost something is no receipt.
        r.problem = QStringLiteral("la quantità %1, arrotondata a 4 decimali, è zero").arg(line.quantita.trimmed());
        return r;
    }
    for (const auto &[text, field] : {std::pair{r.quant, Quant}, {r.costoUni, CostoUni}, {r.costoTot, CostoTot}}) {
        if (text.size() > capacity(field)) {
            r.problem = QStringLiteral("l'importo %1 non entra nei %2 caratteri della scheda").arg(text).arg(capacity(field));
            return r;
        }
    }
    return r;
}

} // namespace InvoiceLines

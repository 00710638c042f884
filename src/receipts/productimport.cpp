#include "productimport.h"

#include "products/productrecord.h"
#include "receipts/receiptcalc.h"
#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "storage/textrules.h"

namespace ProductImport {

namespace {

QString field(const Record &r, int f)
{
    return TextRules::trimmed(r.value(f));
}

QString refusedNumber(const QString &what, const QString &text)
{
    return QStringLiteral("Attenzione: %1 dell'articolo in magazzino (\"%2\") non è un numero valido.\r\n\r\n"
                          "Correggerla nella scheda del prodotto prima di importarlo aggiornando la giacenza.")
        .arg(what, text);
}

} // namespace

QList<QPair<QString, QString>> cardFill(const QByteArray &product, const QString &quantity)
{
    using namespace ProductRecord;
    const Record r(layout(), product);
    return {
        {QStringLiteral("txtFornitore"), field(r, Fornitore)},
        {QStringLiteral("txtRecapiti"), field(r, Recapiti)},
        {QStringLiteral("txtCodice"), field(r, Codice)},
        {QStringLiteral("txtTipologia"), field(r, Tipologia)},
        {QStringLiteral("txtMarca"), field(r, Marca) + u' ' + field(r, Modello)},
        {QStringLiteral("txtDescrizione"), field(r, Descrizione)},
        {QStringLiteral("txtCostoUni"), field(r, Prezzo)},
        {QStringLiteral("txtQuant"), TextRules::trimmed(quantity)},
    };
}

bool sameProduct(const QByteArray &a, const QByteArray &b)
{
    using namespace ProductRecord;
    const Record x(layout(), a), y(layout(), b);
    return field(x, Codice) == field(y, Codice) && field(x, Descrizione) == field(y, Descrizione);
}

QString quantityExit(const QString &text)
{
    if (TextRules::trimmed(text).isEmpty())
        return QStringLiteral("0");
    const std::optional<double> value = NumberFormat::readDecimal(text);
    return value ? NumberFormat::numberText(NumberFormat::roundTo(*value, 4)) : QStringLiteral("0");
}

QString quantityWarning()
{
    return QStringLiteral("Attenzione: la quantità da caricare non è un numero valido.\r\n\r\n"
                          "Indicare la quantità con le cifre e al più una virgola.");
}

StockChange addStock(const QByteArray &product, const QString &quantity)
{
    using namespace ProductRecord;
    StockChange change;
    Record r(layout(), product);
    const std::optional<double> received = NumberFormat::readDecimal(TextRules::trimmed(quantity));
    if (!received) {
        change.message = quantityWarning();
        return change;
    }
    const QString stockText = field(r, Giacenza);
    const std::optional<double> stock = NumberFormat::readDecimal(stockText);
    if (!stock) {
        change.message = refusedNumber(QStringLiteral("la giacenza"), stockText);
        return change;
    }
    const QString newStock = NumberFormat::numberText(*stock + *received);
    const auto tooLong = [&](const QString &valueText) {
        change.message = QStringLiteral("Attenzione: la nuova giacenza (%1) o il suo valore (%2) non può essere "
                                        "registrata: supera le %3 cifre previste.\r\n\r\nL'articolo non è stato "
                                        "importato.")
                             .arg(newStock, valueText)
                             .arg(layout().capacity(Giacenza));
        return change;
    };
    // The value of the new stock, by the receipts card's own calculation.
    ReceiptCalc::Total value{field(r, Costo), newStock, QStringLiteral("0,00")};
    const PriceCalc::Result valued = ReceiptCalc::calcola(value);
    if (valued == PriceCalc::Result::TooLong)
        return tooLong(value.rejected);
    if (valued != PriceCalc::Result::Done) {
        change.message = refusedNumber(QStringLiteral("il costo"), field(r, Costo)).replace(
            QStringLiteral("Correggerla"), QStringLiteral("Correggerlo"));
        return change;
    }
    // Cut to the field, a number would read back as another one.
    if (newStock.size() > layout().capacity(Giacenza) || value.costoTot.size() > layout().capacity(Valore))
        return tooLong(value.costoTot);
    r.setValue(Giacenza, newStock);
    r.setValue(Valore, value.costoTot);
    change.ok = true;
    change.record = r.bytes();
    return change;
}

Import raiseStock(const QString &path, qint64 position, const QByteArray &picked, const QString &quantity)
{
    // Thrown out of the update, so that nothing is written.
    struct LeftAlone
    {
        Import result;
    };
    try {
        RecordFile file(path, ProductRecord::layout().size());
        const QByteArray written = file.update(position, [&](const QByteArray &current) {
            if (!sameProduct(current, picked))
                throw LeftAlone{{Import::ProductChanged, {}, {}}};
            StockChange change = addStock(current, quantity);
            if (!change.ok)
                throw LeftAlone{{Import::Refused, change.message, {}}};
            return change.record;
        });
        Import raised{Import::Raised, {}, written};
        try {
            file.close();
        } catch (const ArchiveError &) {
            raised.unconfirmed = true;
        }
        return raised;
    } catch (const LeftAlone &left) {
        return left.result;
    }
}

} // namespace ProductImport

// Any bytes as an invoice file from outside (XML, signed .p7m, base64, a
// zip of them): the reader either says why it cannot read them or gives
// invoices, and every line becomes fields that fit the receipt record.

#include "invoices/decimal.h"
#include "invoices/invoicereader.h"
#include "receipts/invoicelines.h"
#include "receipts/receiptrecord.h"
#include "storage/cp1252.h"

#include <QByteArray>

#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool fits(const QString &text, int field)
{
    return text.size() <= ReceiptRecord::layout().capacity(field) && Cp1252::unrepresentable(text).isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const Invoices::Source &source : Invoices::readBytes(QStringLiteral("x.xml"), bytes)) {
        if (!source.error.isEmpty()) {
            check(source.invoices.isEmpty());
            continue;
        }
        for (const Invoices::Invoice &invoice : source.invoices) {
            for (const Invoices::Line &line : invoice.lines) {
                const InvoiceLines::ReceiptFields r = InvoiceLines::fromLine(invoice, line);
                using namespace ReceiptRecord;
                check(fits(r.fornitore, Fornitore) && fits(r.numDoc, NumDoc) && fits(r.codice, Codice) &&
                      fits(r.descrizione, Descrizione));
                check(r.dataDoc.isEmpty() || r.dataDoc.size() == 10);
                if (!r.problem.isEmpty())
                    continue;
                check(fits(r.quant, Quant) && fits(r.costoUni, CostoUni) && fits(r.costoTot, CostoTot));
                // Every amount text reads back as the decimal it shows.
                for (const QString &amount : {r.quant, r.costoUni, r.costoTot}) {
                    const auto d = Invoices::Decimal::parse(QString(amount).replace(u',', u'.'));
                    const qsizetype comma = amount.indexOf(u',');
                    const int places = comma < 0 ? 0 : int(amount.size() - comma - 1);
                    check(d && d->text(places, 8) == amount);
                }
            }
        }
    }
    return 0;
}

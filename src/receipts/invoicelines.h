#pragma once

#include "invoices/invoice.h"

#include <QString>
#include <QStringList>

// What one line of an electronic invoice becomes in a goods receipt: the one
// set of rules for every screen and for scortex-cli.
namespace InvoiceLines {

struct ReceiptFields
{
    QString fornitore;
    QString numDoc;
    QString dataDoc;
    QString codice;
    QString descrizione;
    QString quant;
    QString costoUni;
    QString costoTot;
    bool goods = false;
    // Each text replaced or cut on its way to the record, said in Italian.
    QStringList marks;
    // Why the line cannot make a receipt; empty when it can. The amounts
    // that could be computed are shown all the same.
    QString problem;
};

// Goods: a TD01, TD24 or TD25 document, no TipoCessionePrestazione, a
// Quantita above zero and a PrezzoTotale not below it. Transport, discounts,
// text-only lines and credit notes are not goods.
bool isGoods(const Invoices::Invoice &invoice, const Invoices::Line &line);

// Every field as it would be stored: Windows-1252, trimmed, cut to the
// field's capacity; amounts computed exactly and rounded half up.
ReceiptFields fromLine(const Invoices::Invoice &invoice, const Invoices::Line &line);

// A text as a field of `capacity` would hold it; a replacement or a cut is
// added to `marks` under `label`.
QString storedText(const QString &text, int capacity, const QString &label, QStringList *marks);

} // namespace InvoiceLines

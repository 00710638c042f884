#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// A product of the warehouse brought into a receipt: the card's boxes it
// fills, and the product's stock raised by the quantity received.
namespace ProductImport {

// The receipts card's boxes and their texts: supplier, contacts, code,
// type, brand and model, description, the price as unit cost, and the
// quantity. Nothing else of the card changes.
QList<QPair<QString, QString>> cardFill(const QByteArray &product, const QString &quantity);

// Whether two records are the same product: same code and description.
bool sameProduct(const QByteArray &a, const QByteArray &b);

// The quantity as the window's box keeps it: up to four decimals, "0" when
// empty or unreadable.
QString quantityExit(const QString &text);

struct StockChange
{
    bool ok = false;
    QString message; // why it was refused
    QByteArray record;
};
// The product with `quantity` added to its stock and the value of the new
// stock recomputed from its cost; every other field as it was. Refused,
// with the reason, when a number cannot be read or does not fit its field.
StockChange addStock(const QByteArray &product, const QString &quantity);

QString quantityWarning();

} // namespace ProductImport

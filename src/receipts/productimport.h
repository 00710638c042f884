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

// Raises the stock of the product at `position` of the products archive
// `path`: read, added to and written back under the archive's lock, so that
// an import made at the same moment on another workstation is added to and
// not lost. `picked` is the product as the user chose it: a record at the
// position that is no longer that product is left alone. Throws ArchiveError.
struct Import
{
    enum Outcome { Raised, Refused, ProductChanged } outcome = Raised;
    QString message;   // Refused: why
    QByteArray record; // Raised: the product as written
    // Raised, but the archive's close or the write's last flush failed: the
    // stock is raised all the same, and raising it again would count twice.
    bool unconfirmed = false;
};
Import raiseStock(const QString &path, qint64 position, const QByteArray &picked, const QString &quantity);

} // namespace ProductImport

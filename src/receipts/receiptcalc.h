#pragma once

#include <QString>

// The receipts card's total: unit cost x quantity in double precision,
// written as number text, read back, rounded to 2 decimals and normalised.
namespace ReceiptCalc {

struct Total
{
    QString costoUni;
    QString quant;
    QString costoTot;
};

// False when a box cannot be read: the three are then reset to "0,00",
// "0", "0,00", without a message.
bool calcola(Total &t);

} // namespace ReceiptCalc

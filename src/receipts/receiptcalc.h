#pragma once

#include "products/pricecalc.h"

#include <QString>

// The receipts card's total: unit cost x quantity in double precision,
// written as number text, read back, rounded to 2 decimals and normalised.
namespace ReceiptCalc {

struct Total
{
    QString costoUni;
    QString quant;
    QString costoTot;
    QString rejected = {}; // a total too long for its field
};

// Unreadable when a box cannot be read: the three are then reset to "0,00",
// "0", "0,00", without a message. TooLong when the total does not fit its
// 15 characters: nothing changes.
PriceCalc::Result calcola(Total &t);

} // namespace ReceiptCalc

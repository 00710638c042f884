#include "receiptcalc.h"

#include "storage/numberformat.h"
#include "storage/textrules.h"

#include <optional>

namespace ReceiptCalc {

PriceCalc::Result calcola(Total &t)
{
    const Total before = t;
    if (TextRules::trimmed(t.costoUni).isEmpty())
        t.costoUni = QStringLiteral("0,00");
    if (TextRules::trimmed(t.quant).isEmpty())
        t.quant = QStringLiteral("0");
    if (TextRules::trimmed(t.costoTot).isEmpty())
        t.costoTot = QStringLiteral("0,00");
    const std::optional<double> unit = NumberFormat::readDecimal(t.costoUni);
    const std::optional<double> quantity = NumberFormat::readDecimal(t.quant);
    const std::optional<double> total = NumberFormat::readDecimal(t.costoTot);
    std::optional<double> shown;
    if (unit && quantity && total)
        shown = NumberFormat::readDecimal(NumberFormat::numberText(*unit * *quantity));
    if (!shown) {
        t.costoUni = QStringLiteral("0,00");
        t.quant = QStringLiteral("0");
        t.costoTot = QStringLiteral("0,00");
        return PriceCalc::Result::Unreadable;
    }
    const QString text = NumberFormat::normaliseMoney(NumberFormat::numberText(NumberFormat::roundTo(*shown, 2)));
    const std::optional<QString> fitted = NumberFormat::fitField(text, 15);
    if (!fitted) {
        t = before;
        t.rejected = text;
        return PriceCalc::Result::TooLong;
    }
    t.costoTot = *fitted;
    return PriceCalc::Result::Done;
}

} // namespace ReceiptCalc

#include "inventory.h"

#include "products/productarchive.h"
#include "products/productrecord.h"
#include "storage/numberformat.h"
#include "storage/textrules.h"

namespace Inventory {

ListQuery query(const QString &filter)
{
    ListQuery q;
    q.format = &LineFormats::inventario();
    auto search = std::make_shared<FieldSearch>(ProductRecord::layout(),
                                                QList<FieldSearch::Term>{{ProductRecord::Tipologia, filter}});
    if (search->required() > 0)
        q.test = search;
    q.amountField = ProductRecord::Valore;
    q.sorted = true;
    q.keepPartial = true;
    return q;
}

QString tipologiaText(const QString &filter)
{
    const QString trimmed = TextRules::trimmed(filter);
    return trimmed.isEmpty() ? QStringLiteral("Tutti gli articoli in magazzino.") : trimmed;
}

QString totalText(double total)
{
    // The running total is shown first and the shown text read back.
    const double shown = NumberFormat::readDecimal(NumberFormat::numberText(total)).value_or(total);
    return QStringLiteral("€ ")
           + NumberFormat::normaliseMoney(NumberFormat::numberText(NumberFormat::roundTo(shown, 4)));
}

QString countText(qint64 lines)
{
    return QStringLiteral("Il presente inventario contiene %1 articoli.").arg(lines);
}

QString printTitle(const QString &tipologia)
{
    return QStringLiteral("Inventario merce - Tipologia: ") + TextRules::trimmed(tipologia);
}

QStringList printLines(QStringList lines, const QString &totalText)
{
    lines << QStringLiteral("--------------------------") << QStringLiteral("VALORE TOTALE: ") + TextRules::trimmed(totalText);
    return lines;
}

} // namespace Inventory

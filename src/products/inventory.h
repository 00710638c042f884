#pragma once

#include "search/listquery.h"

#include <QString>
#include <QStringList>

// The inventory: every product, or those of one type, with the total of
// their stored values.
namespace Inventory {

// The type filter as typed: blanks only mean every product; otherwise the
// text, untrimmed, must occur in the product's type with A-Z folded.
ListQuery query(const QString &filter);

// "Tutti gli articoli in magazzino." or the trimmed filter.
QString tipologiaText(const QString &filter);
// "€ " and the total rounded to 4 decimals with at least two.
QString totalText(double total);
// "Il presente inventario contiene N articoli."
QString countText(qint64 lines);

QString printTitle(const QString &tipologia);
// The lines, a line of hyphens and "VALORE TOTALE: " with the total.
QStringList printLines(QStringList lines, const QString &totalText);

} // namespace Inventory

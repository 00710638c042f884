#pragma once

#include "search/listquery.h"

#include <QList>
#include <QString>

// One of the three search windows, as data: its archive kind, its ten
// search fields, its line format and order, its count text and print title.
struct SearchDefinition
{
    struct Field
    {
        QString control; // the search box, "txt" + the record field's name
        QString caption;
        int field;
    };

    QString objectName;
    QString caption;
    QString title; // of the printed list
    const LineFormat *format;
    bool sorted;
    // "Il presente riepilogo contiene N schede." or "... elenco ...".
    QString countWord;
    QList<Field> fields;

    const RecordLayout &layout() const { return format->layout(); }
    QString countText(qint64 lines) const;
    // The list of the records where every non-blank text occurs in its field.
    ListQuery query(const QList<FieldSearch::Term> &terms) const;
};

namespace Searches {
// The search fields of a layout: each field's box (txt + its name) and caption.
QList<SearchDefinition::Field> fieldsOf(const RecordLayout &layout, const QList<QPair<int, const char *>> &table);
} // namespace Searches

#include "searchdefinition.h"


QString SearchDefinition::countText(qint64 lines) const
{
    return QStringLiteral("Il presente %1 contiene %2 schede.").arg(countWord).arg(lines);
}

ListQuery SearchDefinition::query(const QList<FieldSearch::Term> &terms) const
{
    ListQuery q;
    q.format = format;
    auto search = std::make_shared<FieldSearch>(layout(), terms);
    // All fields blank: every record, with nothing to test.
    if (search->required() > 0)
        q.test = search;
    q.sorted = sorted;
    return q;
}

namespace Searches {

QList<SearchDefinition::Field> fieldsOf(const RecordLayout &layout, const QList<QPair<int, const char *>> &table)
{
    QList<SearchDefinition::Field> fields;
    for (const auto &[field, caption] : table)
        fields.append({QStringLiteral("txt") + QString(layout.fieldName(field)), QString::fromUtf8(caption), field});
    return fields;
}





} // namespace Searches

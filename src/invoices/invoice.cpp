#include "invoice.h"

#include <QDate>

namespace Invoices {

QString Supplier::name() const
{
    if (!denominazione.trimmed().isEmpty())
        return denominazione;
    return nome + u' ' + cognome;
}

QString Invoice::dateText() const
{
    // "2024-03-05", perhaps followed by a time zone or a time, or by blanks.
    const QString text = data.trimmed();
    if (text.size() < 10 || text[4] != u'-' || text[7] != u'-')
        return {};
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < u'0' || text[i] > u'9')
            return {};
    }
    return text.mid(8, 2) + u'/' + text.mid(5, 2) + u'/' + text.left(4);
}

bool Invoice::realDate() const
{
    return QDate::fromString(dateText(), QStringLiteral("dd/MM/yyyy")).isValid();
}

} // namespace Invoices

#include "invoice.h"

#include <QDate>

namespace Invoices {

QString Supplier::name() const
{
    if (!denominazione.trimmed().isEmpty())
        return denominazione.trimmed();
    return (nome.trimmed() + u' ' + cognome.trimmed()).trimmed();
}

QString Supplier::vatNumber() const
{
    return idPaese.trimmed() + idCodice.trimmed();
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
    const QString text = dateText();
    if (text.isEmpty())
        return false;
    auto number = [&](int from, int n) {
        int v = 0;
        for (int i = from; i < from + n; ++i)
            v = v * 10 + (text[i].unicode() - u'0');
        return v;
    };
    return QDate(number(6, 4), number(3, 2), number(0, 2)).isValid();
}

} // namespace Invoices

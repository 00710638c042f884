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
    if (text.size() < 10)
        return {};
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        return {};
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace Invoices

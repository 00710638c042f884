#pragma once

#include "search/listquery.h"

#include <QString>
#include <QStringList>

// The summary of the goods received over a period of one year.
namespace ReceiptSummary {

// "01" ... "31" and "Gennaio" ... "Dicembre": the drop-down lists.
const QStringList &days();
const QStringList &months();
// "01" for "gennaio" ... "12" for "dicembre" (trimmed, A-Z folded), else empty.
QString monthNumber(QStringView name);
// What a day or month box keeps when the focus leaves it.
QString dayExit(const QString &text);
QString monthExit(const QString &text);

// What the menu holds when the summary is asked for.
struct Request
{
    QString anno; // as typed
    QString giornoInizio, meseInizio, annoInizio;
    QString giornoFine, meseFine, annoFine;
};

// The outcome of the checks, in their order; the first failure stops them.
struct Check
{
    enum class Box { None, Anno, GiornoInizio, MeseInizio, GiornoFine, MeseFine };
    bool ok = false;
    // A warning box, or else the plain message box.
    bool warning = false;
    QString message;
    Box focus = Box::None;
    // "dd/mm/yyyy", as far as they were built.
    QString dataInizio, dataFine;
};
Check check(const Request &request);

// The receipts of the archive dated within the period (both ends included)
// whose code holds the filter, untrimmed, with A-Z folded; a blank filter
// takes every code. In file order, with the total of their costs.
ListQuery query(const QString &filter, const QString &dataInizio, const QString &dataFine);

// "Tutti gli articoli" or the trimmed filter.
QString tipologiaText(const QString &filter);
// "Dal   dd/mm/yyyy   al   dd/mm/yyyy"
QString intervalText(const QString &dataInizio, const QString &dataFine);
// "€ " and the total rounded to 4 decimals with at least two.
QString totalText(double total);

QString printTitle(const QString &tipologia);
// The lines, the separator, and the period, count and total under three
// captions of 27 characters.
QStringList printLines(QStringList lines, const QString &intervallo, const QString &operazioni,
                       const QString &totale);

} // namespace ReceiptSummary

#pragma once

#include "invoices/invoice.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace Invoices {

struct ParsedXml
{
    QList<Invoice> invoices;
    QString error;           // why the file cannot be read, in Italian
    bool notInvoice = false; // well-formed XML of another kind (a receipt's metadata)
};

// The invoices of one FatturaPA XML document. Elements are matched by their
// local name, whatever their prefix or namespace. A DOCTYPE is refused, so no
// entity is ever expanded and nothing is fetched.
ParsedXml parseXml(const QByteArray &bytes);

// The document's text as UTF-8 without its XML declaration: UTF-8 with or
// without a BOM, ISO-8859-1 and Windows-1252 (both read as Windows-1252, as
// browsers do), no declaration at all. Bytes that are not UTF-8 in a UTF-8
// document are taken as Windows-1252 one by one. Empty and `error` set for
// another declared encoding.
QByteArray toUtf8(const QByteArray &bytes, QString *error);

} // namespace Invoices

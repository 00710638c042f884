#pragma once

#include "invoices/invoice.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Reads the files a shop receives for its purchases: an invoice's XML, its
// signed .p7m, either as base64 text, or a .zip of a period holding any of
// them, as the tax agency's portal gives it. Extensions may be in any letter
// case; the content decides what a file is.
namespace Invoices {

// One file, or one entry of a zip.
struct Source
{
    QString name;            // the file's name; in a zip, "zip name/entry name"
    QList<Invoice> invoices; // in file order
    QString error;           // it could not be read, and why (Italian)
    QString note;            // it was read but holds no lines, and why
    QByteArray bytes = {};   // the file (or zip entry) as received, to keep

    int lineCount() const;
};

// Every invoice in the file at `path`. A zip gives one Source per invoice
// entry and skips the entries that are not invoices (the exchange system's
// metadata, a read-me); a zip that cannot be read gives one Source with the
// error.
QList<Source> readFile(const QString &path);

// The same for bytes already in memory, named `name`.
QList<Source> readBytes(const QString &name, const QByteArray &bytes);

} // namespace Invoices

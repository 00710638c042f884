#pragma once

#include <QStringList>

#include <cstdio>

// `scortex-cli fattura FILE…`: the lines of electronic invoices as the
// receipts they would become, in CSV.
namespace InvoiceCli {

// `args` after the command's name. 0 every file read and with lines, 1 some
// file without lines, 2 some file unreadable or a wrong call.
int run(const QStringList &args, std::FILE *out, std::FILE *err);

} // namespace InvoiceCli

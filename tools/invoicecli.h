#pragma once

#include <QStringList>

#include <cstdio>

// `scortex-cli fattura FILE…`: the lines of electronic invoices as the
// receipts they would become, in CSV.
namespace InvoiceCli {

// `args` after the command's name. 0 every file read and with lines, 1 some
// file without lines, 2 some file unreadable or a wrong call.
int run(const QStringList &args, std::FILE *out, std::FILE *err);

// `scortex-cli carica FILE… [--data GG/MM/AAAA] [--aggiorna-costo] [FOLDER]`:
// each invoice loaded into the year's receipts in one commit, or skipped
// with its reason. 0 all loaded, 1 some skipped, 2 a wrong call, an
// unreadable file or a commit that failed (nothing of that invoice written).
// `toolFolder` is the program folder when FOLDER is not given.
int load(QStringList args, const QString &toolFolder, std::FILE *out, std::FILE *err);

} // namespace InvoiceCli

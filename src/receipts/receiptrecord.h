#pragma once

#include "storage/record.h"
#include "storage/recordlayout.h"

#include <QString>

// One goods receipt; one archive per calendar year, named "<year>.odc".
namespace ReceiptRecord {

#define SCORTEX_RECEIPT_FIELDS(X)                                              \
    X(Fornitore, 250) X(Recapiti, 50) X(NumDoc, 20) X(DataDoc, 10)             \
    X(Data, 10) X(Codice, 30) X(Tipologia, 250) X(Marca, 250)                  \
    X(Descrizione, 250) X(CostoUni, 15) X(Quant, 15) X(CostoTot, 15)           \
    X(Note, 250) X(DaSaldare, 2)                                               \
    X(File01, 250) X(File02, 250) X(File03, 250)                               \
    X(Desc01, 250) X(Desc02, 250) X(Desc03, 250)

SCORTEX_DECLARE_FIELDS(SCORTEX_RECEIPT_FIELDS)

inline constexpr int Size = 2937;
static_assert(layoutSize(Fields) == Size);

inline constexpr char Extension[] = ".odc";

const RecordLayout &layout();
// The program folder + year + ".odc", the year as the user typed it.
QString archivePath(const QString &programFolder, const QString &year);
// Exactly four ASCII digits: the only year text that names an archive in
// the program folder (a pasted "../x" must not).
bool isYearText(QStringView text);

} // namespace ReceiptRecord

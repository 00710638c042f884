#pragma once

#include "output/spreadsheet.h"
#include "search/listline.h"
#include "search/listquery.h"
#include "search/searchdefinition.h"
#include "storage/archivekind.h"

// The receipts archives' tables (receiptarchive.cpp), and the entry the
// program registers for them.
namespace LineFormats {
// Data(10), Codice(18), Quant(10), Tipologia(28), Descrizione(37), CostoTot:
// the receipt search and the unpaid receipts.
const LineFormat &carichi();
} // namespace LineFormats

namespace Searches {
const SearchDefinition &carichi();
} // namespace Searches

namespace Lists {
// The receipts still to be paid.
ListQuery sospese();
} // namespace Lists

namespace Spreadsheet {
const Table &carichi();
} // namespace Spreadsheet

const ArchiveKind &receiptArchive();

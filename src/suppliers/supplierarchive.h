#pragma once

#include "output/spreadsheet.h"
#include "search/listline.h"
#include "search/listquery.h"
#include "search/searchdefinition.h"
#include "storage/archivekind.h"

// The suppliers archive's tables (supplierarchive.cpp), and the entry the
// program registers for it.
namespace LineFormats {
// Ditta(30), Titolare(30), "Tel." Recapito(20), Note: the supplier search.
const LineFormat &fornitori();
// The same with Questioni in place of Note: the suppliers to recontact.
const LineFormat &ricontatta();
} // namespace LineFormats

namespace Searches {
const SearchDefinition &fornitori();
} // namespace Searches

namespace Lists {
// The suppliers to recontact.
ListQuery ricontatta();
} // namespace Lists

namespace Spreadsheet {
const Table &fornitori();
} // namespace Spreadsheet

const ArchiveKind &supplierArchive();

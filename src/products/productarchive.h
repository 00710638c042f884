#pragma once

#include "output/spreadsheet.h"
#include "search/listline.h"
#include "search/listquery.h"
#include "search/searchdefinition.h"
#include "storage/archivekind.h"

// The products archive's tables (productarchive.cpp), and the entry the
// program registers for it.
namespace LineFormats {
// Codice(30), Marca + Modello(40), Costo(12), Giacenza(12), Note: the
// product search and the low-stock list.
const LineFormat &magazzino();
// Codice(30), Marca + Modello(40), Costo(12), Giacenza(12), Valore: the
// inventory.
const LineFormat &inventario();
// Codice(30), Descrizione(45), Prezzo(15), Giacenza: the import of a
// product into a receipt.
const LineFormat &importa();
} // namespace LineFormats

namespace Searches {
const SearchDefinition &magazzino();
// The product search of the receipts card's import, with its own lines.
const SearchDefinition &importa();
} // namespace Searches

namespace Lists {
// The products at or below their minimum stock.
ListQuery sottoscorta();
} // namespace Lists

namespace Spreadsheet {
const Table &magazzino();
} // namespace Spreadsheet

const ArchiveKind &productArchive();

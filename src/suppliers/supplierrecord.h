#pragma once

#include "storage/record.h"
#include "storage/recordlayout.h"

#include <QString>

// A card of the suppliers' address book, Fornitori.pro.
namespace SupplierRecord {

#define SCORTEX_SUPPLIER_FIELDS(X)                                             \
    X(Ditta, 50) X(Titolare, 120) X(Recapito, 50) X(IndirizzoRes, 50)          \
    X(ProvRes, 2) X(ComuneRes, 50) X(CapRes, 5) X(Pagamento, 250)              \
    X(TelCasa, 30) X(TelUff, 30) X(TelCel, 30) X(Fax, 30) X(Email, 50)         \
    X(CodFisc, 16) X(Carta, 30) X(ScadeCarta, 30) X(PartitaIva, 11)            \
    X(Iban, 27) X(Articoli, 250) X(Offerte, 250) X(Ordine, 250)                \
    X(Questioni, 250) X(Note, 250) X(Ricontatta, 2)                            \
    X(File01, 250) X(File02, 250) X(File03, 250)                               \
    X(Desc01, 250) X(Desc02, 250) X(Desc03, 250)

SCORTEX_DECLARE_FIELDS(SCORTEX_SUPPLIER_FIELDS)

inline constexpr int Size = 3643;
static_assert(layoutSize(Fields) == Size);

inline constexpr char FileName[] = "Fornitori.pro";

const RecordLayout &layout();
QString archivePath(const QString &programFolder);

} // namespace SupplierRecord

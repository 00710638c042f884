#pragma once

#include "storage/record.h"
#include "storage/recordlayout.h"

#include <QString>

// An article of the warehouse catalogue, Magazzino.pro. Consumo, Aderenza,
// Rumore and Onde hold height, width, length and expiry date.
namespace ProductRecord {

#define SCORTEX_PRODUCT_FIELDS(X)                                              \
    X(Codice, 30) X(Tipologia, 250) X(Marca, 250) X(Modello, 250)              \
    X(Accessori, 250) X(Descrizione, 250) X(Fornitore, 250) X(Recapiti, 50)    \
    X(Data, 50) X(Costo, 15) X(Valore, 15) X(Documento, 250) X(Ordine, 250)    \
    X(Prezzo, 15) X(PercIva, 2) X(Prezzo_con_Iva, 15) X(Collocazione, 250)     \
    X(Giacenza, 15) X(Sottoscorta, 15)                                         \
    X(Consumo, 30) X(Aderenza, 30) X(Rumore, 30) X(Onde, 30) X(Note, 250)      \
    X(File01, 250) X(File02, 250) X(File03, 250)                               \
    X(Desc01, 250) X(Desc02, 250) X(Desc03, 250)                               \
    X(Cartella, 250) X(CartellaDesc, 250)

SCORTEX_DECLARE_FIELDS(SCORTEX_PRODUCT_FIELDS)

inline constexpr int Size = 4874;
static_assert(layoutSize(Fields) == Size);

inline constexpr char FileName[] = "Magazzino.pro";

const RecordLayout &layout();
QString archivePath(const QString &programFolder);

} // namespace ProductRecord

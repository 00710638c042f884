// Everything particular to the products archive: its list lines, search,
// list, spreadsheet sheet and entry in the registry of archive kinds.
#include "products/productarchive.h"

#include "products/producthelp.h"
#include "products/productrecord.h"
#include "search/recordtest.h"

#include <memory>

namespace LineFormats {

const LineFormat &magazzino()
{
    using namespace ProductRecord;
    static const LineFormat format(layout(), {{"", Codice, -1, 30},
                                              {"  ", Marca, Modello, 40},
                                              {"  Costo: ", Costo, -1, 12},
                                              {"  Giacenza: ", Giacenza, -1, 12},
                                              {"  Note: ", Note}});
    return format;
}

const LineFormat &inventario()
{
    using namespace ProductRecord;
    static const LineFormat format(layout(), {{"", Codice, -1, 30},
                                              {"  ", Marca, Modello, 40},
                                              {"  Costo: \u20AC ", Costo, -1, 12},
                                              {"  Giacenza: ", Giacenza, -1, 12},
                                              {"  Valore: \u20AC ", Valore}});
    return format;
}

const LineFormat &importa()
{
    using namespace ProductRecord;
    static const LineFormat format(layout(), {{"", Codice, -1, 30},
                                              {"  ", Descrizione, -1, 45},
                                              {"  Prezzo: ", Prezzo, -1, 15},
                                              {"  Giacenza: ", Giacenza}});
    return format;
}

} // namespace LineFormats

namespace Searches {

const SearchDefinition &magazzino()
{
    using namespace ProductRecord;
    static const SearchDefinition d{
        QStringLiteral("frmTrovaMagazzino"),
        QStringLiteral(" Trova articoli in magazzino"),
        QStringLiteral("Riepilogo articoli in magazzino"),
        &LineFormats::magazzino(),
        true,
        QStringLiteral("elenco"),
        fieldsOf(layout(), {{Codice, "Codice articolo:"},
                            {Tipologia, "Tipologia:"},
                            {Marca, "Marca:"},
                            {Modello, "Modello:"},
                            {Descrizione, "Descrizione:"},
                            {Accessori, "Accessori:"},
                            {Fornitore, "Fornitore:"},
                            {Documento, "Estremi documento di acquisto:"},
                            {Collocazione, "Collocazione in magazzino:"},
                            {Note, "Note:"}}),
    };
    return d;
}

const SearchDefinition &importa()
{
    static const SearchDefinition d = [] {
        SearchDefinition i = magazzino();
        i.objectName = QStringLiteral("frmImportaMagazzino");
        i.caption = QStringLiteral(" Importa articoli da magazzino");
        i.format = &LineFormats::importa();
        return i;
    }();
    return d;
}

} // namespace Searches

namespace Lists {

ListQuery sottoscorta()
{
    ListQuery q;
    q.format = &LineFormats::magazzino();
    q.test = std::make_shared<AtMost>(ProductRecord::layout(), ProductRecord::Giacenza, ProductRecord::Sottoscorta);
    q.sorted = true;
    q.keepPartial = true;
    return q;
}

} // namespace Lists

namespace Spreadsheet {

const Table &magazzino()
{
    using namespace ProductRecord;
    static const Table t{
        QStringLiteral("frmExpMagazzino"),
        QStringLiteral(" Esporta archivio prodotti e servizi in Microsoft Excel"),
        QStringLiteral("Magazzino.xls"),
        QStringLiteral("Magazzino"),
        &layout(),
        QList<Column>({{"Codice articolo", 150, Codice, -1, "Codice articolo", 250},
                 {"Tipologia", 150, Tipologia, -1, "Tipologia", 250},
                 {"Marca", 150, Marca, -1, "Marca", 250},
                 {"Modello", 150, Modello, -1, "Modello", 250},
                 {"Descrizione", 350, Descrizione, -1, "Descrizione", 400},
                 {"Accessori", 350, Accessori, -1, "Accessori", 400},
                 {"Fornitore", 200, Fornitore, -1, "Fornitore", 250},
                 {"Recapito preferenziale", 250, Recapiti, -1, "Recapito preferenziale", 250},
                 {"Data acquisto", 100, Data, -1, "Data acquisto", 200},
                 {"Estremi documento di acquisto", 350, Documento, -1, "Estremi documento acquisto", 350},
                 {"Modalità ordine merce", 250, Ordine, -1, "Modalità ordine merce", 350},
                 {"Giacenza", 100, Giacenza, -1, "Giacenza", 200},
                 {"Costo", 100, Costo, -1, "Costo", 200},
                 {"Valore", 100, Valore, -1, "Valore", 200},
                 {"Prezzo senza IVA", 100, Prezzo, -1, "Prezzo senza IVA", 200},
                 {"Perc. IVA", 100, PercIva, -1, "Perc. IVA", 150},
                 {"Prezzo con IVA", 100, Prezzo_con_Iva, -1, "Prezzo con IVA", 200},
                 {"Collocazione in magazzino", 300, Collocazione, -1, "Collocazione in magazzino", 350},
                 {"Altezza", 200, Consumo, -1, "Altezza", 200},
                 {"Larghezza", 200, Aderenza, -1, "Larghezza", 200},
                 {"Lunghezza", 200, Rumore, -1, "Lunghezza", 200},
                 {"Scadenza", 200, Onde, -1, "Scadenza", 200},
                 {"Note", 350, Note, -1, "Note", 400}}),
    };
    return t;
}

} // namespace Spreadsheet

const ArchiveKind &productArchive()
{
    using namespace ProductRecord;
    static const ArchiveKind kind{
        "magazzino",
        &layout,
        [](const QString &fileName) { return fileName.compare(QLatin1StringView(FileName), Qt::CaseInsensitive) == 0; },
        {},
        {Giacenza, Sottoscorta, Valore},
        {},
        &Searches::magazzino,
        &Spreadsheet::magazzino,
        "sottoscorta",
        &Lists::sottoscorta,
        &archivePath,
        &ProductHelp::exportSheet,
    };
    return kind;
}

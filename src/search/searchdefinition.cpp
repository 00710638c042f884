#include "searchdefinition.h"

#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "suppliers/supplierrecord.h"

QString SearchDefinition::countText(qint64 lines) const
{
    return QStringLiteral("Il presente %1 contiene %2 schede.").arg(countWord).arg(lines);
}

ListQuery SearchDefinition::query(const QList<FieldSearch::Term> &terms) const
{
    ListQuery q;
    q.format = format;
    auto search = std::make_shared<FieldSearch>(layout(), terms);
    // All fields blank: every record, with nothing to test.
    if (search->required() > 0)
        q.test = search;
    q.sorted = sorted;
    return q;
}

namespace Searches {

namespace {

QList<SearchDefinition::Field> fieldsOf(const RecordLayout &layout, const QList<QPair<int, const char *>> &table)
{
    QList<SearchDefinition::Field> fields;
    for (const auto &[field, caption] : table)
        fields.append({QStringLiteral("txt") + QString(layout.fieldName(field)), QString::fromUtf8(caption), field});
    return fields;
}

} // namespace

const SearchDefinition &fornitori()
{
    using namespace SupplierRecord;
    static const SearchDefinition d{
        QStringLiteral("frmTrovaFornitori"),
        QStringLiteral(" Trova fornitori in archivio"),
        QStringLiteral("Riepilogo fornitori"),
        &LineFormats::fornitori(),
        true,
        QStringLiteral("riepilogo"),
        fieldsOf(layout(), {{Ditta, "Denominazione Ditta:"},
                            {Titolare, "Titolare o responsabile:"},
                            {PartitaIva, "Partita IVA:"},
                            {CodFisc, "Codice fiscale:"},
                            {IndirizzoRes, "Via / Piazza e numero civico:"},
                            {ComuneRes, "Città:"},
                            {Articoli, "Articoli forniti:"},
                            {Offerte, "Offerte e sconti:"},
                            {Questioni, "Questioni in sospeso:"},
                            {Note, "Note:"}}),
    };
    return d;
}

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

const SearchDefinition &carichi()
{
    using namespace ReceiptRecord;
    static const SearchDefinition d{
        QStringLiteral("frmTrovaCarichi"),
        QStringLiteral(" Trova operazioni di carico in archivio"),
        QStringLiteral("Riepilogo operazioni di carico"),
        &LineFormats::carichi(),
        false,
        QStringLiteral("riepilogo"),
        fieldsOf(layout(), {{NumDoc, "Documento n."},
                            {DataDoc, "Data emissione (gg/mm/aaaa):"},
                            {Data, "Data carico (gg/mm/aaaa):"},
                            {Codice, "Codice articolo:"},
                            {Tipologia, "Tipologia:"},
                            {Marca, "Marca e modello:"},
                            {Descrizione, "Descrizione:"},
                            {CostoUni, "Costo unitario: €"},
                            {Fornitore, "Fornitore:"},
                            {Note, "Note:"}}),
    };
    return d;
}

} // namespace Searches

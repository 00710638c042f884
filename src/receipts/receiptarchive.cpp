// Everything particular to the receipts archives, one a year: their list
// lines, search, list, spreadsheet sheet and entry in the registry of kinds.
#include "receipts/receiptarchive.h"

#include "receipts/receipthelp.h"
#include "receipts/receiptrecord.h"
#include "search/recordtest.h"

#include <memory>

namespace LineFormats {

const LineFormat &carichi()
{
    using namespace ReceiptRecord;
    static const LineFormat format(layout(), {{"Data: ", Data, -1, 10},
                                              {"  Cod. ", Codice, -1, 18},
                                              {"  Quant. ", Quant, -1, 10},
                                              {"  Tipo ", Tipologia, -1, 28},
                                              {"  ", Descrizione, -1, 37},
                                              {"  Tot. \u20AC ", CostoTot}});
    return format;
}

} // namespace LineFormats

namespace Searches {

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

namespace Lists {

ListQuery sospese()
{
    ListQuery q;
    q.format = &LineFormats::carichi();
    q.test = std::make_shared<YesField>(ReceiptRecord::layout(), ReceiptRecord::DaSaldare);
    q.keepPartial = true;
    return q;
}

} // namespace Lists

namespace Spreadsheet {

const Table &carichi()
{
    using namespace ReceiptRecord;
    static const Table t{
        QStringLiteral("frmExpCarichi"),
        QStringLiteral(" Esporta archivio operazioni di carico in Microsoft Excel"),
        QStringLiteral("Operazioni_Carico.xls"),
        QStringLiteral("Operazioni Carico"),
        &layout(),
        QList<Column>({{"Documento n.", 160, NumDoc, -1, "Documento n.", 250},
                 {"Data emissione", 150, DataDoc, -1, "Data emissione", 200},
                 {"Fornitore", 250, Fornitore, -1, "Fornitore", 250},
                 {"Recapito preferenziale", 200, Recapiti, -1, "Recapito preferenziale", 250},
                 {"Data carico", 150, Data, -1, "Data carico", 200},
                 {"Codice articolo", 160, Codice, -1, "Codice articolo", 250},
                 {"Tipologia", 200, Tipologia, -1, "Tipologia", 250},
                 {"Marca e modello", 200, Marca, -1, "Marca e modello", 250},
                 {"Descrizione", 300, Descrizione, -1, "Descrizione", 400},
                 {"Costo unitario", 150, CostoUni, -1, "Costo unitario", 200},
                 {"Quantità caricata", 150, Quant, -1, "Quantità caricata", 200},
                 {"Costo totale", 150, CostoTot, -1, "Costo totale", 200},
                 {"Note", 350, Note, -1, "Note", 400},
                 {"Conto da saldare", 150, DaSaldare, -1, "Conto da saldare", 200}}),
    };
    return t;
}

} // namespace Spreadsheet

const ArchiveKind &receiptArchive()
{
    using namespace ReceiptRecord;
    static const ArchiveKind kind{
        "carichi",
        &layout,
        [](const QString &fileName) {
            // Four digits and ".odc". No regular expression: the safety copy
            // asks from its own thread, and the expression's per-thread JIT
            // stack crashes the MinGW build when that thread ends.
            if (fileName.size() != 8 || !fileName.endsWith(QLatin1String(".odc"), Qt::CaseInsensitive))
                return false;
            for (int i = 0; i < 4; ++i) {
                if (fileName[i] < u'0' || fileName[i] > u'9')
                    return false;
            }
            return true;
        },
        {DaSaldare},
        {CostoTot},
        {Data},
        &Searches::carichi,
        &Spreadsheet::carichi,
        "sospese",
        &Lists::sospese,
        nullptr, // one archive a year: the card names it
        &ReceiptHelp::exportSheet,
    };
    return kind;
}

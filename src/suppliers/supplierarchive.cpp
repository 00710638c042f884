// Everything particular to the suppliers archive: its list lines, search,
// list, spreadsheet sheet and entry in the registry of archive kinds.
#include "suppliers/supplierarchive.h"

#include "search/recordtest.h"
#include "suppliers/supplierhelp.h"
#include "suppliers/supplierrecord.h"

#include <memory>

namespace LineFormats {

const LineFormat &fornitori()
{
    using namespace SupplierRecord;
    static const LineFormat format(layout(), {{"", Ditta, -1, 30},
                                              {"  ", Titolare, -1, 30},
                                              {"  Tel. ", Recapito, -1, 20},
                                              {"  ", Note}});
    return format;
}

const LineFormat &ricontatta()
{
    using namespace SupplierRecord;
    static const LineFormat format(layout(), {{"", Ditta, -1, 30},
                                              {"  ", Titolare, -1, 30},
                                              {"  Tel. ", Recapito, -1, 20},
                                              {"  ", Questioni}});
    return format;
}

} // namespace LineFormats

namespace Searches {

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

} // namespace Searches

namespace Lists {

ListQuery ricontatta()
{
    ListQuery q;
    q.format = &LineFormats::ricontatta();
    q.test = std::make_shared<YesField>(SupplierRecord::layout(), SupplierRecord::Ricontatta);
    q.sorted = true;
    q.keepPartial = true;
    return q;
}

} // namespace Lists

namespace Spreadsheet {

const Table &fornitori()
{
    using namespace SupplierRecord;
    static const Table t{
        QStringLiteral("frmExpFornitori"),
        QStringLiteral(" Esporta archivio fornitori in Microsoft Excel"),
        QStringLiteral("Fornitori.xls"),
        QStringLiteral("Riepilogo Fornitori"),
        &layout(),
        QList<Column>({{"Denominazione Ditta", 250, Ditta, -1, "Denominazione Ditta", 250},
                 {"Titolare o responsabile", 250, Titolare, -1, "Titolare o responsabile", 250},
                 {"Recapito preferenziale", 200, Recapito, -1, "Recapito preferenziale", 250},
                 {"Indirizzo", 250, IndirizzoRes, -1, "Indirizzo", 300},
                 {"Città", 250, ComuneRes, ProvRes, "Città", 250},
                 {"CAP", 100, CapRes, -1, "CAP", 150},
                 {"Modalità di pagamento", 250, Pagamento, -1, "Modalità di pagamento", 250},
                 {"Tel. casa", 200, TelCasa, -1, "Tel. casa", 250},
                 {"Tel. ufficio", 200, TelUff, -1, "Tel. ufficio", 250},
                 {"Tel. cellulare", 200, TelCel, -1, "Tel. cellulare", 250},
                 {"Fax", 200, Fax, -1, "Fax", 250},
                 {"E-mail", 250, Email, -1, "E-mail", 250},
                 {"Codice fiscale", 150, CodFisc, -1, "Codice fiscale", 250},
                 {"Partita IVA", 150, PartitaIva, -1, "Partita IVA", 250},
                 {"Carta di credito n.", 250, Carta, -1, "Carta di credito n.", 300},
                 {"Scadenza", 160, ScadeCarta, -1, "Scadenza", 150},
                 {"IBAN", 250, Iban, -1, "IBAN", 300},
                 {"Articoli forniti", 300, Articoli, -1, "Articoli forniti", 300},
                 {"Offerte e sconti", 300, Offerte, -1, "Offerte e sconti", 300},
                 {"Modalità di ordine merce", 250, Ordine, -1, "Modalità di ordine merce", 300},
                 {"Questioni in sospeso", 300, Questioni, -1, "Questioni in sospeso", 300},
                 {"Note", 350, Note, -1, "Note", 300}}),
    };
    return t;
}

} // namespace Spreadsheet

const ArchiveKind &supplierArchive()
{
    using namespace SupplierRecord;
    static const ArchiveKind kind{
        "fornitori",
        &layout,
        [](const QString &fileName) { return fileName.compare(QLatin1StringView(FileName), Qt::CaseInsensitive) == 0; },
        {Ricontatta},
        {},
        {},
        &Searches::fornitori,
        &Spreadsheet::fornitori,
        "ricontatta",
        &Lists::ricontatta,
        &archivePath,
        &SupplierHelp::exportSheet,
    };
    return kind;
}

#include "archivecli.h"
#include "invoicecli.h"


#include "output/spreadsheet.h"
#include "products/inventory.h"
#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "receipts/receiptsummary.h"
#include "search/listquery.h"
#include "search/searchdefinition.h"
#include "storage/archivekind.h"
#include "storage/cp1252.h"
#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "storage/rollbackjournal.h"
#include "storage/rungatherer.h"
#include "suppliers/supplierrecord.h"
#include "validators/validators.h"

#include "app/safetycopies.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include "storage/safefile.h"

#include <cstring>
#include <optional>
#include <vector>

namespace ArchiveCli {

namespace {

const char kHelp[] =
    "Uso: scortex-cli COMANDO [--kind TIPO] FILE\n"
    "     scortex-cli find FILE [--kind TIPO] CAMPO=TESTO ...\n"
    "     scortex-cli find FILE [--kind TIPO] --list ricontatta|sottoscorta|sospese\n"
    "     scortex-cli export FILE [--kind TIPO] USCITA.xls\n"
    "     scortex-cli validate codfisc|piva|carta|iban TESTO\n"
    "     scortex-cli inventory FILE [--tipologia TESTO]\n"
    "     scortex-cli summary FILE --from gg/mm --to gg/mm [--codice TESTO]\n"
    "     scortex-cli backups [CARTELLA]\n"
    "     scortex-cli restore DATA [ARCHIVIO ...] [CARTELLA]\n"
    "     scortex-cli fattura FILE ...\n"
    "     scortex-cli carica FILE ... [--data GG/MM/AAAA] [--aggiorna-costo] [CARTELLA]\n"
    "\n"
    "Strumento per ispezionare gli archivi di Scortex senza modificarli;\n"
    "soltanto restore li riscrive, da una copia di sicurezza, e carica vi\n"
    "aggiunge i carichi delle fatture.\n"
    "\n"
    "Comandi:\n"
    "  dump FILE    scrive l'archivio in formato CSV (UTF-8, righe LF) sullo\n"
    "               standard output: la prima riga contiene N e i nomi dei\n"
    "               campi, poi una riga per ogni record completo con la sua\n"
    "               posizione e i campi decodificati da Windows-1252.\n"
    "  check FILE   controlla l'archivio e segnala, una riga ciascuno: il\n"
    "               numero di record, un record parziale in coda, i campi con\n"
    "               byte di lunghezza oltre la capacità, i campi Sì/No non\n"
    "               validi, i campi numerici non leggibili come numero e le\n"
    "               date di carico non valide.\n"
    "  find FILE CAMPO=TESTO ...\n"
    "               stampa le righe che la finestra di ricerca elencherebbe\n"
    "               con quei testi nei suoi campi (Ditta=rossi Note=urgente),\n"
    "               nello stesso formato e ordine; sullo standard error il\n"
    "               conteggio. Senza campi elenca tutte le schede.\n"
    "  --list ricontatta|sottoscorta|sospese\n"
    "               con find: l'elenco dei fornitori da ricontattare, dei\n"
    "               materiali in esaurimento o dei conti da saldare.\n"
    "\n"
    "Opzioni:\n"
    "  --kind TIPO  tipo di archivio: fornitori, magazzino o carichi. Senza\n"
    "               questa opzione il tipo si ricava dal nome del file:\n"
    "               Fornitori.pro, Magazzino.pro o anno di quattro cifre\n"
    "               seguito da .odc (2024.odc).\n"
    "  validate TIPO TESTO\n"
    "               controlla un codice fiscale (codfisc), una partita IVA\n"
    "               (piva), un numero di carta di credito (carta) o un IBAN\n"
    "               (iban) come la finestra di controllo della scheda\n"
    "               fornitori, con TESTO digitato nella sua casella, e stampa\n"
    "               il messaggio che la finestra mostrerebbe. Stato di uscita:\n"
    "               0 codice valido, 1 codice errato o rifiutato.\n"
    "  export FILE USCITA.xls\n"
    "               scrive il foglio di calcolo che la finestra di\n"
    "               esportazione della scheda scriverebbe (Fornitori.xls,\n"
    "               Magazzino.xls, Operazioni_Carico.xls) nel file USCITA;\n"
    "               il file è scritto per intero o non è scritto affatto.\n"
    "               Stato di uscita: 0 scritto, 2 archivio non leggibile\n"
    "               per intero o file non scrivibile.\n"
    "  inventory FILE [--tipologia TESTO]\n"
    "               stampa l'inventario di Magazzino.pro come la finestra\n"
    "               Inventario Merce: le righe, il conteggio e il valore\n"
    "               totale; con --tipologia solo gli articoli di quel tipo.\n"
    "  summary FILE --from gg/mm --to gg/mm [--codice TESTO]\n"
    "               stampa il riepilogo dei movimenti di carico dell'anno\n"
    "               del file (2024.odc) nel periodo indicato, estremi\n"
    "               compresi: le righe, il periodo, il numero di operazioni\n"
    "               e il costo totale; con --codice solo gli articoli il cui\n"
    "               codice contiene quel testo.\n"
    "               Per inventory e summary lo stato di uscita è 0 con il\n"
    "               risultato completo, 1 se alcune schede non sono\n"
    "               leggibili (l'avviso sullo standard error: il totale non\n"
    "               le comprende), 2 per errori di uso o di accesso.\n"
    "  backups [CARTELLA]\n"
    "               elenca le copie di sicurezza che Scortex salva ogni giorno\n"
    "               nella cartella \"Copie di sicurezza\" della cartella del\n"
    "               programma (CARTELLA; senza, quella di scortex-cli): per\n"
    "               ogni copia gli archivi che contiene e le loro dimensioni.\n"
    "               Stato di uscita: 0 con almeno una copia, 1 nessuna copia.\n"
    "  restore DATA [ARCHIVIO ...] [CARTELLA]\n"
    "               rimette nella cartella del programma gli archivi della\n"
    "               copia DATA (2026-12-10, come nel nome della copia): tutti\n"
    "               quelli della copia, o solo gli ARCHIVIO indicati\n"
    "               (Magazzino.pro). Prima salva una copia degli archivi\n"
    "               attuali, così il ripristino si può annullare; ogni\n"
    "               archivio è riscritto per intero, con il blocco esclusivo.\n"
    "               Stato di uscita: 0 ripristinato, 2 copia danneggiata o con\n"
    "               file che non sono archivi, archivio non scrivibile.\n"
    "  fattura FILE ...\n"
    "               legge le fatture elettroniche dei fornitori (.xml, .p7m\n"
    "               firmato, anche in testo base64, o lo .zip scaricato dal\n"
    "               portale dell'Agenzia delle Entrate) e stampa in CSV una\n"
    "               riga per ogni riga di dettaglio, con i campi della scheda\n"
    "               di carico che diventerebbe: File,Corpo,TipoDocumento,\n"
    "               Fornitore,PartitaIva,NumDoc,DataDoc,Linea,Merce,Codice,\n"
    "               Descrizione,Quant,CostoUni,CostoTot,PrezzoTotale. La firma\n"
    "               non è verificata: l'ha già verificata il Sistema di\n"
    "               Interscambio. Stato di uscita: 0 tutti i file letti e con\n"
    "               righe, 1 qualche file senza righe, 2 qualche file non\n"
    "               leggibile (il motivo sullo standard error).\n"
    "  carica FILE ... [--data GG/MM/AAAA] [--aggiorna-costo] [CARTELLA]\n"
    "               carica le fatture elettroniche nei carichi dell'anno della\n"
    "               data (--data; senza, oggi) nella cartella del programma\n"
    "               (CARTELLA; senza, quella di scortex-cli): ogni riga di\n"
    "               merce diventa un carico con il conto da saldare, la\n"
    "               giacenza dell'articolo cresce e, con --aggiorna-costo,\n"
    "               costo, data e documento d'acquisto dell'articolo prendono\n"
    "               quelli della fattura. Il fornitore si trova per partita\n"
    "               IVA o codice fiscale; se manca, la sua scheda è aggiunta.\n"
    "               Ogni fattura è scritta tutta insieme o per niente. Una\n"
    "               fattura è saltata, con il motivo, se non è di tipo TD01,\n"
    "               TD24 o TD25 o non ha righe di merce, se è già caricata\n"
    "               (stesso fornitore, numero e data), o se una sua riga di\n"
    "               merce non ha un solo articolo con quel codice in\n"
    "               magazzino. Le righe già ricevute con un DDT caricato non\n"
    "               sono caricate di nuovo. Una riga per fattura: caricata,\n"
    "               con il numero di carichi, o saltata, con il motivo.\n"
    "               Stato di uscita: 0 tutte caricate, 1 qualcuna saltata,\n"
    "               2 errore di uso, file non leggibile o scrittura non\n"
    "               riuscita (di quella fattura non è scritto nulla).\n"
    "  --help       mostra questo aiuto.\n"
    "\n"
    "Stato di uscita: 0 tutto in ordine (find: almeno una riga); 1 problemi\n"
    "trovati (check) o nessuna riga (find); 2 file non leggibile, tipo di\n"
    "archivio non riconosciuto o comando errato.\n";

void print(std::FILE *stream, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stream);
}

int usageError(std::FILE *err, const QString &message)
{
    print(err, QStringLiteral("scortex-cli: %1\nPer l'aiuto: scortex-cli --help\n").arg(message));
    return Failure;
}

// A value shown inside a report line: control characters spelled out, so a
// line stays one line.
QString shown(const QString &value)
{
    QString out;
    for (QChar c : value) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if (c == u'"' || c == u'\\')
            out += QStringLiteral("\\") + c;
        else
            out += c;
    }
    return u'"' + out + u'"';
}

// What the guarded CSV writer reads and writes: plain data only.
struct CsvWriting
{
    const int *offset;
    const int *capacity;
    int fields;
    int recordSize;
    const char (*utf8)[4]; // per byte: its UTF-8 length, then the bytes
    char *out;
    qint64 used;

    void gather(const RecordFile::Run &run);
};

const char (*utf8Table())[4]
{
    static char table[256][4];
    static const bool ready = [] {
        for (int b = 0; b < 256; ++b)
            table[b][0] = char(Cp1252::toUtf8(static_cast<unsigned char>(b), table[b] + 1));
        return true;
    }();
    Q_UNUSED(ready);
    return table;
}

// What each byte asks of a CSV field: 1 quotes around it, 2 more than one
// UTF-8 byte or a doubled quote.
const unsigned char *byteClasses()
{
    static unsigned char classes[256];
    static const bool ready = [] {
        for (int b = 0; b < 256; ++b)
            classes[b] = b >= 0x80 ? 2 : 0;
        for (unsigned char b : {',', '\r', '\n'})
            classes[b] = 1;
        classes[static_cast<unsigned char>('"')] = 3;
        return true;
    }();
    Q_UNUSED(ready);
    return classes;
}

// One CSV row per record, straight from the stored bytes: each field
// trimmed, decoded to UTF-8 and quoted when it holds a comma, a quote or a
// line break, as a card would show it.
void CsvWriting::gather(const RecordFile::Run &run)
{
    CsvWriting *w = this;
    const unsigned char *classes = byteClasses();
    char *o = w->out;
    const char *record = run.data;
    for (qint64 i = 0; i < run.count; ++i, record += w->recordSize) {
        char digits[24];
        int n = 0;
        for (qint64 p = run.first + i; p > 0; p /= 10)
            digits[n++] = char('0' + p % 10);
        while (n > 0)
            *o++ = digits[--n];
        for (int f = 0; f < w->fields; ++f) {
            *o++ = ',';
            const QByteArrayView text = ShortString::trimmedText(record + w->offset[f], w->capacity[f]);
            const auto *t = reinterpret_cast<const unsigned char *>(text.data());
            const int length = int(text.size());
            unsigned char kind = 0;
            for (int k = 0; k < length; ++k)
                kind |= classes[t[k]];
            if (kind == 0) {
                std::memcpy(o, t, size_t(length));
                o += length;
                continue;
            }
            const bool quote = kind & 1;
            if (quote)
                *o++ = '"';
            for (int k = 0; k < length; ++k) {
                const char *e = w->utf8[t[k]];
                if (t[k] == '"')
                    *o++ = '"';
                o[0] = e[1];
                o[1] = e[2];
                o[2] = e[3];
                o += e[0];
            }
            if (quote)
                *o++ = '"';
        }
        *o++ = '\n';
    }
    w->used = o - w->out;
}

int dump(const ArchiveKind &kind, const QString &path, std::FILE *out)
{
    const RecordLayout &layout = kind.layout();
    RecordFile file(path, layout.size(), RecordFile::Mode::ReadOnly);

    QString header = QStringLiteral("N");
    for (int f = 0; f < layout.fieldCount(); ++f)
        header += u',' + QString(layout.fieldName(f));
    print(out, header + u'\n');

    std::vector<int> offset, capacity;
    for (int f = 0; f < layout.fieldCount(); ++f) {
        offset.push_back(layout.offset(f));
        capacity.push_back(layout.capacity(f));
    }
    // Room for the longest row: every text byte may take three, every field
    // a comma and two quotes.
    const qint64 rowBound = 24 + 3 * qint64(layout.fieldCount()) + 3 * qint64(layout.size()) + 1;
    const qint64 perRun = qMax<qint64>(1, (8 << 20) / rowBound);
    std::vector<char> buffer(size_t(perRun * rowBound));
    CsvWriting w{offset.data(), capacity.data(), layout.fieldCount(), layout.size(), utf8Table(), buffer.data(), 0};
    bool written = true;
    // Every field of every record is looked at.
    file.setReads(RecordFile::Reads::EveryRecord);
    gatherRuns(file, perRun, w, [&](qint64, qint64) {
        if (written && std::fwrite(w.out, 1, size_t(w.used), out) != size_t(w.used))
            written = false;
    });
    std::fflush(out);
    return written && !std::ferror(out) ? Ok : Failure;
}

int check(const ArchiveKind &kind, const QString &path, std::FILE *out)
{
    const RecordLayout &layout = kind.layout();
    RecordFile file(path, layout.size(), RecordFile::Mode::ReadOnly);

    bool found = false;
    print(out, QStringLiteral("Record: %1\n").arg(file.count()));
    if (const qint64 partial = file.trailingBytes()) {
        found = true;
        print(out, QStringLiteral("Record parziale in coda: %1 byte\n").arg(partial));
    }

    auto report = [&](qint64 position, int field, const QString &what) {
        found = true;
        print(out, QStringLiteral("Record %1, campo %2: %3\n")
                       .arg(position)
                       .arg(QString(layout.fieldName(field)), what));
    };

    file.scan([&](qint64 position, QByteArrayView bytes) {
        const Record record(layout, bytes);
        for (int f = 0; f < layout.fieldCount(); ++f) {
            if (record.storedLength(f) > layout.capacity(f)) {
                report(position, f, QStringLiteral("byte di lunghezza %1 oltre la capacità di %2")
                                        .arg(record.storedLength(f))
                                        .arg(layout.capacity(f)));
            }
        }
        for (int f : kind.yesNoFields) {
            const QString value = record.value(f);
            if (!YesNo::read(value))
                report(position, f, QStringLiteral("né \"Sì\" né \"No\": %1").arg(shown(value)));
        }
        for (int f : kind.numberFields) {
            const QString value = record.value(f);
            if (!NumberFormat::readDecimal(value))
                report(position, f, QStringLiteral("non è un numero: %1").arg(shown(value)));
        }
        for (int f : kind.dateFields) {
            const QString value = record.value(f);
            if (!NumberFormat::isValidDate(value))
                report(position, f, QStringLiteral("data non valida: %1").arg(shown(value)));
        }
        return true;
    });
    std::fflush(out);
    if (std::ferror(out))
        return Failure;
    return found ? Findings : Ok;
}

int validate(const QStringList &args, std::FILE *out, std::FILE *err)
{
    static const QHash<QString, Validators::Kind> kinds = {
        {QStringLiteral("codfisc"), Validators::Kind::TaxCode},
        {QStringLiteral("piva"), Validators::Kind::VatNumber},
        {QStringLiteral("carta"), Validators::Kind::CreditCard},
        {QStringLiteral("iban"), Validators::Kind::Iban},
    };
    if (args.size() != 2)
        return usageError(err, QStringLiteral("uso: scortex-cli validate codfisc|piva|carta|iban TESTO"));
    if (!kinds.contains(args[0]))
        return usageError(err, QStringLiteral("tipo di controllo sconosciuto: %1 (codfisc, piva, carta o iban).")
                                   .arg(args[0]));
    const Validators::Kind kind = kinds.value(args[0]);
    const Validators::Verdict verdict = Validators::check(kind, Validators::typed(kind, args[1]));
    if (!verdict.text.isEmpty())
        print(out, QString(verdict.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) + u'\n');
    std::fflush(out);
    return verdict.valid ? Ok : Findings;
}

// The lines in UTF-8, one per row.
QByteArray utf8Lines(const LineList &lines)
{
    qsizetype most = 0;
    for (qsizetype i = 0; i < lines.size(); ++i)
        most += lines.bytes(i).size() * 3 + 1;
    QByteArray text(most, Qt::Uninitialized);
    char *o = text.data();
    const auto utf8 = utf8Table();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (char b : lines.bytes(i)) {
            const char *c = utf8[static_cast<unsigned char>(b)];
            std::memcpy(o, c + 1, size_t(c[0]));
            o += c[0];
        }
        *o++ = '\n';
    }
    text.truncate(o - text.constData());
    return text;
}

// The lines one per row, then the count text (and any warning) on stderr.
int printLines(const ListResult &result, const QString &countText, std::FILE *out, std::FILE *err)
{
    QByteArray text = utf8Lines(result.lines);
    const bool written = std::fwrite(text.constData(), 1, size_t(text.size()), out) == size_t(text.size());
    std::fflush(out);
    if (!result.complete())
        print(err, ResultLines::incompleteWarning(result).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                       + u'\n');
    print(err, countText + u'\n');
    // Lines of an archive that could not be read to its end are no answer.
    if (!written || std::ferror(out) || result.readFailed)
        return Failure;
    return result.lines.empty() ? Findings : Ok;
}

int find(const ArchiveKind &kind, const QString &path, const QStringList &terms, std::FILE *out, std::FILE *err)
{
    const SearchDefinition &search = kind.search();
    QStringList names;
    for (const SearchDefinition::Field &f : search.fields)
        names << QString(search.layout().fieldName(f.field));
    QList<FieldSearch::Term> typed;
    for (const QString &term : terms) {
        const qsizetype eq = term.indexOf(u'=');
        const QString name = eq < 0 ? term : term.left(eq);
        qsizetype found = -1;
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (names[i].compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        }
        if (eq < 0 || found < 0)
            return usageError(err, QStringLiteral("campo di ricerca non valido: %1 (si scrive CAMPO=TESTO; i campi "
                                                  "di %2 sono %3).")
                                       .arg(term, QLatin1StringView(kind.name), names.join(QStringLiteral(", "))));
        for (const FieldSearch::Term &t : typed) {
            if (t.field == search.fields[found].field)
                return usageError(err, QStringLiteral("campo indicato due volte: %1").arg(names[found]));
        }
        typed.append({search.fields[found].field, term.mid(eq + 1)});
    }
    RecordFile file(path, search.layout().size(), RecordFile::Mode::ReadOnly);
    const ListResult result = runQuery(file, search.query(typed));
    return printLines(result, search.countText(qint64(result.lines.size())), out, err);
}

int findList(const ArchiveKind &list, const QString &path, std::FILE *out, std::FILE *err)
{
    const ListQuery query = list.list();
    RecordFile file(path, query.format->layout().size(), RecordFile::Mode::ReadOnly);
    const ListResult result = runQuery(file, query);
    return printLines(result, QStringLiteral("Il presente elenco contiene %1 schede.").arg(result.lines.size()), out,
                      err);
}

// FILE and the options named in `options` (each with a value); false
// after a usage error has been reported.
bool parseOptions(const QStringList &args, const QStringList &options, QString &path, QHash<QString, QString> &values,
                  std::FILE *err, int &status)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const qsizetype eq = arg.indexOf(u'=');
        const QString name = arg.startsWith(QStringLiteral("--")) ? arg.left(eq < 0 ? arg.size() : eq) : QString();
        if (!name.isEmpty()) {
            if (!options.contains(name)) {
                status = usageError(err, QStringLiteral("opzione sconosciuta: %1").arg(arg));
                return false;
            }
            if (eq < 0 && i + 1 >= args.size()) {
                status = usageError(err, QStringLiteral("manca il valore dopo %1.").arg(name));
                return false;
            }
            values[name] = eq < 0 ? args[++i] : arg.mid(eq + 1);
        } else if (path.isEmpty()) {
            path = arg;
        } else {
            status = usageError(err, QStringLiteral("argomento in più: %1").arg(arg));
            return false;
        }
    }
    if (path.isEmpty()) {
        status = usageError(err, QStringLiteral("indicare il file dell'archivio."));
        return false;
    }
    return true;
}

// The lines, then the texts the window shows under them; a result that
// could not be read whole says so on stderr and exits 1.
int printTotals(const ListResult &result, const QStringList &footer, std::FILE *out, std::FILE *err)
{
    QByteArray text = utf8Lines(result.lines);
    for (const QString &line : footer)
        text += line.toUtf8() + '\n';
    const bool written = std::fwrite(text.constData(), 1, size_t(text.size()), out) == size_t(text.size());
    std::fflush(out);
    if (!written || std::ferror(out))
        return Failure;
    if (!result.complete()) {
        print(err, ResultLines::incompleteWarning(result, true).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                       + u'\n');
        return Findings;
    }
    return Ok;
}

int inventory(const QStringList &args, std::FILE *out, std::FILE *err)
{
    QString path;
    QHash<QString, QString> values;
    int status = Ok;
    if (!parseOptions(args, {QStringLiteral("--tipologia")}, path, values, err, status))
        return status;
    const QString filter = values.value(QStringLiteral("--tipologia"));
    RecordFile file(path, ProductRecord::layout().size(), RecordFile::Mode::ReadOnly);
    const ListResult result = runQuery(file, Inventory::query(filter));
    return printTotals(result,
                       {QStringLiteral("Tipologia selezionata: ") + Inventory::tipologiaText(filter),
                        Inventory::countText(result.lines.size()),
                        QStringLiteral("Valore totale: ") + Inventory::totalText(result.total)},
                       out, err);
}

int summary(const QStringList &args, std::FILE *out, std::FILE *err)
{
    QString path;
    QHash<QString, QString> values;
    int status = Ok;
    if (!parseOptions(args, {QStringLiteral("--from"), QStringLiteral("--to"), QStringLiteral("--codice")}, path,
                      values, err, status))
        return status;
    static const QRegularExpression yearFile(QStringLiteral("^(\\d{4})\\.odc$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch year = yearFile.match(QFileInfo(path).fileName());
    if (!year.hasMatch())
        return usageError(err, QStringLiteral("dal nome %1 non si ricava l'anno: il file dei carichi si chiama come "
                                              "l'anno (2024.odc).")
                                   .arg(QFileInfo(path).fileName()));
    // "gg/mm" as the two drop-down lists would give them.
    auto end = [&](const QString &option, QString &day, QString &month) {
        static const QRegularExpression dayMonth(QStringLiteral("^(\\d{2})/(\\d{2})$"));
        const QRegularExpressionMatch m = dayMonth.match(values.value(option));
        const int mm = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (!m.hasMatch() || mm < 1 || mm > 12 || !ReceiptSummary::days().contains(m.captured(1)))
            return false;
        day = m.captured(1);
        month = ReceiptSummary::months()[mm - 1];
        return true;
    };
    ReceiptSummary::Request request;
    request.anno = request.annoInizio = request.annoFine = year.captured(1);
    if (!end(QStringLiteral("--from"), request.giornoInizio, request.meseInizio)
        || !end(QStringLiteral("--to"), request.giornoFine, request.meseFine))
        return usageError(err, QStringLiteral("indicare il periodo con --from gg/mm e --to gg/mm (01/03)."));
    const ReceiptSummary::Check check = ReceiptSummary::check(request);
    if (!check.ok) {
        print(err, QString(check.message).replace(QStringLiteral("\n\r"), QStringLiteral("\n")) + u'\n');
        return Failure;
    }
    const QString filter = values.value(QStringLiteral("--codice"));
    RecordFile file(path, ReceiptRecord::layout().size(), RecordFile::Mode::ReadOnly);
    const ListResult result = runQuery(file, ReceiptSummary::query(filter, check.dataInizio, check.dataFine));
    return printTotals(result,
                       {QStringLiteral("Codice articolo: ") + ReceiptSummary::tipologiaText(filter),
                        QStringLiteral("Intervallo selezionato: ")
                            + ReceiptSummary::intervalText(check.dataInizio, check.dataFine),
                        QStringLiteral("Numero operazioni: ") + QString::number(result.lines.size()),
                        QStringLiteral("Costo totale: ") + ReceiptSummary::totalText(result.total)},
                       out, err);
}

int exportSheet(const ArchiveKind &kind, const QString &path, const QString &target, std::FILE *err)
{
    const Spreadsheet::Table &table = kind.sheet();
    RecordFile file(path, table.layout->size(), RecordFile::Mode::ReadOnly);
    const Spreadsheet::Rows rows = Spreadsheet::Rows::read(file, table);
    if (rows.unread > 0) {
        print(err, QStringLiteral("scortex-cli: %1: %2 schede non leggibili; il file %3 non è stato scritto.\n")
                       .arg(path)
                       .arg(rows.unread)
                       .arg(target));
        return Failure;
    }
    SafeFile sheet(target);
    bool written = sheet.open(QIODevice::WriteOnly) && Spreadsheet::write(sheet, table, rows);
    written = written && sheet.commit();
    if (!written) {
        sheet.cancelWriting();
        print(err, QStringLiteral("scortex-cli: %1: impossibile scrivere il file (%2)\n").arg(target, sheet.errorString()));
        return Failure;
    }
    return Ok;
}

// The program folder: the last argument when it names an existing folder,
// otherwise the tool's own folder.
QString programFolderFrom(QStringList &args)
{
    if (!args.isEmpty() && QFileInfo(args.last()).isDir())
        return QFileInfo(args.takeLast()).absoluteFilePath();
    return QCoreApplication::applicationDirPath();
}

QString byteCount(qint64 n)
{
    return QLocale(QLocale::Italian, QLocale::Italy).toString(n);
}

int backups(QStringList args, std::FILE *out, std::FILE *err)
{
    const QString folder = programFolderFrom(args);
    if (!args.isEmpty())
        return usageError(err, QStringLiteral("cartella del programma non trovata: %1").arg(args.first()));
    const QList<SafetyCopies::Copy> copies = SafetyCopies::list(folder);
    if (copies.isEmpty()) {
        print(err, QStringLiteral("Nessuna copia di sicurezza in %1.\n")
                       .arg(QDir::toNativeSeparators(SafetyCopies::folder(folder))));
        return Findings;
    }
    for (const SafetyCopies::Copy &c : copies) {
        const QString note = c.number > 1 ? QStringLiteral("  (presa prima di un ripristino)") : QString();
        if (!c.damage.isEmpty()) {
            print(out, QStringLiteral("%1  danneggiata: %2\n").arg(c.name, c.damage));
            continue;
        }
        qint64 packed = 0;
        for (const Zip::Entry &e : c.entries)
            packed += e.packed;
        print(out, QStringLiteral("%1  %2 archivi, %3 byte nella copia%4\n")
                       .arg(c.name).arg(c.entries.size()).arg(byteCount(QFileInfo(c.path).size()), note));
        for (const Zip::Entry &e : c.entries)
            print(out, QStringLiteral("    %1  %2 byte (%3 compressi), modificato il %4\n")
                           .arg(e.name, byteCount(e.size), byteCount(e.packed),
                                e.modified.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))));
    }
    return Ok;
}

int restore(QStringList args, std::FILE *out, std::FILE *err)
{
    const QString folder = programFolderFrom(args);
    if (args.isEmpty())
        return usageError(err, QStringLiteral("indicare la data della copia da ripristinare (2026-12-10)."));
    const QString copy = args.takeFirst();
    if (!SafetyCopies::parseName(copy + QStringLiteral(".zip")) && !SafetyCopies::parseName(copy))
        return usageError(err, QStringLiteral("data della copia non valida: %1 (si scrive come nel nome della copia, "
                                              "2026-12-10).")
                                   .arg(copy));
    const SafetyCopies::Restored r = SafetyCopies::restore(folder, copy, args, QDate::currentDate());
    if (!r.undoCopy.isEmpty())
        print(out, QStringLiteral("Copia degli archivi attuali salvata come %1: per annullare il ripristino, "
                                  "scortex-cli restore %1\n")
                       .arg(r.undoCopy));
    for (qsizetype i = 0; i < r.files.size(); ++i)
        print(out, QStringLiteral("%1 ripristinato dalla copia %2\n").arg(r.files[i], r.from[i]));
    if (!r.error.isEmpty()) {
        print(err, QStringLiteral("scortex-cli: %1\n").arg(r.error));
        return Failure;
    }
    return Ok;
}

} // namespace

int run(const QStringList &args, std::FILE *out, std::FILE *err)
{
    if (!args.isEmpty() && (args.first() == u"backups" || args.first() == u"restore")) {
        if (args.contains(QStringLiteral("--help"))) {
            print(out, QString::fromUtf8(kHelp));
            return Ok;
        }
        return args.first() == u"backups" ? backups(args.mid(1), out, err) : restore(args.mid(1), out, err);
    }
    if (!args.isEmpty() && args.first() == u"validate")
        return validate(args.mid(1), out, err);
    if (!args.isEmpty() && args.first() == u"carica") {
        if (args.contains(QStringLiteral("--help"))) {
            print(out, QString::fromUtf8(kHelp));
            return Ok;
        }
        return InvoiceCli::load(args.mid(1), QCoreApplication::applicationDirPath(), out, err);
    }
    if (!args.isEmpty() && args.first() == u"fattura") {
        if (args.contains(QStringLiteral("--help"))) {
            print(out, QString::fromUtf8(kHelp));
            return Ok;
        }
        return InvoiceCli::run(args.mid(1), out, err);
    }
    if (!args.isEmpty() && (args.first() == u"inventory" || args.first() == u"summary")) {
        if (args.contains(QStringLiteral("--help"))) {
            print(out, QString::fromUtf8(kHelp));
            return Ok;
        }
        try {
            return args.first() == u"inventory" ? inventory(args.mid(1), out, err) : summary(args.mid(1), out, err);
        } catch (const ArchiveError &e) {
            print(err, QStringLiteral("scortex-cli: %1: %2\n").arg(e.path(), e.reason()));
            return Failure;
        }
    }

    QString command;
    QString path;
    QStringList extra;
    std::optional<QString> kindName;
    std::optional<QString> listName;
    bool optionsEnded = false;

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (!optionsEnded && (arg == u"--help" || arg == u"-h")) {
            print(out, QString::fromUtf8(kHelp));
            return Ok;
        }
        if (!optionsEnded && arg == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == u"--kind" || arg == u"--list")) {
            if (i + 1 >= args.size())
                return usageError(err, arg == u"--kind" ? QStringLiteral("manca il tipo di archivio dopo --kind.")
                                                        : QStringLiteral("manca il nome dell'elenco dopo --list."));
            (arg == u"--kind" ? kindName : listName) = args[++i];
        } else if (!optionsEnded && arg.startsWith(u"--kind=")) {
            kindName = arg.mid(7);
        } else if (!optionsEnded && arg.startsWith(u"--list=")) {
            listName = arg.mid(7);
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            return usageError(err, QStringLiteral("opzione sconosciuta: %1").arg(arg));
        } else if (command.isEmpty()) {
            command = arg;
        } else if (path.isEmpty()) {
            path = arg;
        } else {
            extra << arg;
        }
    }

    if (command.isEmpty())
        return usageError(err, QStringLiteral("indicare un comando: dump, check, find, export, inventory, summary o validate."));
    if (command != u"dump" && command != u"check" && command != u"find" && command != u"export")
        return usageError(
            err, QStringLiteral("comando sconosciuto: %1 (i comandi sono dump, check, find, export, inventory, summary e validate).").arg(command));
    if (path.isEmpty())
        return usageError(err, QStringLiteral("indicare il file dell'archivio."));
    if (command == u"export" && extra.size() != 1)
        return usageError(err, extra.isEmpty() ? QStringLiteral("indicare il file da scrivere (USCITA.xls).")
                                               : QStringLiteral("argomento in più: %1").arg(extra.last()));
    if (command != u"find" && command != u"export" && !extra.isEmpty())
        return usageError(err, QStringLiteral("argomento in più: %1").arg(extra.first()));
    if (command != u"find" && listName)
        return usageError(err, QStringLiteral("--list vale solo per il comando find."));

    const ArchiveKind *kind = nullptr;
    const ArchiveKind *list = nullptr;
    if (listName) {
        list = ArchiveKinds::byListName(*listName);
        if (!list)
            return usageError(err, QStringLiteral("elenco sconosciuto: %1 (ricontatta, sottoscorta o sospese).")
                                       .arg(*listName));
        if (!extra.isEmpty())
            return usageError(err, QStringLiteral("con --list non si indicano campi: %1").arg(extra.first()));
    }
    // The journal of a write in progress holds bytes of an archive, not records.
    if (RollbackJournal::isJournal(QFileInfo(path).fileName()))
        return usageError(err, QStringLiteral("%1 è il giornale di una scrittura dell'archivio, non un archivio.")
                                   .arg(QFileInfo(path).fileName()));
    if (kindName) {
        kind = ArchiveKinds::byName(*kindName);
        if (!kind)
            return usageError(err, QStringLiteral("tipo di archivio sconosciuto: %1 (fornitori, magazzino o carichi).")
                                       .arg(*kindName));
    } else {
        kind = ArchiveKinds::byFileName(path);
        if (!kind && list)
            kind = list;
        if (!kind)
            return usageError(err, QStringLiteral("dal nome %1 non si capisce il tipo di archivio; indicarlo con --kind.")
                                       .arg(QFileInfo(path).fileName()));
    }
    if (list && list != kind)
        return usageError(err, QStringLiteral("l'elenco %1 riguarda l'archivio %2, non %3.")
                                   .arg(*listName, QLatin1StringView(list->name), QLatin1StringView(kind->name)));

    try {
        if (command == u"find")
            return list ? findList(*list, path, out, err) : find(*kind, path, extra, out, err);
        if (command == u"export")
            return exportSheet(*kind, path, extra.first(), err);
        return command == u"dump" ? dump(*kind, path, out) : check(*kind, path, out);
    } catch (const ArchiveError &e) {
        print(err, QStringLiteral("scortex-cli: %1: %2\n").arg(e.path(), e.reason()));
        return Failure;
    }
}

} // namespace ArchiveCli

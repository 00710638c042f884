#include "archivecli.h"

#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "suppliers/supplierrecord.h"
#include "validators/validators.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <optional>
#include <vector>

namespace ArchiveCli {

namespace {

const char kHelp[] =
    "Uso: scortex-cli COMANDO [--kind TIPO] FILE\n"
    "     scortex-cli validate codfisc|piva|carta|iban TESTO\n"
    "\n"
    "Strumento per ispezionare gli archivi di Scortex senza modificarli.\n"
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
    "  --help       mostra questo aiuto.\n"
    "\n"
    "Stato di uscita: 0 tutto in ordine; 1 (solo check) problemi trovati;\n"
    "2 file non leggibile, tipo di archivio non riconosciuto o comando errato.\n";

struct Kind
{
    const char *name;
    const RecordLayout &(*layout)();
    std::vector<int> yesNoFields;
    std::vector<int> numberFields;
    std::vector<int> dateFields;
};

const std::vector<Kind> &kinds()
{
    static const std::vector<Kind> all = {
        {"fornitori", &SupplierRecord::layout, {SupplierRecord::Ricontatta}, {}, {}},
        {"magazzino", &ProductRecord::layout, {},
         {ProductRecord::Giacenza, ProductRecord::Sottoscorta, ProductRecord::Valore}, {}},
        {"carichi", &ReceiptRecord::layout, {ReceiptRecord::DaSaldare},
         {ReceiptRecord::CostoTot}, {ReceiptRecord::Data}},
    };
    return all;
}

const Kind *kindByName(const QString &name)
{
    for (const Kind &k : kinds()) {
        if (name.compare(QLatin1StringView(k.name), Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

const Kind *kindFromFileName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (name.compare(QLatin1StringView(SupplierRecord::FileName), Qt::CaseInsensitive) == 0)
        return kindByName(QStringLiteral("fornitori"));
    if (name.compare(QLatin1StringView(ProductRecord::FileName), Qt::CaseInsensitive) == 0)
        return kindByName(QStringLiteral("magazzino"));
    static const QRegularExpression yearly(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{4}\\.odc")),
                                           QRegularExpression::CaseInsensitiveOption);
    if (yearly.match(name).hasMatch())
        return kindByName(QStringLiteral("carichi"));
    return nullptr;
}

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

QString csvValue(const QString &value)
{
    if (!value.contains(u',') && !value.contains(u'"') && !value.contains(u'\r') && !value.contains(u'\n'))
        return value;
    QString quoted = value;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
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

int dump(const Kind &kind, const QString &path, std::FILE *out)
{
    const RecordLayout &layout = kind.layout();
    RecordFile file(path, layout.size(), RecordFile::Mode::ReadOnly);

    QString header = QStringLiteral("N");
    for (int f = 0; f < layout.fieldCount(); ++f)
        header += u',' + QString(layout.fieldName(f));
    print(out, header + u'\n');

    QString line;
    file.scan([&](qint64 position, QByteArrayView bytes) {
        line = QString::number(position);
        for (int f = 0; f < layout.fieldCount(); ++f) {
            line += u',';
            line += csvValue(ShortString::read(bytes.data() + layout.offset(f), layout.capacity(f)));
        }
        line += u'\n';
        print(out, line);
        return true;
    });
    std::fflush(out);
    return std::ferror(out) ? Failure : Ok;
}

int check(const Kind &kind, const QString &path, std::FILE *out)
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

} // namespace

int run(const QStringList &args, std::FILE *out, std::FILE *err)
{
    if (!args.isEmpty() && args.first() == u"validate")
        return validate(args.mid(1), out, err);

    QString command;
    QString path;
    std::optional<QString> kindName;
    bool optionsEnded = false;

    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (!optionsEnded && (arg == u"--help" || arg == u"-h")) {
            print(out, QString::fromUtf8(kHelp));
            return Ok;
        }
        if (!optionsEnded && arg == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == u"--kind") {
            if (i + 1 >= args.size())
                return usageError(err, QStringLiteral("manca il tipo di archivio dopo --kind."));
            kindName = args[++i];
        } else if (!optionsEnded && arg.startsWith(u"--kind=")) {
            kindName = arg.mid(7);
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            return usageError(err, QStringLiteral("opzione sconosciuta: %1").arg(arg));
        } else if (command.isEmpty()) {
            command = arg;
        } else if (path.isEmpty()) {
            path = arg;
        } else {
            return usageError(err, QStringLiteral("argomento in più: %1").arg(arg));
        }
    }

    if (command.isEmpty())
        return usageError(err, QStringLiteral("indicare un comando, dump o check."));
    if (command != u"dump" && command != u"check")
        return usageError(err, QStringLiteral("comando sconosciuto: %1 (i comandi sono dump e check).").arg(command));
    if (path.isEmpty())
        return usageError(err, QStringLiteral("indicare il file dell'archivio."));

    const Kind *kind = nullptr;
    if (kindName) {
        kind = kindByName(*kindName);
        if (!kind)
            return usageError(err, QStringLiteral("tipo di archivio sconosciuto: %1 (fornitori, magazzino o carichi).")
                                       .arg(*kindName));
    } else {
        kind = kindFromFileName(path);
        if (!kind)
            return usageError(err, QStringLiteral("dal nome %1 non si capisce il tipo di archivio; indicarlo con --kind.")
                                       .arg(QFileInfo(path).fileName()));
    }

    try {
        return command == u"dump" ? dump(*kind, path, out) : check(*kind, path, out);
    } catch (const ArchiveError &e) {
        print(err, QStringLiteral("scortex-cli: %1: %2\n").arg(e.path(), e.reason()));
        return Failure;
    }
}

} // namespace ArchiveCli

#include "invoicecli.h"

#include "invoices/invoicereader.h"
#include "receipts/invoiceimport.h"
#include "receipts/invoicelines.h"
#include "receipts/receiptrecord.h"
#include "storage/archiveerror.h"
#include "storage/numberformat.h"

#include <QDate>
#include <QFileInfo>

#include <algorithm>

namespace InvoiceCli {

namespace {

void print(std::FILE *stream, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stream);
}

// RFC 4180: quoted when it holds a comma, a quote or a line break.
QString csv(const QString &field)
{
    if (!field.contains(u',') && !field.contains(u'"') && !field.contains(u'\r') && !field.contains(u'\n'))
        return field;
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

} // namespace

int run(const QStringList &args, std::FILE *out, std::FILE *err)
{
    QStringList paths;
    bool optionsEnded = false;
    for (const QString &arg : args) {
        if (!optionsEnded && arg == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            print(err, QStringLiteral("scortex-cli: opzione sconosciuta: %1\nPer l'aiuto: scortex-cli --help\n").arg(arg));
            return 2;
        } else {
            paths << arg;
        }
    }
    if (paths.isEmpty()) {
        print(err, QStringLiteral("scortex-cli: indicare almeno un file di fatture (.xml, .p7m o .zip).\n"
                                  "Per l'aiuto: scortex-cli --help\n"));
        return 2;
    }
    print(out, QStringLiteral("File,Corpo,TipoDocumento,Fornitore,PartitaIva,NumDoc,DataDoc,Linea,Merce,Codice,"
                              "Descrizione,Quant,CostoUni,CostoTot,PrezzoTotale\n"));
    int status = 0;
    for (const QString &path : paths) {
        for (const Invoices::Source &source : Invoices::readFile(path)) {
            if (!source.error.isEmpty()) {
                print(err, QStringLiteral("scortex-cli: %1: %2\n").arg(source.name, source.error));
                status = 2;
                continue;
            }
            if (source.lineCount() == 0) {
                print(err, QStringLiteral("scortex-cli: %1: %2\n").arg(source.name, source.note));
                status = std::max(status, 1);
                continue;
            }
            QString rows;
            for (const Invoices::Invoice &invoice : source.invoices) {
                for (const Invoices::Line &line : invoice.lines) {
                    const InvoiceLines::ReceiptFields r = InvoiceLines::fromLine(invoice, line);
                    const QStringList fields{source.name,
                                             QString::number(invoice.body),
                                             invoice.tipoDocumento.trimmed(),
                                             r.fornitore,
                                             invoice.supplier.vatNumber().trimmed(),
                                             r.numDoc,
                                             r.dataDoc,
                                             line.numeroLinea,
                                             r.goods ? QStringLiteral("Sì") : QStringLiteral("No"),
                                             r.codice,
                                             r.descrizione,
                                             r.quant,
                                             r.costoUni,
                                             r.costoTot,
                                             QString(line.prezzoTotale).replace(u'.', u',')};
                    for (const QString &f : fields)
                        rows += csv(f) + u',';
                    rows.chop(1);
                    rows += u'\n';
                    const QString where =
                        QStringLiteral("scortex-cli: %1, fattura %2, linea %3: ").arg(source.name, invoice.numero.trimmed(), line.numeroLinea);
                    if (!r.problem.isEmpty())
                        print(err, where + r.problem + u'\n');
                    for (const QString &mark : r.marks)
                        print(err, where + mark + u'\n');
                }
            }
            print(out, rows);
        }
    }
    std::fflush(out);
    return std::ferror(out) ? 2 : status;
}

int load(QStringList args, const QString &toolFolder, std::FILE *out, std::FILE *err)
{
    const auto usage = [&](const QString &why) {
        print(err, QStringLiteral("scortex-cli: %1\nPer l'aiuto: scortex-cli --help\n").arg(why));
        return 2;
    };
    // FOLDER as restore takes it: the last argument when it is a folder.
    QString folder = toolFolder;
    if (!args.isEmpty() && QFileInfo(args.last()).isDir())
        folder = QFileInfo(args.takeLast()).absoluteFilePath();
    QString date = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    bool updateCost = false;
    QStringList paths;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (!optionsEnded && arg == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == u"--aggiorna-costo") {
            updateCost = true;
        } else if (!optionsEnded && (arg == u"--data" || arg.startsWith(u"--data="))) {
            if (arg == u"--data" && i + 1 >= args.size())
                return usage(QStringLiteral("manca la data dopo --data (gg/mm/aaaa)."));
            date = arg == u"--data" ? args[++i] : arg.mid(7);
            if (!NumberFormat::isValidDate(date) || date.size() != 10)
                return usage(QStringLiteral("data di carico non valida: %1 (si scrive gg/mm/aaaa).").arg(date));
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            return usage(QStringLiteral("opzione sconosciuta: %1").arg(arg));
        } else {
            paths << arg;
        }
    }
    if (paths.isEmpty())
        return usage(QStringLiteral("indicare almeno un file di fatture (.xml, .p7m o .zip)."));
    const QString year = ReceiptRecord::archivePath(folder, date.right(4));

    int status = 0;
    InvoiceImport::Choices choices;
    choices.data = date;
    choices.daSaldare = true;
    choices.updateCost = updateCost;
    for (const QString &path : paths) {
        const QList<Invoices::Source> sources = Invoices::readFile(path);
        for (const Invoices::Source &source : sources) {
            if (!source.error.isEmpty()) {
                print(err, QStringLiteral("scortex-cli: %1: %2\n").arg(source.name, source.error));
                status = 2;
                continue;
            }
            if (source.invoices.isEmpty()) {
                print(out, QStringLiteral("%1: saltato, %2\n").arg(source.name, source.note));
                status = std::max(status, 1);
            }
            for (const InvoiceImport::Received &r : InvoiceImport::received({source})) {
                const QString who = QStringLiteral("%1: %2").arg(source.name, InvoiceImport::invoiceTitle(r.invoice));
                const auto skip = [&](const QString &why) {
                    print(out, QStringLiteral("%1: saltata, %2\n").arg(who, why));
                    status = std::max(status, 1);
                };
                if (const QString why = InvoiceImport::typeProblem(r.invoice); !why.isEmpty()) {
                    skip(why);
                    continue;
                }
                // Planned one by one: an invoice found twice in the files
                // is already loaded the second time.
                InvoiceImport::Plan plan;
                try {
                    plan = InvoiceImport::plan(folder, year, {r}).front();
                } catch (const ArchiveError &e) {
                    print(err, QStringLiteral("scortex-cli: %1: %2: %3\n").arg(who, e.path(), e.reason()));
                    status = 2;
                    continue;
                }
                if (plan.alreadyLoaded) {
                    skip(QStringLiteral("già caricata nell'archivio %1").arg(QFileInfo(year).fileName()));
                    continue;
                }
                QStringList problems, received;
                int goods = 0;
                for (InvoiceImport::LinePlan &l : plan.lines) {
                    // Only goods; a line that came on a delivery note
                    // already loaded is not loaded twice.
                    if (!l.fields.goods) {
                        l.ticked = false;
                        continue;
                    }
                    ++goods;
                    const QString line = QStringLiteral("riga %1: ").arg(r.invoice.lines[l.line].numeroLinea.trimmed());
                    if (!l.receivedWith.isEmpty()) {
                        received << line + QStringLiteral("già ricevuta con il DDT n. %1").arg(l.receivedWith);
                        l.ticked = false;
                    } else if (!l.fields.problem.isEmpty()) {
                        problems << line + l.fields.problem;
                    } else if (const QString why = InvoiceImport::matchProblem(l); !why.isEmpty()) {
                        problems << line + why;
                    }
                }
                if (goods == 0) {
                    skip(QStringLiteral("nessuna riga di merce"));
                    continue;
                }
                if (!problems.isEmpty()) {
                    skip(problems.join(QStringLiteral("; ")));
                    continue;
                }
                if (received.size() == goods) {
                    skip(QStringLiteral("tutta la merce è già stata ricevuta (%1)").arg(received.join(QStringLiteral("; "))));
                    continue;
                }
                const InvoiceImport::Outcome done = InvoiceImport::commit(folder, year, plan, choices);
                if (!done.ok) {
                    QString why = done.message;
                    why.replace(QStringLiteral("\r\n\r\n"), QStringLiteral(" "));
                    print(err, QStringLiteral("scortex-cli: %1: %2\n").arg(who, why));
                    print(out, QStringLiteral("%1: non caricata, errore\n").arg(who));
                    status = 2;
                    continue;
                }
                QString line = QStringLiteral("%1: caricata, %2 %3, giacenza aggiornata per %4 %5")
                                   .arg(who)
                                   .arg(done.receipts)
                                   .arg(done.receipts == 1 ? QStringLiteral("carico") : QStringLiteral("carichi"))
                                   .arg(done.productsChanged)
                                   .arg(done.productsChanged == 1 ? QStringLiteral("articolo") : QStringLiteral("articoli"));
                if (plan.supplierPosition == 0)
                    line += QStringLiteral(", nuova scheda fornitore");
                if (!received.isEmpty())
                    line += QStringLiteral(" (%1)").arg(received.join(QStringLiteral("; ")));
                print(out, line + u'\n');
                if (!done.unflushed.isEmpty()) {
                    print(err, QStringLiteral("scortex-cli: %1: %2\n").arg(who, done.unflushed));
                    status = 2;
                }
            }
        }
    }
    std::fflush(out);
    return std::ferror(out) ? 2 : status;
}

} // namespace InvoiceCli

#include "invoicecli.h"

#include "invoices/invoicereader.h"
#include "receipts/invoicelines.h"

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

} // namespace InvoiceCli

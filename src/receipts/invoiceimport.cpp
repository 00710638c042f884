#include "invoiceimport.h"

#include "products/productrecord.h"
#include "receipts/productimport.h"
#include "receipts/receiptrecord.h"
#include "storage/archiveerror.h"
#include "storage/attachments.h"
#include "storage/cp1252.h"
#include "storage/numberformat.h"
#include "storage/programfolder.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "storage/textrules.h"
#include "storage/transaction.h"
#include "suppliers/supplierrecord.h"
#include "validators/validators.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace InvoiceImport {

namespace {

const QString kAttachmentsFolder = QStringLiteral("Documenti_Allegati");

QString fold(QStringView text)
{
    return TextRules::upperAZ(TextRules::trimmed(text));
}

// The stored bytes of a text, trimmed and with A-Z folded, for scans that
// never decode what they do not keep.
QByteArray foldedBytes(QByteArrayView stored)
{
    QByteArray out = ShortString::trimmed(stored).toByteArray();
    for (char &c : out) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return out;
}

QByteArray foldedText(const QString &text)
{
    const QByteArray bytes = Cp1252::encode(text);
    return foldedBytes(QByteArrayView(bytes));
}

QByteArrayView rawField(QByteArrayView record, const RecordLayout &layout, int field)
{
    return ShortString::trimmedText(record.data() + layout.offset(field), layout.capacity(field));
}

QString textField(QByteArrayView record, const RecordLayout &layout, int field)
{
    return ShortString::read(record.data() + layout.offset(field), layout.capacity(field));
}

QString withoutBlanks(QString text)
{
    text.remove(u' ');
    return TextRules::upperAZ(text);
}

// The supplier's VAT number as Fornitori.pro keeps it (digits only), and
// its tax code; empty when the invoice gives none.
QString invoiceVat(const Invoices::Supplier &s)
{
    return withoutBlanks(s.idPaese) == u"IT" ? withoutBlanks(s.idCodice) : QString();
}

QString cardVat(QByteArrayView record)
{
    QString vat = withoutBlanks(textField(record, SupplierRecord::layout(), SupplierRecord::PartitaIva));
    if (vat.startsWith(u"IT"))
        vat.remove(0, 2);
    return vat;
}

// 2: same VAT number, 1: same tax code, 0: another firm.
int supplierMatch(const Invoices::Supplier &s, QByteArrayView record)
{
    const QString vat = invoiceVat(s);
    if (!vat.isEmpty() && vat == cardVat(record))
        return 2;
    const QString cf = withoutBlanks(s.codiceFiscale);
    if (!cf.isEmpty() && cf == withoutBlanks(textField(record, SupplierRecord::layout(), SupplierRecord::CodFisc)))
        return 1;
    return 0;
}

QString dayText(const QString &isoDate)
{
    const QString d = isoDate.trimmed().left(10);
    if (d.size() == 10 && d[4] == u'-' && d[7] == u'-')
        return d.mid(8, 2) + u'/' + d.mid(5, 2) + u'/' + d.left(4);
    return d;
}

const Invoices::DeliveryNote *noteOf(const Invoices::Invoice &invoice, const Invoices::Line &line)
{
    const Invoices::DeliveryNote *whole = nullptr;
    for (const Invoices::DeliveryNote &n : invoice.deliveryNotes) {
        for (const QString &l : n.lines) {
            if (l.trimmed() == line.numeroLinea.trimmed())
                return &n;
        }
        if (n.lines.isEmpty() && !whole)
            whole = &n;
    }
    return whole;
}

QString stored(const QString &text, int capacity)
{
    QStringList ignored;
    return InvoiceLines::storedText(text, capacity, {}, &ignored);
}

QByteArray loadedKey(const QByteArray &fornitore, const QByteArray &numDoc, const QByteArray &dataDoc)
{
    return fornitore + '\x01' + numDoc + '\x01' + dataDoc;
}

QByteArray receivedKey(const QByteArray &fornitore, const QByteArray &numDoc)
{
    return fornitore + '\x01' + numDoc;
}

// The names a receipt of this supplier may carry: its card's and the
// invoice's.
QList<QByteArray> supplierNames(const Plan &p)
{
    QList<QByteArray> names{foldedText(p.ditta())};
    const QByteArray fromInvoice = foldedText(stored(p.source.invoice.supplier.name(),
                                                      ReceiptRecord::layout().capacity(ReceiptRecord::Fornitore)));
    if (!names.contains(fromInvoice))
        names.append(fromInvoice);
    return names;
}

QByteArray loadedKeyOf(QByteArrayView record)
{
    using namespace ReceiptRecord;
    return loadedKey(foldedBytes(rawField(record, layout(), Fornitore)), foldedBytes(rawField(record, layout(), NumDoc)),
                     foldedBytes(rawField(record, layout(), DataDoc)));
}

bool alreadyIn(const QSet<QByteArray> &keys, const Plan &p)
{
    const InvoiceLines::ReceiptFields f = InvoiceLines::fromLine(p.source.invoice, Invoices::Line());
    for (const QByteArray &name : supplierNames(p)) {
        if (keys.contains(loadedKey(name, foldedText(f.numDoc), foldedText(f.dataDoc))))
            return true;
    }
    return false;
}

QByteArray newSupplier(const Invoices::Invoice &invoice, QStringList *marks)
{
    using namespace SupplierRecord;
    const Invoices::Supplier &s = invoice.supplier;
    Record r(layout());
    const auto put = [&](int field, const QString &text, const QString &label) {
        r.setValue(field, InvoiceLines::storedText(text, layout().capacity(field), label, marks));
    };
    put(Ditta, s.name(), QStringLiteral("Denominazione Ditta"));
    put(IndirizzoRes, (s.sede.indirizzo.trimmed() + u' ' + s.sede.numeroCivico.trimmed()).trimmed(),
        QStringLiteral("Indirizzo"));
    put(CapRes, s.sede.cap, QStringLiteral("CAP"));
    put(ComuneRes, s.sede.comune, QStringLiteral("Città"));
    put(ProvRes, TextRules::upperAZ(s.sede.provincia.trimmed()), QStringLiteral("Provincia"));
    put(TelUff, s.telefono, QStringLiteral("Telefono"));
    put(Fax, s.fax, QStringLiteral("Fax"));
    put(Email, s.email.trimmed(), QStringLiteral("E-mail"));
    // The receipts take the card's preferred contact: its phone, else its mail.
    put(Recapito, s.telefono.trimmed().isEmpty() ? s.email.trimmed() : s.telefono.trimmed(),
        QStringLiteral("Recapito preferenziale"));
    // A code the card's own check refuses is left out, and said.
    const auto checked = [&](int field, Validators::Kind kind, const QString &value, const QString &label) {
        if (value.isEmpty())
            return;
        if (Validators::check(kind, value).valid && value.size() <= layout().capacity(field))
            r.setValue(field, value);
        else
            marks->append(QStringLiteral("%1 \"%2\" non valido: non riportato nella scheda").arg(label, value));
    };
    const QString vat = invoiceVat(s);
    if (vat.isEmpty() && !s.idCodice.trimmed().isEmpty())
        marks->append(QStringLiteral("Partita IVA estera \"%1\" non riportata nella scheda").arg(s.vatNumber().trimmed()));
    checked(PartitaIva, Validators::Kind::VatNumber, vat, QStringLiteral("Partita IVA"));
    const QString cf = withoutBlanks(s.codiceFiscale);
    checked(CodFisc, cf.size() == 11 ? Validators::Kind::VatNumber : Validators::Kind::TaxCode, cf,
            QStringLiteral("Codice fiscale"));
    for (const Invoices::Payment &pay : invoice.payments) {
        const QString iban = withoutBlanks(pay.iban);
        if (!iban.isEmpty()) {
            checked(Iban, Validators::Kind::Iban, iban, QStringLiteral("IBAN"));
            break;
        }
    }
    r.setValue(Ricontatta, YesNo::text(false));
    return r.bytes();
}

struct Refused
{
    QString why;
};

} // namespace

QString Plan::ditta() const
{
    return textField(supplier, SupplierRecord::layout(), SupplierRecord::Ditta);
}

QString invoiceTitle(const Invoices::Invoice &invoice)
{
    return QStringLiteral("Fattura n. %1 del %2").arg(invoice.numero.trimmed(), invoice.dateText());
}

QString typeProblem(const Invoices::Invoice &invoice)
{
    const QString type = invoice.tipoDocumento.trimmed();
    if (type == u"TD01" || type == u"TD24" || type == u"TD25")
        return {};
    return QStringLiteral("documento di tipo %1, non una fattura di merce (TD01, TD24 o TD25)")
        .arg(type.isEmpty() ? QStringLiteral("non indicato") : type);
}

QString doneMessage(int receipts, int productsChanged)
{
    return QStringLiteral("%1 %2; giacenza aggiornata per %3 %4.")
        .arg(receipts == 1 ? QStringLiteral("Caricato") : QStringLiteral("Caricati"))
        .arg(receipts == 1 ? QStringLiteral("1 carico") : QStringLiteral("%1 carichi").arg(receipts))
        .arg(productsChanged)
        .arg(productsChanged == 1 ? QStringLiteral("articolo") : QStringLiteral("articoli"));
}

QList<Received> received(const QList<Invoices::Source> &sources)
{
    QList<Received> out;
    for (const Invoices::Source &s : sources) {
        if (!s.error.isEmpty())
            continue;
        for (const Invoices::Invoice &i : s.invoices)
            out.append({s.name.section(u'/', -1), s.bytes, i});
    }
    return out;
}

QList<Plan> plan(const QString &programFolder, const QString &yearArchive, const QList<Received> &invoices)
{
    QList<Plan> plans;
    for (const Received &r : invoices) {
        Plan p;
        p.source = r;
        p.supplier = newSupplier(r.invoice, &p.supplierMarks);
        for (int i = 0; i < r.invoice.lines.size(); ++i) {
            LinePlan l;
            l.line = i;
            l.fields = InvoiceLines::fromLine(r.invoice, r.invoice.lines[i]);
            if (const Invoices::DeliveryNote *n = noteOf(r.invoice, r.invoice.lines[i]))
                l.note = QStringLiteral("DDT n. %1 del %2").arg(n->numero.trimmed(), dayText(n->data));
            p.lines.append(l);
        }
        plans.append(p);
    }

    // Suppliers: a VAT number found beats a tax code, the first card beats
    // the later ones.
    const QString suppliersPath = SupplierRecord::archivePath(programFolder);
    if (QFileInfo::exists(suppliersPath)) {
        RecordFile file(suppliersPath, SupplierRecord::Size, RecordFile::Mode::ReadOnly);
        // Counted before the scan: a card added meanwhile is looked at
        // again by the commit.
        const qint64 count = file.count();
        QList<int> best(plans.size(), 0);
        file.scan([&](qint64 position, QByteArrayView record) {
            for (qsizetype k = 0; k < plans.size(); ++k) {
                const int m = supplierMatch(plans[k].source.invoice.supplier, record);
                if (m > best[k]) {
                    best[k] = m;
                    plans[k].supplierPosition = position;
                    plans[k].supplier = record.toByteArray();
                }
            }
            return true;
        });
        for (Plan &p : plans) {
            p.supplierCount = count;
            if (p.supplierPosition)
                p.supplierMarks.clear();
        }
    }

    // Products: every code of every line looked up in one pass.
    QHash<QByteArray, QList<QPair<int, int>>> wanted; // folded code -> (plan, line)
    for (int k = 0; k < plans.size(); ++k) {
        const Invoices::Invoice &inv = plans[k].source.invoice;
        for (int i = 0; i < inv.lines.size(); ++i) {
            for (const Invoices::ArticleCode &c : inv.lines[i].codes) {
                const QByteArray key = foldedText(c.valore);
                if (!key.isEmpty() && !wanted[key].contains(qMakePair(k, i)))
                    wanted[key].append({k, i});
            }
        }
    }
    const QString productsPath = ProductRecord::archivePath(programFolder);
    if (!wanted.isEmpty() && QFileInfo::exists(productsPath)) {
        using namespace ProductRecord;
        RecordFile file(productsPath, Size, RecordFile::Mode::ReadOnly);
        const qint64 count = file.count();
        for (Plan &p : plans)
            p.productCount = count;
        file.scan([&](qint64 position, QByteArrayView record) {
            const auto hit = wanted.constFind(foldedBytes(rawField(record, layout(), Codice)));
            if (hit == wanted.cend())
                return true;
            for (const auto &[k, i] : *hit) {
                QList<Candidate> &cs = plans[k].lines[i].candidates;
                if (!cs.isEmpty() && cs.last().position == position)
                    continue;
                cs.append({position, record.toByteArray(), textField(record, layout(), Codice),
                           textField(record, layout(), Descrizione), textField(record, layout(), Fornitore)});
            }
            return true;
        });
    }
    for (Plan &p : plans) {
        for (LinePlan &l : p.lines) {
            const Candidate *taken = l.candidates.size() == 1 ? &l.candidates.front() : nullptr;
            if (l.candidates.size() > 1) {
                const QString ditta = fold(p.ditta());
                for (const Candidate &c : l.candidates) {
                    if (fold(c.fornitore) != ditta)
                        continue;
                    if (taken) {
                        taken = nullptr;
                        break;
                    }
                    taken = &c;
                }
            }
            if (taken) {
                l.product = LinePlan::Product::Existing;
                l.position = taken->position;
                l.record = taken->record;
            }
        }
    }

    // The year's receipts: what is already loaded, and which delivery notes.
    QHash<QByteArray, int> names; // folded supplier name -> how many plans
    for (const Plan &p : plans) {
        for (const QByteArray &n : supplierNames(p))
            names[n]++;
    }
    QSet<QByteArray> loaded;
    // Supplier and document number -> the documents' dates, as stored.
    QHash<QByteArray, QSet<QByteArray>> documents;
    const auto scanReceipts = [&](const QString &path, bool forLoaded) {
        using namespace ReceiptRecord;
        RecordFile file(path, Size, RecordFile::Mode::ReadOnly);
        // Counted first: what comes in during the scan is looked at again
        // by the commit.
        const qint64 count = file.count();
        file.scan([&](qint64, QByteArrayView record) {
            const QByteArray fornitore = foldedBytes(rawField(record, layout(), Fornitore));
            if (!names.contains(fornitore))
                return true;
            const QByteArray numDoc = foldedBytes(rawField(record, layout(), NumDoc));
            const QByteArray dataDoc = foldedBytes(rawField(record, layout(), DataDoc));
            if (forLoaded)
                loaded.insert(loadedKey(fornitore, numDoc, dataDoc));
            documents[receivedKey(fornitore, numDoc)].insert(dataDoc);
            return true;
        });
        return count;
    };
    if (QFileInfo::exists(yearArchive)) {
        const qint64 count = scanReceipts(yearArchive, true);
        for (Plan &p : plans)
            p.receiptCount = count;
    }
    // A delivery note of another year (a deferred invoice in January for
    // December's goods) is looked for in that year's archive too.
    QSet<QString> otherYears;
    const QFileInfo year(yearArchive);
    for (const Plan &p : plans) {
        for (const Invoices::DeliveryNote &n : p.source.invoice.deliveryNotes) {
            const QString y = dayText(n.data).right(4);
            if (y.size() == 4 && y != year.completeBaseName())
                otherYears.insert(y);
        }
    }
    for (const QString &y : std::as_const(otherYears)) {
        const QString path = year.dir().filePath(y + QStringLiteral(".odc"));
        if (QFileInfo::exists(path))
            scanReceipts(path, false);
    }
    for (Plan &p : plans) {
        p.alreadyLoaded = alreadyIn(loaded, p);
        const QList<QByteArray> supplier = supplierNames(p);
        for (LinePlan &l : p.lines) {
            const Invoices::DeliveryNote *n = noteOf(p.source.invoice, p.source.invoice.lines[l.line]);
            if (n) {
                // The note's number, and its date where the receipt gives one:
                // an invoice of the same number is another document.
                const QByteArray number =
                    foldedText(stored(n->numero, ReceiptRecord::layout().capacity(ReceiptRecord::NumDoc)));
                const QByteArray date = foldedText(dayText(n->data));
                for (const QByteArray &name : supplier) {
                    const auto dates = documents.constFind(receivedKey(name, number));
                    if (!number.isEmpty() && dates != documents.cend()
                        && (dates->contains(QByteArray()) || dates->contains(date)))
                        l.receivedWith = QStringLiteral("%1 del %2").arg(n->numero.trimmed(), dayText(n->data));
                }
            }
            l.ticked = l.fields.goods && l.fields.problem.isEmpty() && l.receivedWith.isEmpty() && !p.alreadyLoaded;
        }
    }
    return plans;
}

QString matchProblem(const LinePlan &line)
{
    if (line.product == LinePlan::Product::Existing)
        return {};
    if (line.candidates.isEmpty()) {
        return line.fields.codice.isEmpty()
                   ? QStringLiteral("la riga non ha un codice articolo")
                   : QStringLiteral("nessun articolo in magazzino ha il codice %1").arg(line.fields.codice);
    }
    return QStringLiteral("%1 articoli in magazzino hanno il codice %2").arg(line.candidates.size()).arg(line.candidates.front().codice);
}

QByteArray newProduct(const Plan &plan, const LinePlan &line, const QString &tipologia)
{
    using namespace ProductRecord;
    const Invoices::Line &source = plan.source.invoice.lines[line.line];
    Record r(layout());
    r.setValue(Codice, line.fields.codice);
    r.setValue(Tipologia, tipologia);
    r.setValue(Descrizione, stored(line.fields.descrizione, layout().capacity(Descrizione)));
    r.setValue(Fornitore, plan.ditta());
    r.setValue(Recapiti, textField(plan.supplier, SupplierRecord::layout(), SupplierRecord::Recapito));
    r.setValue(Data, plan.source.invoice.dateText());
    r.setValue(Documento, invoiceTitle(plan.source.invoice));
    r.setValue(Costo, line.fields.costoUni.isEmpty() ? QStringLiteral("0,00") : line.fields.costoUni);
    const std::optional<double> rate = NumberFormat::readDecimal(QString(source.aliquotaIva).replace(u'.', u','));
    r.setValue(PercIva, rate && *rate >= 0 && *rate < 100 ? QString::number(qRound(*rate)) : QStringLiteral("0"));
    for (int f : {Prezzo, Prezzo_con_Iva, Valore})
        r.setValue(f, QStringLiteral("0,00"));
    r.setValue(Giacenza, QStringLiteral("0"));
    r.setValue(Sottoscorta, QStringLiteral("0"));
    return r.bytes();
}

Outcome commit(const QString &programFolder, const QString &yearArchive, const Plan &plan, const Choices &choices)
{
    Outcome out;
    const Invoices::Invoice &invoice = plan.source.invoice;
    const auto refuse = [&](const QString &why) {
        out.message = QStringLiteral("Attenzione: la %1 di %2 non è stata caricata.\r\n\r\n%3")
                          .arg(invoiceTitle(invoice).replace(QStringLiteral("Fattura"), QStringLiteral("fattura")),
                               plan.ditta(), why);
        return out;
    };
    if (!NumberFormat::isValidDate(choices.data))
        return refuse(QStringLiteral("La data di carico \"%1\" non è valida: indicarla come gg/mm/aaaa.").arg(choices.data));
    if (plan.alreadyLoaded && !choices.loadAgain)
        return refuse(QStringLiteral("La fattura è già caricata nell'archivio dei carichi."));
    QList<const LinePlan *> lines;
    for (const LinePlan &l : plan.lines) {
        if (!l.ticked)
            continue;
        const QString where = QStringLiteral("Riga %1: ").arg(invoice.lines[l.line].numeroLinea.trimmed());
        if (!l.fields.problem.isEmpty())
            return refuse(where + l.fields.problem + u'.');
        if (l.product == LinePlan::Product::Existing && l.position < 1)
            return refuse(where + QStringLiteral("scegliere l'articolo del magazzino."));
        if (l.product == LinePlan::Product::New && l.record.size() != ProductRecord::Size)
            return refuse(where + QStringLiteral("manca la scheda del nuovo articolo."));
        if (l.product == LinePlan::Product::None && TextRules::trimmed(l.tipologia).isEmpty())
            return refuse(where + QStringLiteral("indicare la tipologia della merce caricata senza articolo."));
        lines.append(&l);
    }
    if (lines.isEmpty())
        return refuse(QStringLiteral("Nessuna riga da caricare è selezionata."));

    const QString year = yearArchive;
    const QString products = ProductRecord::archivePath(programFolder);
    const QString suppliers = SupplierRecord::archivePath(programFolder);
    try {
        // The files go first and whole: a commit that then fails leaves
        // only a file no card names, never a card naming no file.
        const QString folder = programFile(programFolder, kAttachmentsFolder);
        QString file01, file02, desc02;
        if (!plan.source.fileBytes.isEmpty())
            file01 = Attachments::keepBytes(
                folder, Attachments::storableName(plan.source.fileName, QStringLiteral("Fattura.xml")),
                plan.source.fileBytes);
        if (!invoice.attachments.isEmpty() && !invoice.attachments.front().bytes.isEmpty()) {
            const Invoices::Attachment &a = invoice.attachments.front();
            const QString format = a.formato.trimmed().toLower();
            const QString fallback = QStringLiteral("Allegato") + (Attachments::isStorableName(QStringLiteral("a.") + format) && !format.isEmpty()
                                                                       ? u'.' + format
                                                                       : QString());
            file02 = Attachments::keepBytes(folder, Attachments::storableName(a.nome.trimmed(), fallback), a.bytes);
            desc02 = a.descrizione.trimmed().isEmpty()
                         ? QStringLiteral("Allegato alla fattura n. %1 del %2").arg(invoice.numero.trimmed(), invoice.dateText())
                         : a.descrizione;
        }

        ArchiveTransaction change({{year, ReceiptRecord::Size},
                                   {products, ProductRecord::Size},
                                   {suppliers, SupplierRecord::Size}});

        // The supplier, as it stands under the locks.
        QByteArray supplier = plan.supplier;
        if (plan.supplierPosition > 0) {
            if (plan.supplierPosition > change.count(suppliers)
                || !supplierMatch(invoice.supplier, supplier = change.read(suppliers, plan.supplierPosition)))
                throw Refused{QStringLiteral("La scheda del fornitore è stata modificata nel frattempo: ripetere "
                                             "l'importazione.")};
        } else {
            qint64 found = 0;
            for (qint64 p = plan.supplierCount + 1; p <= change.count(suppliers) && !found; ++p) {
                const QByteArray card = change.read(suppliers, p);
                if (supplierMatch(invoice.supplier, card)) {
                    found = p;
                    supplier = card;
                }
            }
            if (!found)
                change.append(suppliers, supplier);
        }
        Plan now = plan;
        now.supplier = supplier;

        // Loaded by another workstation since the plan.
        if (!choices.loadAgain) {
            QSet<QByteArray> keys;
            for (qint64 p = plan.receiptCount + 1; p <= change.count(year); ++p)
                keys.insert(loadedKeyOf(change.read(year, p)));
            if (alreadyIn(keys, now))
                throw Refused{QStringLiteral("La fattura è stata caricata nel frattempo da un'altra postazione.")};
        }

        QSet<qint64> changed;
        // One new product on two lines is one card, raised twice.
        QHash<QByteArray, qint64> created;
        for (const LinePlan *l : lines) {
            const QString where = QStringLiteral("Riga %1: ").arg(invoice.lines[l->line].numeroLinea.trimmed());
            QByteArray product;
            qint64 position = 0;
            if (l->product == LinePlan::Product::Existing) {
                if (l->position > change.count(products)
                    || !ProductImport::sameProduct(product = change.read(products, l->position), l->record))
                    throw Refused{where + QStringLiteral("la scheda dell'articolo è stata modificata nel frattempo: "
                                                         "ripetere l'importazione.")};
                position = l->position;
            } else if (l->product == LinePlan::Product::New) {
                const QByteArray code = foldedBytes(rawField(l->record, ProductRecord::layout(), ProductRecord::Codice));
                qint64 made = code.isEmpty() ? 0 : created.value(code);
                // A card of that code added since the plan (by an invoice
                // loaded before this one, or another workstation) is the
                // product, not a second card of one code.
                for (qint64 p = plan.productCount + 1; !made && !code.isEmpty() && p <= change.count(products); ++p) {
                    if (foldedBytes(rawField(change.read(products, p), ProductRecord::layout(), ProductRecord::Codice)) == code)
                        made = p;
                }
                if (made) {
                    position = made;
                    product = change.read(products, made);
                    created.insert(code, made);
                } else {
                    product = l->record;
                }
            }
            using namespace ReceiptRecord;
            Record receipt(layout());
            receipt.setValue(Fornitore, textField(supplier, SupplierRecord::layout(), SupplierRecord::Ditta));
            receipt.setValue(Recapiti, textField(supplier, SupplierRecord::layout(), SupplierRecord::Recapito));
            receipt.setValue(NumDoc, l->fields.numDoc);
            receipt.setValue(DataDoc, l->fields.dataDoc);
            receipt.setValue(Data, choices.data);
            if (!product.isEmpty()) {
                Record r(ProductRecord::layout(), product);
                if (choices.updateCost) {
                    r.setValue(ProductRecord::Costo, l->fields.costoUni);
                    r.setValue(ProductRecord::Data, invoice.dateText());
                    r.setValue(ProductRecord::Documento, invoiceTitle(invoice));
                }
                const ProductImport::StockChange raised = ProductImport::addStock(r.bytes(), l->fields.quant);
                if (!raised.ok)
                    throw Refused{where + raised.message};
                if (position) {
                    change.write(products, position, raised.record);
                } else {
                    position = change.append(products, raised.record);
                    const QByteArray code = foldedBytes(rawField(raised.record, ProductRecord::layout(), ProductRecord::Codice));
                    if (!code.isEmpty())
                        created.insert(code, position);
                }
                changed.insert(position);
                for (const auto &[box, text] : ProductImport::cardFill(raised.record, l->fields.quant)) {
                    if (box == u"txtCodice")
                        receipt.setValue(Codice, text);
                    else if (box == u"txtTipologia")
                        receipt.setValue(Tipologia, text);
                    else if (box == u"txtMarca")
                        receipt.setValue(Marca, text);
                    else if (box == u"txtDescrizione")
                        receipt.setValue(Descrizione, text);
                }
            } else {
                receipt.setValue(Codice, l->fields.codice);
                receipt.setValue(Tipologia, l->tipologia);
                receipt.setValue(Descrizione, l->fields.descrizione);
            }
            receipt.setValue(CostoUni, l->fields.costoUni);
            receipt.setValue(Quant, l->fields.quant);
            receipt.setValue(CostoTot, l->fields.costoTot);
            receipt.setValue(Note, l->note);
            receipt.setValue(DaSaldare, YesNo::text(choices.daSaldare));
            receipt.setValue(File01, file01);
            receipt.setValue(Desc01, file01.isEmpty() ? QString() : invoiceTitle(invoice));
            receipt.setValue(File02, file02);
            receipt.setValue(Desc02, desc02);
            const qint64 at = change.append(year, receipt.bytes());
            if (!out.firstReceipt)
                out.firstReceipt = at;
            ++out.receipts;
        }
        if (change.commit() == ArchiveTransaction::Committed::Unflushed)
            out.unflushed = change.unflushed();
        out.productsChanged = int(changed.size());
        out.ok = true;
        return out;
    } catch (const Refused &r) {
        out = Outcome();
        return refuse(r.why);
    } catch (const ArchiveError &e) {
        out = Outcome();
        return refuse(QStringLiteral("%1: %2").arg(QFileInfo(e.path()).fileName(), e.reason()));
    }
}

} // namespace InvoiceImport

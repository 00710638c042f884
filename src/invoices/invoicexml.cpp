#include "invoicexml.h"

#include "invoices/envelope.h"
#include "storage/cp1252.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

namespace Invoices {

namespace {

// The length of the valid UTF-8 sequence at `p`, or 0.
int utf8Sequence(const unsigned char *p, qsizetype left)
{
    const unsigned char c = p[0];
    int n;
    char32_t min;
    if (c < 0x80)
        return 1;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < n)
        return 0;
    char32_t cp = c & (0x7F >> n);
    for (int k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

QByteArray mendedUtf8(QByteArrayView bytes)
{
    if (bytes.isValidUtf8())
        return bytes.toByteArray();
    QByteArray out;
    out.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        qsizetype run = i;
        for (int n; run < size && (n = utf8Sequence(p + run, size - run)) > 0;)
            run += n;
        if (run > i) {
            out.append(bytes.sliced(i, run - i));
            i = run;
        } else {
            char utf8[3];
            out.append(utf8, Cp1252::toUtf8(p[i], utf8));
            ++i;
        }
    }
    return out;
}

// The end of the XML declaration at the start of `text`, or 0 without one.
qsizetype declarationEnd(QByteArrayView text)
{
    if (!text.startsWith("<?xml"))
        return 0;
    const qsizetype end = text.indexOf("?>");
    return end < 0 ? 0 : end + 2;
}

QByteArray declaredEncoding(QByteArrayView declaration)
{
    const qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return {};
    qsizetype i = at + 8;
    while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '=' || declaration[i] == '\t'))
        ++i;
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\''))
        return {};
    const char quote = declaration[i];
    const qsizetype end = declaration.indexOf(quote, i + 1);
    if (end < 0)
        return {};
    return declaration.sliced(i + 1, end - i - 1).toByteArray().trimmed().toLower();
}

enum class Tag {
    Other,
    FatturaElettronicaBody,
    CedentePrestatore,
    DatiAnagrafici,
    IdFiscaleIVA,
    Anagrafica,
    Sede,
    Contatti,
    DatiGeneraliDocumento,
    DatiDDT,
    DettaglioLinee,
    CodiceArticolo,
    ScontoMaggiorazione,
    DatiPagamento,
    DettaglioPagamento,
    Allegati,
};

Tag tagOf(QStringView name)
{
    static const struct
    {
        QStringView name;
        Tag tag;
    } tags[] = {
        {u"FatturaElettronicaBody", Tag::FatturaElettronicaBody},
        {u"CedentePrestatore", Tag::CedentePrestatore},
        {u"DatiAnagrafici", Tag::DatiAnagrafici},
        {u"IdFiscaleIVA", Tag::IdFiscaleIVA},
        {u"Anagrafica", Tag::Anagrafica},
        {u"Sede", Tag::Sede},
        {u"Contatti", Tag::Contatti},
        {u"DatiGeneraliDocumento", Tag::DatiGeneraliDocumento},
        {u"DatiDDT", Tag::DatiDDT},
        {u"DettaglioLinee", Tag::DettaglioLinee},
        {u"CodiceArticolo", Tag::CodiceArticolo},
        {u"ScontoMaggiorazione", Tag::ScontoMaggiorazione},
        {u"DatiPagamento", Tag::DatiPagamento},
        {u"DettaglioPagamento", Tag::DettaglioPagamento},
        {u"Allegati", Tag::Allegati},
    };
    for (const auto &t : tags) {
        if (t.name == name)
            return t.tag;
    }
    return Tag::Other;
}

struct Parser
{
    ParsedXml out;
    Supplier supplier;
    QString version;
    bool simplified = false;
    QList<Tag> stack;
    int inSupplier = 0; // depth of CedentePrestatore, 0 outside
    Invoice *invoice = nullptr;
    QString condizioni;
    QString text;
    int lineCount = 0;
    int repeats = 0;
    bool overLimit = false;

    // A hostile file could grow the lists without end.
    bool count(int &counter, int limit)
    {
        if (++counter > limit)
            overLimit = true;
        return !overLimit;
    }

    Tag parent(int up = 1) const { return stack.size() > up ? stack[stack.size() - 1 - up] : Tag::Other; }

    void start(QStringView name)
    {
        const Tag tag = tagOf(name);
        stack.append(tag);
        text.clear();
        if (tag == Tag::CedentePrestatore && stack.size() == 3)
            inSupplier = int(stack.size());
        if (tag == Tag::FatturaElettronicaBody && stack.size() == 2) {
            if (!count(repeats, Limits::Repeats))
                return;
            out.invoices.append(Invoice());
            invoice = &out.invoices.last();
            invoice->body = int(out.invoices.size());
            return;
        }
        if (!invoice)
            return;
        const Tag up = parent();
        if ((tag == Tag::DettaglioLinee && !count(lineCount, Limits::Lines)) ||
            ((tag == Tag::CodiceArticolo || tag == Tag::ScontoMaggiorazione || tag == Tag::DatiDDT ||
              tag == Tag::DettaglioPagamento || tag == Tag::Allegati) &&
             !count(repeats, Limits::Repeats)))
            return;
        if (tag == Tag::DettaglioLinee) {
            invoice->lines.append(Line());
        } else if (tag == Tag::CodiceArticolo && up == Tag::DettaglioLinee && !invoice->lines.isEmpty()) {
            invoice->lines.last().codes.append(ArticleCode());
        } else if (tag == Tag::ScontoMaggiorazione && up == Tag::DettaglioLinee && !invoice->lines.isEmpty()) {
            invoice->lines.last().adjustments.append(Adjustment());
        } else if (tag == Tag::DatiDDT) {
            invoice->deliveryNotes.append(DeliveryNote());
        } else if (tag == Tag::DatiPagamento) {
            condizioni.clear();
        } else if (tag == Tag::DettaglioPagamento) {
            invoice->payments.append(Payment{condizioni, {}, {}, {}, {}});
        } else if (tag == Tag::Allegati) {
            invoice->attachments.append(Attachment());
        }
    }

    void supplierField(QStringView name, const QString &value)
    {
        const Tag up = parent();
        Supplier &s = supplier;
        if (up == Tag::IdFiscaleIVA) {
            if (name == u"IdPaese")
                s.idPaese = value;
            else if (name == u"IdCodice")
                s.idCodice = value;
        } else if (up == Tag::DatiAnagrafici || up == Tag::CedentePrestatore) {
            // The simplified invoice has no DatiAnagrafici nor Anagrafica.
            if (name == u"CodiceFiscale")
                s.codiceFiscale = value;
            else if (up == Tag::CedentePrestatore && name == u"Denominazione")
                s.denominazione = value;
            else if (up == Tag::CedentePrestatore && name == u"Nome")
                s.nome = value;
            else if (up == Tag::CedentePrestatore && name == u"Cognome")
                s.cognome = value;
        } else if (up == Tag::Anagrafica && parent(2) == Tag::DatiAnagrafici) {
            if (name == u"Denominazione")
                s.denominazione = value;
            else if (name == u"Nome")
                s.nome = value;
            else if (name == u"Cognome")
                s.cognome = value;
        } else if (up == Tag::Sede && parent(2) == Tag::CedentePrestatore) {
            Address &a = s.sede;
            if (name == u"Indirizzo")
                a.indirizzo = value;
            else if (name == u"NumeroCivico")
                a.numeroCivico = value;
            else if (name == u"CAP")
                a.cap = value;
            else if (name == u"Comune")
                a.comune = value;
            else if (name == u"Provincia")
                a.provincia = value;
            else if (name == u"Nazione")
                a.nazione = value;
        } else if (up == Tag::Contatti && parent(2) == Tag::CedentePrestatore) {
            if (name == u"Telefono")
                s.telefono = value;
            else if (name == u"Fax")
                s.fax = value;
            else if (name == u"Email")
                s.email = value;
        }
    }

    void bodyField(QStringView name, const QString &value)
    {
        Invoice &v = *invoice;
        const Tag up = parent();
        switch (up) {
        case Tag::DatiGeneraliDocumento:
            if (name == u"TipoDocumento")
                v.tipoDocumento = value;
            else if (name == u"Divisa")
                v.divisa = value;
            else if (name == u"Data")
                v.data = value;
            else if (name == u"Numero")
                v.numero = value;
            else if (name == u"ImportoTotaleDocumento")
                v.importoTotale = value;
            break;
        case Tag::DatiDDT:
            if (v.deliveryNotes.isEmpty())
                break;
            if (name == u"NumeroDDT")
                v.deliveryNotes.last().numero = value;
            else if (name == u"DataDDT")
                v.deliveryNotes.last().data = value;
            else if (name == u"RiferimentoNumeroLinea")
                v.deliveryNotes.last().lines.append(value.trimmed());
            break;
        case Tag::DettaglioLinee: {
            if (v.lines.isEmpty())
                break;
            Line &l = v.lines.last();
            if (name == u"NumeroLinea")
                l.numeroLinea = value.trimmed();
            else if (name == u"TipoCessionePrestazione")
                l.tipoCessionePrestazione = value.trimmed();
            else if (name == u"Descrizione")
                l.descrizione = value;
            else if (name == u"Quantita")
                l.quantita = value.trimmed();
            else if (name == u"UnitaMisura")
                l.unitaMisura = value;
            else if (name == u"PrezzoUnitario")
                l.prezzoUnitario = value.trimmed();
            else if (name == u"PrezzoTotale")
                l.prezzoTotale = value.trimmed();
            else if (name == u"AliquotaIVA")
                l.aliquotaIva = value.trimmed();
            break;
        }
        case Tag::CodiceArticolo:
            if (parent(2) != Tag::DettaglioLinee || v.lines.isEmpty() || v.lines.last().codes.isEmpty())
                break;
            if (name == u"CodiceTipo")
                v.lines.last().codes.last().tipo = value;
            else if (name == u"CodiceValore")
                v.lines.last().codes.last().valore = value;
            break;
        case Tag::ScontoMaggiorazione:
            if (parent(2) != Tag::DettaglioLinee || v.lines.isEmpty() || v.lines.last().adjustments.isEmpty())
                break;
            if (name == u"Tipo")
                v.lines.last().adjustments.last().tipo = value.trimmed();
            else if (name == u"Percentuale")
                v.lines.last().adjustments.last().percentuale = value.trimmed();
            else if (name == u"Importo")
                v.lines.last().adjustments.last().importo = value.trimmed();
            break;
        case Tag::DatiPagamento:
            if (name == u"CondizioniPagamento")
                condizioni = value.trimmed();
            break;
        case Tag::DettaglioPagamento:
            if (v.payments.isEmpty())
                break;
            if (name == u"ModalitaPagamento")
                v.payments.last().modalita = value.trimmed();
            else if (name == u"DataScadenzaPagamento")
                v.payments.last().scadenza = value.trimmed();
            else if (name == u"ImportoPagamento")
                v.payments.last().importo = value.trimmed();
            else if (name == u"IBAN")
                v.payments.last().iban = value.trimmed();
            break;
        case Tag::Allegati: {
            if (v.attachments.isEmpty())
                break;
            Attachment &a = v.attachments.last();
            if (name == u"NomeAttachment")
                a.nome = value;
            else if (name == u"FormatoAttachment")
                a.formato = value.trimmed();
            else if (name == u"DescrizioneAttachment")
                a.descrizione = value;
            else if (name == u"AlgoritmoCompressione")
                a.compressione = value.trimmed();
            else if (name == u"Attachment")
                a.bytes = QByteArray::fromBase64(value.toLatin1());
            break;
        }
        default:
            break;
        }
    }

    void end(QStringView name)
    {
        if (inSupplier && int(stack.size()) > inSupplier)
            supplierField(name, text);
        else if (invoice && stack.size() > 2)
            bodyField(name, text);
        if (inSupplier == int(stack.size()))
            inSupplier = 0;
        if (stack.size() == 2 && stack.last() == Tag::FatturaElettronicaBody)
            invoice = nullptr;
        stack.removeLast();
        text.clear();
    }
};

} // namespace

QByteArray toUtf8(const QByteArray &bytes, QString *error)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decode(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString text = decode(QByteArrayView(bytes).sliced(2));
        if (decode.hasError()) {
            *error = QStringLiteral("il testo UTF-16 del file è danneggiato");
            return {};
        }
        QByteArray utf8 = text.toUtf8();
        return utf8.mid(declarationEnd(utf8));
    }
    QByteArrayView text = bytes;
    // A byte-order mark says UTF-8 louder than any declaration.
    const bool bom = text.startsWith("\xEF\xBB\xBF");
    if (bom)
        text = text.sliced(3);
    // Blanks before the declaration happen in files put together by hand.
    qsizetype lead = 0;
    while (lead < text.size() && (text[lead] == ' ' || text[lead] == '\t' || text[lead] == '\r' || text[lead] == '\n'))
        ++lead;
    const qsizetype end = declarationEnd(text.sliced(lead));
    const QByteArray encoding = end > 0 ? declaredEncoding(text.sliced(lead, end)) : QByteArray();
    const QByteArrayView body = end > 0 ? text.sliced(lead + end) : text;
    if (bom || encoding.isEmpty() || encoding == "utf-8" || encoding == "utf8")
        return mendedUtf8(body);
    if (encoding == "iso-8859-1" || encoding == "iso8859-1" || encoding == "latin1" || encoding == "latin-1" ||
        encoding == "l1" || encoding == "windows-1252" || encoding == "cp1252" || encoding == "us-ascii" ||
        encoding == "ascii")
        return Cp1252::decode(body).toUtf8();
    *error = QStringLiteral("la codifica dei caratteri \"%1\" non è tra quelle lette (UTF-8, ISO-8859-1, "
                            "windows-1252)")
                 .arg(QString::fromLatin1(encoding.left(40)));
    return {};
}

ParsedXml parseXml(const QByteArray &bytes)
{
    Parser p;
    QString why;
    const QByteArray utf8 = toUtf8(bytes, &why);
    if (!why.isEmpty()) {
        p.out.error = why;
        return p.out;
    }
    QXmlStreamReader xml(utf8);
    xml.setNamespaceProcessing(false);
    bool root = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            return ParsedXml{{}, QStringLiteral("il file contiene una dichiarazione DOCTYPE, che una fattura "
                                                "elettronica non ha: non viene letto"), false};
        case QXmlStreamReader::EntityReference:
            return ParsedXml{{}, QStringLiteral("il file usa entità XML non definite: non viene letto"), false};
        case QXmlStreamReader::StartElement: {
            // Without namespace processing a prefix stays in the name, and a
            // malformed namespace URI cannot stop the reading.
            QStringView name = xml.name();
            if (const qsizetype colon = name.lastIndexOf(u':'); colon >= 0)
                name = name.sliced(colon + 1);
            if (!root) {
                root = true;
                p.simplified = name == u"FatturaElettronicaSemplificata";
                if (name != u"FatturaElettronica" && !p.simplified)
                    return ParsedXml{{}, QStringLiteral("il file XML non è una fattura elettronica"), true};
                p.version = xml.attributes().value(QStringLiteral("versione")).toString().trimmed();
            }
            if (p.stack.size() >= Limits::ElementDepth)
                return ParsedXml{{}, QStringLiteral("il file XML è annidato oltre ogni fattura elettronica: non "
                                                    "viene letto"), false};
            p.start(name);
            if (p.overLimit)
                return ParsedXml{{}, QStringLiteral("il file ha oltre %1 righe di dettaglio o %2 elementi ripetuti: non "
                                                    "è una fattura che si possa caricare")
                                         .arg(Limits::Lines)
                                         .arg(Limits::Repeats),
                                 false};
            break;
        }
        case QXmlStreamReader::EndElement: {
            QStringView name = xml.name();
            if (const qsizetype colon = name.lastIndexOf(u':'); colon >= 0)
                name = name.sliced(colon + 1);
            p.end(name);
            break;
        }
        case QXmlStreamReader::Characters:
            // The blanks between elements are nobody's value.
            if (!p.text.isEmpty() || !xml.isWhitespace())
                p.text += xml.text();
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        const QString where = QStringLiteral(" (riga %1, colonna %2)").arg(xml.lineNumber()).arg(xml.columnNumber());
        return ParsedXml{{},
                         xml.error() == QXmlStreamReader::PrematureEndOfDocumentError
                             ? QStringLiteral("il file XML è incompleto") + where
                             : QStringLiteral("il file XML non è ben formato") + where,
                         false};
    }
    for (Invoice &v : p.out.invoices) {
        v.supplier = p.supplier;
        v.simplified = p.simplified;
        v.versione = p.version;
    }
    return p.out;
}

} // namespace Invoices

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// What an electronic invoice (FatturaPA, versions 1.1 and 1.2.x, and the
// simplified one) says, as its texts stand in the file: amounts keep the
// file's form ("12.50") and are read exactly with Invoices::Decimal.
namespace Invoices {

struct Address
{
    QString indirizzo;
    QString numeroCivico;
    QString cap;
    QString comune;
    QString provincia;
    QString nazione;
};

// CedentePrestatore: who sold.
struct Supplier
{
    QString idPaese;
    QString idCodice;
    QString codiceFiscale;
    QString denominazione;
    QString nome;
    QString cognome;
    Address sede;
    QString telefono;
    QString fax;
    QString email;

    // Denominazione, or Nome + " " + Cognome.
    QString name() const;
    // IdPaese followed by IdCodice.
    QString vatNumber() const;
};

struct ArticleCode
{
    QString tipo;   // CodiceTipo
    QString valore; // CodiceValore
};

struct Adjustment
{
    QString tipo; // SC discount, MG surcharge
    QString percentuale;
    QString importo;
};

// One DettaglioLinee.
struct Line
{
    QString numeroLinea;
    QString tipoCessionePrestazione; // SC, PR, AB, AC or empty
    QList<ArticleCode> codes;
    QString descrizione;
    QString quantita; // empty when absent
    QString unitaMisura;
    QString prezzoUnitario;
    QList<Adjustment> adjustments;
    QString prezzoTotale;
    QString aliquotaIva;
};

struct DeliveryNote
{
    QString numero;
    QString data;
    QStringList lines; // RiferimentoNumeroLinea; empty: the whole invoice
};

struct Payment
{
    QString condizioni;
    QString modalita;
    QString scadenza;
    QString importo;
    QString iban;
};

struct Attachment
{
    QString nome;
    QString formato;
    QString descrizione;
    QString compressione;
    QByteArray bytes; // decoded
};

// One FatturaElettronicaBody with the header's supplier.
struct Invoice
{
    int body = 0; // 1-based, in file order
    bool simplified = false;
    QString versione;
    Supplier supplier;
    QString tipoDocumento;
    QString divisa;
    QString numero;
    QString data; // as in the file, time zone and blanks included
    QString importoTotale;
    QList<DeliveryNote> deliveryNotes;
    QList<Payment> payments;
    QList<Attachment> attachments;
    QList<Line> lines;

    // Data as dd/mm/yyyy, as its digits stand; empty when it is not of the
    // form yyyy-mm-dd.
    QString dateText() const;
    // Whether that is a day of the calendar.
    bool realDate() const;
};

} // namespace Invoices

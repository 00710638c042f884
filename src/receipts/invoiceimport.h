#pragma once

#include "invoices/invoice.h"
#include "invoices/invoicereader.h"
#include "receipts/invoicelines.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Goods receipts loaded from electronic invoices: first a plan, read from
// the archives without changing them (what the window shows and the user
// corrects), then one invoice committed as one change of the year's
// archive, Magazzino.pro and Fornitori.pro together.
namespace InvoiceImport {

// One invoice and the file it came in, kept as received.
struct Received
{
    QString fileName; // bare name of the file, or of the zip entry
    QByteArray fileBytes;
    Invoices::Invoice invoice;
};
// Every invoice of the files read, in order; sources with an error give none.
QList<Received> received(const QList<Invoices::Source> &sources);

// A product whose code equals one of the line's codes.
struct Candidate
{
    qint64 position = 0;
    QByteArray record; // as planned: the commit checks it is still that product
    QString codice;
    QString descrizione;
    QString fornitore;
};

struct LinePlan
{
    int line = 0; // index in invoice.lines
    InvoiceLines::ReceiptFields fields;
    bool ticked = false; // goods, loadable, not already received
    QList<Candidate> candidates;
    enum class Product { None, Existing, New } product = Product::None;
    qint64 position = 0;   // Existing: the product's position
    QByteArray record;     // Existing: as planned; New: the card to add
    QString note;          // "DDT n. … del …", empty without a delivery note
    QString receivedWith;  // the delivery note already loaded, when it is
    QString tipologia;     // Product::None: the type typed for the invoice
};

struct Plan
{
    Received source;
    qint64 supplierPosition = 0; // 0: not in Fornitori.pro
    QByteArray supplier;         // the card found, or the new one to add
    QStringList supplierMarks;   // what the new card leaves out, and why
    bool alreadyLoaded = false;  // "già caricata"
    QList<LinePlan> lines;
    // What the archives held when planned, so that the commit looks again
    // only at what was added since.
    qint64 receiptCount = 0;
    qint64 supplierCount = 0;
    qint64 productCount = 0;

    QString ditta() const; // the supplier's name on its card
};

// One scan of each archive for all the invoices. Throws ArchiveError.
QList<Plan> plan(const QString &programFolder, const QString &yearArchive, const QList<Received> &invoices);

// A product card made from a line: code, description, supplier, cost and
// VAT rate from the invoice, the type as typed, no stock yet.
QByteArray newProduct(const Plan &plan, const LinePlan &line, const QString &tipologia);

// Why the line matched no single product; empty when it did.
QString matchProblem(const LinePlan &line);

struct Choices
{
    QString data;           // the receipts' date, dd/mm/yyyy
    bool daSaldare = true;  // "Conto da saldare"
    bool updateCost = true; // Costo, Data, Documento from the invoice
    bool loadAgain = false; // a "già caricata" invoice, confirmed
};

struct Outcome
{
    bool ok = false;
    QString message;            // Italian: why nothing was written
    int receipts = 0;
    int productsChanged = 0;
    qint64 firstReceipt = 0;    // position in the year's archive
    QString unflushed;          // it stands, not known to be on the disk
};

// The ticked lines of `plan` as receipts, the stock raised (read under the
// locks, a product on two lines raised twice), the new cards added: all in
// one commit or nothing. The invoice file and its first attachment are put
// whole into Documenti_Allegati before it.
Outcome commit(const QString &programFolder, const QString &yearArchive, const Plan &plan, const Choices &choices);

// "Fattura n. … del …"
QString invoiceTitle(const Invoices::Invoice &invoice);

// Why an invoice of this kind loads no goods (not TD01, TD24 or TD25);
// empty when it may.
QString typeProblem(const Invoices::Invoice &invoice);

// "Caricati 3 carichi; giacenza aggiornata per 2 articoli."
QString doneMessage(int receipts, int productsChanged);

} // namespace InvoiceImport

// Renders every screen to <out>/<objectName>.png under the offscreen
// platform, from a program folder in a temporary directory, so each screen
// can be looked at without a display.
#include "ui/helpwindows.h"
#include "app/helptopics.h"
#include "app/mainmenu.h"
#include "app/registerkinds.h"
#include "output/layouts.h"
#include "products/extradata.h"
#include "receipts/calendar.h"
#include "ui/exportwindow.h"
#include "ui/attachwindow.h"
#include "receipts/importwindow.h"
#include "receipts/invoicewindow.h"
#include "receipts/summarymenu.h"
#include "receipts/summarywindow.h"
#include "products/inventorymenu.h"
#include "products/inventorywindow.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptprint.h"
#include "suppliers/suppliercard.h"
#include "validators/validatorwindow.h"
#include "products/productcard.h"
#include "products/stockwindow.h"
#include "products/lowstocklist.h"
#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "receipts/unpaidlist.h"
#include "ui/searchwindow.h"
#include "suppliers/recontactlist.h"
#include "suppliers/supplierrecord.h"
#include "storage/record.h"
#include "app/screenset.h"
#include "ui/applicationscreen.h"
#include "ui/cardscreen.h"
#include "ui/italian.h"
#include "ui/services.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QTableWidget>
#include "ui/linemodel.h"
#include "ui/resultlist.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

bool save(QWidget *w, const QString &folder, const QString &suffix = QString())
{
    if (qobject_cast<TApplicationScreen *>(w))
        w->resize(TApplicationScreen::designSize());
    w->show();
    QCoreApplication::processEvents();
    const QString path = QDir(folder).filePath(w->objectName() + suffix + QStringLiteral(".png"));
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    w->hide();
    return ok;
}

bool savePage(const PreparedReport &report, const QString &folder, const QString &name)
{
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool ok = !report.pages.isEmpty() && ReportRenderer::pageImage(report.pages.first()).save(path);
    std::printf("%s %s (%lld pages)\n", ok ? "wrote" : "FAILED", qPrintable(path), qlonglong(report.pages.size()));
    return ok;
}

// A few cards of each archive, so that the lists have lines to show.
void writeSamples(const QString &folder)
{
    auto write = [](const QString &path, const RecordLayout &layout, const QList<QStringList> &rows,
                    const QList<int> &fields) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        for (const QStringList &row : rows) {
            Record r(layout);
            for (qsizetype i = 0; i < fields.size() && i < row.size(); ++i)
                r.setValue(fields[i], row[i]);
            f.write(r.bytes());
        }
    };
    using namespace SupplierRecord;
    write(SupplierRecord::archivePath(folder), SupplierRecord::layout(),
          {{"Ferramenta Rossi S.r.l.", "Mario Rossi", "0544 123456", "Sì", "Listino 2025 da confermare", "Cliente storico"},
           {"F.lli Bianchi & C. S.n.c.", "Luca Bianchi", "335 7654321", "No", "", "Consegne il martedì"},
           {"Utensileria Verdi", "Anna Verdi", "anna@verdi.example.com", "Sì", "Reso viti 4x30 non accreditato", ""},
           {"Colorificio Neri S.p.A.", "Paolo Neri, ufficio acquisti", "051 998877", "Sì",
            "Sollecitare la fattura di marzo", "Pagamento a 60 giorni"}},
          {Ditta, Titolare, Recapito, Ricontatta, Questioni, SupplierRecord::Note});
    write(ProductRecord::archivePath(folder), ProductRecord::layout(),
          {{"VT-430", "Viteria", "Fischer", "Vite 4x30", "12,50", "3", "5", "Confezione da 200", "37,50",
            "Viti autofilettanti 4x30, confezione da 200 pezzi", "19,90"},
           {"TR-18V", "Elettroutensili", "Bosch", "Trapano 18 V", "89,90", "12", "4", "", "1078,80",
            "Trapano avvitatore 18 V con due batterie", "149,00"},
           {"PN-205", "Pneumatici", "Michelin", "Primacy 205/55 R16", "64,00", "0", "0", "Estivo", "0,00",
            "Pneumatico estivo 205/55 R16 91V", "98,50"},
           {"GU-NIT", "Protezione", "Ansell", "Guanti nitrile taglia L", "0,35", "-10", "50", "Riordinare", "-3,50",
            "Guanti in nitrile monouso, scatola da 100", "0,80"}},
          {ProductRecord::Codice, ProductRecord::Tipologia, ProductRecord::Marca, ProductRecord::Modello,
           ProductRecord::Costo, ProductRecord::Giacenza, ProductRecord::Sottoscorta, ProductRecord::Note,
           ProductRecord::Valore, ProductRecord::Descrizione, ProductRecord::Prezzo});
    write(ReceiptRecord::archivePath(folder, QStringLiteral("2026")), ReceiptRecord::layout(),
          {{"09/03/2026", "VT-430", "10", "Viteria", "Viti autofilettanti 4x30, confezione da 200 pezzi", "125,00", "Sì"},
           {"12/03/2026", "TR-18V", "2", "Elettroutensili", "Trapano avvitatore 18 V con due batterie", "179,80", "No"},
           {"02/04/2026", "GU-NIT", "500", "Protezione", "Guanti in nitrile monouso", "175,00", "Sì"}},
          {ReceiptRecord::Data, ReceiptRecord::Codice, ReceiptRecord::Quant, ReceiptRecord::Tipologia,
           ReceiptRecord::Descrizione, ReceiptRecord::CostoTot, ReceiptRecord::DaSaldare});
}

// An invoice of a supplier not yet in the archive, for the import window.
QByteArray sampleInvoice()
{
    const auto line = [](int n, const char *kind, const char *code, const char *text, const char *quant,
                         const char *price, const char *total) {
        QByteArray l = "<DettaglioLinee><NumeroLinea>" + QByteArray::number(n) + "</NumeroLinea>";
        if (*kind)
            l += QByteArray("<TipoCessionePrestazione>") + kind + "</TipoCessionePrestazione>";
        if (*code)
            l += QByteArray("<CodiceArticolo><CodiceTipo>INTERNO</CodiceTipo><CodiceValore>") + code
                 + "</CodiceValore></CodiceArticolo>";
        l += QByteArray("<Descrizione>") + text + "</Descrizione>";
        if (*quant)
            l += QByteArray("<Quantita>") + quant + "</Quantita>";
        l += QByteArray("<PrezzoUnitario>") + price + "</PrezzoUnitario><PrezzoTotale>" + total
             + "</PrezzoTotale><AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>";
        return l;
    };
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                      "<p:FatturaElettronica versione=\"FPR12\" "
                      "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">"
                      "<FatturaElettronicaHeader><CedentePrestatore><DatiAnagrafici>"
                      "<IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>03128745605</IdCodice></IdFiscaleIVA>"
                      "<Anagrafica><Denominazione>Minuterie Adriatiche S.r.l.</Denominazione></Anagrafica>"
                      "</DatiAnagrafici><Sede><Indirizzo>Via del Porto</Indirizzo><NumeroCivico>12</NumeroCivico>"
                      "<CAP>65122</CAP><Comune>Pescara</Comune><Provincia>PE</Provincia><Nazione>IT</Nazione></Sede>"
                      "<Contatti><Telefono>085 4471122</Telefono></Contatti>"
                      "</CedentePrestatore></FatturaElettronicaHeader>"
                      "<FatturaElettronicaBody><DatiGenerali><DatiGeneraliDocumento>"
                      "<TipoDocumento>TD01</TipoDocumento><Divisa>EUR</Divisa><Data>2026-12-04</Data>"
                      "<Numero>318/A</Numero><ImportoTotaleDocumento>322.08</ImportoTotaleDocumento>"
                      "</DatiGeneraliDocumento><DatiDDT><NumeroDDT>77</NumeroDDT><DataDDT>2026-11-28</DataDDT>"
                      "<RiferimentoNumeroLinea>2</RiferimentoNumeroLinea></DatiDDT></DatiGenerali><DatiBeniServizi>")
           + line(1, "", "VT-430", "Viti autofilettanti 4x30, confezione da 200 pezzi", "20.00", "1.25", "25.00")
           + line(2, "", "TR-18V", "Trapano avvitatore 18 V con due batterie", "2.00", "92.00", "184.00")
           + line(3, "", "CH-10", "Chiodi a testa piana 10 mm, scatola da 1 kg", "5.00", "3.80", "19.00")
           + line(4, "AC", "", "Spese di trasporto", "", "36.00", "36.00")
           + "</DatiBeniServizi></FatturaElettronicaBody></p:FatturaElettronica>";
}

} // namespace

int main(int argc, char *argv[])
{
    // Offscreen unless a platform is named (the Windows build's gallery
    // draws with the windows platform under Wine).
    registerArchiveKinds();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installItalian(app);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    QDir().mkpath(out);
    QTemporaryDir folder;
    AppContext::setProgramFolder(folder.path());

    bool ok = true;
    ScreenSet screens;
    for (QWidget *w : screens.screens())
        ok = save(w, out) && ok;

    // The dialogs, each over the screen that opens it.
    TfrmGuida help(screens.frmAvvio);
    help.setTopic(HelpTopics::overview());
    TfrmInfo info(screens.frmAvvio);
    TfrmSplash splash(screens.frmAvvio);
    TfrmGiacenza stock(screens.frmMagazzino);
    TfrmDatiPneumatici extra(screens.frmMagazzino);
    TfrmCalendario calendar(screens.frmCarichi);
    TfrmStampaCarico receiptPrint(screens.frmCarichi);
    TfrmCodFisc codFisc(screens.frmFornitori);
    TfrmPartitaIva partitaIva(screens.frmFornitori);
    TfrmCarta carta(screens.frmFornitori);
    TfrmIban iban(screens.frmFornitori);
    iban.setText(QStringLiteral("IT60X0542811101000000123456"));
    for (QWidget *dialog : std::initializer_list<QWidget *>{&help, &info, &splash, &stock, &extra, &calendar,
                                                          &receiptPrint, &codFisc, &partitaIva, &carta, &iban})
        ok = save(dialog, out) && ok;

    // The search windows: the search panel, then the list of what it found.
    writeSamples(folder.path());
    screens.frmCarichi->lblFile->setText(ReceiptRecord::archivePath(folder.path(), QStringLiteral("2026")));
    TfrmTrovaFornitori findSuppliers(screens.frmFornitori);
    TfrmTrovaMagazzino findProducts(screens.frmMagazzino);
    TfrmTrovaCarichi findReceipts(screens.frmCarichi);
    findReceipts.setCard(screens.frmCarichi);
    for (TSearchWindow *w : std::initializer_list<TSearchWindow *>{&findSuppliers, &findProducts, &findReceipts}) {
        ok = save(w, out) && ok;
        w->show();
        w->btnCercaClick();
        w->lstRecords->setCurrentIndex(w->model->index(1));
        ok = save(w, out, QStringLiteral("_panContainer")) && ok;
    }
    TfrmRicontattaFor recontact(screens.frmFornitori);
    TfrmSottoscorta lowStock(screens.frmMagazzino);
    TfrmSospese unpaid(screens.frmCarichi);
    unpaid.setCard(screens.frmCarichi);
    for (TFilledListWindow *w : std::initializer_list<TFilledListWindow *>{&recontact, &lowStock, &unpaid}) {
        w->show();
        w->FormShow();
        ok = save(w, out) && ok;
    }

    // The inventory and the receipt summary, maximized over their menus.
    TfrmRiepilogo inventory(screens.frmMenuRiepilogo);
    TfrmRiepilogoCarico summary(screens.frmMenuRiepilogoCarico);
    summary.setRequest(ReceiptRecord::archivePath(folder.path(), QStringLiteral("2026")), QStringLiteral("01/03/2026"),
                       QStringLiteral("31/03/2026"), QString());
    for (TTotalListWindow *w : std::initializer_list<TTotalListWindow *>{&inventory, &summary}) {
        w->resize(TApplicationScreen::designSize());
        w->show();
        w->FormShow();
        ok = save(w, out) && ok;
    }
    screens.frmMenuRiepilogoCarico->txtAnno->setText(QStringLiteral("2026"));
    screens.frmMenuRiepilogoCarico->lblAnnoInizio->setText(QStringLiteral("2026"));
    screens.frmMenuRiepilogoCarico->lblAnnoFine->setText(QStringLiteral("2026"));
    screens.frmMenuRiepilogoCarico->show();
    screens.frmMenuRiepilogoCarico->txtGiornoInizio->setCurrentIndex(0);
    screens.frmMenuRiepilogoCarico->txtMeseInizio->setCurrentIndex(2);
    screens.frmMenuRiepilogoCarico->txtGiornoFine->setCurrentIndex(30);
    screens.frmMenuRiepilogoCarico->txtMeseFine->setCurrentIndex(2);
    screens.frmMenuRiepilogoCarico->lblAttendere->show();
    ok = save(screens.frmMenuRiepilogoCarico, out, QStringLiteral("_filled")) && ok;

    // The import into a receipt: the search, then the list with a product picked.
    TfrmImportaMagazzino import(screens.frmCarichi);
    import.setCard(screens.frmCarichi);
    ok = save(&import, out) && ok;
    import.show();
    import.btnCercaClick();
    import.lstRecords->setCurrentIndex(import.model->index(1));
    ok = save(&import, out, QStringLiteral("_panContainer")) && ok;

    // The import of an electronic invoice: a new supplier, a line matched
    // by code, one whose product is still to be chosen, a service.
    {
        const QString invoice = QDir(folder.path()).filePath(QStringLiteral("IT03128745605_A0001.xml"));
        QFile f(invoice);
        if (f.open(QIODevice::WriteOnly))
            f.write(sampleInvoice());
        f.close();
        TfrmImportaFattura invoices(screens.frmCarichi);
        invoices.setCard(screens.frmCarichi);
        ok = save(&invoices, out, QStringLiteral("_vuota")) && ok;
        invoices.addFiles({invoice});
        invoices.tblRighe->setCurrentCell(2, TfrmImportaFattura::ColDescrizione);
        ok = save(&invoices, out) && ok;
    }

    // The spreadsheet exports, filled from the sample archives, and the
    // attachments window of a supplier card.
    TfrmExpFornitori exportSuppliers(screens.frmFornitori);
    TfrmExpMagazzino exportProducts(screens.frmMagazzino);
    TfrmExpCarichi exportReceipts(screens.frmCarichi);
    exportReceipts.setArchive(ReceiptRecord::archivePath(folder.path(), QStringLiteral("2026")));
    for (TExportWindow *w : std::initializer_list<TExportWindow *>{&exportSuppliers, &exportProducts, &exportReceipts}) {
        w->show();
        w->FormShow();
        ok = save(w, out) && ok;
    }
    TfrmAllegaCartella attach(screens.frmFornitori);
    attach.txtFile[0]->setText(QStringLiteral("Contratto di fornitura 2026.pdf"));
    attach.txtDesc[0]->setText(QStringLiteral("Contratto firmato il 12 gennaio"));
    attach.txtDesc[1]->setText(QStringLiteral("Listino da ricevere"));
    ok = save(&attach, out) && ok;

    // Page 1 of each report kind.
    Report list = ReportLayouts::listReport();
    QStringList lines;
    for (int i = 1; i <= 60; ++i)
        lines << QStringLiteral("%1 Ferramenta Rossi [%2]      Via Roma %1      0544 %1%1%1")
                     .arg(i, 4, 10, QLatin1Char('0'))
                     .arg(i % 7);
    ReportLayouts::fillList(list, QStringLiteral("Riepilogo fornitori da ricontattare"), lines);
    const QDateTime when(QDate(2024, 3, 9), QTime(15, 42, 7));
    ok = savePage(list.prepare(when), out, QStringLiteral("repRiepilogo")) && ok;
    screens.frmFornitori->txtDitta->setText(QStringLiteral("Ferramenta Rossi S.r.l."));
    screens.frmFornitori->txtComuneRes->setText(QStringLiteral("Forlì"));
    screens.frmFornitori->fillReport();
    ok = savePage(screens.frmFornitori->repScheda.prepare(when), out, QStringLiteral("repScheda")) && ok;
    screens.frmCarichi->open();
    screens.frmCarichi->txtFornitore->setText(QStringLiteral("Ferramenta Rossi S.r.l."));
    screens.frmCarichi->txtDescrizione->setText(QStringLiteral("Viti autofilettanti 4x30, confezione da 200 pezzi"));
    screens.frmCarichi->txtCostoUni->setText(QStringLiteral("12,50"));
    screens.frmCarichi->txtQuant->setText(QStringLiteral("3"));
    screens.frmCarichi->btnCalcolaClick();
    receiptPrint.setCard(screens.frmCarichi);
    receiptPrint.fillReport();
    ok = savePage(receiptPrint.repDocumento.prepare(when), out, QStringLiteral("repDocumento")) && ok;
    screens.frmCarichi->hide();
    // The question a card asks before overwriting another workstation's save.
    QTimer::singleShot(0, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            box->setObjectName(QStringLiteral("msgSovrascrivi"));
            const QString path = QDir(out).filePath(QStringLiteral("msgSovrascrivi.png"));
            const bool saved = box->grab().save(path);
            std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
            ok = saved && ok;
            box->close();
        }
    });
    Messages::confirmOverwrite(screens.frmFornitori, TCardScreen::changedElsewhereMessage());

    return ok ? 0 : 1;
}

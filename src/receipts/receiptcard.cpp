#include "receiptcard.h"

#include "ui/exportwindow.h"
#include "ui/helpwindows.h"
#include "receipts/calendar.h"
#include "receipts/importwindow.h"
#include "receipts/invoicewindow.h"
#include "receipts/receiptcalc.h"
#include "receipts/receipthelp.h"
#include "receipts/receiptprint.h"
#include "receipts/receiptrecord.h"
#include "receipts/unpaidlist.h"
#include "ui/searchwindow.h"
#include "storage/numberformat.h"
#include "storage/textrules.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

// Each box paints its own highlight: yellow while it has the focus, white
// otherwise, always with a sky-blue border.
const char kBoxStyle[] = "QLineEdit { background: #FFFFFF; border: 2px solid #87CEEB; border-radius: 3px; "
                         "padding: 1px 4px; }"
                         "QLineEdit:focus { background: #FFFF00; }";

} // namespace

TfrmCarichi::TfrmCarichi(QWidget *parent)
    : TCardScreen(QStringLiteral("frmCarichi"), QStringLiteral(" Scortex - Operazioni di carico"), parent)
{
    QWidget *p = panel();
    lblFile = new QLabel(p);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->hide();

    // The toolbar: clickable pictures, their captions in their names.
    auto *toolbar = new QLabel(p);
    toolbar->setObjectName(QStringLiteral("panComandi"));
    toolbar->setGeometry(10, 8, 975, 64);
    toolbar->setStyleSheet(QStringLiteral("QLabel { background: #E8F3FA; border-radius: 8px; }"));
    clearsStatusLine(toolbar);
    int x = 20;
    for (const char *name : {"cmdNuovo", "cmdDuplica", "cmdSalva", "cmdTrova", "cmdFile", "cmdStampa"}) {
        const Command t = sharedCommand(name);
        auto *b = new TPictureButton(QLatin1StringView(t.name),
                                     QStringLiteral(":/art/%1.svg").arg(QLatin1StringView(t.picture)),
                                     QString::fromUtf8(t.caption), p);
        b->setToolTip(QString::fromUtf8(t.caption));
        // "Allega file" and "Stampa" carry their caption in the picture.
        const bool captioned = b->objectName() == u"cmdFile" || b->objectName() == u"cmdStampa";
        const int width = captioned ? 70 : 52;
        if (captioned) {
            b->setCaptionVisible(true);
            b->setCaptionFont(layoutFont(QStringLiteral("Arial"), 8, true));
        }
        b->setGeometry(x, 14, width, 52);
        setHint(b, QString::fromUtf8(t.hint));
        x += width + 6;
    }
    buildArrows(QRect(x + 8, 14, 290, 52), false);
    x = 975 - 4 * 58 + 10;
    for (const Command &t : {sharedCommand("cmdEsporta"),
                             Command{"cmdListino", "listino", "Conti da saldare",
                                     "Visualizza il riepilogo dei conti da saldare."},
                             sharedCommand("cmdGuida"), sharedCommand("cmdEsci")}) {
        auto *b = new TPictureButton(QLatin1StringView(t.name),
                                     QStringLiteral(":/art/%1.svg").arg(QLatin1StringView(t.picture)),
                                     QString::fromUtf8(t.caption), p);
        b->setToolTip(QString::fromUtf8(t.caption));
        b->setGeometry(x, 14, 52, 52);
        setHint(b, QString::fromUtf8(t.hint));
        x += 58;
    }

    auto box = [&](const char *name, const QString &caption, const QRect &at, int captionWidth) {
        auto *e = new QLineEdit(p);
        e->setObjectName(QLatin1StringView(name));
        e->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
        e->setStyleSheet(QLatin1StringView(kBoxStyle));
        e->setGeometry(at);
        auto *l = new QLabel(caption, p);
        l->setObjectName(QStringLiteral("lbl") + QLatin1StringView(name).mid(3));
        l->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
        l->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setGeometry(at.x() - captionWidth - 8, at.y(), captionWidth, at.height());
        l->setBuddy(e);
        e->setAccessibleName(caption.trimmed().remove(u':').remove(u'€').trimmed());
        return e;
    };
    auto section = [this](const char *name, const QRect &at) { addSection(QLatin1StringView(name), QString(), at); };

    // Document and supplier.
    section("shpDocumento", QRect(10, 82, 400, 104));
    section("shpFornitore", QRect(420, 82, 565, 104));
    txtNumDoc = box("txtNumDoc", QStringLiteral("Documento n."), QRect(170, 94, 220, 32), 150);
    txtDataDoc = box("txtDataDoc", QStringLiteral("Data emissione:"), QRect(170, 140, 140, 32), 150);
    txtFornitore = box("txtFornitore", QStringLiteral("Fornitore:"), QRect(620, 94, 350, 32), 190);
    txtRecapiti = box("txtRecapiti", QStringLiteral("Recapito preferenziale:"), QRect(620, 140, 350, 32), 190);

    // The article: a column of eight boxes, captions on their left.
    section("shpArticolo", QRect(10, 196, 975, 372));
    const int col = 220;
    txtData = box("txtData", QStringLiteral("Data carico:"), QRect(col, 208, 140, 32), 190);
    txtCodice = box("txtCodice", QStringLiteral("Codice articolo:"), QRect(col, 252, 300, 32), 190);
    txtTipologia = box("txtTipologia", QStringLiteral("Tipologia:"), QRect(col, 296, 540, 32), 190);
    txtMarca = box("txtMarca", QStringLiteral("Marca e modello:"), QRect(col, 340, 540, 32), 190);
    txtDescrizione = box("txtDescrizione", QStringLiteral("Descrizione:"), QRect(col, 384, 740, 32), 190);
    txtCostoUni = box("txtCostoUni", QStringLiteral("Costo unitario: €"), QRect(col, 428, 160, 32), 190);
    txtQuant = box("txtQuant", QStringLiteral("Quantità caricata:"), QRect(col, 472, 160, 32), 190);
    txtCostoTot = box("txtCostoTot", QStringLiteral("Costo totale: €"), QRect(col, 516, 160, 32), 190);
    for (QLineEdit *date : {txtDataDoc, txtData})
        date->setReadOnly(true);

    btnImpEsame = new TCommandButton(QStringLiteral("btnImpEsame"), QStringLiteral(":/art/importa_sx.svg"),
                                      QStringLiteral("IMPORTA DATI"), p);
    btnImpEsame->setGeometry(col + 316, 248, 170, 40);
    cmdFattura = new TCommandButton(QStringLiteral("cmdFattura"), QStringLiteral(":/art/importa.svg"),
                                    QStringLiteral("Fattura elettronica"), p);
    cmdFattura->setGeometry(col + 506, 248, 230, 40);
    btnCalcola = new TCommandButton(QStringLiteral("btnCalcola"), QStringLiteral(":/art/calcola.svg"),
                                    QStringLiteral("<<  Calcola"), p);
    btnCalcola->setGeometry(col + 176, 512, 150, 40);
    auto *decoration = new TPicture(QStringLiteral("imgDecoro"), QStringLiteral(":/art/app04.svg"), p);
    decoration->setGeometry(800, 430, 150, 120);
    clearsStatusLine(decoration);

    // Notes and the to-be-paid box.
    section("shpNote", QRect(10, 578, 700, 66));
    section("shpSaldare", QRect(720, 578, 265, 66));
    txtNote = box("txtNote", QStringLiteral("Note:"), QRect(90, 595, 600, 32), 60);
    chkDaSaldare = new QCheckBox(QStringLiteral("Conto da saldare"), p);
    chkDaSaldare->setObjectName(QStringLiteral("chkDaSaldare"));
    chkDaSaldare->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    chkDaSaldare->setGeometry(750, 595, 220, 32);

    addHiddenLabels({QStringLiteral("lblFile01"), QStringLiteral("lblFile02"), QStringLiteral("lblFile03"),
                     QStringLiteral("lblDesc01"), QStringLiteral("lblDesc02"), QStringLiteral("lblDesc03")});
    buildStatusLine(QRect(10, 656, 975, 28));

    CardDefinition def;
    def.layout = &ReceiptRecord::layout();
    def.archivePath = [](const TCardScreen &card) { return static_cast<const TfrmCarichi &>(card).lblFile->text(); };
    def.controls = boundControls(*def.layout, ReceiptRecord::File01,
                                 {{ReceiptRecord::DaSaldare, QStringLiteral("chkDaSaldare")}});
    def.blankValue = [](const QString &control) {
        if (control == u"txtData")
            return AppContext::now().date().toString(QStringLiteral("dd/MM/yyyy"));
        if (control == u"txtCostoUni" || control == u"txtCostoTot")
            return QStringLiteral("0,00");
        if (control == u"txtQuant")
            return QStringLiteral("0");
        return QString();
    };
    def.modeWord = QStringLiteral("carichi");
    def.exportArchive = [](TCardScreen &card) {
        openDialog<TfrmExpCarichi>(&card, [&card](TfrmExpCarichi &w) { w.setArchive(card.archivePath()); });
    };
    def.attachmentLabels = {QStringLiteral("lblFile01"), QStringLiteral("lblFile02"), QStringLiteral("lblFile03"),
                            QStringLiteral("lblDesc01"), QStringLiteral("lblDesc02"), QStringLiteral("lblDesc03")};
    def.required = {
        {QStringLiteral("txtFornitore"),
         QStringLiteral("Attenzione: per salvare la scheda è necessario indicare il nome del fornitore.")},
        {QStringLiteral("txtData"), QStringLiteral("Attenzione: per salvare la scheda è necessario indicare la data di carico.")},
        {QStringLiteral("txtCodice"),
         QStringLiteral("Attenzione: per salvare la scheda è necessario indicare il codice articolo.")},
        {QStringLiteral("txtTipologia"),
         QStringLiteral("Attenzione: per salvare la scheda è necessario indicare la tipologia di merce.")},
        {QStringLiteral("txtDescrizione"),
         QStringLiteral("Attenzione: per salvare la scheda è necessario indicare la descrizione dell'articolo.")},
    };
    def.enterChain = {QStringLiteral("txtNumDoc"),      QStringLiteral("txtDataDoc"),  QStringLiteral("txtFornitore"),
                      QStringLiteral("txtRecapiti"),    QStringLiteral("txtData"),     QStringLiteral("txtCodice"),
                      QStringLiteral("txtTipologia"),   QStringLiteral("txtMarca"),    QStringLiteral("txtDescrizione"),
                      QStringLiteral("txtCostoUni"),    QStringLiteral("txtQuant"),    QStringLiteral("txtCostoTot"),
                      QStringLiteral("txtNote")};
    def.enterWrapTo = QStringLiteral("txtFornitore");
    def.wholeNumberFields = {QStringLiteral("txtQuant")};
    def.moneyFields = {QStringLiteral("txtCostoUni"), QStringLiteral("txtCostoTot")};
    def.moneyDecimals = {{QStringLiteral("txtCostoTot"), 2}};
    def.firstField = QStringLiteral("txtNumDoc");
    def.archiveMessageKind = Messages::Kind::Error;
    def.duplicateMessageKind = Messages::Kind::Warning;
    def.highlightFrames = false;
    def.beforeRequired = [this](TCardScreen &) { return calculateForSave(); };
    const QString dateHint
        = QStringLiteral("Fai clic su questo campo e premi un tasto qualsiasi per importare una data dal calendario.");
    def.hints = {
        {QStringLiteral("btnImpEsame"), QStringLiteral("Importa i dati dal magazzino dei prodotti.")},
        {QStringLiteral("cmdFattura"),
         QStringLiteral("Carica le righe delle fatture elettroniche ricevute dai fornitori e aggiorna la giacenza.")},
        {QStringLiteral("btnCalcola"),
         QStringLiteral("Calcola il costo totale moltiplicando il costo unitario per la quantità caricata.")},
        {QStringLiteral("chkDaSaldare"),
         QStringLiteral("Spunta questa casella per annotare che il conto deve essere ancora saldato.")},
        {QStringLiteral("txtDataDoc"), dateHint},
        {QStringLiteral("txtData"), dateHint},
    };
    def.helpTopic = ReceiptHelp::card();
    def.openSearch = [](TCardScreen &card) {
        auto *self = static_cast<TfrmCarichi *>(&card);
        openDialog<TfrmTrovaCarichi>(self, [self](TfrmTrovaCarichi &w) {
            w.lblMemory->setText(QStringLiteral("carichi"));
            w.setCard(self);
        });
    };
    // A receipt prints through its own window, which picks what to print.
    def.print = [](TCardScreen &card) {
        auto *self = static_cast<TfrmCarichi *>(&card);
        openDialog<TfrmStampaCarico>(self, [self](TfrmStampaCarico &print) { print.setCard(self); });
    };
    bind(def);

    chainTabOrder({}, {chkDaSaldare});

    connectWorkflow();
    connect(btnCalcola, &QAbstractButton::clicked, this, &TfrmCarichi::btnCalcolaClick);
    connect(findChild<QAbstractButton *>(QStringLiteral("cmdListino")), &QAbstractButton::clicked, this,
            &TfrmCarichi::cmdListinoClick);
    connect(btnImpEsame, &QAbstractButton::clicked, this, &TfrmCarichi::btnImpEsameClick);
    connect(cmdFattura, &QAbstractButton::clicked, this, &TfrmCarichi::cmdFatturaClick);
}

void TfrmCarichi::cmdFatturaClick()
{
    openDialog<TfrmImportaFattura>(this, [this](TfrmImportaFattura &w) { w.setCard(this); });
}

void TfrmCarichi::btnImpEsameClick()
{
    openDialog<TfrmImportaMagazzino>(this, [this](TfrmImportaMagazzino &w) {
        w.lblMemory->setText(QStringLiteral("carichi"));
        w.setCard(this);
        const QString quantity = TextRules::trimmed(txtQuant->text());
        if (!quantity.isEmpty())
            w.txtQuant->setText(quantity);
    });
}

void TfrmCarichi::cmdListinoClick()
{
    openDialog<TfrmSospese>(this, [this](TfrmSospese &w) { w.setCard(this); });
}

void TfrmCarichi::btnCalcolaClick()
{
    ReceiptCalc::Total total{txtCostoUni->text(), txtQuant->text(), txtCostoTot->text()};
    if (ReceiptCalc::calcola(total) == PriceCalc::Result::TooLong) {
        Messages::warning(this, PriceCalc::tooLongWarning(total.rejected, QStringLiteral("Costo totale")));
        return;
    }
    txtCostoUni->setText(total.costoUni);
    txtQuant->setText(total.quant);
    txtCostoTot->setText(total.costoTot);
}

bool TfrmCarichi::calculateForSave()
{
    // An amount the save cannot read stops it, rather than being zeroed.
    const QList<QPair<QLineEdit *, QString>> amounts = {{txtCostoUni, QStringLiteral("Costo unitario")},
                                                        {txtQuant, QStringLiteral("Quantità")},
                                                        {txtCostoTot, QStringLiteral("Costo totale")}};
    for (const auto &[box, caption] : amounts) {
        if (!TextRules::trimmed(box->text()).isEmpty() && !NumberFormat::readDecimal(box->text())) {
            Messages::warning(this, PriceCalc::unreadableAmountWarning(caption, box->text()));
            box->setFocus();
            return false;
        }
    }
    ReceiptCalc::Total total{txtCostoUni->text(), txtQuant->text(), txtCostoTot->text()};
    const PriceCalc::Result result = ReceiptCalc::calcola(total);
    // The boxes read: a total that still fails has overflowed.
    if (result != PriceCalc::Result::Done) {
        Messages::warning(this, result == PriceCalc::Result::TooLong
                                    ? PriceCalc::tooLongWarning(total.rejected, QStringLiteral("Costo totale"))
                                    : PriceCalc::overflowWarning(QStringLiteral("Costo totale")));
        return false;
    }
    txtCostoUni->setText(total.costoUni);
    txtQuant->setText(total.quant);
    txtCostoTot->setText(total.costoTot);
    return true;
}

void TfrmCarichi::openCalendar(QLineEdit *dateBox)
{
    const QString target = dateBox == txtDataDoc ? QStringLiteral("carichi_datadoc") : QStringLiteral("carichi_data");
    openDialog<TfrmCalendario>(this, [this, target](TfrmCalendario &picker) {
        picker.lblMemory->setText(target);
        picker.setCard(this);
    });
}

bool TfrmCarichi::cardKeyPress(const QString &control, QKeyEvent *key)
{
    if (control != u"txtDataDoc" && control != u"txtData")
        return false;
    QLineEdit *date = control == u"txtData" ? txtData : txtDataDoc;
    if (!asksForPicker(key))
        return false;
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete)
        date->clear();
    else
        openCalendar(date);
    return true;
}

#include "productcard.h"

#include "ui/exportwindow.h"
#include "ui/helpwindows.h"
#include "output/layouts.h"
#include "products/extradata.h"
#include "products/lowstocklist.h"
#include "products/pricecalc.h"
#include "products/producthelp.h"
#include "products/productrecord.h"
#include "products/stockwindow.h"
#include "ui/searchwindow.h"
#include "storage/archivekind.h"
#include "storage/numberformat.h"
#include "storage/programfolder.h"
#include "storage/record.h"
#include "storage/textrules.h"
#include "ui/artwork.h"
#include "ui/widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

namespace {

QString calcolaWarning()
{
    return QStringLiteral("Attenzione: valori non validi.\r\n\r\nInserire correttamente il prezzo e l'aliquota IVA "
                          "prima di premere il pulsante Calcola.");
}

QString scorporaWarning()
{
    return QStringLiteral("Attenzione: valori non validi.\r\n\r\nInserire correttamente il prezzo IVA inclusa e "
                          "l'aliquota IVA prima di premere il pulsante Scorpora.");
}

} // namespace

TfrmMagazzino::TfrmMagazzino(QWidget *parent)
    : TCardScreen(QStringLiteral("frmMagazzino"), QStringLiteral(" Scortex - Magazzino Prodotti"), parent),
      repScheda(ReportLayouts::cardReport(reportLogo()))
{
    QWidget *p = panel();
    const int left = 10;
    const int width = 775;
    const int x0 = left + 66;
    const int full = width - 66 - 12;
    const int pitch = 54;
    auto row = [&](int top, int i) { return top + 8 + i * pitch; };
    auto edit = [this](const char *name, const QString &caption, int x, int y, int w) {
        return addEdit(QLatin1StringView(name), caption, x, y, w);
    };
    auto button = [p](const char *name, const QString &text, const QRect &at) {
        auto *b = new QPushButton(text, p);
        b->setObjectName(QLatin1StringView(name));
        b->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
        b->setCursor(Qt::PointingHandCursor);
        b->setGeometry(at);
        return b;
    };
    auto note = [p](const char *name, const QString &text, const QRect &at) {
        auto *l = new QLabel(text, p);
        l->setObjectName(QLatin1StringView(name));
        l->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
        l->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
        l->setGeometry(at);
        return l;
    };

    const int s1 = 8, s2 = 194, s3 = 326, s4 = 512;
    addSection(QStringLiteral("shpSezione1"), QStringLiteral("sez_fornitura"), QRect(left, s1, width, 176));
    addSection(QStringLiteral("shpSezione2"), QStringLiteral("sez_ditta"), QRect(left, s2, width, 122));
    addSection(QStringLiteral("shpSezione3"), QStringLiteral("sez_fiscali"), QRect(left, s3, width, 176));
    addSection(QStringLiteral("shpSezione4"), QStringLiteral("sez_note"), QRect(left, s4, width, 122));

    // Section 1: the article.
    txtCodice = edit("txtCodice", QStringLiteral("Codice articolo:"), x0, row(s1, 0), 220);
    txtTipologia = edit("txtTipologia", QStringLiteral("Tipologia:"), x0 + 232, row(s1, 0), 290);
    btnPneumatici = button("btnPneumatici", QStringLiteral("Altre informazioni"),
                           QRect(x0 + 534, row(s1, 0) + 18, full - 534, 30));
    txtMarca = edit("txtMarca", QStringLiteral("Marca:"), x0, row(s1, 1), 342);
    txtModello = edit("txtModello", QStringLiteral("Modello:"), x0 + 354, row(s1, 1), full - 354);
    txtDescrizione = edit("txtDescrizione", QStringLiteral("Descrizione:"), x0, row(s1, 2), 342);
    txtAccessori = edit("txtAccessori", QStringLiteral("Accessori:"), x0 + 354, row(s1, 2), full - 354);

    // Section 2: supplier and purchase.
    txtFornitore = edit("txtFornitore", QStringLiteral("Fornitore:"), x0, row(s2, 0), 342);
    txtRecapiti = edit("txtRecapiti", QStringLiteral("Recapito preferenziale:"), x0 + 354, row(s2, 0), full - 354 - 36);
    impFornitore = new TPictureButton(QStringLiteral("impFornitore"), QStringLiteral(":/art/importa.svg"),
                                      QStringLiteral("Importa dati fornitore"), p);
    impFornitore->setGeometry(x0 + full - 30, row(s2, 0) + 19, 30, 28);
    txtData = edit("txtData", QStringLiteral("Data di acquisto:"), x0, row(s2, 1), 150);
    txtDocumento = edit("txtDocumento", QStringLiteral("Estremi documento di acquisto:"), x0 + 162, row(s2, 1), 260);
    txtOrdine = edit("txtOrdine", QStringLiteral("Modalità di ordine merce:"), x0 + 434, row(s2, 1), full - 434);

    // Section 3: stock and prices.
    txtGiacenza = edit("txtGiacenza", QStringLiteral("Giacenza:"), x0, row(s3, 0), 120);
    btnAggiungi = button("btnAggiungi", QStringLiteral("+"), QRect(x0 + 126, row(s3, 0) + 19, 32, 28));
    btnSottrai = button("btnSottrai", QStringLiteral("-"), QRect(x0 + 162, row(s3, 0) + 19, 32, 28));
    btnAggiungi->setAccessibleName(QStringLiteral("Aggiungi alla giacenza"));
    btnSottrai->setAccessibleName(QStringLiteral("Sottrai dalla giacenza"));
    txtSottoscorta = edit("txtSottoscorta", QStringLiteral("Avviso sottoscorta n."), x0 + 236, row(s3, 0), 120);
    note("lblPezziRimasti", QStringLiteral("pezzi rimasti."), QRect(x0 + 362, row(s3, 0) + 19, 130, 28));
    txtCosto = edit("txtCosto", QStringLiteral("Costo:"), x0, row(s3, 1), 120);
    txtValore = edit("txtValore", QStringLiteral("Valore (costo x giacenza):"), x0 + 236, row(s3, 1), 190);
    btnValore = button("btnValore", QStringLiteral("Calcola valore"), QRect(x0 + 432, row(s3, 1) + 18, 140, 30));
    txtPrezzo = edit("txtPrezzo", QStringLiteral("Prezzo:"), x0, row(s3, 2), 120);
    txtPercIva = edit("txtPercIva", QStringLiteral("Perc. IVA:"), x0 + 236, row(s3, 2), 60);
    note("lblPercento", QStringLiteral("%"), QRect(x0 + 300, row(s3, 2) + 19, 20, 28));
    txtPrezzo_con_Iva = edit("txtPrezzo_con_Iva", QStringLiteral("Prezzo con IVA:"), x0 + 332, row(s3, 2), 140);
    btnCalcola = button("btnCalcola", QStringLiteral("Calcola"), QRect(x0 + 480, row(s3, 2) + 18, 100, 30));
    btnScorpora = button("btnScorpora", QStringLiteral("Scorpora"), QRect(x0 + 588, row(s3, 2) + 18, full - 588, 30));

    // Section 4: place and notes.
    txtCollocazione = edit("txtCollocazione", QStringLiteral("Collocazione in magazzino:"), x0, row(s4, 0), full);
    txtNote = edit("txtNote", QStringLiteral("Note:"), x0, row(s4, 1), full);

    addHiddenLabels({QStringLiteral("memConsumo"), QStringLiteral("memAderenza"), QStringLiteral("memRumore"),
                     QStringLiteral("memOnde"), QStringLiteral("lblFile01"), QStringLiteral("lblFile02"),
                     QStringLiteral("lblFile03"), QStringLiteral("lblDesc01"), QStringLiteral("lblDesc02"),
                     QStringLiteral("lblDesc03"), QStringLiteral("lblCartella"), QStringLiteral("lblCartellaDesc")});
    memConsumo = findChild<QLabel *>(QStringLiteral("memConsumo"));
    memAderenza = findChild<QLabel *>(QStringLiteral("memAderenza"));
    memRumore = findChild<QLabel *>(QStringLiteral("memRumore"));
    memOnde = findChild<QLabel *>(QStringLiteral("memOnde"));

    const int y = addCommandColumn(
        {
            {"cmdNuovo"},
            {"cmdDuplica"},
            {"cmdFile"},
            {"cmdSalva"},
            {"cmdTrova"},
            {"cmdStampa"},
            {"cmdPDF"},
            {"cmdWeb", "web", "Cerca sul Web",
             "Cerca sul Web, tramite Google, informazioni relative all'articolo corrente."},
            {"cmdSottoscorta", "sottoscorta", "Sottoscorta", "Visualizza l'elenco dei materiali in esaurimento."},
            {"cmdEsporta"},
            {"cmdGuida"},
            {"cmdEsci"},
        },
        797, 8, 188);
    auto *decoration = new TPicture(QStringLiteral("imgDecoro"), QStringLiteral(":/art/magazzino_decoro.svg"), p);
    decoration->setGeometry(797, y + 6, 188, 80);
    clearsStatusLine(decoration);

    buildStatusAndArrows(QRect(10, 660, 640, 26), QRect(660, 654, 325, 36));

    CardDefinition def;
    def.layout = &ProductRecord::layout();
    def.archivePath = [](const TCardScreen &) { return ProductRecord::archivePath(AppContext::programFolder()); };
    QHash<int, QString> extraData;
    for (int f = ProductRecord::Consumo; f <= ProductRecord::Onde; ++f)
        extraData.insert(f, QStringLiteral("mem") + QString(def.layout->fieldName(f)));
    def.controls = boundControls(*def.layout, ProductRecord::File01, extraData);
    def.wholeNumberFields = {QStringLiteral("txtGiacenza"), QStringLiteral("txtSottoscorta"),
                             QStringLiteral("txtPercIva")};
    def.moneyFields = {QStringLiteral("txtCosto"), QStringLiteral("txtValore"), QStringLiteral("txtPrezzo"),
                       QStringLiteral("txtPrezzo_con_Iva")};
    def.blankValue = [whole = def.wholeNumberFields, money = def.moneyFields](const QString &control) {
        if (whole.contains(control))
            return QStringLiteral("0");
        if (money.contains(control))
            return QStringLiteral("0,00");
        return QString();
    };
    def.modeWord = QStringLiteral("magazzino");
    def.exportArchive = [](TCardScreen &card) { openDialog<TfrmExpMagazzino>(&card); };
    def.attachmentLabels = {QStringLiteral("lblFile01"), QStringLiteral("lblFile02"), QStringLiteral("lblFile03"),
                            QStringLiteral("lblDesc01"), QStringLiteral("lblDesc02"), QStringLiteral("lblDesc03"),
                            QStringLiteral("lblCartella"), QStringLiteral("lblCartellaDesc")};
    def.required = {{QStringLiteral("txtCodice"),
                     QStringLiteral("Attenzione: per salvare la scheda è necessario indicare il codice articolo.")}};
    def.enterChain = {QStringLiteral("txtCodice"), QStringLiteral("txtTipologia"), QStringLiteral("txtMarca"),
                      QStringLiteral("txtModello"), QStringLiteral("txtDescrizione"), QStringLiteral("txtAccessori"),
                      QStringLiteral("txtFornitore"), QStringLiteral("txtRecapiti"), QStringLiteral("txtData"),
                      QStringLiteral("txtDocumento"), QStringLiteral("txtOrdine"), QStringLiteral("txtGiacenza"),
                      QStringLiteral("txtSottoscorta"), QStringLiteral("txtCosto"), QStringLiteral("txtValore"),
                      QStringLiteral("txtPrezzo"), QStringLiteral("txtPercIva"), QStringLiteral("txtPrezzo_con_Iva"),
                      QStringLiteral("txtCollocazione"), QStringLiteral("txtNote")};
    def.firstField = QStringLiteral("txtCodice");
    def.archiveMessageKind = Messages::Kind::Warning;
    def.duplicateMessageKind = Messages::Kind::Warning;
    def.afterRequired = [this](TCardScreen &) { return saveAdditions(); };
    def.hints = {
        {QStringLiteral("btnAggiungi"), QStringLiteral("Aggiorna la giacenza aggiungendo una certa quantità.")},
        {QStringLiteral("btnSottrai"), QStringLiteral("Aggiorna la giacenza sottraendo una certa quantità.")},
        {QStringLiteral("btnCalcola"),
         QStringLiteral("Calcola il prezzo IVA inclusa dell'articolo corrente in base all'aliquota indicata.")},
        {QStringLiteral("btnScorpora"), QStringLiteral("Scorpora il prezzo lordo dell'articolo corrente calcolando "
                                                       "l'imponibile in base all'aliquota IVA indicata.")},
        {QStringLiteral("btnValore"), QStringLiteral("Calcola il valore totale della merce in magazzino moltiplicando "
                                                     "il costo per la giacenza.")},
        {QStringLiteral("btnPneumatici"), QStringLiteral("Registra ulteriori informazioni sul prodotto corrente.")},
        {QStringLiteral("impFornitore"), QStringLiteral("Importa i dati dall'archivio anagrafico dei fornitori.")},
    };
    def.helpTopic = ProductHelp::card();
    def.openSearch = [](TCardScreen &card) {
        auto *self = static_cast<TfrmMagazzino *>(&card);
        openDialog<TfrmTrovaMagazzino>(self, [self](TfrmTrovaMagazzino &w) {
            w.lblMemory->setText(QStringLiteral("magazzino"));
            w.setCard(self);
        });
    };
    def.report = [](TCardScreen &card) -> const Report & {
        auto &self = static_cast<TfrmMagazzino &>(card);
        self.fillReport();
        return self.repScheda;
    };
    def.pdfFile = QStringLiteral("Articolo.pdf");
    bind(def);

    // Tab order: the boxes of the chain, then the calculation buttons, then
    // the extra-data button.
    chainTabOrder({}, {btnAggiungi, btnSottrai, btnValore, btnCalcola, btnScorpora, btnPneumatici});

    connectWorkflow();
    connect(findChild<QAbstractButton *>(QStringLiteral("cmdWeb")), &QAbstractButton::clicked, this,
            &TfrmMagazzino::cmdWebClick);
    connect(btnCalcola, &QPushButton::clicked, this, &TfrmMagazzino::btnCalcolaClick);
    connect(btnScorpora, &QPushButton::clicked, this, &TfrmMagazzino::btnScorporaClick);
    connect(btnValore, &QPushButton::clicked, this, &TfrmMagazzino::btnValoreClick);
    connect(btnAggiungi, &QPushButton::clicked, this, &TfrmMagazzino::btnAggiungiClick);
    connect(btnSottrai, &QPushButton::clicked, this, &TfrmMagazzino::btnSottraiClick);
    connect(btnPneumatici, &QPushButton::clicked, this, &TfrmMagazzino::btnPneumaticiClick);
    connect(findChild<QAbstractButton *>(QStringLiteral("cmdSottoscorta")), &QAbstractButton::clicked, this,
            &TfrmMagazzino::cmdSottoscortaClick);
    connect(impFornitore, &QAbstractButton::clicked, this, &TfrmMagazzino::impFornitoreClick);
}

void TfrmMagazzino::cmdSottoscortaClick()
{
    openDialog<TfrmSottoscorta>(this, [this](TfrmSottoscorta &w) { w.setCard(this); });
}

void TfrmMagazzino::impFornitoreClick()
{
    openDialog<TfrmTrovaFornitori>(this, [this](TfrmTrovaFornitori &w) {
        w.lblMemory->setText(QStringLiteral("magazzino"));
        w.setCard(this);
        w.setLoadRecord([this](const ChosenRecord &chosen) {
            takeSupplier(chosen.bytes);
            return true;
        });
    });
}

void TfrmMagazzino::takeSupplier(const QByteArray &bytes)
{
    // The fields by their names, through the registry: the products card
    // may not use the suppliers' folder, which comes after it on its floor.
    const RecordLayout &layout = ArchiveKinds::get("fornitori").layout();
    const Record supplier(layout, bytes);
    const auto field = [&](const char *name) {
        const int at = layout.indexOf(QLatin1StringView(name));
        return at < 0 ? QString() : supplier.value(at);
    };
    setControlText(QStringLiteral("txtFornitore"), field("Ditta"));
    setControlText(QStringLiteral("txtRecapiti"), field("Recapito"));
    setControlText(QStringLiteral("txtOrdine"), field("Ordine"));
}

void TfrmMagazzino::fillReport()
{
    const QList<ReportLayouts::Row> rows = {
        {QStringLiteral("Codice articolo:"), txtCodice->text()},
        {QStringLiteral("Tipologia:"), txtTipologia->text()},
        {QStringLiteral("Marca:"), txtMarca->text()},
        {QStringLiteral("Modello:"), txtModello->text()},
        {QStringLiteral("Descrizione:"), txtDescrizione->text()},
        {QStringLiteral("Accessori:"), txtAccessori->text()},
        {QStringLiteral("Fornitore:"), txtFornitore->text()},
        {QStringLiteral("Recapito preferenziale:"), txtRecapiti->text()},
        {QStringLiteral("Data acquisto:"), txtData->text()},
        {QStringLiteral("Documento acquisto:"), txtDocumento->text()},
        {QStringLiteral("Modalità ordine merce:"), txtOrdine->text()},
        {QStringLiteral("Giacenza:"), txtGiacenza->text()},
        {QStringLiteral("Costo:"), txtCosto->text()},
        {QStringLiteral("Valore (costo x giacenza):"), txtValore->text()},
        // The value is trimmed before the words are added, so an empty
        // threshold prints " pezzi rimasti" with its blank.
        {QStringLiteral("Preavviso sottoscorta:"), QString()},
        {QStringLiteral("Prezzo:"), txtPrezzo->text()},
        {QStringLiteral("Aliquota IVA:"), txtPercIva->text()},
        {QStringLiteral("Prezzo con IVA:"), txtPrezzo_con_Iva->text()},
        {QStringLiteral("Collocazione in magazzino:"), txtCollocazione->text()},
        {QStringLiteral("Altezza:"), memConsumo->text()},
        {QStringLiteral("Larghezza:"), memAderenza->text()},
        {QStringLiteral("Lunghezza:"), memRumore->text()},
        {QStringLiteral("Scadenza:"), memOnde->text()},
        {QStringLiteral("Note:"), txtNote->text()},
    };
    ReportLayouts::fillCard(repScheda, QStringLiteral("SCHEDA ARTICOLO"), rows,
                            ReportLayouts::printFooter(AppContext::now()));
    repScheda.object(QStringLiteral("txtCampo15"))
        .setText(TextRules::trimmed(txtSottoscorta->text()) + QStringLiteral(" pezzi rimasti"));
}

void TfrmMagazzino::btnCalcolaClick()
{
    PriceCalc::Prices prices{txtPrezzo->text(), txtPercIva->text(), txtPrezzo_con_Iva->text()};
    const PriceCalc::Result result = PriceCalc::calcola(prices);
    if (result == PriceCalc::Result::TooLong) {
        Messages::warning(this, PriceCalc::tooLongWarning(prices.rejected, QStringLiteral("Prezzo con IVA")));
        return;
    }
    if (result == PriceCalc::Result::Unreadable)
        Messages::warning(this, calcolaWarning());
    txtPrezzo->setText(prices.prezzo);
    txtPercIva->setText(prices.percIva);
    txtPrezzo_con_Iva->setText(prices.prezzoConIva);
    if (result == PriceCalc::Result::Unreadable)
        txtPrezzo_con_Iva->setFocus();
}

void TfrmMagazzino::btnScorporaClick()
{
    PriceCalc::Prices prices{txtPrezzo->text(), txtPercIva->text(), txtPrezzo_con_Iva->text()};
    const PriceCalc::Result result = PriceCalc::scorpora(prices);
    if (result == PriceCalc::Result::TooLong) {
        Messages::warning(this, PriceCalc::tooLongWarning(prices.rejected, QStringLiteral("Prezzo senza IVA")));
        return;
    }
    if (result == PriceCalc::Result::Unreadable)
        Messages::warning(this, scorporaWarning());
    txtPrezzo->setText(prices.prezzo);
    txtPercIva->setText(prices.percIva);
    txtPrezzo_con_Iva->setText(prices.prezzoConIva);
    if (result == PriceCalc::Result::Unreadable)
        txtPrezzo_con_Iva->setFocus();
}

void TfrmMagazzino::btnValoreClick()
{
    PriceCalc::Value value{txtCosto->text(), txtGiacenza->text(), txtValore->text()};
    if (PriceCalc::calcolaValore(value) == PriceCalc::Result::TooLong) {
        Messages::warning(this, PriceCalc::tooLongWarning(value.rejected, QStringLiteral("Valore")));
        return;
    }
    txtCosto->setText(value.costo);
    txtGiacenza->setText(value.giacenza);
    txtValore->setText(value.valore);
}

bool TfrmMagazzino::saveAdditions()
{
    for (QLineEdit *box : {txtGiacenza, txtSottoscorta, txtPercIva}) {
        if (TextRules::trimmed(box->text()).isEmpty())
            box->setText(QStringLiteral("0"));
    }
    for (QLineEdit *box : {txtCosto, txtValore, txtPrezzo, txtPrezzo_con_Iva}) {
        if (TextRules::trimmed(box->text()).isEmpty())
            box->setText(QStringLiteral("0,00"));
    }
    for (QLineEdit *box : {txtGiacenza, txtSottoscorta}) {
        const std::optional<double> n = NumberFormat::readDecimal(box->text());
        if (!n) {
            // Only pasted text gets here; nothing is written.
            Messages::warning(this, QStringLiteral("Attenzione: la giacenza e l'avviso sottoscorta devono contenere "
                                                   "un numero. Correggere il valore e premere di nuovo Salva."));
            box->setFocus();
            return false;
        }
        const QString whole = NumberFormat::numberText(NumberFormat::roundTo(*n, 0));
        box->setText(NumberFormat::fitField(whole, box->maxLength()).value_or(box->text()));
    }
    // The save computes the price with VAT and the value; an amount it
    // cannot read, or a result too long for its field, stops it: nothing
    // is zeroed and nothing is written.
    const QList<QPair<QLineEdit *, QString>> amounts = {
        {txtCosto, QStringLiteral("Costo")},          {txtValore, QStringLiteral("Valore")},
        {txtPrezzo, QStringLiteral("Prezzo senza IVA")}, {txtPercIva, QStringLiteral("Perc. IVA")},
        {txtPrezzo_con_Iva, QStringLiteral("Prezzo con IVA")}};
    for (const auto &[box, caption] : amounts) {
        if (!NumberFormat::readDecimal(box->text())) {
            Messages::warning(this, PriceCalc::unreadableAmountWarning(caption, box->text()));
            box->setFocus();
            return false;
        }
    }
    // Every box reads: a calculation that still fails has overflowed.
    PriceCalc::Prices prices{txtPrezzo->text(), txtPercIva->text(), txtPrezzo_con_Iva->text()};
    const PriceCalc::Result priced = PriceCalc::calcola(prices);
    if (priced != PriceCalc::Result::Done) {
        Messages::warning(this, priced == PriceCalc::Result::TooLong
                                    ? PriceCalc::tooLongWarning(prices.rejected, QStringLiteral("Prezzo con IVA"))
                                    : PriceCalc::overflowWarning(QStringLiteral("Prezzo con IVA")));
        return false;
    }
    PriceCalc::Value value{txtCosto->text(), txtGiacenza->text(), txtValore->text()};
    const PriceCalc::Result valued = PriceCalc::calcolaValore(value);
    if (valued != PriceCalc::Result::Done) {
        Messages::warning(this, valued == PriceCalc::Result::TooLong
                                    ? PriceCalc::tooLongWarning(value.rejected, QStringLiteral("Valore"))
                                    : PriceCalc::overflowWarning(QStringLiteral("Valore")));
        return false;
    }
    txtPrezzo_con_Iva->setText(prices.prezzoConIva);
    txtValore->setText(value.valore);
    return true;
}

void TfrmMagazzino::openStockWindow(bool add)
{
    openDialog<TfrmGiacenza>(this, [this, add](TfrmGiacenza &w) { w.prepare(txtGiacenza, add); });
}

void TfrmMagazzino::btnAggiungiClick()
{
    openStockWindow(true);
}

void TfrmMagazzino::btnSottraiClick()
{
    openStockWindow(false);
}

void TfrmMagazzino::btnPneumaticiClick()
{
    openDialog<TfrmDatiPneumatici>(
        this, [this](TfrmDatiPneumatici &w) { w.prepare({memConsumo, memAderenza, memRumore, memOnde}); });
}

QString TfrmMagazzino::webSearchAddress(const QString &brand, const QString &model)
{
    // The query is percent-encoded, so &, #, + and blanks search for
    // exactly what was typed.
    const QString query = TextRules::trimmed(brand) + u' ' + TextRules::trimmed(model);
    return QStringLiteral("http://www.google.com/search?q=") + QString::fromLatin1(QUrl::toPercentEncoding(query));
}

void TfrmMagazzino::cmdWebClick()
{
    if (TextRules::trimmed(txtMarca->text()).isEmpty()) {
        Messages::warning(this, QStringLiteral("Attenzione: per poter effettuare una ricerca sul Web è necessario "
                                               "compilare il campo relativo alla marca dell'articolo."));
        txtMarca->setFocus();
        return;
    }
    TMisc::Open(u'"' + webSearchAddress(txtMarca->text(), txtModello->text()) + u'"');
}

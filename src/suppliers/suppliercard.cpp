#include "suppliercard.h"

#include "ui/exportwindow.h"
#include "ui/helpwindows.h"
#include "output/layouts.h"
#include "ui/searchwindow.h"
#include "storage/programfolder.h"
#include "storage/record.h"
#include "storage/textrules.h"
#include "suppliers/recontactlist.h"
#include "suppliers/supplierhelp.h"
#include "suppliers/supplierrecord.h"
#include "ui/artwork.h"
#include "ui/widgets.h"
#include "validators/validatorwindow.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QUrl>
#include <QLineEdit>


QStringList TfrmFornitori::provinces()
{
    return QStringLiteral(
               "AG AL AN AO AP AQ AR AT AV BA BG BI BL BN BO BR BS BT BZ CA CB CE CH CI CL CN CO CR CS CT CZ EE EN "
               "FC FE FG FI FM FO FR GE GO GR IM IS KR LC LE LI LO LT LU MB MC MD ME MI MN MO MS MT NA NO NU OG OR "
               "OT PA PC PD PE PG PI PN PO PR PT PU PV PZ RA RC RE RG RI RM RN RO SA SI SO SP SR SS SV TA TE TN TO "
               "TP TR TS TV UD VA VB VC VE VI VR VT VV")
        .split(u' ');
}

TfrmFornitori::TfrmFornitori(QWidget *parent)
    : TCardScreen(QStringLiteral("frmFornitori"), QStringLiteral(" Scortex - Archivio Fornitori"), parent),
      repScheda(ReportLayouts::cardReport(reportLogo()))
{
    QWidget *p = panel();
    auto edit = [this](const char *name, const QString &caption, int x, int y, int w) {
        return addEdit(QLatin1StringView(name), caption, x, y, w);
    };

    // Five sections stacked on the left, each with its icon in a white square.
    struct Section
    {
        const char *name;
        const char *icon;
        int top, height;
    } sections[] = {
        {"shpSezione1", "sez_ditta", 8, 166},
        {"shpSezione2", "sez_recapiti", 180, 114},
        {"shpSezione3", "sez_fiscali", 300, 114},
        {"shpSezione4", "sez_fornitura", 420, 114},
        {"shpSezione5", "sez_note", 540, 114},
    };
    const int left = 10;
    const int sectionWidth = 775;
    for (const Section &s : sections)
        addSection(QLatin1StringView(s.name), QLatin1StringView(s.icon), QRect(left, s.top, sectionWidth, s.height));
    const int x0 = left + 66; // fields start right of the icon square
    const int full = sectionWidth - 66 - 12;

    // Section 1
    txtDitta = edit("txtDitta", QStringLiteral("Denominazione Ditta:"), x0, 14, 330);
    txtTitolare = edit("txtTitolare", QStringLiteral("Titolare o responsabile:"), x0 + 342, 14,
                         full - 342);
    txtRecapito = edit("txtRecapito", QStringLiteral("Recapito preferenziale:"), x0, 66, 330);
    txtIndirizzoRes = edit("txtIndirizzoRes", QStringLiteral("Via / Piazza e numero civico:"),
                             x0 + 342, 66, full - 342);
    txtProvRes = new QComboBox(p);
    txtProvRes->setObjectName(QStringLiteral("txtProvRes"));
    txtProvRes->setEditable(true);
    txtProvRes->setInsertPolicy(QComboBox::NoInsert);
    // Typed letters stay as typed: no completion from the list.
    txtProvRes->setCompleter(nullptr);
    txtProvRes->addItems(provinces());
    txtProvRes->setMaxVisibleItems(16);
    txtProvRes->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    txtProvRes->setGeometry(x0, 118 + 19, 70, 28);
    addCaption(QStringLiteral("Prov."), txtProvRes, x0, 118, 70);
    txtProvRes->setAccessibleName(QStringLiteral("Provincia"));
    txtProvRes->lineEdit()->setAccessibleName(QStringLiteral("Provincia"));
    txtComuneRes = edit("txtComuneRes", QStringLiteral("Città:"), x0 + 82, 118, 240);
    txtCapRes = edit("txtCapRes", QStringLiteral("CAP:"), x0 + 334, 118, 80);
    txtPagamento = edit("txtPagamento", QStringLiteral("Modalità di pagamento:"), x0 + 426, 118,
                          full - 426);

    // Section 2
    const int tel = (full - 3 * 12) / 4;
    txtTelCasa = edit("txtTelCasa", QStringLiteral("Tel. casa:"), x0, 186, tel);
    txtTelUff = edit("txtTelUff", QStringLiteral("Tel. ufficio:"), x0 + (tel + 12), 186, tel);
    txtTelCel = edit("txtTelCel", QStringLiteral("Tel. cellulare:"), x0 + 2 * (tel + 12), 186, tel);
    txtFax = edit("txtFax", QStringLiteral("Fax:"), x0 + 3 * (tel + 12), 186, tel);
    auto *envelope = new TPicture(QStringLiteral("imgEmail"), QStringLiteral(":/art/email.svg"), p);
    envelope->setGeometry(x0, 238 + 19, 32, 28);
    clearsStatusLine(envelope);
    txtEmail = edit("txtEmail", QStringLiteral("E-mail:"), x0 + 40, 238, 420);
    btnEmail = new TCommandButton(QStringLiteral("btnEmail"), QStringLiteral(":/art/invia.svg"),
                                  QStringLiteral("Invia e-mail"), p);
    btnEmail->setGeometry(x0 + 470, 238 + 17, 150, 32);

    // Section 3
    auto checkButton = [&](const QString &name, const QString &caption, QWidget *box) {
        auto *b = new TPictureButton(name, QStringLiteral(":/art/controlla.svg"), caption, p);
        b->setGeometry(box->x() + box->width() + 4, box->y(), 28, 28);
        return b;
    };
    txtCodFisc = edit("txtCodFisc", QStringLiteral("Codice fiscale:"), x0, 306, 200);
    btnCodFisc = checkButton(QStringLiteral("btnCodFisc"), QStringLiteral("Controlla il codice fiscale"), txtCodFisc);
    txtCarta = edit("txtCarta", QStringLiteral("Carta di credito n."), x0 + 246, 306, 220);
    btnCarta = checkButton(QStringLiteral("btnCarta"), QStringLiteral("Controlla la carta di credito"), txtCarta);
    txtScadeCarta = edit("txtScadeCarta", QStringLiteral("Scadenza:"), x0 + 512, 306, full - 512);
    txtPartitaIva = edit("txtPartitaIva", QStringLiteral("Partita IVA:"), x0, 358, 200);
    btnPartitaIva = checkButton(QStringLiteral("btnPartitaIva"), QStringLiteral("Controlla la partita IVA"),
                                txtPartitaIva);
    txtIban = edit("txtIban", QStringLiteral("IBAN:"), x0 + 246, 358, 400);
    btnIban = checkButton(QStringLiteral("btnIban"), QStringLiteral("Controlla l'IBAN"), txtIban);

    // Section 4
    txtArticoli = edit("txtArticoli", QStringLiteral("Articoli forniti:"), x0, 426, full);
    txtOfferte = edit("txtOfferte", QStringLiteral("Offerte e sconti:"), x0, 478, (full - 12) / 2);
    txtOrdine = edit("txtOrdine", QStringLiteral("Modalità di ordine merce:"),
                       x0 + (full - 12) / 2 + 12, 478, (full - 12) / 2);

    // Section 5
    txtQuestioni = edit("txtQuestioni", QStringLiteral("Questioni in sospeso:"), x0, 546, full - 190);
    chkRicontatta = new QCheckBox(QStringLiteral("Da ricontattare"), p);
    chkRicontatta->setObjectName(QStringLiteral("chkRicontatta"));
    chkRicontatta->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    QPalette checkPalette = chkRicontatta->palette();
    checkPalette.setColor(QPalette::WindowText, QColor(0x1F, 0x3A, 0x5F));
    chkRicontatta->setPalette(checkPalette);
    chkRicontatta->setGeometry(x0 + full - 176, 546 + 19, 176, 28);
    txtNote = edit("txtNote", QStringLiteral("Note:"), x0, 598, full);

    addHiddenLabels({QStringLiteral("lblFile01"), QStringLiteral("lblFile02"), QStringLiteral("lblFile03"),
                     QStringLiteral("lblDesc01"), QStringLiteral("lblDesc02"), QStringLiteral("lblDesc03")});

    const int y = addCommandColumn(
        {
            {"cmdNuovo"},
            {"cmdDuplica"},
            {"cmdFile"},
            {"cmdSalva"},
            {"cmdTrova"},
            {"cmdAnteprima"},
            {"cmdStampa"},
            {"cmdPDF"},
            {"cmdRicontatta", "ricontatta", "Da ricontattare", "Visualizza l'elenco dei fornitori da ricontattare."},
            {"cmdEsporta"},
            {"cmdGuida"},
            {"cmdEsci"},
        },
        797, 8, 188);
    auto *decoration = new TPicture(QStringLiteral("imgDecoro"), QStringLiteral(":/art/fornitori_decoro.svg"), p);
    decoration->setGeometry(797, y + 6, 188, 80);
    clearsStatusLine(decoration);

    buildStatusAndArrows(QRect(10, 660, 640, 26), QRect(660, 654, 325, 36));

    CardDefinition def;
    def.layout = &SupplierRecord::layout();
    def.archivePath = [](const TCardScreen &) { return SupplierRecord::archivePath(AppContext::programFolder()); };
    def.controls = boundControls(*def.layout, SupplierRecord::File01,
                                 {{SupplierRecord::Ricontatta, QStringLiteral("chkRicontatta")}});
    def.modeWord = QStringLiteral("fornitori");
    def.exportArchive = [](TCardScreen &card) { openDialog<TfrmExpFornitori>(&card); };
    def.attachmentLabels = {QStringLiteral("lblFile01"), QStringLiteral("lblFile02"), QStringLiteral("lblFile03"),
                            QStringLiteral("lblDesc01"), QStringLiteral("lblDesc02"), QStringLiteral("lblDesc03")};
    def.required = {{QStringLiteral("txtDitta"),
                     QStringLiteral("Attenzione: per salvare la scheda è necessario indicare la denominazione della "
                                    "Ditta fornitrice.")}};
    for (int f = SupplierRecord::Ditta; f <= SupplierRecord::Note; ++f)
        def.enterChain << QStringLiteral("txt") + QString(def.layout->fieldName(f));
    def.digitFields = {QStringLiteral("txtCarta"), QStringLiteral("txtPartitaIva")};
    def.firstField = QStringLiteral("txtDitta");
    def.archiveMessageKind = Messages::Kind::Error;
    def.duplicateMessageKind = Messages::Kind::Error;
    def.hints = {
        {QStringLiteral("btnEmail"), QStringLiteral("Invia una e-mail all'indirizzo indicato.")},
        {QStringLiteral("btnCodFisc"), QStringLiteral("Controlla il codice fiscale.")},
        {QStringLiteral("btnCarta"), QStringLiteral("Controlla il numero di carta di credito.")},
        {QStringLiteral("btnPartitaIva"), QStringLiteral("Controlla il numero di partita IVA.")},
        {QStringLiteral("btnIban"), QStringLiteral("Controlla l'IBAN.")},
        {QStringLiteral("chkRicontatta"),
         QStringLiteral("Spunta questa casella per annotare che il fornitore è da ricontattare per questioni in "
                        "sospeso.")},
    };
    def.helpTopic = SupplierHelp::card();
    def.openSearch = [](TCardScreen &card) {
        auto *self = static_cast<TfrmFornitori *>(&card);
        openDialog<TfrmTrovaFornitori>(self, [self](TfrmTrovaFornitori &w) {
            w.lblMemory->setText(QStringLiteral("fornitori"));
            w.setCard(self);
        });
    };
    def.report = [](TCardScreen &card) -> const Report & {
        auto &self = static_cast<TfrmFornitori &>(card);
        self.fillReport();
        return self.repScheda;
    };
    def.pdfFile = QStringLiteral("Fornitore.pdf");
    bind(def);

    chainTabOrder({{QStringLiteral("txtQuestioni"), chkRicontatta}}, {});

    for (QWidget *w : {static_cast<QWidget *>(txtProvRes), static_cast<QWidget *>(txtCodFisc),
                       static_cast<QWidget *>(txtIban), static_cast<QWidget *>(txtEmail)})
        w->installEventFilter(this);

    connectWorkflow();
    connect(btnEmail, &QAbstractButton::clicked, this, &TfrmFornitori::btnEmailClick);
    connect(btnCodFisc, &QAbstractButton::clicked, this, &TfrmFornitori::btnCodFiscClick);
    connect(btnCarta, &QAbstractButton::clicked, this, &TfrmFornitori::btnCartaClick);
    connect(btnPartitaIva, &QAbstractButton::clicked, this, &TfrmFornitori::btnPartitaIvaClick);
    connect(btnIban, &QAbstractButton::clicked, this, &TfrmFornitori::btnIbanClick);
    connect(findChild<QAbstractButton *>(QStringLiteral("cmdRicontatta")), &QAbstractButton::clicked, this,
            &TfrmFornitori::cmdRicontattaClick);
}

void TfrmFornitori::cmdRicontattaClick()
{
    openDialog<TfrmRicontattaFor>(this, [this](TfrmRicontattaFor &w) { w.setCard(this); });
}

void TfrmFornitori::fillReport()
{
    // The printed order differs from the card's: city before province, VAT
    // number before the credit card.
    const QList<ReportLayouts::Row> rows = {
        {QStringLiteral("Denominazione Ditta:"), txtDitta->text()},
        {QStringLiteral("Titolare o responsabile:"), txtTitolare->text()},
        {QStringLiteral("Recapito preferenziale:"), txtRecapito->text()},
        {QStringLiteral("Indirizzo:"), txtIndirizzoRes->text()},
        {QStringLiteral("Città:"), txtComuneRes->text()},
        {QStringLiteral("Provincia:"), txtProvRes->currentText()},
        {QStringLiteral("CAP:"), txtCapRes->text()},
        {QStringLiteral("Modalità pagamento:"), txtPagamento->text()},
        {QStringLiteral("Tel. casa:"), txtTelCasa->text()},
        {QStringLiteral("Tel. ufficio:"), txtTelUff->text()},
        {QStringLiteral("Tel. cellulare:"), txtTelCel->text()},
        {QStringLiteral("Fax:"), txtFax->text()},
        {QStringLiteral("E-mail:"), txtEmail->text()},
        {QStringLiteral("Codice fiscale:"), txtCodFisc->text()},
        {QStringLiteral("Partita IVA:"), txtPartitaIva->text()},
        {QStringLiteral("Carta di credito n."), txtCarta->text()},
        {QStringLiteral("Scadenza carta di credito:"), txtScadeCarta->text()},
        {QStringLiteral("IBAN:"), txtIban->text()},
        {QStringLiteral("Articoli forniti:"), txtArticoli->text()},
        {QStringLiteral("Offerte e sconti:"), txtOfferte->text()},
        {QStringLiteral("Modalità di ordine merce:"), txtOrdine->text()},
        {QStringLiteral("Questioni in sospeso:"), txtQuestioni->text()},
        {QStringLiteral("Da ricontattare:"), YesNo::text(chkRicontatta->isChecked())},
        {QStringLiteral("Note:"), txtNote->text()},
    };
    ReportLayouts::fillCard(repScheda, QStringLiteral("SCHEDA ANAGRAFICA FORNITORE"), rows,
                            ReportLayouts::printFooter(AppContext::now()));
}

bool TfrmFornitori::cardKeyPress(const QString &control, QKeyEvent *key)
{
    return control == u"txtIban" && pasteWithoutBlanks(txtIban, key);
}

void TfrmFornitori::btnEmailClick()
{
    TMisc::Open(u'"' + mailtoAddress(txtEmail->text()) + u'"');
}

QString TfrmFornitori::mailtoAddress(const QString &email)
{
    // The field is an address and nothing more: ?, & and # are encoded, so
    // that no text after it becomes a header, an attachment or a recipient.
    return QStringLiteral("mailto:")
           + QString::fromLatin1(QUrl::toPercentEncoding(TextRules::trimmed(email), QByteArrayLiteral("@+")));
}

namespace {

template <class Window>
void openValidator(QWidget *owner, const QString &text)
{
    openDialog<Window>(owner, [&text](Window &w) { w.setText(text); });
}

} // namespace

void TfrmFornitori::btnCodFiscClick()
{
    // An all-digit tax code is a firm's, shaped like a VAT number.
    const QString code = TextRules::trimmed(txtCodFisc->text());
    const bool digits = !code.isEmpty() && std::all_of(code.cbegin(), code.cend(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    if (digits)
        openValidator<TfrmPartitaIva>(this, code);
    else
        openValidator<TfrmCodFisc>(this, code);
}

void TfrmFornitori::btnCartaClick()
{
    openValidator<TfrmCarta>(this, TextRules::trimmed(txtCarta->text()));
}

void TfrmFornitori::btnPartitaIvaClick()
{
    openValidator<TfrmPartitaIva>(this, TextRules::trimmed(txtPartitaIva->text()));
}

void TfrmFornitori::btnIbanClick()
{
    openValidator<TfrmIban>(this, TextRules::trimmed(txtIban->text()));
}

void TfrmFornitori::tidy(QWidget *box)
{
    // Province, tax code and IBAN are upper-cased (a-z only) and trimmed as
    // they are typed; the e-mail address is only trimmed.
    if (box == txtProvRes) {
        const QString t = TextRules::upperAZ(TextRules::trimmed(txtProvRes->currentText()));
        if (t != txtProvRes->currentText())
            txtProvRes->setEditText(t);
        return;
    }
    auto *edit = qobject_cast<QLineEdit *>(box);
    if (!edit)
        return;
    const QString trimmed = TextRules::trimmed(edit->text());
    const QString t = edit == txtEmail ? trimmed : TextRules::upperAZ(trimmed);
    if (t != edit->text()) {
        const int cursor = edit->cursorPosition();
        edit->setText(t);
        edit->setCursorPosition(qMin<int>(cursor, int(t.size())));
    }
}

bool TfrmFornitori::eventFilter(QObject *watched, QEvent *event)
{
    const bool handled = TCardScreen::eventFilter(watched, event);
    if (event->type() == QEvent::KeyRelease
        && (watched == txtProvRes || watched == txtCodFisc || watched == txtIban || watched == txtEmail)) {
        tidy(static_cast<QWidget *>(watched));
    } else if (event->type() == QEvent::FocusOut && (watched == txtProvRes || watched == txtEmail)
               && isLeavingFocus(static_cast<QFocusEvent *>(event))) {
        tidy(static_cast<QWidget *>(watched));
    }
    return handled;
}

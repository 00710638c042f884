#include "suppliercard.h"

#include "app/helptopics.h"
#include "app/helpwindows.h"
#include "storage/programfolder.h"
#include "storage/textrules.h"
#include "suppliers/supplierrecord.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

const QColor kSection(0xEC, 0xEF, 0xEF);

struct Layout
{
    QWidget *panel;
    QFont boxFont = layoutFont(QStringLiteral("Arial"), 12, true);
    QFont labelFont = layoutFont(QStringLiteral("Arial"), 9, true);

    QLabel *label(const QString &text, QWidget *buddy, int x, int y, int w)
    {
        auto *l = new QLabel(text, panel);
        l->setObjectName(QStringLiteral("lbl") + buddy->objectName().mid(3));
        l->setFont(labelFont);
        l->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
        l->setGeometry(x, y, w, 18);
        l->setBuddy(buddy);
        buddy->setAccessibleName(TextRules::trimmed(QString(text).remove(u':')));
        return l;
    }

    QLineEdit *edit(const QString &name, const QString &text, int x, int y, int w)
    {
        auto *e = new QLineEdit(panel);
        e->setObjectName(name);
        e->setFont(boxFont);
        e->setGeometry(x, y + 19, w, 28);
        label(text, e, x, y, w);
        return e;
    }
};

} // namespace

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
    : TCardScreen(QStringLiteral("frmFornitori"), QStringLiteral(" Scortex - Archivio Fornitori"), parent)
{
    QWidget *p = panel();
    Layout L{p};

    // Five sections stacked on the left, each with its icon in a white square.
    struct Section
    {
        const char *name;
        const char *icon;
        const char *title;
        int top, height;
    } sections[] = {
        {"shpSezione1", "sez_ditta", "Dati anagrafici", 8, 166},
        {"shpSezione2", "sez_recapiti", "Recapiti", 180, 114},
        {"shpSezione3", "sez_fiscali", "Dati fiscali e bancari", 300, 114},
        {"shpSezione4", "sez_fornitura", "Fornitura", 420, 114},
        {"shpSezione5", "sez_note", "Note", 540, 114},
    };
    const int left = 10;
    const int sectionWidth = 775;
    for (const Section &s : sections) {
        auto *frame = new QLabel(p);
        frame->setObjectName(QLatin1StringView(s.name));
        frame->setGeometry(left, s.top, sectionWidth, s.height);
        frame->setStyleSheet(QStringLiteral("QLabel { background: #ECEFEF; border-radius: 8px; }"));
        clearsStatusLine(frame);
        auto *square = new QLabel(p);
        square->setObjectName(QLatin1StringView(s.name) + QStringLiteral("Icona"));
        square->setGeometry(left + 8, s.top + 10, 48, 48);
        square->setStyleSheet(QStringLiteral("QLabel { background: white; border-radius: 6px; }"));
        clearsStatusLine(square);
        auto *icon = new TPicture(QLatin1StringView(s.name) + QStringLiteral("Img"),
                                  QStringLiteral(":/art/%1.svg").arg(QLatin1StringView(s.icon)), p);
        icon->setGeometry(left + 14, s.top + 16, 36, 36);
        icon->setToolTip(QString::fromUtf8(s.title));
        clearsStatusLine(icon);
    }
    const int x0 = left + 66; // fields start right of the icon square
    const int full = sectionWidth - 66 - 12;

    // Section 1
    txtDitta = L.edit(QStringLiteral("txtDitta"), QStringLiteral("Denominazione Ditta:"), x0, 14, 330);
    txtTitolare = L.edit(QStringLiteral("txtTitolare"), QStringLiteral("Titolare o responsabile:"), x0 + 342, 14,
                         full - 342);
    txtRecapito = L.edit(QStringLiteral("txtRecapito"), QStringLiteral("Recapito preferenziale:"), x0, 66, 330);
    txtIndirizzoRes = L.edit(QStringLiteral("txtIndirizzoRes"), QStringLiteral("Via / Piazza e numero civico:"),
                             x0 + 342, 66, full - 342);
    txtProvRes = new QComboBox(p);
    txtProvRes->setObjectName(QStringLiteral("txtProvRes"));
    txtProvRes->setEditable(true);
    txtProvRes->setInsertPolicy(QComboBox::NoInsert);
    // Typed letters stay as typed: no completion from the list.
    txtProvRes->setCompleter(nullptr);
    txtProvRes->addItems(provinces());
    txtProvRes->setMaxVisibleItems(16);
    txtProvRes->setFont(L.boxFont);
    txtProvRes->setGeometry(x0, 118 + 19, 70, 28);
    L.label(QStringLiteral("Prov."), txtProvRes, x0, 118, 70);
    txtProvRes->setAccessibleName(QStringLiteral("Provincia"));
    txtProvRes->lineEdit()->setAccessibleName(QStringLiteral("Provincia"));
    txtComuneRes = L.edit(QStringLiteral("txtComuneRes"), QStringLiteral("Città:"), x0 + 82, 118, 240);
    txtCapRes = L.edit(QStringLiteral("txtCapRes"), QStringLiteral("CAP:"), x0 + 334, 118, 80);
    txtPagamento = L.edit(QStringLiteral("txtPagamento"), QStringLiteral("Modalità di pagamento:"), x0 + 426, 118,
                          full - 426);

    // Section 2
    const int tel = (full - 3 * 12) / 4;
    txtTelCasa = L.edit(QStringLiteral("txtTelCasa"), QStringLiteral("Tel. casa:"), x0, 186, tel);
    txtTelUff = L.edit(QStringLiteral("txtTelUff"), QStringLiteral("Tel. ufficio:"), x0 + (tel + 12), 186, tel);
    txtTelCel = L.edit(QStringLiteral("txtTelCel"), QStringLiteral("Tel. cellulare:"), x0 + 2 * (tel + 12), 186, tel);
    txtFax = L.edit(QStringLiteral("txtFax"), QStringLiteral("Fax:"), x0 + 3 * (tel + 12), 186, tel);
    auto *envelope = new TPicture(QStringLiteral("imgEmail"), QStringLiteral(":/art/email.svg"), p);
    envelope->setGeometry(x0, 238 + 19, 32, 28);
    clearsStatusLine(envelope);
    txtEmail = L.edit(QStringLiteral("txtEmail"), QStringLiteral("E-mail:"), x0 + 40, 238, 420);
    btnEmail = new TCommandButton(QStringLiteral("btnEmail"), QStringLiteral(":/art/invia.svg"),
                                  QStringLiteral("Invia e-mail"), p);
    btnEmail->setGeometry(x0 + 470, 238 + 17, 150, 32);

    // Section 3
    auto checkButton = [&](const QString &name, const QString &caption, QWidget *box) {
        auto *b = new TPictureButton(name, QStringLiteral(":/art/controlla.svg"), caption, p);
        b->setGeometry(box->x() + box->width() + 4, box->y(), 28, 28);
        return b;
    };
    txtCodFisc = L.edit(QStringLiteral("txtCodFisc"), QStringLiteral("Codice fiscale:"), x0, 306, 200);
    btnCodFisc = checkButton(QStringLiteral("btnCodFisc"), QStringLiteral("Controlla il codice fiscale"), txtCodFisc);
    txtCarta = L.edit(QStringLiteral("txtCarta"), QStringLiteral("Carta di credito n."), x0 + 246, 306, 220);
    btnCarta = checkButton(QStringLiteral("btnCarta"), QStringLiteral("Controlla la carta di credito"), txtCarta);
    txtScadeCarta = L.edit(QStringLiteral("txtScadeCarta"), QStringLiteral("Scadenza:"), x0 + 512, 306, full - 512);
    txtPartitaIva = L.edit(QStringLiteral("txtPartitaIva"), QStringLiteral("Partita IVA:"), x0, 358, 200);
    btnPartitaIva = checkButton(QStringLiteral("btnPartitaIva"), QStringLiteral("Controlla la partita IVA"),
                                txtPartitaIva);
    txtIban = L.edit(QStringLiteral("txtIban"), QStringLiteral("IBAN:"), x0 + 246, 358, 400);
    btnIban = checkButton(QStringLiteral("btnIban"), QStringLiteral("Controlla l'IBAN"), txtIban);

    // Section 4
    txtArticoli = L.edit(QStringLiteral("txtArticoli"), QStringLiteral("Articoli forniti:"), x0, 426, full);
    txtOfferte = L.edit(QStringLiteral("txtOfferte"), QStringLiteral("Offerte e sconti:"), x0, 478, (full - 12) / 2);
    txtOrdine = L.edit(QStringLiteral("txtOrdine"), QStringLiteral("Modalità di ordine merce:"),
                       x0 + (full - 12) / 2 + 12, 478, (full - 12) / 2);

    // Section 5
    txtQuestioni = L.edit(QStringLiteral("txtQuestioni"), QStringLiteral("Questioni in sospeso:"), x0, 546, full - 190);
    chkRicontatta = new QCheckBox(QStringLiteral("Da ricontattare"), p);
    chkRicontatta->setObjectName(QStringLiteral("chkRicontatta"));
    chkRicontatta->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    QPalette checkPalette = chkRicontatta->palette();
    checkPalette.setColor(QPalette::WindowText, QColor(0x1F, 0x3A, 0x5F));
    chkRicontatta->setPalette(checkPalette);
    chkRicontatta->setGeometry(x0 + full - 176, 546 + 19, 176, 28);
    txtNote = L.edit(QStringLiteral("txtNote"), QStringLiteral("Note:"), x0, 598, full);

    // Hidden attachment labels.
    for (const char *name : {"lblFile01", "lblFile02", "lblFile03", "lblDesc01", "lblDesc02", "lblDesc03"}) {
        auto *hidden = new QLabel(p);
        hidden->setObjectName(QLatin1StringView(name));
        hidden->hide();
    }

    // The command column.
    const struct
    {
        const char *name;
        const char *picture;
        const char *caption;
        const char *hint;
    } commands[] = {
        {"cmdNuovo", "nuovo", "Nuovo", "Prepara la schermata per la registrazione di una nuova scheda."},
        {"cmdDuplica", "duplica", "Duplica",
         "Prepara la schermata per la registrazione di una nuova scheda duplicando i dati correnti."},
        {"cmdFile", "allega", "Allega file", "Allega file alla scheda corrente."},
        {"cmdSalva", "salva", "Salva", "Salva la scheda corrente in archivio."},
        {"cmdTrova", "trova", "Trova", "Trova una scheda in archivio."},
        {"cmdAnteprima", "anteprima", "Anteprima", "Visualizza l'anteprima di stampa."},
        {"cmdStampa", "stampa", "Stampa", "Stampa la scheda corrente."},
        {"cmdPDF", "pdf", "Crea PDF", "Esporta la scheda in formato PDF."},
        {"cmdRicontatta", "ricontatta", "Da ricontattare", "Visualizza l'elenco dei fornitori da ricontattare."},
        {"cmdEsporta", "esporta", "Esporta archivio", "Esporta le schede in archivio in un file di Microsoft Excel."},
        {"cmdGuida", "guida", "Guida", "Visualizza la pagina della guida sensibile al contesto."},
        {"cmdEsci", "esci", "Esci", "Esci da questa schermata di lavoro."},
    };
    int y = 8;
    for (const auto &c : commands) {
        auto *b = new TCommandButton(QLatin1StringView(c.name),
                                     QStringLiteral(":/art/%1.svg").arg(QLatin1StringView(c.picture)),
                                     QString::fromUtf8(c.caption), p);
        b->setGeometry(797, y, 188, 40);
        setHint(b, QString::fromUtf8(c.hint));
        y += 45;
    }
    auto *decoration = new TPicture(QStringLiteral("imgDecoro"), QStringLiteral(":/art/fornitori_decoro.svg"), p);
    decoration->setGeometry(797, y + 6, 188, 80);
    clearsStatusLine(decoration);

    buildStatusAndArrows(QRect(10, 660, 640, 26), QRect(660, 654, 325, 36));

    CardDefinition def;
    def.layout = &SupplierRecord::layout();
    def.archivePath = [](const TCardScreen &) { return SupplierRecord::archivePath(AppContext::programFolder()); };
    for (int f = 0; f < SupplierRecord::FieldCount; ++f) {
        const QString field(def.layout->fieldName(f));
        if (f == SupplierRecord::Ricontatta)
            def.controls << QStringLiteral("chkRicontatta");
        else if (f >= SupplierRecord::File01)
            def.controls << QStringLiteral("lbl") + field;
        else
            def.controls << QStringLiteral("txt") + field;
    }
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
    bind(def);

    // Tab order follows the Enter chain.
    QWidget *previous = nullptr;
    for (const QString &name : definition().enterChain) {
        QWidget *w = findChild<QWidget *>(name);
        if (previous)
            setTabOrder(previous, w);
        previous = w;
        if (name == u"txtQuestioni") {
            setTabOrder(w, chkRicontatta);
            previous = chkRicontatta;
        }
    }

    for (QWidget *w : {static_cast<QWidget *>(txtProvRes), static_cast<QWidget *>(txtCodFisc),
                       static_cast<QWidget *>(txtIban), static_cast<QWidget *>(txtEmail)})
        w->installEventFilter(this);

    auto connectCommand = [this](const char *name, void (TCardScreen::*slot)()) {
        connect(findChild<QAbstractButton *>(QLatin1StringView(name)), &QAbstractButton::clicked, this, slot);
    };
    connectCommand("cmdNuovo", &TCardScreen::cmdNuovoClick);
    connectCommand("cmdDuplica", &TCardScreen::cmdDuplicaClick);
    connectCommand("cmdSalva", &TCardScreen::cmdSalvaClick);
    connectCommand("cmdEsci", &TCardScreen::cmdEsciClick);
    connect(findChild<QAbstractButton *>(QStringLiteral("cmdGuida")), &QAbstractButton::clicked, this,
            [this] { showHelp(this, HelpTopics::Topic::Fornitori); });
    connect(btnEmail, &QAbstractButton::clicked, this, &TfrmFornitori::btnEmailClick);
}

void TfrmFornitori::btnEmailClick()
{
    TMisc::Open(u'"' + QStringLiteral("mailto:") + TextRules::trimmed(txtEmail->text()) + u'"');
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
    } else if (event->type() == QEvent::FocusOut && (watched == txtProvRes || watched == txtEmail)) {
        tidy(static_cast<QWidget *>(watched));
    }
    return handled;
}

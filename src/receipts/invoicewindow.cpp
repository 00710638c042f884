#include "invoicewindow.h"

#include "invoices/decimal.h"
#include "invoices/invoicereader.h"
#include "products/productrecord.h"
#include "receipts/calendar.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptrecord.h"
#include "storage/archiveerror.h"
#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/recordfile.h"
#include "storage/textrules.h"
#include "suppliers/supplierrecord.h"
#include "ui/searchwindow.h"
#include "ui/services.h"

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>

namespace {

const char kBoxStyle[] = "QLineEdit { background: #FFFFFF; border: 2px solid #87CEEB; border-radius: 3px; "
                         "padding: 1px 4px; }"
                         "QLineEdit:focus { background: #FFFF00; }"
                         "QLineEdit:disabled { background: #EEEEEE; border-color: #C8D8E4; }";
const char kValueStyle[] = "color: #1F3A5F; background: white; border: 1px solid #9CC3DB; padding: 2px 6px;";

QLabel *caption(QWidget *parent, const QString &text, const QRect &at)
{
    auto *l = new QLabel(text, parent);
    l->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    l->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
    l->setGeometry(at);
    return l;
}

QLabel *valueLabel(QWidget *parent, const QString &name, const QRect &at)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setFont(layoutFont(QStringLiteral("Arial"), 10, false));
    l->setStyleSheet(QLatin1StringView(kValueStyle));
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(at);
    return l;
}

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// A label that says its new text to a screen reader.
void say(QLabel *label, const QString &text)
{
    label->setText(text);
    label->setAccessibleName(text);
}

QString money(const QString &amount)
{
    return amount.isEmpty() ? QString() : QStringLiteral("€ ") + amount;
}

// An amount as the invoice writes it ("1234.50"), shown as the shop reads it.
QString invoiceMoney(const QString &amount)
{
    const std::optional<Invoices::Decimal> d = Invoices::Decimal::parse(amount.trimmed());
    return d ? money(d->text(2, 2)) : amount.trimmed();
}

} // namespace

TfrmImportaFattura::TfrmImportaFattura(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmImportaFattura"), QStringLiteral(" Importa fatture elettroniche"),
                   QSize(1000, 680), owner, Qt::white, QColor(0xD6, 0xE9, 0xF5))
{
    centreOnOwner(true);
    setAcceptDrops(true);

    btnScegli = makeButton(this, QStringLiteral("btnScegli"), QStringLiteral("Scegli i file..."), QRect(10, 10, 200, 36));
    lblFile = valueLabel(this, QStringLiteral("lblFile"), QRect(220, 10, 770, 36));

    auto *titFatture = caption(this, QStringLiteral("Fatture (spuntare quelle da caricare):"), QRect(10, 54, 330, 18));
    lstFatture = new QListWidget(this);
    lstFatture->setObjectName(QStringLiteral("lstFatture"));
    lstFatture->setFont(layoutFont(QStringLiteral("Arial"), 10, false));
    lstFatture->setGeometry(10, 74, 330, 286);
    lstFatture->setAccessibleName(QStringLiteral("Fatture"));
    lstFatture->setWordWrap(true);
    titFatture->setBuddy(lstFatture);

    lblFornitore = valueLabel(this, QStringLiteral("lblFornitore"), QRect(350, 54, 640, 60));
    lblDocumento = valueLabel(this, QStringLiteral("lblDocumento"), QRect(350, 118, 640, 26));

    auto *titData = caption(this, QStringLiteral("Data carico:"), QRect(350, 150, 100, 30));
    txtData = new QLineEdit(this);
    txtData->setObjectName(QStringLiteral("txtData"));
    txtData->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    txtData->setStyleSheet(QLatin1StringView(kBoxStyle));
    txtData->setGeometry(455, 150, 130, 30);
    txtData->setReadOnly(true);
    txtData->setAccessibleName(QStringLiteral("Data carico"));
    txtData->setToolTip(
        QStringLiteral("Fai clic su questo campo e premi un tasto qualsiasi per importare una data dal calendario."));
    titData->setBuddy(txtData);
    chkDaSaldare = new QCheckBox(QStringLiteral("Conto da saldare"), this);
    chkDaSaldare->setObjectName(QStringLiteral("chkDaSaldare"));
    chkDaSaldare->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    chkDaSaldare->setGeometry(610, 150, 220, 30);

    auto *titTipologia = caption(this, QStringLiteral("Tipologia (articoli nuovi e righe senza articolo):"),
                                 QRect(350, 188, 330, 30));
    txtTipologia = new QLineEdit(this);
    txtTipologia->setObjectName(QStringLiteral("txtTipologia"));
    txtTipologia->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    txtTipologia->setStyleSheet(QLatin1StringView(kBoxStyle));
    txtTipologia->setGeometry(685, 188, 305, 30);
    txtTipologia->setMaxLength(ProductRecord::layout().capacity(ProductRecord::Tipologia));
    txtTipologia->setAccessibleName(QStringLiteral("Tipologia"));
    titTipologia->setBuddy(txtTipologia);

    lblRiga = valueLabel(this, QStringLiteral("lblRiga"), QRect(350, 226, 640, 76));
    lblRiga->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    btnScegliArticolo = makeButton(this, QStringLiteral("btnScegliArticolo"), QStringLiteral("Scegli articolo..."),
                                   QRect(350, 312, 205, 40), 10);
    btnNuovoArticolo = makeButton(this, QStringLiteral("btnNuovoArticolo"), QStringLiteral("Nuovo articolo dalla riga"),
                                  QRect(565, 312, 205, 40), 10);
    btnSenzaArticolo = makeButton(this, QStringLiteral("btnSenzaArticolo"), QStringLiteral("Carica senza articolo"),
                                  QRect(780, 312, 210, 40), 10);

    auto *titRighe = caption(this, QStringLiteral("Righe della fattura (spuntare quelle da caricare):"),
                             QRect(10, 366, 500, 18));
    tblRighe = new QTableWidget(0, ColumnCount, this);
    tblRighe->setObjectName(QStringLiteral("tblRighe"));
    tblRighe->setFont(layoutFont(QStringLiteral("Arial"), 10, false));
    tblRighe->setGeometry(10, 386, 980, 204);
    tblRighe->setAccessibleName(QStringLiteral("Righe della fattura"));
    tblRighe->setHorizontalHeaderLabels({QStringLiteral("Carica"), QStringLiteral("N."), QStringLiteral("Codice"),
                                         QStringLiteral("Descrizione"), QStringLiteral("Quantità"),
                                         QStringLiteral("Costo unitario"), QStringLiteral("Costo totale"),
                                         QStringLiteral("Articolo"), QStringLiteral("Stato")});
    tblRighe->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblRighe->setSelectionMode(QAbstractItemView::SingleSelection);
    tblRighe->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblRighe->setTabKeyNavigation(false);
    tblRighe->verticalHeader()->hide();
    tblRighe->verticalHeader()->setDefaultSectionSize(22);
    const int widths[ColumnCount] = {52, 36, 105, 240, 66, 100, 90, 120, 140};
    for (int c = 0; c < ColumnCount; ++c)
        tblRighe->setColumnWidth(c, widths[c]);
    tblRighe->horizontalHeader()->setStretchLastSection(true);
    titRighe->setBuddy(tblRighe);

    chkAggiornaCosto = new QCheckBox(QStringLiteral("Aggiorna costo, data e documento d'acquisto degli articoli"), this);
    chkAggiornaCosto->setObjectName(QStringLiteral("chkAggiornaCosto"));
    chkAggiornaCosto->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    chkAggiornaCosto->setGeometry(10, 600, 560, 32);
    chkAggiornaCosto->setChecked(true);
    btnCarica = makeButton(this, QStringLiteral("btnCarica"), QStringLiteral("Carica"), QRect(680, 598, 150, 36));
    btnChiudi = makeButton(this, QStringLiteral("btnChiudi"), QStringLiteral("Chiudi"), QRect(840, 598, 150, 36));

    lblStato = new QLabel(this);
    lblStato->setObjectName(QStringLiteral("lblStato"));
    lblStato->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    lblStato->setStyleSheet(QStringLiteral("color: white; background: #6B7FA8; border-radius: 4px; padding-left: 12px;"));
    lblStato->setGeometry(10, 644, 980, 26);

    setTabOrder(btnScegli, lstFatture);
    setTabOrder(lstFatture, txtData);
    setTabOrder(txtData, chkDaSaldare);
    setTabOrder(chkDaSaldare, txtTipologia);
    setTabOrder(txtTipologia, btnScegliArticolo);
    setTabOrder(btnScegliArticolo, btnNuovoArticolo);
    setTabOrder(btnNuovoArticolo, btnSenzaArticolo);
    setTabOrder(btnSenzaArticolo, tblRighe);
    setTabOrder(tblRighe, chkAggiornaCosto);
    setTabOrder(chkAggiornaCosto, btnCarica);
    setTabOrder(btnCarica, btnChiudi);

    txtData->installEventFilter(this);
    connect(btnScegli, &QPushButton::clicked, this, &TfrmImportaFattura::btnScegliClick);
    connect(btnCarica, &QPushButton::clicked, this, &TfrmImportaFattura::btnCaricaClick);
    connect(btnChiudi, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnScegliArticolo, &QPushButton::clicked, this, &TfrmImportaFattura::btnScegliArticoloClick);
    connect(btnNuovoArticolo, &QPushButton::clicked, this, &TfrmImportaFattura::btnNuovoArticoloClick);
    connect(btnSenzaArticolo, &QPushButton::clicked, this, &TfrmImportaFattura::btnSenzaArticoloClick);
    connect(lstFatture, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_filling)
            return;
        keepInvoice();
        showInvoice(row);
    });
    connect(lstFatture, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!m_filling)
            invoiceTicked(lstFatture->row(item), item->checkState() == Qt::Checked);
    });
    connect(tblRighe, &QTableWidget::currentCellChanged, this, [this](int row) { showLine(row); });
    connect(tblRighe, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (!m_filling && item->column() == ColTick)
            lineTicked(item->row(), item->checkState() == Qt::Checked);
    });
    connect(chkDaSaldare, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_filling && m_current >= 0)
            m_entries[m_current].daSaldare = on;
    });
    connect(txtTipologia, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_current >= 0)
            m_entries[m_current].tipologia = text;
    });

    say(lblFile, QStringLiteral("Nessun file scelto: premere \"Scegli i file...\" o trascinare le fatture in questa finestra."));
    showInvoice(-1);
    setStatus(QStringLiteral("Scegliere le fatture elettroniche da caricare (.xml, .p7m o l'archivio .zip del portale)."));
}

void TfrmImportaFattura::setCard(TfrmCarichi *card)
{
    m_card = card;
    m_yearArchive = card ? card->archivePath() : QString();
}

void TfrmImportaFattura::setStatus(const QString &text)
{
    say(lblStato, text);
}

void TfrmImportaFattura::btnScegliClick()
{
    const QStringList paths = FileDialogs::openFiles(this, QStringLiteral("Scegli le fatture elettroniche"), fileFilter());
    if (!paths.isEmpty())
        addFiles(paths);
}

void TfrmImportaFattura::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TfrmImportaFattura::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    addFiles(paths);
}

void TfrmImportaFattura::addFiles(const QStringList &paths)
{
    for (const QString &p : paths) {
        if (!m_paths.contains(p))
            m_paths << p;
    }
    replan();
}

void TfrmImportaFattura::replan()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QList<Invoices::Source> sources;
    for (const QString &p : std::as_const(m_paths))
        sources += Invoices::readFile(p);
    QStringList refused;
    for (const Invoices::Source &s : std::as_const(sources)) {
        if (!s.error.isEmpty())
            refused << QStringLiteral("%1: %2").arg(s.name, s.error);
        else if (s.invoices.isEmpty())
            refused << QStringLiteral("%1: %2").arg(s.name, s.note);
    }
    // What the user already decided stays with the invoice it was for.
    QList<Entry> old = m_entries;
    m_entries.clear();
    try {
        const QList<InvoiceImport::Plan> plans =
            InvoiceImport::plan(AppContext::programFolder(), m_yearArchive, InvoiceImport::received(sources));
        for (const InvoiceImport::Plan &p : plans) {
            Entry e;
            e.plan = p;
            e.typeProblem = InvoiceImport::typeProblem(p.source.invoice);
            e.data = AppContext::now().date().toString(QStringLiteral("dd/MM/yyyy"));
            bool anyLine = false;
            for (const InvoiceImport::LinePlan &l : p.lines) {
                e.choices << (l.product == InvoiceImport::LinePlan::Product::Existing ? Choice::Existing : Choice::Pending);
                anyLine = anyLine || l.ticked;
            }
            if (!e.typeProblem.isEmpty()) {
                for (InvoiceImport::LinePlan &l : e.plan.lines)
                    l.ticked = false;
                anyLine = false;
            }
            e.ticked = anyLine && !p.alreadyLoaded && e.typeProblem.isEmpty();
            for (const Entry &o : std::as_const(old)) {
                // Loaded meanwhile, it starts again as already loaded.
                if (p.alreadyLoaded || o.plan.source.fileBytes != p.source.fileBytes
                    || InvoiceImport::invoiceTitle(o.plan.source.invoice) != InvoiceImport::invoiceTitle(p.source.invoice)
                    || o.plan.lines.size() != p.lines.size())
                    continue;
                e.data = o.data;
                e.daSaldare = o.daSaldare;
                e.tipologia = o.tipologia;
                e.ticked = o.ticked;
                e.choices = o.choices;
                for (int i = 0; i < p.lines.size(); ++i) {
                    InvoiceImport::LinePlan &l = e.plan.lines[i];
                    l.ticked = o.plan.lines[i].ticked;
                    if (o.choices[i] == Choice::Existing) {
                        l.position = o.plan.lines[i].position;
                        l.record = o.plan.lines[i].record;
                    }
                }
                break;
            }
            m_entries << e;
        }
    } catch (const ArchiveError &e) {
        QApplication::restoreOverrideCursor();
        Messages::error(this, QStringLiteral("Impossibile leggere gli archivi per preparare l'importazione.\r\n\r\n%1: %2")
                                  .arg(QFileInfo(e.path()).fileName(), e.reason()));
        fillInvoices();
        return;
    }
    QApplication::restoreOverrideCursor();
    const int files = int(m_paths.size());
    say(lblFile, QStringLiteral("%1 %2 da %3 %4.")
                     .arg(m_entries.size())
                     .arg(m_entries.size() == 1 ? QStringLiteral("fattura") : QStringLiteral("fatture"))
                     .arg(files)
                     .arg(files == 1 ? QStringLiteral("file") : QStringLiteral("file")));
    fillInvoices();
    setStatus(m_entries.isEmpty() ? QStringLiteral("Nessuna fattura da caricare nei file scelti.")
                                  : QStringLiteral("Controllare le fatture e le righe spuntate, poi premere Carica."));
    if (!refused.isEmpty())
        Messages::warning(this, QStringLiteral("Alcuni file non contengono fatture da caricare:\r\n\r\n%1")
                                    .arg(refused.mid(0, 20).join(QStringLiteral("\r\n"))));
}

void TfrmImportaFattura::fillInvoices()
{
    m_filling = true;
    m_current = -1;
    lstFatture->clear();
    for (const Entry &e : std::as_const(m_entries)) {
        const Invoices::Invoice &inv = e.plan.source.invoice;
        QString text = QStringLiteral("%1\nn. %2 del %3").arg(e.plan.ditta(), inv.numero.trimmed(), inv.dateText());
        if (!e.typeProblem.isEmpty())
            text += QStringLiteral(" - non si carica");
        else if (e.plan.alreadyLoaded)
            text += QStringLiteral(" - già caricata");
        auto *item = new QListWidgetItem(text, lstFatture);
        item->setFlags(e.typeProblem.isEmpty() ? item->flags() | Qt::ItemIsUserCheckable
                                               : item->flags() & ~Qt::ItemIsUserCheckable);
        item->setCheckState(e.ticked ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
    if (!m_entries.isEmpty() && lstFatture->currentRow() != 0)
        lstFatture->setCurrentRow(0);
    else
        showInvoice(lstFatture->currentRow());
}

void TfrmImportaFattura::keepInvoice()
{
    if (m_current < 0 || m_current >= m_entries.size())
        return;
    Entry &e = m_entries[m_current];
    e.data = txtData->text();
    e.daSaldare = chkDaSaldare->isChecked();
    e.tipologia = txtTipologia->text();
}

void TfrmImportaFattura::showInvoice(int row)
{
    m_current = row >= 0 && row < m_entries.size() ? row : -1;
    const bool any = m_current >= 0;
    for (QWidget *w : std::initializer_list<QWidget *>{txtData, chkDaSaldare, txtTipologia, tblRighe})
        w->setEnabled(any);
    m_filling = true;
    if (!any) {
        say(lblFornitore, QString());
        say(lblDocumento, QString());
        txtData->clear();
        chkDaSaldare->setChecked(true);
        txtTipologia->clear();
        m_filling = false;
        fillLines();
        return;
    }
    const Entry &e = m_entries[m_current];
    const Invoices::Invoice &inv = e.plan.source.invoice;
    QString supplier;
    if (e.plan.supplierPosition > 0) {
        supplier = QStringLiteral("Fornitore: %1 (scheda n. %2 dell'archivio)").arg(e.plan.ditta()).arg(e.plan.supplierPosition);
    } else {
        supplier = QStringLiteral("Fornitore nuovo: %1 (partita IVA %2). La sua scheda sarà creata dalla fattura.")
                       .arg(e.plan.ditta(), inv.supplier.vatNumber().trimmed().isEmpty() ? QStringLiteral("non indicata")
                                                                                          : inv.supplier.vatNumber().trimmed());
        if (!e.plan.supplierMarks.isEmpty())
            supplier += u' ' + e.plan.supplierMarks.join(QStringLiteral("; ")) + u'.';
    }
    say(lblFornitore, supplier);
    // The card the import adds, field by field.
    QStringList card;
    if (e.plan.supplierPosition == 0) {
        using namespace SupplierRecord;
        const Record r(SupplierRecord::layout(), e.plan.supplier);
        const std::pair<int, const char *> fields[] = {
            {Ditta, "Denominazione"}, {IndirizzoRes, "Indirizzo"}, {CapRes, "CAP"},  {ComuneRes, "Città"},
            {ProvRes, "Provincia"},   {PartitaIva, "Partita IVA"}, {CodFisc, "Codice fiscale"},
            {TelUff, "Telefono"},     {Email, "E-mail"},          {Iban, "IBAN"}};
        for (const auto &[field, label] : fields) {
            const QString text = TextRules::trimmed(r.value(field));
            if (!text.isEmpty())
                card << QStringLiteral("%1: %2").arg(QString::fromUtf8(label), text);
        }
    }
    lblFornitore->setToolTip(card.join(u'\n'));
    lblFornitore->setAccessibleDescription(card.join(QStringLiteral("; ")));
    QString doc = QStringLiteral("%1 (%2), totale %3, %4 righe")
                      .arg(InvoiceImport::invoiceTitle(inv), inv.tipoDocumento.trimmed(),
                           inv.importoTotale.trimmed().isEmpty() ? QStringLiteral("non indicato") : invoiceMoney(inv.importoTotale))
                      .arg(inv.lines.size());
    if (!e.typeProblem.isEmpty())
        doc += QStringLiteral(": ") + e.typeProblem;
    else if (e.plan.alreadyLoaded)
        doc += QStringLiteral(": già caricata");
    say(lblDocumento, doc);
    txtData->setText(e.data);
    chkDaSaldare->setChecked(e.daSaldare);
    txtTipologia->setText(e.tipologia);
    m_filling = false;
    fillLines();
}

QString TfrmImportaFattura::lineProduct(const Entry &e, int line) const
{
    const InvoiceImport::LinePlan &l = e.plan.lines[line];
    if (!l.fields.goods && e.choices[line] == Choice::Pending)
        return {};
    switch (e.choices[line]) {
    case Choice::Existing:
        return TextRules::trimmed(Record(ProductRecord::layout(), l.record).value(ProductRecord::Codice));
    case Choice::New:
        return QStringLiteral("nuovo: ") + l.fields.codice;
    case Choice::None:
        return QStringLiteral("senza articolo");
    case Choice::Pending:
        break;
    }
    return l.candidates.size() > 1 ? QStringLiteral("da scegliere (%1)").arg(l.candidates.size())
                                   : QStringLiteral("da scegliere");
}

QString TfrmImportaFattura::lineState(const Entry &e, int line) const
{
    const InvoiceImport::LinePlan &l = e.plan.lines[line];
    if (!l.fields.goods)
        return QStringLiteral("non è merce");
    if (!l.fields.problem.isEmpty())
        return l.fields.problem;
    if (!l.receivedWith.isEmpty())
        return QStringLiteral("già ricevuta con DDT n. %1").arg(l.receivedWith);
    if (!l.note.isEmpty())
        return l.note;
    return {};
}

void TfrmImportaFattura::fillLines()
{
    m_filling = true;
    tblRighe->clearContents();
    tblRighe->setRowCount(0);
    if (m_current >= 0) {
        const Entry &e = m_entries[m_current];
        const Invoices::Invoice &inv = e.plan.source.invoice;
        tblRighe->setRowCount(int(e.plan.lines.size()));
        for (int i = 0; i < e.plan.lines.size(); ++i) {
            const InvoiceImport::LinePlan &l = e.plan.lines[i];
            auto *tick = new QTableWidgetItem;
            tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable
                           | (e.typeProblem.isEmpty() ? Qt::ItemIsUserCheckable : Qt::NoItemFlags));
            tick->setCheckState(l.ticked ? Qt::Checked : Qt::Unchecked);
            tick->setData(Qt::AccessibleTextRole, l.ticked ? QStringLiteral("da caricare") : QStringLiteral("da non caricare"));
            tblRighe->setItem(i, ColTick, tick);
            const QString texts[] = {QString(), inv.lines[l.line].numeroLinea.trimmed(), l.fields.codice,
                                     l.fields.descrizione, l.fields.quant, money(l.fields.costoUni),
                                     money(l.fields.costoTot), lineProduct(e, i), lineState(e, i)};
            for (int c = ColNumero; c < ColumnCount; ++c) {
                auto *item = new QTableWidgetItem(texts[c]);
                item->setToolTip(texts[c]);
                if (c == ColQuant || c == ColCostoUni || c == ColCostoTot)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                tblRighe->setItem(i, c, item);
            }
        }
    }
    m_filling = false;
    if (tblRighe->rowCount() > 0)
        tblRighe->setCurrentCell(0, ColTick);
    else
        showLine(-1);
}

int TfrmImportaFattura::currentLine() const
{
    const int row = tblRighe->currentRow();
    return m_current >= 0 && row >= 0 && row < m_entries[m_current].plan.lines.size() ? row : -1;
}

void TfrmImportaFattura::showLine(int row)
{
    const bool any = m_current >= 0 && row >= 0 && row < m_entries[m_current].plan.lines.size();
    const bool goods = any && m_entries[m_current].typeProblem.isEmpty();
    for (QWidget *w : std::initializer_list<QWidget *>{btnScegliArticolo, btnNuovoArticolo, btnSenzaArticolo})
        w->setEnabled(goods);
    if (!any) {
        say(lblRiga, m_current >= 0 ? QStringLiteral("La fattura non ha righe.") : QString());
        return;
    }
    const Entry &e = m_entries[m_current];
    const InvoiceImport::LinePlan &l = e.plan.lines[row];
    QString text = QStringLiteral("Riga %1: %2\r\n").arg(e.plan.source.invoice.lines[l.line].numeroLinea.trimmed(),
                                                        l.fields.descrizione);
    switch (e.choices[row]) {
    case Choice::Existing: {
        const Record r(ProductRecord::layout(), l.record);
        text += QStringLiteral("Articolo: %1 - %2 (giacenza %3)")
                    .arg(TextRules::trimmed(r.value(ProductRecord::Codice)),
                         TextRules::trimmed(r.value(ProductRecord::Descrizione)),
                         TextRules::trimmed(r.value(ProductRecord::Giacenza)));
        break;
    }
    case Choice::New:
        text += QStringLiteral("Sarà creato il nuovo articolo %1, del fornitore %2, con la tipologia indicata.")
                    .arg(l.fields.codice, e.plan.ditta());
        break;
    case Choice::None:
        text += QStringLiteral("Caricata senza articolo: la giacenza non cambia.");
        break;
    case Choice::Pending:
        if (!l.fields.goods) {
            text += QStringLiteral("Non è merce: si carica solo se spuntata, senza articolo.");
            break;
        }
        text += capitalised(InvoiceImport::matchProblem(l)) + QStringLiteral(": scegliere un articolo, crearne uno nuovo o caricare la "
                                                               "riga senza articolo.");
        break;
    }
    for (const QString &mark : l.fields.marks)
        text += QStringLiteral("\r\n") + mark;
    say(lblRiga, text);
}

void TfrmImportaFattura::invoiceTicked(int row, bool ticked)
{
    if (row < 0 || row >= m_entries.size())
        return;
    Entry &e = m_entries[row];
    if (ticked && e.plan.alreadyLoaded && !e.loadAgain) {
        if (!Messages::confirm(this, QStringLiteral("La %1 di %2 è già caricata nell'archivio dei carichi.\r\n\r\n"
                                                    "Caricarla di nuovo?")
                                         .arg(InvoiceImport::invoiceTitle(e.plan.source.invoice)
                                                  .replace(QStringLiteral("Fattura"), QStringLiteral("fattura")),
                                              e.plan.ditta()))) {
            m_filling = true;
            lstFatture->item(row)->setCheckState(Qt::Unchecked);
            m_filling = false;
            return;
        }
        e.loadAgain = true;
        for (InvoiceImport::LinePlan &l : e.plan.lines)
            l.ticked = l.fields.goods && l.fields.problem.isEmpty() && l.receivedWith.isEmpty();
        if (row == m_current)
            fillLines();
    }
    e.ticked = ticked;
}

void TfrmImportaFattura::lineTicked(int row, bool ticked)
{
    if (m_current < 0 || row < 0 || row >= m_entries[m_current].plan.lines.size())
        return;
    m_entries[m_current].plan.lines[row].ticked = ticked;
    if (QTableWidgetItem *tick = tblRighe->item(row, ColTick))
        tick->setData(Qt::AccessibleTextRole, ticked ? QStringLiteral("da caricare") : QStringLiteral("da non caricare"));
}

void TfrmImportaFattura::btnScegliArticoloClick()
{
    const int row = currentLine();
    if (row < 0)
        return;
    std::optional<ChosenRecord> picked;
    openDialog<TfrmTrovaMagazzino>(this, [&picked](TfrmTrovaMagazzino &w) {
        w.setLoadRecord([&picked](const ChosenRecord &chosen) {
            picked = chosen;
            return true;
        });
    });
    if (!picked)
        return;
    InvoiceImport::LinePlan &l = m_entries[m_current].plan.lines[row];
    l.position = picked->position;
    l.record = picked->bytes;
    m_entries[m_current].choices[row] = Choice::Existing;
    fillLines();
    tblRighe->setCurrentCell(row, ColTick);
}

void TfrmImportaFattura::btnNuovoArticoloClick()
{
    const int row = currentLine();
    if (row < 0)
        return;
    InvoiceImport::LinePlan &l = m_entries[m_current].plan.lines[row];
    if (l.fields.codice.isEmpty()) {
        Messages::warning(this, QStringLiteral("Attenzione: la riga non ha un codice articolo da dare al nuovo articolo: "
                                               "sceglierne uno dal magazzino o caricarla senza articolo."));
        return;
    }
    m_entries[m_current].choices[row] = Choice::New;
    fillLines();
    tblRighe->setCurrentCell(row, ColTick);
}

void TfrmImportaFattura::btnSenzaArticoloClick()
{
    const int row = currentLine();
    if (row < 0)
        return;
    m_entries[m_current].choices[row] = Choice::None;
    fillLines();
    tblRighe->setCurrentCell(row, ColTick);
}

void TfrmImportaFattura::btnCaricaClick()
{
    keepInvoice();
    QList<int> chosen;
    for (int k = 0; k < m_entries.size(); ++k) {
        if (m_entries[k].ticked)
            chosen << k;
    }
    if (chosen.isEmpty()) {
        Messages::warning(this, QStringLiteral("Attenzione: nessuna fattura da caricare è spuntata."));
        return;
    }
    // Everything asked of the user first: nothing is loaded while a line
    // still waits for its product or the type.
    for (int k : std::as_const(chosen)) {
        const Entry &e = m_entries[k];
        const QString who = QStringLiteral("%1 di %2").arg(InvoiceImport::invoiceTitle(e.plan.source.invoice), e.plan.ditta());
        const auto stop = [&](const QString &why, int line, QWidget *focus) {
            lstFatture->setCurrentRow(k);
            if (line >= 0)
                tblRighe->setCurrentCell(line, ColDescrizione);
            Messages::warning(this, QStringLiteral("Attenzione: %1.\r\n\r\n%2").arg(who, why));
            focus->setFocus();
        };
        if (!NumberFormat::isValidDate(e.data))
            return stop(QStringLiteral("Indicare la data di carico."), -1, txtData);
        bool needType = false;
        for (int i = 0; i < e.plan.lines.size(); ++i) {
            const InvoiceImport::LinePlan &l = e.plan.lines[i];
            if (!l.ticked)
                continue;
            const QString line = QStringLiteral("Riga %1: ").arg(e.plan.source.invoice.lines[l.line].numeroLinea.trimmed());
            if (!l.fields.problem.isEmpty())
                return stop(line + l.fields.problem + u'.', i, tblRighe);
            if (e.choices[i] == Choice::Pending && l.fields.goods)
                return stop(line + InvoiceImport::matchProblem(l)
                                + QStringLiteral(": scegliere un articolo, crearne uno nuovo o caricare la riga senza articolo."),
                            i, btnScegliArticolo);
            needType = needType || e.choices[i] != Choice::Existing;
        }
        if (needType && TextRules::trimmed(e.tipologia).isEmpty())
            return stop(QStringLiteral("Indicare la tipologia della merce per gli articoli nuovi e le righe senza articolo."),
                        -1, txtTipologia);
    }

    // A date of another year than the card's archive is asked about once.
    const QString archiveYear = QFileInfo(m_yearArchive).completeBaseName();
    for (int k : std::as_const(chosen)) {
        const Entry &e = m_entries[k];
        if (e.data.right(4) != archiveYear
            && !Messages::confirm(this, QStringLiteral("La data di carico %1 della %2 non è dell'anno %3, l'anno "
                                                       "dell'archivio aperto.\r\n\r\nCaricarla comunque in questo "
                                                       "archivio?")
                                            .arg(e.data,
                                                 InvoiceImport::invoiceTitle(e.plan.source.invoice)
                                                     .replace(QStringLiteral("Fattura"), QStringLiteral("fattura")),
                                                 archiveYear))) {
            lstFatture->setCurrentRow(k);
            txtData->setFocus();
            return;
        }
    }

    int receipts = 0, products = 0;
    qint64 first = 0;
    QStringList failed, unflushed;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (int k : std::as_const(chosen)) {
        const Entry &e = m_entries[k];
        InvoiceImport::Plan plan = e.plan;
        for (int i = 0; i < plan.lines.size(); ++i) {
            InvoiceImport::LinePlan &l = plan.lines[i];
            switch (e.choices[i]) {
            case Choice::Existing:
                l.product = InvoiceImport::LinePlan::Product::Existing;
                break;
            case Choice::New:
                l.product = InvoiceImport::LinePlan::Product::New;
                l.record = InvoiceImport::newProduct(plan, l, TextRules::trimmed(e.tipologia));
                break;
            case Choice::None:
            case Choice::Pending:
                l.product = InvoiceImport::LinePlan::Product::None;
                l.tipologia = TextRules::trimmed(e.tipologia);
                break;
            }
        }
        InvoiceImport::Choices choices;
        choices.data = e.data;
        choices.daSaldare = e.daSaldare;
        choices.updateCost = chkAggiornaCosto->isChecked();
        choices.loadAgain = e.loadAgain;
        const InvoiceImport::Outcome done = InvoiceImport::commit(AppContext::programFolder(), m_yearArchive, plan, choices);
        if (!done.ok) {
            failed << done.message;
            continue;
        }
        receipts += done.receipts;
        products += done.productsChanged;
        if (!first)
            first = done.firstReceipt;
        if (!done.unflushed.isEmpty())
            unflushed << done.unflushed;
    }
    QApplication::restoreOverrideCursor();

    if (first && m_card) {
        try {
            RecordFile file(m_yearArchive, ReceiptRecord::Size, RecordFile::Mode::ReadOnly);
            m_card->showRecord(file.read(first), first);
        } catch (const ArchiveError &) {
            // The receipts stand; the card shows them at the next browse.
        }
    }
    for (const QString &why : std::as_const(failed))
        Messages::warning(this, why);
    if (receipts > 0) {
        QString text = InvoiceImport::doneMessage(receipts, products);
        if (!unflushed.isEmpty())
            text += QStringLiteral("\r\n\r\nAttenzione: non è certo che la scrittura sia arrivata sul disco (%1).")
                        .arg(unflushed.join(QStringLiteral("; ")));
        Messages::information(this, text);
        setStatus(text);
    }
    if (failed.isEmpty() && receipts > 0) {
        accept();
        return;
    }
    // What stands now is planned again: the loaded invoices show as such.
    replan();
}

bool TfrmImportaFattura::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtData && event->type() == QEvent::KeyPress) {
        if (!asksForPicker(static_cast<QKeyEvent *>(event)))
            return false;
        openCalendar();
        return true;
    }
    if (watched == txtData && event->type() == QEvent::MouseButtonDblClick) {
        openCalendar();
        return true;
    }
    return TFixedDialog::eventFilter(watched, event);
}

void TfrmImportaFattura::openCalendar()
{
    if (m_current < 0)
        return;
    openDialog<TfrmCalendario>(this, [this](TfrmCalendario &picker) { picker.setTarget(txtData); });
    m_entries[m_current].data = txtData->text();
}

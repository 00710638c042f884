#include "importwindow.h"

#include "products/productarchive.h"
#include "products/productrecord.h"
#include "receipts/productimport.h"
#include "storage/recordfile.h"
#include "storage/textrules.h"
#include "ui/cardscreen.h"
#include "ui/linemodel.h"
#include "ui/services.h"
#include "ui/widgets.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kQuantLength = 6;

QLabel *detail(QWidget *parent, const QString &captionName, const QString &caption, const QString &name,
               const QRect &at)
{
    auto *c = new QLabel(caption, parent);
    c->setObjectName(captionName);
    c->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    c->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
    c->setGeometry(at.x(), at.y(), at.width(), 18);
    auto *v = new QLabel(parent);
    v->setObjectName(name);
    v->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    v->setStyleSheet(QStringLiteral("color: #8B0000; background: white; border: 1px solid #9CC3DB; padding-left: 4px;"));
    v->setGeometry(at.x(), at.y() + 20, at.width(), 26);
    v->setAccessibleName(caption);
    return v;
}

} // namespace

TfrmImportaMagazzino::TfrmImportaMagazzino(QWidget *owner)
    : TSearchWindow(Searches::importa(), QStringLiteral("carichi"),
                    [](const TCardScreen *) { return ProductRecord::archivePath(AppContext::programFolder()); },
                    owner)
{
    QWidget *p = panContainer;
    lblRigo03->setText(QStringLiteral("Richiamare i dati di una scheda selezionandola con un clic."));
    lstRecords->setGeometry(20, 166, 822, 160);
    lblRigo03->setGeometry(20, 330, 822, 20);

    lblCodice = detail(p, QStringLiteral("titCodice"), QStringLiteral("Codice articolo:"), QStringLiteral("lblCodice"),
                       QRect(20, 354, 250, 46));
    lblDescrizione = detail(p, QStringLiteral("titDescrizione"), QStringLiteral("Descrizione:"),
                            QStringLiteral("lblDescrizione"), QRect(280, 354, 400, 46));
    lblGiacenza = detail(p, QStringLiteral("titGiacenza"), QStringLiteral("Giacenza attuale:"),
                         QStringLiteral("lblGiacenza"), QRect(690, 354, 152, 46));
    for (auto [label, name] : {std::pair{&lblPosizione, "lblPosizione"}, std::pair{&lblCosto, "lblCosto"},
                               std::pair{&lblValore, "lblValore"}}) {
        *label = new QLabel(QStringLiteral("0"), p);
        (*label)->setObjectName(QLatin1StringView(name));
        (*label)->hide();
    }

    auto *caption = new QLabel(QStringLiteral("Quantità da caricare:"), p);
    caption->setObjectName(QStringLiteral("titQuant"));
    caption->setFont(layoutFont(QStringLiteral("Arial"), 11, true));
    caption->setStyleSheet(QStringLiteral("color: #1F3A5F; background: transparent;"));
    caption->setGeometry(20, 412, 180, 30);
    txtQuant = new QLineEdit(QStringLiteral("0"), p);
    txtQuant->setObjectName(QStringLiteral("txtQuant"));
    txtQuant->setFont(layoutFont(QStringLiteral("Arial"), 12, true));
    txtQuant->setGeometry(200, 412, 110, 30);
    caption->setBuddy(txtQuant);
    txtQuant->setAccessibleName(QStringLiteral("Quantità da caricare"));
    new THighlightFrame(QStringLiteral("effQuant"), txtQuant);

    btnAggiorna = makeButton(p, QStringLiteral("btnAggiorna"), QStringLiteral("Importa articolo e aggiorna giacenza"),
                             QRect(20, 454, 400, 40));
    btnNonAggiornare = makeButton(p, QStringLiteral("btnNonAggiornare"),
                                  QStringLiteral("Importa articolo senza aggiornare giacenza"), QRect(430, 454, 412, 40));
    lblTrovate->setGeometry(20, 512, 500, 24);

    setTabOrder(txtTrova, txtQuant);
    setTabOrder(txtQuant, btnAggiorna);
    setTabOrder(btnAggiorna, btnNonAggiornare);
    setTabOrder(btnNonAggiornare, btnStampa);
    setTabOrder(btnStampa, btnChiudi);
    setTabOrder(btnChiudi, btnTrova);
    setTabOrder(btnTrova, lstRecords);

    txtQuant->installEventFilter(this);
    connect(lstRecords->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TfrmImportaMagazzino::lstRecordsClick);
    connect(btnAggiorna, &QPushButton::clicked, this, &TfrmImportaMagazzino::btnAggiornaClick);
    connect(btnNonAggiornare, &QPushButton::clicked, this, &TfrmImportaMagazzino::btnNonAggiornareClick);
}

void TfrmImportaMagazzino::showPicked(qint64 position, const QByteArray &product)
{
    m_position = position;
    m_product = product;
    QString values[5] = {QString(), QString(), QString(), QStringLiteral("0"), QStringLiteral("0")};
    if (position > 0) {
        using namespace ProductRecord;
        const Record r(ProductRecord::layout(), product);
        int fields[5] = {Codice, Descrizione, Giacenza, Costo, Valore};
        for (int i = 0; i < 5; ++i)
            values[i] = TextRules::trimmed(r.value(fields[i]));
    }
    QLabel *labels[5] = {lblCodice, lblDescrizione, lblGiacenza, lblCosto, lblValore};
    for (int i = 0; i < 5; ++i)
        labels[i]->setText(values[i]);
    for (int i = 0; i < 3; ++i)
        labels[i]->setAccessibleDescription(values[i]);
    lblPosizione->setText(QString::number(position));
}

void TfrmImportaMagazzino::lstRecordsClick()
{
    const QModelIndex current = lstRecords->currentIndex();
    if (!current.isValid()) {
        showPicked(0, {});
        return;
    }
    const ListLine line = model->line(current.row());
    const QString path = archivePath();
    std::optional<ChosenRecord> chosen;
    // The clicked line's own record, found by the position it keeps.
    if (!runScan([&] {
            RecordFile file(path, ProductRecord::layout().size(), RecordFile::Mode::ReadOnly);
            chosen = locateRecord(file, LineFormats::importa(), line);
        })) {
        showPicked(0, {});
        return;
    }
    if (!chosen) {
        showPicked(0, {});
        Messages::warning(this, missingRecordMessage());
        return;
    }
    showPicked(chosen->position, chosen->bytes);
}

void TfrmImportaMagazzino::chooseLine()
{
    if (lstRecords->currentIndex().isValid() && !picked())
        lstRecordsClick();
}

void TfrmImportaMagazzino::btnAggiornaClick()
{
    importProduct(true);
}

void TfrmImportaMagazzino::btnNonAggiornareClick()
{
    importProduct(false);
}

void TfrmImportaMagazzino::importProduct(bool updateStock)
{
    if (lstRecords->selectionModel()->selectedIndexes().isEmpty() || !picked()) {
        Messages::warning(this, noSelectionWarning());
        return;
    }
    txtQuant->setText(ProductImport::quantityExit(txtQuant->text()));
    const QString quantity = TextRules::trimmed(txtQuant->text());
    const QString path = archivePath();
    QByteArray product;
    try {
        if (updateStock) {
            const ProductImport::Import import = ProductImport::raiseStock(path, m_position, m_product, quantity);
            if (import.outcome == ProductImport::Import::Refused) {
                Messages::warning(this, import.message);
                return;
            }
            if (import.outcome == ProductImport::Import::ProductChanged) {
                Messages::warning(this, missingRecordMessage());
                return;
            }
            product = import.record;
            // Said, but the receipt goes on: the stock is raised already.
            if (import.unconfirmed)
                Messages::plain(this, archiveAccessMessage());
        } else {
            RecordFile file(path, ProductRecord::layout().size(), RecordFile::Mode::ReadOnly);
            product = file.read(m_position);
            if (!ProductImport::sameProduct(product, m_product)) {
                Messages::warning(this, missingRecordMessage());
                return;
            }
        }
    } catch (const ArchiveError &) {
        Messages::plain(this, archiveAccessMessage());
        return;
    }
    showPicked(m_position, product);
    // Only the receipts card takes a product.
    TCardScreen *receipts = card();
    if (modeWord() == u"carichi" && receipts) {
        for (const auto &[control, text] : ProductImport::cardFill(product, quantity))
            receipts->setControlText(control, text);
    }
    accept();
}

bool TfrmImportaMagazzino::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtQuant) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                btnAggiorna->setFocus();
                return true;
            }
            // Six characters at most by typing; a longer quantity copied
            // from the card is kept whole rather than silently cut.
            if (!isEditingKey(key) && txtQuant->text().size() - txtQuant->selectedText().size() >= kQuantLength)
                return true;
            if (typeDecimalPoint(txtQuant, key))
                return true;
            if (!isEditingKey(key) && !isNumericKey(key, true))
                return true;
        } else if (event->type() == QEvent::FocusOut && isLeavingFocus(static_cast<QFocusEvent *>(event))) {
            txtQuant->setText(ProductImport::quantityExit(txtQuant->text()));
        }
    }
    return TSearchWindow::eventFilter(watched, event);
}

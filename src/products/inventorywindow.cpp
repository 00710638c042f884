#include "inventorywindow.h"

#include "products/inventory.h"
#include "products/producthelp.h"
#include "products/productrecord.h"
#include "storage/recordfile.h"
#include "ui/resultlist.h"
#include "ui/services.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmRiepilogo::TfrmRiepilogo(QWidget *owner)
    : TTotalListWindow(QStringLiteral("frmRiepilogo"), QStringLiteral(" Scortex - Inventario Merce"),
                       QStringLiteral("Tipologia selezionata:"), ProductHelp::inventory(),
                       QStringLiteral("Stampa inventario"), FindEnter::MovesToTrova, Messages::Kind::Information, owner)
{
    setSpokenText(titTipologia, QStringLiteral("Tutti gli articoli in magazzino."));
    lblTotale = addInfo(0, QStringLiteral("infValore"), QStringLiteral("Valore totale:"), QStringLiteral("lblTotale"),
                        QStringLiteral("0,00"));
    panInfo = addInfo(1, QString(), QString(), QStringLiteral("panInfo"),
                      QStringLiteral("Il presente inventario contiene 0 articoli."));
}

void TfrmRiepilogo::FormShow()
{
    setSpokenText(lblTotale, QStringLiteral("0,00"));
    lstRecords->clearLines();
    const QString path = ProductRecord::archivePath(AppContext::programFolder());
    const ListQuery query = Inventory::query(m_filter);
    ListResult result;
    const bool read = runArchiveScan(this, [&] {
        RecordFile file(path, ProductRecord::layout().size(), RecordFile::Mode::ReadOrCreate);
        result = runQuery(file, query);
    });
    setSpokenText(titTipologia, Inventory::tipologiaText(m_filter));
    if (!read)
        return;
    const qint64 count = result.lines.size();
    setSpokenText(lblTotale, Inventory::totalText(result.total));
    setSpokenText(panInfo, Inventory::countText(count));
    lstRecords->setLines(std::move(result.lines));
    warnIncomplete(this, result, true);
}

void TfrmRiepilogo::btnStampaClick()
{
    printLines(Inventory::printTitle(titTipologia->text()), Inventory::printLines(lstRecords->texts(), lblTotale->text()));
}

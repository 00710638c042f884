#include "unpaidlist.h"

#include "receipts/receiptarchive.h"
#include "ui/cardscreen.h"

namespace {

ListWindowDefinition windowDefinition()
{
    ListWindowDefinition d;
    d.objectName = QStringLiteral("frmSospese");
    d.caption = QStringLiteral(" Riepilogo conti da saldare");
    d.title = QStringLiteral("Riepilogo conti da saldare");
    d.format = &LineFormats::carichi();
    d.archivePath = [](const TCardScreen *card) { return card ? card->archivePath() : QString(); };
    return d;
}

} // namespace

TfrmSospese::TfrmSospese(QWidget *owner) : TFilledListWindow(windowDefinition(), &Lists::sospese, owner)
{
}

#include "recontactlist.h"

#include "suppliers/supplierarchive.h"
#include "suppliers/supplierrecord.h"
#include "ui/services.h"

namespace {

ListWindowDefinition windowDefinition()
{
    ListWindowDefinition d;
    d.objectName = QStringLiteral("frmRicontattaFor");
    d.caption = QStringLiteral(" Riepilogo fornitori da ricontattare");
    d.title = QStringLiteral("Riepilogo fornitori da ricontattare");
    d.format = &LineFormats::ricontatta();
    d.archivePath = [](const TCardScreen *) { return SupplierRecord::archivePath(AppContext::programFolder()); };
    return d;
}

} // namespace

TfrmRicontattaFor::TfrmRicontattaFor(QWidget *owner) : TFilledListWindow(windowDefinition(), &Lists::ricontatta, owner)
{
}

#include "lowstocklist.h"

#include "products/productarchive.h"
#include "products/productrecord.h"
#include "ui/services.h"

namespace {

ListWindowDefinition windowDefinition()
{
    ListWindowDefinition d;
    d.objectName = QStringLiteral("frmSottoscorta");
    d.caption = QStringLiteral(" Materiali in esaurimento");
    d.title = QStringLiteral("Materiali in esaurimento");
    d.format = &LineFormats::magazzino();
    d.archivePath = [](const TCardScreen *) { return ProductRecord::archivePath(AppContext::programFolder()); };
    return d;
}

} // namespace

TfrmSottoscorta::TfrmSottoscorta(QWidget *owner) : TFilledListWindow(windowDefinition(), &Lists::sottoscorta, owner)
{
}

#include "inventorymenu.h"

TfrmMenuRiepilogo::TfrmMenuRiepilogo(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmMenuRiepilogo"), QStringLiteral(" Scortex - Inventario Merce"), parent)
{
    addBanner(QStringLiteral("Inventario Merce"));
}

#include "summarymenu.h"

TfrmMenuRiepilogoCarico::TfrmMenuRiepilogoCarico(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmMenuRiepilogoCarico"), QStringLiteral(" Scortex - Riepilogo movimenti di carico merce"), parent)
{
}

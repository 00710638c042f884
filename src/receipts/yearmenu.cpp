#include "yearmenu.h"

TfrmMenuCarico::TfrmMenuCarico(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmMenuCarico"), QStringLiteral(" Scortex - Operazioni di carico"), parent)
{
}

#include "receiptcard.h"

TfrmCarichi::TfrmCarichi(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmCarichi"), QStringLiteral(" Scortex - Operazioni di carico"), parent)
{
}

#include "suppliercard.h"

TfrmFornitori::TfrmFornitori(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmFornitori"), QStringLiteral(" Scortex - Archivio Fornitori"), parent)
{
}

#include "productcard.h"

TfrmMagazzino::TfrmMagazzino(QWidget *parent)
    : TApplicationScreen(QStringLiteral("frmMagazzino"), QStringLiteral(" Scortex - Magazzino Prodotti"), parent)
{
}

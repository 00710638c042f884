#pragma once

#include "ui/listwindow.h"

// The receipts of the year open in the receipts card still to be paid.
class TfrmSospese : public TFilledListWindow
{
    Q_OBJECT
public:
    explicit TfrmSospese(QWidget *owner);
};

#pragma once

#include "ui/listwindow.h"

// The products whose stock is at or below their minimum-stock threshold.
class TfrmSottoscorta : public TFilledListWindow
{
    Q_OBJECT
public:
    explicit TfrmSottoscorta(QWidget *owner);
};

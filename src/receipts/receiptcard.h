#pragma once

#include "ui/applicationscreen.h"

// The receipts card of one year's archive.
class TfrmCarichi : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmCarichi(QWidget *parent = nullptr);
};

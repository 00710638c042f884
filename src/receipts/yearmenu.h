#pragma once

#include "ui/applicationscreen.h"

// The choice of the year's receipts archive (application 4).
class TfrmMenuCarico : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmMenuCarico(QWidget *parent = nullptr);
};

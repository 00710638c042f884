#pragma once

#include "ui/applicationscreen.h"

// The suppliers card (application 1).
class TfrmFornitori : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmFornitori(QWidget *parent = nullptr);
};

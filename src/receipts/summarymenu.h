#pragma once

#include "ui/applicationscreen.h"

// The receipt summary menu of one year.
class TfrmMenuRiepilogoCarico : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmMenuRiepilogoCarico(QWidget *parent = nullptr);
};

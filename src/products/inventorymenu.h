#pragma once

#include "ui/applicationscreen.h"

// The inventory menu (application 3).
class TfrmMenuRiepilogo : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmMenuRiepilogo(QWidget *parent = nullptr);
};

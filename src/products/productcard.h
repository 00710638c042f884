#pragma once

#include "ui/applicationscreen.h"

// The products card (application 2).
class TfrmMagazzino : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmMagazzino(QWidget *parent = nullptr);
};

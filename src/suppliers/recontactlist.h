#pragma once

#include "ui/listwindow.h"

// The suppliers marked "Da ricontattare", with their pending issue.
class TfrmRicontattaFor : public TFilledListWindow
{
    Q_OBJECT
public:
    explicit TfrmRicontattaFor(QWidget *owner);
};

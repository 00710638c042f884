#pragma once

#include "ui/applicationscreen.h"

class QLabel;
class QLineEdit;

// The receipt summary menu of one year. The year menu sets its archive,
// caption, year box and the year beside the start and end dates.
class TfrmMenuRiepilogoCarico : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmMenuRiepilogoCarico(QWidget *parent = nullptr);

    QLabel *lblFile;
    QLineEdit *txtAnno;
    QLabel *lblAnnoInizio;
    QLabel *lblAnnoFine;
};

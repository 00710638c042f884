#pragma once

#include "ui/applicationscreen.h"

class QLabel;
class QLineEdit;
class QPushButton;
class TPictureButton;

// The inventory menu (application 3): an optional product type, then the
// inventory window.
class TfrmMenuRiepilogo : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmMenuRiepilogo(QWidget *parent = nullptr);

    QLabel *lblApri;
    QLineEdit *txtTipologia;
    QPushButton *btnVisualizza;
    QLabel *lblInformazioni;
    QLabel *lblAttendere;
    TPictureButton *imgGuida, *imgEsci;

public slots:
    void btnVisualizzaClick();

protected:
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

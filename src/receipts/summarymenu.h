#pragma once

#include "ui/applicationscreen.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The receipt summary menu of one year: the article-code filter and the
// period, checked before the summary opens. The year menu sets its
// archive, caption, year box and the year beside the start and end dates.
class TfrmMenuRiepilogoCarico : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmMenuRiepilogoCarico(QWidget *parent = nullptr);

    QLabel *lblCampo01, *lblCampo02, *lblCampo03;
    QLineEdit *txtAnno;
    QLineEdit *txtTipologia;
    QGroupBox *grpInizio, *grpFine;
    QComboBox *txtGiornoInizio, *txtMeseInizio;
    QComboBox *txtGiornoFine, *txtMeseFine;
    QLabel *lblAnnoInizio;
    QLabel *lblAnnoFine;
    QPushButton *btnEsci, *btnVisualizza;
    QLabel *lblDataInizio, *lblDataFine;
    QLabel *lblFile;
    QLabel *lblAttendere;

public slots:
    void btnVisualizzaClick();

protected:
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followYear();
    // Where Enter in each box moves the focus.
    QWidget *nextAfter(QObject *box) const;
};

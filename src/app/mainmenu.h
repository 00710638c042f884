#pragma once

#include "ui/applicationscreen.h"

class QPushButton;
class TPictureButton;

// The main menu: four applications in a two-by-two grid, the information,
// help and credits icons, the site banner and the exit icon.
class TfrmAvvio : public TApplicationScreen
{
    Q_OBJECT

public:
    explicit TfrmAvvio(QWidget *parent = nullptr);

    TPictureButton *imgApp[4];
    QPushButton *btnApp[4];
    TPictureButton *imgInfo;
    TPictureButton *imgGuida;
    TPictureButton *imgCopyright;
    TPictureButton *icoSito;
    TPictureButton *imgEsci;

    static QString siteAddress() { return QStringLiteral("https://www.scortex.example.com"); }

signals:
    // Application 1 to 4 was chosen.
    void applicationChosen(int application);

private:
    void imgInfoClick();
    void imgGuidaClick();
    void imgCopyrightClick();
};

#pragma once

#include "ui/helptopic.h"
#include "ui/widgets.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The help window: a topic title and its text, and a link to Guida.pdf.
class TfrmGuida : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmGuida(QWidget *owner);

    void setTopic(const HelpTopic &topic);

    QLabel *lblTitolo;
    QPlainTextEdit *txtGuida;
    TPictureButton *imgPDF;
    TLinkLabel *lnkWeb;
    QPushButton *btnChiudi;

private:
    void lnkWebClick();
};

// Opens the help window on a topic, modally (every help button).
void showHelp(QWidget *owner, const HelpTopic &topic);

// The information window, with the link that writes to the maker.
class TfrmInfo : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmInfo(QWidget *owner);

    static QString makerEmail() { return QStringLiteral("assistenza@scortex.example.com"); }
    // The "mailto:" text handed to the desktop, without its quotes.
    static QString mailtoText();

    TPictureButton *imgEmail;
    TLinkLabel *lnkWeb;
    QPushButton *btnChiudi;
};

// The credits window, with the link to the maker's web site.
class TfrmSplash : public TFixedDialog
{
    Q_OBJECT

public:
    explicit TfrmSplash(QWidget *owner);

    static QString webAddress() { return QStringLiteral("https://www.scortex.example.com"); }

    TPictureButton *imgWeb;
    TLinkLabel *lnkWeb;
    QPushButton *btnChiudi;
};

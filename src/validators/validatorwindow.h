#pragma once

#include "ui/widgets.h"
#include "validators/validators.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The four check windows: one family, four definitions.
class TValidatorWindow : public TFixedDialog
{
    Q_OBJECT

public:
    QLabel *lblTitolo;
    QLineEdit *box;
    QPushButton *btnControlla;
    QPushButton *btnChiudi;

    Validators::Kind kind() const { return m_kind; }
    // Puts the opener's text in the box (not filtered, as a paste).
    void setText(const QString &text);

public slots:
    void btnControllaClick();

protected:
    struct Definition
    {
        Validators::Kind kind;
        const char *objectName;
        const char *caption;
        QSize size;
        QColor top;
        const char *title;
        const char *boxName;
    };
    TValidatorWindow(const Definition &definition, QWidget *owner);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    Validators::Kind m_kind;
};

class TfrmCodFisc : public TValidatorWindow
{
    Q_OBJECT
public:
    explicit TfrmCodFisc(QWidget *owner);
    QLineEdit *txtCodFisc;
};

class TfrmPartitaIva : public TValidatorWindow
{
    Q_OBJECT
public:
    explicit TfrmPartitaIva(QWidget *owner);
    QLineEdit *txtPartitaIva;
};

class TfrmCarta : public TValidatorWindow
{
    Q_OBJECT
public:
    explicit TfrmCarta(QWidget *owner);
    QLineEdit *txtNumero;
};

class TfrmIban : public TValidatorWindow
{
    Q_OBJECT
public:
    explicit TfrmIban(QWidget *owner);
    QLineEdit *txtIban;
};

#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

// The login window: the first window of the application and its main one.
class TfrmPassword : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmPassword(QWidget *parent = nullptr);

    QLineEdit *txtPassword;
    QPushButton *cmdOK;
    QPushButton *cmdEsci;
    QPushButton *btnCambiaPassword;

    // Called when the password-change window closes: an empty field, shown.
    void comeBack();

signals:
    void accepted();
    void exitRequested();
    void changeRequested();

public slots:
    void cmdOKClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void updateOK();
};

// The password-change window.
class TfrmCambiaPassword : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmCambiaPassword(QWidget *parent = nullptr);

    QLineEdit *txtPasswordOld;
    QLineEdit *txtPasswordNew;
    QLineEdit *txtConferma;
    QPushButton *cmdEsci;
    QPushButton *cmdOK;

signals:
    // Closed in any way: the login window comes back.
    void closed();

public slots:
    void cmdOKClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void updateOK();
};

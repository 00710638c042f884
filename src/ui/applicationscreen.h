#pragma once

#include <QWidget>

class TGradientBackground;

// A long-lived, maximized application window: created once, shown and
// hidden as the user moves around. The working content sits on a centred
// panel of 995 x 692 in a client area designed at 1016 x 713.
class TApplicationScreen : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize designSize() { return QSize(1016, 713); }
    static constexpr QSize panelSize() { return QSize(995, 692); }

    TApplicationScreen(const QString &objectName, const QString &caption, QWidget *parent = nullptr);

    QWidget *panel() const { return m_panel; }

    // The program's banner and a title line across the top of the panel.
    void addBanner(const QString &title);

    // Shows the screen maximized, running its on-show initialisation.
    void open();

signals:
    // The user closed the screen; emitted before it hides, so the next
    // screen is shown first.
    void closing();

protected:
    // Runs on every showing.
    virtual void FormShow() {}

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    TGradientBackground *m_background;
    QWidget *m_panel;
};

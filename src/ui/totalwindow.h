#pragma once

#include "output/report.h"
#include "search/resultlines.h"
#include "ui/helptopic.h"
#include "ui/services.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TGradientBackground;
class TPictureButton;
class TResultList;

// A maximized window that lists the records of an archive with their
// total: the inventory and the receipt summary. It is filled once, when
// it is shown, and offers the in-list find and the printed list.
class TTotalListWindow : public QDialog
{
    Q_OBJECT

public:
    QLabel *lblTipologia, *titTipologia;
    TPictureButton *imgGuida;
    QLabel *lblRigo01, *lblRigo02;
    QLineEdit *txtTrova;
    QPushButton *btnTrova;
    TResultList *lstRecords;
    QPushButton *btnStampa, *btnEsci;
    Report repRiepilogo;

    // Shown maximized first, so the window is on screen while it is read.
    int exec() override;
    QWidget *panel() const { return m_panel; }
    // Reads the archive and shows the lines and totals.
    virtual void FormShow() = 0;

public slots:
    void btnTrovaClick();
    virtual void btnStampaClick() = 0;

protected:
    // What Enter in the find box does.
    enum class FindEnter { MovesToTrova, Nothing };

    TTotalListWindow(const QString &objectName, const QString &caption, const QString &filterCaption,
                     const HelpTopic &topic, const QString &printCaption, FindEnter findEnter,
                     Messages::Kind emptyFindKind, QWidget *owner);

    // A caption and its value in the information block under the list
    // (rows 0, 1, 2), or the value alone; the value label speaks its text.
    QLabel *addInfo(int row, const QString &captionName, const QString &caption, const QString &valueName,
                    const QString &value);
    static void setSpokenText(QLabel *label, const QString &text);
    void printLines(const QString &title, const QStringList &lines);
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    FindEnter m_findEnter;
    Messages::Kind m_emptyFindKind;
    TGradientBackground *m_background;
    QWidget *m_panel;
};

#pragma once

#include "output/report.h"
#include "search/listquery.h"
#include "ui/cardscreen.h"
#include "ui/resultlist.h"
#include "ui/widgets.h"

#include <QPointer>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class TLineModel;


// What makes one list window: its names, its line format and archive, and
// the title of its printed list.
struct ListWindowDefinition
{
    QString objectName;
    QString caption;
    QString title;
    const LineFormat *format = nullptr;
    // The archive's full name; the receipts windows take it from their card.
    std::function<QString(const TCardScreen *card)> archivePath;
    // The panel that holds the list and its commands.
    QString panelName = QStringLiteral("panElenco");
    // The search windows count their lines.
    bool countLabel = false;
};

// The family of the windows that list records: a list of fixed-pitch lines
// with the in-list find, the printed list, and the loading of the chosen
// line's record into the card that opened the window.
class TListWindow : public TFixedDialog
{
    Q_OBJECT

public:
    // The card that receives the chosen record.
    void setCard(TCardScreen *card) { m_card = card; }
    TCardScreen *card() const { return m_card; }
    QString archivePath() const;

    QWidget *panElenco;
    QLabel *lblRigo01, *lblRigo02, *lblRigo03;
    QLineEdit *txtTrova;
    QPushButton *btnTrova;
    TResultList *lstRecords;
    QLabel *lblTrovate = nullptr;
    QPushButton *btnStampa, *btnChiudi;
    TLineModel *model;
    Report repRiepilogo;

    static QString missingRecordMessage()
    {
        return QStringLiteral("Attenzione: la scheda selezionata non è più presente in archivio così come appare "
                              "nell'elenco.\r\n\r\nL'archivio è stato modificato dopo la compilazione dell'elenco: "
                              "ripetere la ricerca per visualizzare i dati aggiornati.");
    }

public slots:
    void btnTrovaClick();
    void btnStampaClick();
    // Loads the record of the selected line into the card and closes.
    void lstRecordsDblClick();

protected:
    // What a double-click or Enter on a line does: by default, load it.
    virtual void chooseLine() { lstRecordsDblClick(); }

    TListWindow(const ListWindowDefinition &definition, QWidget *owner);

    const ListWindowDefinition &definition() const { return m_def; }
    // A panel over the whole window, with the logo at its top.
    QWidget *addPanel(const QString &name);
    // A line of help across the window.
    static QLabel *helpLine(QWidget *parent, const char *name, const QString &text, int y);

    // Runs an archive action off the window's thread; a failure shows its
    // message and gives false.
    bool runScan(const std::function<void()> &action);
    // Shows a scan's lines, warning when some records could not be read.
    void showLines(ListResult result);
    // Runs the query on the window's archive and shows its lines; an
    // archive that cannot be opened gives the access message.
    bool fill(const ListQuery &query);
    // The on-show step of every window: no find text, focus on it.
    void resetFind();

    // Puts the chosen record into the card; false when it does not go there.
    virtual bool loadRecord(const ChosenRecord &chosen);
    bool loadWholeRecord(const ChosenRecord &chosen);

    // The count label speaks its current text.
    void setCountText(const QString &text);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void done(int result) override;

private:
    ListWindowDefinition m_def;
    QPointer<TCardScreen> m_card;
};

// The windows that fill their list as they open: the suppliers to
// recontact, the low-stock products, the unpaid receipts.
class TFilledListWindow : public TListWindow
{
    Q_OBJECT

public:
    // Shown first, so the window is on screen while its list is read.
    int exec() override;
    // Reads the list afresh.
    void FormShow();

protected:
    TFilledListWindow(const ListWindowDefinition &definition, std::function<ListQuery()> query, QWidget *owner);

private:
    std::function<ListQuery()> m_query;
};

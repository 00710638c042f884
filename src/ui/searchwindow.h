#pragma once

#include "storage/archivekind.h"

#include "search/searchdefinition.h"
#include "ui/listwindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

// The three search windows: one family. A search panel of ten fields,
// then the list of what matched, shown in place of it.
class TSearchWindow : public TListWindow
{
    Q_OBJECT

public:
    QWidget *panAvvio;
    QWidget *panContainer;
    QLabel *lblRigo04, *lblRigo05, *lblRigo06;
    QLabel *lblAttendere, *lblConta, *lblMemory;
    QPushButton *btnAnnulla, *btnCerca;
    // The ten search boxes, in tab and Enter order.
    QList<QLineEdit *> searchBoxes;

    const SearchDefinition &search() const { return m_search; }

    // What the opener does with the chosen record in place of loading it
    // whole into the card: false when it does not go there.
    using LoadRecord = std::function<bool(const ChosenRecord &chosen)>;
    void setLoadRecord(LoadRecord load) { m_loadRecord = std::move(load); }

public slots:
    void btnCercaClick();

protected:
    // The search of `kind`, whose card the chosen record fills whole; its
    // archive is the one in the program folder, or else the card's own.
    TSearchWindow(const ArchiveKind &kind, QWidget *owner);
    // Another search (the import's), filling whole the card named `modeWord`.
    TSearchWindow(const SearchDefinition &search, const QString &modeWord,
                  std::function<QString(const TCardScreen *)> archivePath, QWidget *owner);

    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool loadRecord(const ChosenRecord &chosen) override;
    QString modeWord() const;

private:
    const SearchDefinition &m_search;
    QString m_wholeRecordMode;
    LoadRecord m_loadRecord;
};

class TfrmTrovaFornitori : public TSearchWindow
{
    Q_OBJECT
public:
    explicit TfrmTrovaFornitori(QWidget *owner);
};

class TfrmTrovaMagazzino : public TSearchWindow
{
    Q_OBJECT
public:
    explicit TfrmTrovaMagazzino(QWidget *owner);
};

class TfrmTrovaCarichi : public TSearchWindow
{
    Q_OBJECT
public:
    explicit TfrmTrovaCarichi(QWidget *owner);
};

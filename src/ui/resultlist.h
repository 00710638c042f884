#pragma once

#include "search/resultlines.h"
#include "ui/services.h"

#include <QListView>

#include <functional>

class TLineModel;

// The list of a result: fixed-pitch lines over a TLineModel, at least 1600
// pixels wide and wider for a longer line, with the in-list find. Every
// window that lists records shows its lines through one of these.
class TResultList : public QListView
{
    Q_OBJECT

public:
    explicit TResultList(QWidget *parent = nullptr);

    TLineModel *lineModel() const { return m_model; }
    const LineList &lines() const;

    // Shows the result's lines in place of the previous ones.
    void setLines(LineList lines);
    void clearLines();
    // The lines as shown, for printing.
    QStringList texts() const;

    // The in-list find: the next line holding the text (the same text
    // again goes on after the selected line); on an empty list the
    // "not applicable" message.
    void findNext(const QString &typed, Messages::Kind emptyKind = Messages::Kind::Plain);
    // A new window starts with no previous find.
    void resetFind() { m_lastFind.clear(); }

    static QString emptyListMessage()
    {
        return QStringLiteral("Ricerca non applicabile: la lista non contiene nessuna voce.");
    }

private:
    TLineModel *m_model;
    QString m_lastFind;
};

// Runs an archive action off the window's thread, as runResponsive does;
// a failure shows the access message (or the system message when memory
// runs out) over `parent` and gives false.
bool runArchiveScan(QWidget *parent, const std::function<void()> &action);

// The warning of a result that could not be read whole, if any.
void warnIncomplete(QWidget *parent, const ListResult &result, bool withTotal);

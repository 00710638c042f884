#pragma once

#include "search/resultlines.h"

#include <QAbstractListModel>
#include <QSize>


// The lines of a result list for a QListView: built once, shown as they are.
// Each line keeps the position of its record (PositionRole).
class TLineModel : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int PositionRole = Qt::UserRole;

    explicit TLineModel(QObject *parent = nullptr);

    // Every line has the same size: the list's item width and line height.
    void setItemSize(const QSize &size);
    void setLines(LineList lines);
    void clear();

    const LineList &lines() const { return m_lines; }
    ListLine line(int row) const { return m_lines.line(row); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    LineList m_lines;
    QSize m_itemSize;
};

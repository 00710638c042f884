#pragma once

#include "search/resultlines.h"

#include <QAbstractListModel>
#include <QSize>

#include <vector>

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
    void setLines(std::vector<ListLine> lines);
    void clear();

    const std::vector<ListLine> &lines() const { return m_lines; }
    const ListLine &line(int row) const { return m_lines[size_t(row)]; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    std::vector<ListLine> m_lines;
    QSize m_itemSize;
};

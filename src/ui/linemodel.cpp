#include "linemodel.h"

TLineModel::TLineModel(QObject *parent) : QAbstractListModel(parent)
{
}

void TLineModel::setItemSize(const QSize &size)
{
    m_itemSize = size;
    if (!m_lines.empty())
        emit dataChanged(index(0), index(int(m_lines.size()) - 1), {Qt::SizeHintRole});
}

void TLineModel::setLines(std::vector<ListLine> lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}

void TLineModel::clear()
{
    setLines({});
}

int TLineModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant TLineModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_lines.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return m_lines[size_t(index.row())].text;
    case PositionRole:
        return m_lines[size_t(index.row())].position;
    case Qt::SizeHintRole:
        return m_itemSize.isValid() ? QVariant(m_itemSize) : QVariant();
    default:
        return {};
    }
}

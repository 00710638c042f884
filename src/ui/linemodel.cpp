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

void TLineModel::setLines(LineList lines)
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
        // Decoded only for the lines on screen.
        return m_lines.text(index.row());
    case PositionRole:
        return m_lines.position(index.row());
    case Qt::SizeHintRole:
        return m_itemSize.isValid() ? QVariant(m_itemSize) : QVariant();
    default:
        return {};
    }
}

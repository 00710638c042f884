#pragma once

#include "ui/linemodel.h"
#include "ui/listwindow.h"

#include <QFile>
#include <QListView>
#include <QTest>

// What the tests of the list windows share: archives written record by
// record, the lines a window shows, and a double-click on one of them.

inline void writeFile(const QString &path, const QList<QByteArray> &records)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const QByteArray &r : records)
        QCOMPARE(f.write(r), r.size());
}

inline QStringList texts(const TListWindow &w)
{
    QStringList out;
    for (qsizetype i = 0; i < w.model->lines().size(); ++i)
        out << w.model->lines().text(i);
    return out;
}

inline QList<qint64> positions(const TListWindow &w)
{
    QList<qint64> out;
    for (qsizetype i = 0; i < w.model->lines().size(); ++i)
        out << w.model->lines().position(i);
    return out;
}

// A real double-click: the first click selects, the second opens.
inline void doubleClick(TListWindow &w, int row)
{
    const QModelIndex index = w.model->index(row);
    w.lstRecords->doItemsLayout();
    w.lstRecords->scrollTo(index);
    const QPoint at = w.lstRecords->visualRect(index).topLeft() + QPoint(20, 5);
    QTest::mouseClick(w.lstRecords->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(w.lstRecords->viewport(), Qt::LeftButton, {}, at);
}

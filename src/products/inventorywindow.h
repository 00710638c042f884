#pragma once

#include "ui/totalwindow.h"

// The inventory: the products of the archive, or of one type, with their
// cost, stock and stored value, and the total value of the stock.
class TfrmRiepilogo : public TTotalListWindow
{
    Q_OBJECT

public:
    explicit TfrmRiepilogo(QWidget *owner);

    // The type filter as typed in the menu.
    void setFilter(const QString &filter) { m_filter = filter; }

    QLabel *lblTotale;
    QLabel *panInfo;

    void FormShow() override;

public slots:
    void btnStampaClick() override;

private:
    QString m_filter;
};

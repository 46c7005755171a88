#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

// The order the table shows a list of texts in: the source's order until sorted, then by the
// sorted column's text, ignoring case, with texts that differ only in case kept in source order.
// Its columns have titles ("Package file" for a list of one column, unless set otherwise).
class ArrangedList : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit ArrangedList(QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *source) override;
    // The header's text for each column, left to right.
    void setColumnTitles(const QStringList &titles) { columnTitles = titles; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    void forgetKeys() { keys.clear(); }

    QStringList columnTitles;
    // The texts of the source's column `keyColumn` case-folded, one a row; made when a sort first
    // needs them. Names that are already lower case share their text with the source, so this
    // costs little memory.
    mutable QStringList keys;
    mutable int keyColumn = -1;
    QList<QMetaObject::Connection> sourceConnections;
};

#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

// The order the table shows a one-column list of texts in: the source's order until sorted, then
// by text, ignoring case, with texts that differ only in case kept in source order. Its column
// has a header.
class ArrangedList : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit ArrangedList(QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *source) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    void forgetKeys() { keys.clear(); }

    // The source's texts case-folded, one a row; made when a sort first needs them. Names that
    // are already lower case share their text with the source, so this costs little memory.
    mutable QStringList keys;
    QList<QMetaObject::Connection> sourceConnections;
};

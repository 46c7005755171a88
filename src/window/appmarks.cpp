#include "window/appmarks.h"

#include "apps/apptable.h"

#include <QApplication>
#include <QStyle>

void AppMarks::setMarks(QHash<QString, QString> reasons)
{
    marks = std::move(reasons);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0),
                         {Qt::DecorationRole, Qt::ToolTipRole});
}

QVariant AppMarks::data(const QModelIndex &index, int role) const
{
    if (index.column() != 0 || (role != Qt::DecorationRole && role != Qt::ToolTipRole) ||
        marks.isEmpty())
        return QIdentityProxyModel::data(index, role);
    // Marked by package: the name shown may be the app's label.
    const QString reason = marks.value(
        QIdentityProxyModel::data(index.siblingAtColumn(AppTable::Package), Qt::DisplayRole)
            .toString());
    if (reason.isEmpty())
        return QIdentityProxyModel::data(index, role);
    if (role == Qt::ToolTipRole)
        return reason;
    return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
}

#include "installedapps.h"

#include "arrangedlist.h"

#include <QAbstractTableModel>

// The apps in the order they were added, one row each: name, then package file.
class AppTable : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    enum Column { Name, Path, Columns };

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(apps.size());
    }

    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : Columns;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
            return {};
        const InstalledApp &app = apps.at(index.row());
        return index.column() == Name ? app.name : app.path;
    }

    void reset(QList<InstalledApp> replacement)
    {
        beginResetModel();
        apps = std::move(replacement);
        endResetModel();
    }

    QList<InstalledApp> apps;
};

InstalledApps::InstalledApps(QObject *parent)
    : QObject(parent)
    , content(new AppTable(this))
    , arrangement(new ArrangedList(this))
{
    arrangement->setColumnTitles({tr("App"), tr("Package file")});
    arrangement->setSourceModel(content);
    arrangement->sort(AppTable::Name, Qt::AscendingOrder);
}

void InstalledApps::clear()
{
    content->reset({});
}

void InstalledApps::append(const QList<InstalledApp> &apps)
{
    if (apps.isEmpty())
        return;
    // One reset instead of a row insertion per app: a phone can hold thousands.
    content->reset(content->apps + apps);
}

qsizetype InstalledApps::count() const
{
    return content->apps.size();
}

bool InstalledApps::containsName(const QString &name) const
{
    return std::any_of(content->apps.cbegin(), content->apps.cend(),
                       [&name](const InstalledApp &app) { return app.name == name; });
}

std::optional<InstalledApp> InstalledApps::arrangedAt(int row) const
{
    if (row < 0 || row >= arrangement->rowCount())
        return std::nullopt;
    return content->apps.at(arrangement->mapToSource(arrangement->index(row, 0)).row());
}

QAbstractItemModel *InstalledApps::arranged() const
{
    return arrangement;
}

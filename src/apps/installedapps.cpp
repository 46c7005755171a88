#include "apps/installedapps.h"

InstalledApps::InstalledApps(QObject *parent)
    : QObject(parent)
    , table(new AppTable(this))
{}

void InstalledApps::clear()
{
    table->setRows(TextRows(AppTable::ListedColumns));
}

void InstalledApps::append(TextRows apps)
{
    table->appendRows(std::move(apps));
}

qsizetype InstalledApps::count() const
{
    return table->rows().rowCount();
}

bool InstalledApps::containsName(const QString &name) const
{
    return table->rows().indexOf(AppTable::ListedPackage, name) >= 0;
}

std::optional<InstalledApp> InstalledApps::arrangedAt(int row) const
{
    const qsizetype stored = table->storedRow(row);
    if (stored < 0)
        return std::nullopt;
    return InstalledApp{table->rows().text(stored, AppTable::ListedPackage),
                        table->rows().text(stored, AppTable::ListedPath)};
}

#pragma once

#include "apps/apptable.h"
#include "apps/packagemanager.h"

#include <QObject>
#include <optional>

// The apps behind the table in the Apps view: each app's name, package name, version, last update,
// size and package file (see AppTable). The arranged list is the order the table shows, narrowed by
// the filter; it starts sorted by name, because the package manager lists apps in no order of its
// own, and the user may sort any column by the header. Every index the window's operations use is
// an index into the arranged list.
class InstalledApps : public QObject
{
    Q_OBJECT

public:
    using Column = AppTable::Column;

    explicit InstalledApps(QObject *parent = nullptr);

    void clear();
    // Adds `apps`, rows of a package name and a package file (see readPackageLines), after the
    // existing ones, in one step however many there are.
    void append(TextRows apps);
    qsizetype count() const;
    // Whether the package `name` is listed, shown or not.
    bool containsName(const QString &name) const;
    // The app at `row` of the arranged list (its package name and file), or nothing when `row` is
    // not one of its rows.
    std::optional<InstalledApp> arrangedAt(int row) const;

    // The arranged list, for the table to show.
    AppTable *arranged() const { return table; }

private:
    AppTable *table;
};

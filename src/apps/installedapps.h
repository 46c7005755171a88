#pragma once

#include "apps/packagemanager.h"

#include <QObject>
#include <optional>

class TextRows;
class TextTable;

// The apps behind the table in the Apps view: the app's package name, state, kind and package
// file. The arranged list is the order the table shows; it starts sorted by name, because the
// package manager lists apps in no order of its own, and the user may sort either column by the
// header. Every index the window's operations use is an index into the arranged list.
class InstalledApps : public QObject
{
    Q_OBJECT

public:
    enum Column { Name, State, Kind, Path, Columns };

    explicit InstalledApps(QObject *parent = nullptr);

    void clear();
    // Adds `apps`, rows of Columns cells, after the existing ones, in one step however many
    // there are.
    void append(TextRows apps);
    qsizetype count() const;
    bool containsName(const QString &name) const;
    // The app at `row` of the arranged list, or nothing when `row` is not one of its rows.
    std::optional<InstalledApp> arrangedAt(int row) const;

    // The arranged list, for the table to show.
    TextTable *arranged() const { return table; }

private:
    TextTable *table;
};

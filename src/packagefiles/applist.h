#pragma once

#include <QObject>
#include <QString>
#include <optional>

class TextRows;
class TextTable;

// The list of package files behind the table, one column. Its content keeps the entries in the
// order they were added; the table shows them arranged (the user may sort them by the header).
// Every index the window's operations use is an index into the arranged list.
class AppList : public QObject
{
    Q_OBJECT

public:
    explicit AppList(QObject *parent = nullptr);

    void clear();
    // Adds `entries`, rows of one cell, after the existing ones, in one step however many there
    // are.
    void append(TextRows entries);
    qsizetype count() const;
    bool contains(const QString &entry) const;
    // The entry at `row` of the arranged list, or nothing when `row` is not one of its rows.
    std::optional<QString> arrangedAt(int row) const;

    // The arranged list, for the table to show.
    TextTable *arranged() const { return table; }

private:
    TextTable *table;
};

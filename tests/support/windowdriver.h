#pragma once

#include "window/mainwindow.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTableView>
#include <functional>

// Drives the real window the way a user does, and reads what it shows.
class WindowDriver
{
public:
    explicit WindowDriver(MainWindow &window);

    QPushButton *button(const QString &name) const;
    void click(const QString &buttonName);
    void clickRow(int row);
    void clickHeader();
    // Chooses the view at `index` of the tabs above the table, as a click on its tab does.
    void clickTab(int index);
    // Has `answer` run on the next modal dialog as soon as it shows; the action that opens it
    // waits in the dialog's own event loop meanwhile.
    void whenDialogShows(std::function<void(QWidget &dialog)> answer);

    QString status() const;
    QString selectedApp() const;
    QStringList shownEntries() const;
    bool busy() const;
    bool buttonsEnabled() const;
    QTableView *table() const;

private:
    MainWindow &window;
};

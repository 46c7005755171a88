#pragma once

#include "mainwindow.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTableView>

// Drives the real window the way a user does, and reads what it shows.
class WindowDriver
{
public:
    explicit WindowDriver(MainWindow &window);

    QPushButton *button(const QString &name) const;
    void click(const QString &buttonName);
    void clickRow(int row);
    void clickHeader();

    QString status() const;
    QString selectedApp() const;
    QStringList shownEntries() const;
    bool busy() const;
    bool buttonsEnabled() const;
    QTableView *table() const;

private:
    MainWindow &window;
};

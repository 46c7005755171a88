#pragma once

#include "window/controller.h"

#include <QMainWindow>
#include <memory>

class LogFeed;
class QKeySequence;
class QPushButton;

namespace Ui {
class MainWindow;
}

// The application's one window, built from mainwindow.ui, with its Controller bound to it. It also
// takes the keyboard shortcuts for the buttons, a package file dropped on it, and the log view.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `chooser` asks for the package to install; without one, a file dialog does.
    explicit MainWindow(Controller::FileChooser chooser = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    Controller *controller() const { return control; }

signals:
    // A package file was dropped on the window while it could take one.
    void packageDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void addShortcut(const QKeySequence &keys, QPushButton *button, QWidget *scope);
    // Whether `event` is the Escape that clears the filter: the filter has text (and the focus,
    // as its events come to it only then), so Cancel does not take the key.
    bool clearsFilter(QEvent *event) const;
    // Accepts a drag that carries a package the window can install now, refuses any other.
    void answerDrag(QDragMoveEvent *event) const;
    // The package a drag carries, when the window can install it now; empty otherwise.
    QString acceptablePackage(const QDropEvent &event) const;

    // Shows `lines` at the end of the log view, which keeps only the latest ones; while the view
    // is hidden, they wait until it is shown.
    void appendToLog(const QStringList &lines);
    void showWaitingLog();

    std::unique_ptr<Ui::MainWindow> ui;
    LogFeed *logFeed;
    QStringList waitingLog; // logged while the log view was hidden
    Controller *control;
};

// Asks for one package file in a file dialog that starts in the home folder.
QStringList choosePackageFile(QWidget *parent);

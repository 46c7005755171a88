#pragma once

#include "controller.h"

#include <QMainWindow>
#include <memory>

class QKeySequence;
class QPushButton;

namespace Ui {
class MainWindow;
}

// The application's one window, built from mainwindow.ui, with its Controller bound to it. It also
// takes the keyboard shortcuts for the three buttons.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `chooser` asks for the package to install; without one, a file dialog does.
    explicit MainWindow(Controller::FileChooser chooser = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    Controller *controller() const { return control; }

private:
    void addShortcut(const QKeySequence &keys, QPushButton *button, QWidget *scope);

    std::unique_ptr<Ui::MainWindow> ui;
    Controller *control;
};

// Asks for one package file in a file dialog that starts in the home folder.
QStringList choosePackageFile(QWidget *parent);

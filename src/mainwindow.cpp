#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QShortcut>

MainWindow::MainWindow(Controller::FileChooser chooser, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    // Keep the layout still while the busy bar comes and goes.
    QSizePolicy barPolicy = ui->progressIndicator->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    ui->progressIndicator->setSizePolicy(barPolicy);

    control = new Controller(*ui, chooser ? std::move(chooser) : choosePackageFile, this);

    // The list starts in listing order; a click on the header sorts it.
    ui->tableView->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    ui->tableView->setSortingEnabled(true);

    addShortcut(Qt::Key_F5, ui->refreshBtn, this);
    addShortcut(Qt::CTRL | Qt::Key_R, ui->refreshBtn, this);
    addShortcut(QKeySequence::Open, ui->installBtn, this);
    addShortcut(QKeySequence::Delete, ui->removeBtn, ui->tableView);
}

MainWindow::~MainWindow() = default;

void MainWindow::addShortcut(const QKeySequence &keys, QPushButton *button, QWidget *scope)
{
    // A shortcut on the whole window, or only while `scope` has the focus (Delete must not remove
    // a package while the user is in a text field).
    auto *shortcut = new QShortcut(keys, scope);
    shortcut->setContext(scope == this ? Qt::WindowShortcut : Qt::WidgetShortcut);
    // Pressing the button, rather than calling the action, shows the press and does nothing
    // while the button is disabled.
    connect(shortcut, &QShortcut::activated, button, &QPushButton::animateClick);
}

QStringList choosePackageFile(QWidget *parent)
{
    const QString path =
        QFileDialog::getOpenFileName(parent, QObject::tr("Install package"), QDir::homePath(),
                                     QObject::tr("Android packages (*.apk *.apk.zip)"));
    return path.isEmpty() ? QStringList() : QStringList{path};
}

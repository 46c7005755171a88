#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>

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
}

MainWindow::~MainWindow() = default;

QStringList choosePackageFile(QWidget *parent)
{
    const QString path =
        QFileDialog::getOpenFileName(parent, QObject::tr("Install package"), QDir::homePath(),
                                     QObject::tr("Android packages (*.apk *.apk.zip)"));
    return path.isEmpty() ? QStringList() : QStringList{path};
}

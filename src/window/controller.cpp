#include "window/controller.h"

#include "apps/installedapps.h"
#include "packagefiles/applist.h"
#include "table/texttable.h"
#include "ui_mainwindow.h"
#include "window/appdetailsreader.h"
#include "window/appscontroller.h"
#include "window/devicestatus.h"
#include "window/packagefilescontroller.h"

#include <QComboBox>
#include <QDebug>
#include <QHeaderView>
#include <QTabBar>

Controller::Controller(Ui::MainWindow &ui, FileChooser chooser, QObject *parent)
    : QObject(parent)
    , tableView(ui.tableView)
    , selectedApp(ui.selectedApp)
    , refreshBtn(ui.refreshBtn)
    , installBtn(ui.installBtn)
    , removeBtn(ui.removeBtn)
    , deviceChooser(ui.deviceChooser)
    , rootBtn(ui.rootBtn)
    , viewTabs(ui.viewTabs)
    , filter(ui.filter)
    , device(new DeviceStatus(ui, this))
    , files(new PackageFilesController(*device, list, tableView, this))
    , apps(new AppsController(*device, list, tableView, this))
    , install(new InstallController(
          *device,
          [this](bool checkFirst, std::function<void(bool)> then) {
              refreshForInstall(checkFirst, std::move(then));
          },
          std::move(chooser), tableView->window(), this))
{
    showView();
    connect(refreshBtn, &QPushButton::clicked, this, &Controller::getApps);
    connect(installBtn, &QPushButton::clicked, this, &Controller::openApk);
    connect(removeBtn, &QPushButton::clicked, this, &Controller::uninstallApk);
    // Only a user's pick: the chooser's own refills after a check must not start a refresh.
    connect(deviceChooser, &QComboBox::activated, this, &Controller::deviceChosen);
    connect(viewTabs, &QTabBar::currentChanged, this, &Controller::viewChosen);
    connect(rootBtn, &QPushButton::clicked, this, &Controller::restartAsRoot);
    connect(device, &DeviceStatus::busyChanged, this, &Controller::updateActions);
    connect(device, &DeviceStatus::devicesShown, this, &Controller::updateActions);
    // Sorting moves the selected entry to another row without a selection change; follow it, or
    // Remove would act on whatever entry now stands at the old row. Only the view in use sorts.
    connect(files->model()->arranged(), &QAbstractItemModel::layoutChanged, this,
            &Controller::tableViewSelectionDidChange);
    connect(apps->model()->arranged(), &QAbstractItemModel::layoutChanged, this,
            &Controller::tableViewSelectionDidChange);
    // The filter is a layout change of the model, so the selection follows it just as above.
    connect(filter, &QLineEdit::textChanged, apps->model()->arranged(), &AppTable::setFilter);
}

// The device queue goes first (with DeviceStatus), while the views its jobs report to are whole.
Controller::~Controller()
{
    delete device;
}

void Controller::setLimits(const DeviceLimits &limits)
{
    device->limits = limits;
}

void Controller::setRootLimits(const RootLimits &limits)
{
    device->limits.root = limits;
}

void Controller::viewChosen(int index)
{
    stopDetails();
    view = index == 1 ? View::Apps : View::PackageFiles;
    showView();
    getApps();
}

void Controller::showView()
{
    const bool appsView = view == View::Apps;
    AppTable *appTable = apps->model()->arranged();
    TextTable *fileTable = files->model()->arranged();
    QAbstractItemModel *model = appsView ? static_cast<QAbstractItemModel *>(appTable) : fileTable;
    QItemSelectionModel *previous = tableView->selectionModel();
    tableView->setModel(model);
    // The view makes a selection model per model and leaves the old one to whoever set it.
    delete previous;
    connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Controller::tableViewSelectionDidChange);
    // Each view keeps the order the user gave it.
    tableView->horizontalHeader()->setSortIndicator(
        appsView ? appTable->sortColumn() : fileTable->sortColumn(),
        appsView ? appTable->sortOrder() : fileTable->sortOrder());
    // Filled from the listing of system apps; nothing to show until then.
    if (appsView) {
        tableView->setColumnHidden(AppTable::State, true);
        tableView->setColumnHidden(AppTable::Kind, true);
    }
    filter->setVisible(appsView);
    tableView->setAccessibleDescription(
        appsView ? tr("Third-party apps on the device, as its package manager lists them")
                 : tr("Package files in the device folder data/app/"));
    removeBtn->setText(appsView ? tr("&Uninstall") : tr("Re&move"));
    removeBtn->setAccessibleName(appsView ? tr("Uninstall") : tr("Remove"));
    removeBtn->setToolTip(
        appsView ? tr("Uninstall the selected app from the device (Delete in the list)")
                 : tr("Delete the selected package file from the device (Delete in the list)"));
}

std::optional<QString> Controller::arrangedName(int row) const
{
    if (view == View::PackageFiles)
        return files->model()->arrangedAt(row);
    const std::optional<InstalledApp> app = apps->model()->arrangedAt(row);
    return app ? std::optional<QString>(app->name) : std::nullopt;
}

bool Controller::checkDevice()
{
    return device->checkNow();
}

void Controller::updateActions()
{
    // Reading app details gives way to whatever the user asks for next: it is stopped first.
    const bool held = device->acting() && !apps->details()->reading();
    changeBtnStatus(!held);
    deviceChooser->setEnabled(deviceChooser->count() > 1 && !held);
    // Choosing a view refreshes it.
    viewTabs->setEnabled(!held);
    rootBtn->setEnabled(!held);
}

void Controller::deviceChosen(int index)
{
    stopDetails();
    device->choose(index);
    getApps();
}

void Controller::changeBtnStatus(bool flag)
{
    refreshBtn->setEnabled(flag);
    installBtn->setEnabled(flag);
    removeBtn->setEnabled(flag);
}

void Controller::stopDetails()
{
    apps->details()->stop();
}

void Controller::getApps()
{
    stopDetails();
    selectedApp->clear();
    if (view == View::Apps)
        apps->refresh();
    else
        files->refresh();
}

void Controller::refreshForInstall(bool checkFirst, std::function<void(bool found)> then)
{
    selectedApp->clear();
    if (view == View::Apps) {
        apps->refresh(std::move(then));
        return;
    }
    if (checkFirst && !device->checkNow()) {
        then(false);
        return;
    }
    files->refresh();
    then(true);
}

int Controller::tableSelectedRow() const
{
    const QModelIndexList rows = tableView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void Controller::tableViewSelectionDidChange()
{
    if (!list.appsLoaded) {
        selectedApp->clear();
        return;
    }
    list.selectedRow = tableSelectedRow();
    selectedApp->setText(arrangedName(list.selectedRow).value_or(QString()));
    qInfo("%i", list.selectedRow);
}

void Controller::openApk()
{
    stopDetails();
    install->openApk();
}

void Controller::installFile(const QString &path)
{
    stopDetails();
    install->installFile(path);
}

void Controller::restartAsRoot()
{
    stopDetails();
    files->restartAsRoot();
}

void Controller::uninstallApk()
{
    stopDetails();
    if (view == View::Apps)
        apps->uninstall();
    else
        files->remove();
}

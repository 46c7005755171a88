#include "window/controller.h"

#include "apps/installedapps.h"
#include "packagefiles/applist.h"
#include "table/texttable.h"
#include "ui_mainwindow.h"
#include "window/appbatch.h"
#include "window/appdetailsreader.h"
#include "window/appmarks.h"
#include "window/appscontroller.h"
#include "window/devicestatus.h"
#include "window/packagefilescontroller.h"

#include <QCheckBox>
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
    , saveBtn(ui.saveBtn)
    , disableBtn(ui.disableBtn)
    , restoreBtn(ui.restoreBtn)
    , systemAppsBox(ui.systemAppsBox)
    , deviceChooser(ui.deviceChooser)
    , rootBtn(ui.rootBtn)
    , viewTabs(ui.viewTabs)
    , filter(ui.filter)
    , device(new DeviceStatus(ui, this))
    , files(new PackageFilesController(*device, list, tableView, this))
    , apps(new AppsController(*device, list, tableView, this))
    , install(new InstallController(
          *device,
          [this](bool checkFirst, const std::function<void(bool)> &then) {
              refreshForInstall(checkFirst, then);
          },
          std::move(chooser), tableView->window(), this))
    , saver(new SaveController(*device, tableView->window(), this))
    , batch(new AppBatch(*device, *apps, tableView->window(), this))
{
    wireAppActions();
    saver->setLabels([this](const QString &package) { return apps->labels().value(package); });
    showView();
    connect(refreshBtn, &QPushButton::clicked, this, &Controller::getApps);
    connect(installBtn, &QPushButton::clicked, this, &Controller::openApk);
    connect(removeBtn, &QPushButton::clicked, this, &Controller::uninstallApk);
    connect(saveBtn, &QPushButton::clicked, this, &Controller::saveApps);
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
    connect(apps->marked(), &QAbstractItemModel::layoutChanged, this,
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
    tableView->setModel(appsView ? static_cast<QAbstractItemModel *>(apps->shownModel()) : model);
    // Several apps at once; one package file at a time.
    tableView->setSelectionMode(appsView ? QAbstractItemView::ExtendedSelection
                                         : QAbstractItemView::SingleSelection);
    systemAppsBox->setVisible(appsView);
    disableBtn->setVisible(appsView);
    restoreBtn->setVisible(appsView);
    // The view makes a selection model per model and leaves the old one to whoever set it.
    delete previous;
    connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Controller::tableViewSelectionDidChange);
    // Each view keeps the order the user gave it.
    tableView->horizontalHeader()->setSortIndicator(
        appsView ? appTable->sortColumn() : fileTable->sortColumn(),
        appsView ? appTable->sortOrder() : fileTable->sortOrder());
    filter->setVisible(appsView);
    // Its clear button loads an icon through the theme, some 2 million instructions: paid when the
    // Apps view is first shown, not by every start in the package files view.
    if (appsView)
        filter->setClearButtonEnabled(true);
    tableView->setAccessibleDescription(
        appsView ? (apps->showsSystemApps()
                        ? tr("Every app of the device's user, with those removed for it")
                        : tr("Third-party apps on the device, as its package manager lists them"))
                 : tr("Package files in the device folder data/app/"));
    removeBtn->setText(appsView ? tr("&Uninstall") : tr("Re&move"));
    removeBtn->setAccessibleName(appsView ? tr("Uninstall") : tr("Remove"));
    removeBtn->setToolTip(
        appsView ? tr("Uninstall the selected app from the device (Delete in the list)")
                 : tr("Delete the selected package file from the device (Delete in the list)"));
    selectedApp->setAccessibleDescription(appsView ? tr("The app or apps selected in the list")
                                                   : tr("The package file selected in the list"));
    saveBtn->setVisible(appsView);
    updateActions();
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
    saveBtn->setEnabled(!held && view == View::Apps && !selectedPackages().isEmpty());
    updateAppActions(held);
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

void Controller::refreshForInstall(bool checkFirst, const std::function<void(bool found)> &then)
{
    selectedApp->clear();
    if (view == View::Apps) {
        apps->refresh(then);
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
        updateActions();
        return;
    }
    list.selectedRow = tableSelectedRow();
    const qsizetype count = selectedRows().size();
    selectedApp->setText(view == View::Apps && count > 1
                             ? tr("%1 apps selected").arg(count)
                             : arrangedName(list.selectedRow).value_or(QString()));
    qInfo("%i", list.selectedRow);
    updateActions();
}

QStringList Controller::selectedPackages() const
{
    QStringList packages;
    if (view != View::Apps || !list.appsLoaded || !tableView->selectionModel())
        return packages;
    QModelIndexList rows = tableView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    for (const QModelIndex &row : std::as_const(rows))
        if (const std::optional<InstalledApp> app = apps->model()->arrangedAt(row.row()))
            packages.append(app->name);
    return packages;
}

void Controller::saveApps()
{
    stopDetails();
    saver->save(selectedPackages());
}

void Controller::setSaveChooser(SaveController::Chooser chooser)
{
    saver->setChooser(std::move(chooser));
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
    if (view != View::Apps) {
        files->remove();
        return;
    }
    const QList<AppRow> selected = apps->appsAt(selectedRows());
    // One user app keeps its own question, with the choice to keep its data.
    const bool oneUserApp = selected.size() == 1 && selected.first().kind == AppKind::User &&
                            selected.first().state != AppState::Removed &&
                            criticalReason(selected.first().name, apps->roles()).isEmpty();
    if (selected.isEmpty() || oneUserApp)
        apps->uninstall();
    else
        batch->run(AppAction::Uninstall, selected);
}

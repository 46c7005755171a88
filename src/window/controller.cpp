#include "window/controller.h"

#include "apps/installedapps.h"
#include "apps/packagemanager.h"
#include "apps/uninstallprompt.h"
#include "device/devicelist.h"
#include "device/packagename.h"
#include "device/toolrunner.h"
#include "install/installworker.h"
#include "outcomes/outcomes.h"
#include "outcomes/statusdetail.h"
#include "packagefiles/applist.h"
#include "table/texttable.h"
#include "text/shellquote.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDebug>
#include <QHeaderView>
#include <QLabel>
#include <QTabBar>

namespace {

const QString appFolder = QStringLiteral("data/app/");

} // namespace

Controller::Controller(Ui::MainWindow &ui, FileChooser chooser, QObject *parent)
    : QObject(parent)
    , installStatus(ui.installStatus)
    , statusDetail(ui.statusDetail)
    , arrayController(new AppList(this))
    , tableView(ui.tableView)
    , progressIndicator(ui.progressIndicator)
    , selectedApp(ui.selectedApp)
    , refreshBtn(ui.refreshBtn)
    , installBtn(ui.installBtn)
    , removeBtn(ui.removeBtn)
    , deviceChooser(ui.deviceChooser)
    , rootBtn(ui.rootBtn)
    , viewTabs(ui.viewTabs)
    , apps(new InstalledApps(this))
    , chooseApk(std::move(chooser))
{
    showView();
    connect(refreshBtn, &QPushButton::clicked, this, &Controller::getApps);
    connect(installBtn, &QPushButton::clicked, this, &Controller::openApk);
    connect(removeBtn, &QPushButton::clicked, this, &Controller::uninstallApk);
    // Only a user's pick: the chooser's own refills after a check must not start a refresh.
    connect(deviceChooser, &QComboBox::activated, this, &Controller::deviceChosen);
    connect(viewTabs, &QTabBar::currentChanged, this, &Controller::viewChosen);
    connect(rootBtn, &QPushButton::clicked, this, &Controller::restartAsRoot);
    // Sorting moves the selected entry to another row without a selection change; follow it, or
    // Remove would act on whatever entry now stands at the old row. Only the view in use sorts.
    connect(arrayController->arranged(), &QAbstractItemModel::layoutChanged, this,
            &Controller::tableViewSelectionDidChange);
    connect(apps->arranged(), &QAbstractItemModel::layoutChanged, this,
            &Controller::tableViewSelectionDidChange);
}

Controller::~Controller()
{
    stopWork->store(true);
}

void Controller::viewChosen(int index)
{
    view = index == 1 ? View::Apps : View::PackageFiles;
    showView();
    getApps();
}

void Controller::showView()
{
    const bool appsView = view == View::Apps;
    TextTable *model = appsView ? apps->arranged() : arrayController->arranged();
    QItemSelectionModel *previous = tableView->selectionModel();
    tableView->setModel(model);
    // The view makes a selection model per model and leaves the old one to whoever set it.
    delete previous;
    selectionFollower = connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged,
                                this, &Controller::tableViewSelectionDidChange);
    // Each view keeps the order the user gave it.
    tableView->horizontalHeader()->setSortIndicator(model->sortColumn(), model->sortOrder());
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
        return arrayController->arrangedAt(row);
    const std::optional<InstalledApp> app = apps->arrangedAt(row);
    return app ? std::optional<QString>(app->name) : std::nullopt;
}

bool Controller::checkDevice()
{
    const ToolRun run = runTool(toolPath(), {QStringLiteral("devices")}, {});
    const QStringList usable = usableDevices(run.output);
    const std::optional<QString> serial = pickDevice(usable, chosenSerial);
    deviceSerial = serial.value_or(QString());
    showDevices(usable);
    // Every action starts with a check, so this is also where an earlier action's detail goes.
    deviceNote = detailFor(Step::DeviceCheck, run, deviceSerial);
    explain({});
    rootBtn->hide();
    if (!serial) {
        installStatus->setText(tr("Device not available."));
        return false;
    }
    installStatus->setText(tr("Device connected: ") + *serial);
    return true;
}

void Controller::showDevices(const QStringList &usable)
{
    // Wide enough for the names it lists (see mainwindow.ui for why it starts otherwise).
    deviceChooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    deviceChooser->clear();
    deviceChooser->addItems(usable);
    deviceChooser->setCurrentIndex(static_cast<int>(usable.indexOf(deviceSerial)));
    updateChooser();
}

void Controller::updateChooser()
{
    deviceChooser->setEnabled(deviceChooser->count() > 1 && !deviceBusy());
    // Choosing a view refreshes it, which waits like Refresh does.
    viewTabs->setEnabled(!deviceBusy());
    rootBtn->setEnabled(!deviceBusy());
}

void Controller::deviceChosen(int index)
{
    chosenSerial = deviceChooser->itemText(index);
    getApps();
}

void Controller::changeBtnStatus(bool flag)
{
    refreshBtn->setEnabled(flag);
    installBtn->setEnabled(flag);
    removeBtn->setEnabled(flag);
}

void Controller::startBusy()
{
    progressIndicator->setVisible(true);
}

void Controller::stopBusy()
{
    progressIndicator->setVisible(false);
}

void Controller::getApps()
{
    appsLoaded = false;
    selectedRow = -1;
    startBusy();
    if (view == View::Apps)
        apps->clear();
    else
        arrayController->clear();
    selectedApp->clear();
    if (!checkDevice()) {
        stopBusy();
        const qsizetype count = view == View::Apps ? apps->count() : arrayController->count();
        qInfo("array: %lld", static_cast<long long>(count));
        return;
    }
    if (view == View::Apps)
        listApps();
    else
        listPackageFiles();
    appsLoaded = true;
    stopBusy();
}

void Controller::listPackageFiles()
{
    // The lines go straight into the list's compact rows, a batch a read.
    TextRows entries(1);
    const ToolRun run =
        runToolInBatches(toolPath(), {QStringLiteral("shell"), QStringLiteral("ls"), appFolder},
                         deviceSerial, [&entries](const QList<QByteArrayView> &lines) {
                             for (const QByteArrayView line : lines)
                                 entries.appendRow({line});
                         });
    logLeftOut(entries);
    arrayController->append(std::move(entries));
    explain(detailFor(Step::Listing, run));
    rootBtn->setVisible(refusedForWantOfRoot(run));
}

void Controller::listApps()
{
    TextRows found(InstalledApps::Columns);
    QStringList others;
    ToolRun run = runAppListing(found, others);
    for (const QString &line : std::as_const(others))
        qInfo("not a package line: %s", qUtf8Printable(line));
    logLeftOut(found);
    const bool anyApp = !found.isEmpty();
    apps->append(std::move(found));
    // A list with an app in it needs no explaining; without one, every line is one of `others`,
    // which the explanation reads as the whole output.
    run.output = others;
    explain(anyApp ? QString() : detailFor(Step::AppListing, run));
    // Names are short and paths long: names whole, the paths in what room is left.
    tableView->resizeColumnToContents(0);
}

ToolRun Controller::runAppListing(TextRows &found, QStringList &others) const
{
    return runToolInBatches(
        toolPath(),
        {QStringLiteral("shell"), QStringLiteral("pm"), QStringLiteral("list"),
         QStringLiteral("packages"), QStringLiteral("-f"), QStringLiteral("-3")},
        deviceSerial,
        [&](const QList<QByteArrayView> &lines) { readPackageLines(lines, found, others); });
}

void Controller::logLeftOut(const TextRows &rows)
{
    if (rows.leftOut() > 0)
        qInfo("left out the last %lld listed entries: a list holds about 4 GiB of text at most",
              static_cast<long long>(rows.leftOut()));
}

int Controller::tableSelectedRow() const
{
    const QModelIndexList rows = tableView->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void Controller::tableViewSelectionDidChange()
{
    if (!appsLoaded) {
        selectedApp->clear();
        return;
    }
    selectedRow = tableSelectedRow();
    selectedApp->setText(arrangedName(selectedRow).value_or(QString()));
    qInfo("%i", selectedRow);
}

void Controller::openApk()
{
    if (!checkDevice())
        return;
    getApps();
    const QStringList chosenPaths = chooseApk(tableView->window());
    startBusy();
    if (chosenPaths.isEmpty()) {
        stopBusy();
        return;
    }
    startInstall(chosenPaths);
}

void Controller::installFile(const QString &path)
{
    if (!checkDevice())
        return;
    getApps();
    startBusy();
    startInstall({path});
}

void Controller::startInstall(const QStringList &chosenPaths)
{
    installStatus->setText(tr("Installing apk..."));
    changeBtnStatus(false);
    installing = true;
    updateChooser();
    auto *worker = new InstallWorker(deviceSerial);
    // Queued, and tied to this object: reports that arrive after the window has gone are dropped.
    connect(worker, &InstallWorker::toolFinished, this, &Controller::installToolFinished,
            Qt::QueuedConnection);
    connect(worker, &InstallWorker::installReported, this, &Controller::installReported,
            Qt::QueuedConnection);
    worker->start(chosenPaths);
}

void Controller::installToolFinished()
{
    stopBusy();
    changeBtnStatus(true);
    installing = false;
    updateChooser();
}

void Controller::installReported(bool installed, const QString &detail)
{
    if (!installed) {
        installStatus->setText(tr("Apk installation failed."));
        explain(detail);
        return;
    }
    // Refresh first, so the status line ends with the outcome rather than the device text.
    getApps();
    installStatus->setText(tr("Apk installed successfully."));
}

void Controller::restartAsRoot()
{
    if (!checkDevice())
        return;
    const QString deviceText = installStatus->text();
    installStatus->setText(tr("Restarting adb as root..."));
    changeBtnStatus(false);
    restartingRoot = true;
    updateChooser();
    startBusy();
    auto *worker = new RootWorker(deviceSerial, rootLimits, stopWork);
    // Queued, and tied to this object: a report that arrives after the window has gone is dropped.
    connect(
        worker, &RootWorker::finished, this,
        [this, deviceText](bool asRoot, const QString &detail) {
            rootRestarted(asRoot, detail, deviceText);
        },
        Qt::QueuedConnection);
    worker->start();
}

void Controller::rootRestarted(bool asRoot, const QString &detail, const QString &deviceText)
{
    stopBusy();
    changeBtnStatus(true);
    restartingRoot = false;
    updateChooser();
    if (asRoot) {
        getApps();
        return;
    }
    installStatus->setText(deviceText);
    explain(detail);
}

void Controller::uninstallApk()
{
    if (view == View::Apps)
        uninstallApp();
    else
        removePackageFile();
}

void Controller::removePackageFile()
{
    if (!checkDevice())
        return;
    const std::optional<QString> name = arrayController->arrangedAt(selectedRow);
    if (!name)
        return;

    const ToolRun run = runTool(
        toolPath(), {QStringLiteral("shell"), QStringLiteral("rm"), appFolder + shellQuoted(*name)},
        deviceSerial);
    const auto failed = [](const QString &line) { return line.contains(QLatin1String("failed")); };
    if (std::any_of(run.output.cbegin(), run.output.cend(), failed)) {
        installStatus->setText(tr("remove failed"));
        explain(detailFor(Step::Removal, run));
        return;
    }

    // adb may say nothing on standard output about a removal that did not happen.
    reportByFreshList(*name, tr("remove failed"), Step::Removal, run, *name + tr(" removed"));
}

void Controller::uninstallApp()
{
    if (!checkDevice())
        return;
    const std::optional<InstalledApp> app = apps->arrangedAt(selectedRow);
    if (!app)
        return;
    // Listed names are package names; this keeps any other word away from the device's shell.
    if (!isPackageName(app->name)) {
        explain(tr("\u201c%1\u201d is not a valid package name, so nothing was uninstalled.")
                    .arg(app->name));
        return;
    }
    const UninstallChoice choice = askToUninstall(tableView->window(), app->name, deviceSerial);
    if (!choice.confirmed)
        return;

    QStringList arguments{QStringLiteral("shell"), QStringLiteral("pm"),
                          QStringLiteral("uninstall")};
    if (choice.keepData)
        arguments.append(QStringLiteral("-k"));
    arguments.append(shellQuoted(app->name));
    const ToolRun run = runTool(toolPath(), arguments, deviceSerial);
    if (!reportsUninstalled(run)) {
        installStatus->setText(tr("uninstall failed"));
        explain(detailFor(Step::Uninstall, run));
        return;
    }
    reportByFreshList(app->name, tr("uninstall failed"), Step::Uninstall, run,
                      tr("%1 uninstalled").arg(app->name));
}

void Controller::reportByFreshList(const QString &name, const QString &failed, Step step,
                                   const ToolRun &run, const QString &done)
{
    getApps();
    // Without a fresh listing there is nothing to judge by: the device text stays.
    if (!appsLoaded)
        return;
    const bool listed =
        view == View::Apps ? apps->containsName(name) : arrayController->contains(name);
    if (listed) {
        installStatus->setText(failed);
        explain(detailFor(step, run));
    } else {
        installStatus->setText(done);
    }
}

void Controller::explain(const QString &note)
{
    QStringList parts{deviceNote, note};
    parts.removeAll(QString());
    statusDetail->setText(parts.join(QLatin1Char(' ')));
    // Takes no room when there is nothing to say.
    statusDetail->setVisible(!parts.isEmpty());
}

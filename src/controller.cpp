#include "controller.h"

#include "applist.h"
#include "devicelist.h"
#include "installworker.h"
#include "shellquote.h"
#include "statusdetail.h"
#include "toolrunner.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDebug>
#include <QLabel>

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
    , chooseApk(std::move(chooser))
{
    tableView->setModel(arrayController->arranged());
    connect(refreshBtn, &QPushButton::clicked, this, &Controller::getApps);
    connect(installBtn, &QPushButton::clicked, this, &Controller::openApk);
    connect(removeBtn, &QPushButton::clicked, this, &Controller::uninstallApk);
    // Only a user's pick: the chooser's own refills after a check must not start a refresh.
    connect(deviceChooser, &QComboBox::activated, this, &Controller::deviceChosen);
    connect(tableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Controller::tableViewSelectionDidChange);
    // Sorting moves the selected entry to another row without a selection change; follow it, or
    // Remove would act on whatever entry now stands at the old row.
    connect(arrayController->arranged(), &QAbstractItemModel::layoutChanged, this,
            &Controller::tableViewSelectionDidChange);
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
    if (!serial) {
        installStatus->setText(tr("Device not available."));
        return false;
    }
    installStatus->setText(tr("Device connected: ") + *serial);
    return true;
}

void Controller::showDevices(const QStringList &usable)
{
    deviceChooser->clear();
    deviceChooser->addItems(usable);
    deviceChooser->setCurrentIndex(static_cast<int>(usable.indexOf(deviceSerial)));
    updateChooser();
}

void Controller::updateChooser()
{
    deviceChooser->setEnabled(deviceChooser->count() > 1 && !installing);
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
    arrayController->clear();
    selectedApp->clear();
    if (!checkDevice()) {
        stopBusy();
        qInfo("array: %lld", static_cast<long long>(arrayController->count()));
        return;
    }
    const ToolRun run = runTool(
        toolPath(), {QStringLiteral("shell"), QStringLiteral("ls"), appFolder}, deviceSerial);
    arrayController->append(run.output);
    explain(detailFor(Step::Listing, run));
    appsLoaded = true;
    stopBusy();
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
    selectedApp->setText(arrayController->arrangedAt(selectedRow).value_or(QString()));
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

void Controller::uninstallApk()
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

    getApps();
    // adb may say nothing on standard output about a removal that did not happen, so the listing
    // is the judge. Without a fresh listing there is nothing to judge by: leave the device text.
    if (!appsLoaded)
        return;
    if (arrayController->contains(*name)) {
        installStatus->setText(tr("remove failed"));
        explain(detailFor(Step::Removal, run));
    } else {
        installStatus->setText(*name + tr(" removed"));
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

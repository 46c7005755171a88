#include "window/installcontroller.h"

#include "device/devicequeue.h"
#include "install/installworker.h"
#include "window/devicestatus.h"

#include <QFileInfo>

InstallController::InstallController(DeviceStatus &device, Refresher refresh, FileChooser chooser,
                                     QWidget *dialogParent, QObject *parent)
    : QObject(parent)
    , device(device)
    , refreshView(std::move(refresh))
    , chooseApk(std::move(chooser))
    , dialogParent(dialogParent)
{}

void InstallController::openApk()
{
    refreshView(true, [this](bool found) {
        if (!found)
            return;
        const QStringList chosenPaths = chooseApk(dialogParent);
        device.showBusy(true);
        if (chosenPaths.isEmpty()) {
            device.showBusy(false);
            return;
        }
        startInstall(chosenPaths);
    });
}

void InstallController::installFile(const QString &path)
{
    refreshView(true, [this, path](bool found) {
        if (found)
            startInstall({path});
    });
}

void InstallController::startInstall(const QStringList &chosenPaths)
{
    underWay = true;
    device.setStatus(tr("Installing apk..."));
    // An install is not ended half way: adb killed mid-transfer can leave an install session
    // open on the device.
    device.beginAction(tr("Installing %1\u2026").arg(QFileInfo(chosenPaths.first()).fileName()),
                       false);
    // Made here, where it finds the tool; it reports through queued signals, tied to this object.
    auto *worker = new InstallWorker(device.serial());
    connect(worker, &InstallWorker::toolFinished, this, &InstallController::toolsEnded,
            Qt::QueuedConnection);
    connect(worker, &InstallWorker::installReported, this, &InstallController::reportInstall,
            Qt::QueuedConnection);
    device.queue().post(
        [worker, chosenPaths](const QueueJob &) {
            worker->installApk(chosenPaths);
            worker->deleteLater();
        },
        false);
}

void InstallController::toolsEnded()
{
    underWay = false;
    device.endAction();
}

void InstallController::reportInstall(bool installed, const QString &detail)
{
    if (!installed) {
        device.setStatus(tr("Apk installation failed."));
        device.explain(detail);
        return;
    }
    // Refresh first, so the status line ends with the outcome rather than the device text.
    refreshView(false, [this](bool) { device.setStatus(tr("Apk installed successfully.")); });
}

#include "window/installcontroller.h"

#include "device/devicequeue.h"
#include "install/installworker.h"
#include "window/devicestatus.h"

#include <QFileInfo>
#include <QMessageBox>

InstallController::InstallController(DeviceStatus &device, Refresher refresh, FileChooser chooser,
                                     QWidget *dialogParent, QObject *parent)
    : QObject(parent)
    , device(device)
    , refreshView(std::move(refresh))
    , chooseApk(std::move(chooser))
    , dialogParent(dialogParent)
{
    connect(&device, &DeviceStatus::cancelling, this, [this] {
        if (underWay && cancelFlag)
            cancelFlag->store(true);
    });
    connect(&device, &DeviceStatus::offerTaken, this, &InstallController::takeOffer);
}

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

void InstallController::startInstall(const QStringList &chosenPaths, InstallFlags flags,
                                     const QString &uninstallFirst)
{
    underWay = true;
    device.setStatus(tr("Installing apk..."));
    device.beginAction(tr("Installing %1\u2026").arg(QFileInfo(chosenPaths.first()).fileName()));
    cancelFlag = std::make_shared<std::atomic<bool>>(false);
    InstallHooks hooks{cancelFlag, {}, device.limits.packageManagerMs};
    // Not ended by the queue: closing the window lets the install run to its end, as ending adb
    // in the device's install phase would only lose its verdict. Cancel goes by `cancelFlag`.
    device.queue().post(
        [this, hooks, tool = device.tool(), serial = device.serial(), chosenPaths, flags,
         uninstallFirst](const QueueJob &job) mutable {
            hooks.progressed = [this, &job](const ProgressView &view, bool deviceInstalling) {
                job.deliver(
                    [this, view, deviceInstalling] { showProgress(view, deviceInstalling); });
            };
            InstallWorker worker(tool, serial, hooks);
            const InstallReport report = uninstallFirst.isEmpty()
                                             ? worker.install(chosenPaths, flags)
                                             : worker.replace(uninstallFirst, chosenPaths, flags);
            job.deliver([this, report, chosenPaths] {
                offeredPaths = chosenPaths;
                installEnded(report);
            });
        },
        false);
}

void InstallController::showProgress(const ProgressView &view, bool deviceInstalling)
{
    if (!underWay || device.cancelPressed())
        return;
    device.setBusyText(view.text);
    device.setProgress(view.value, view.busy ? 0 : ProgressView::bar);
    device.setCancellable(!deviceInstalling,
                          tr("The device is installing; it can't be stopped now"));
}

void InstallController::installEnded(const InstallReport &report)
{
    underWay = false;
    device.endAction();
    using End = InstallReport::End;
    if (report.end == End::Failed) {
        reportFailure(report);
        return;
    }
    // Refresh first, so the status line ends with the outcome rather than the device text; after
    // a Cancel, the fresh list shows what the device has.
    refreshView(false, [this, report](bool) {
        if (report.end == End::Cancelled)
            device.setStatus(tr("Install cancelled"));
        else if (report.cancelPressed)
            device.setStatus(tr("%1 installed").arg(report.name));
        else
            device.setStatus(tr("Apk installed successfully."));
        if (!report.detail.isEmpty())
            device.explain(report.detail);
    });
}

void InstallController::reportFailure(const InstallReport &report)
{
    device.setStatus(tr("Apk installation failed."));
    device.explain(report.detail);
    offered = report.offer;
    offeredPackage = report.packageName;
    device.offer(offered.kind == RefusalOffer::Kind::None ? QString() : offered.button);
}

void InstallController::takeOffer()
{
    const RefusalOffer offer = offered;
    if (offer.kind == RefusalOffer::Kind::None || offeredPaths.isEmpty() || device.acting())
        return;
    if (!offer.confirmation.isEmpty() &&
        QMessageBox::question(dialogParent, offer.button, offer.confirmation,
                              QMessageBox::Yes | QMessageBox::Cancel,
                              QMessageBox::Cancel) != QMessageBox::Yes)
        return;
    const QString uninstallFirst =
        offer.kind == RefusalOffer::Kind::UninstallFirst ? offeredPackage : QString();
    refreshView(true, [this, offer, paths = offeredPaths, uninstallFirst](bool found) {
        if (found)
            startInstall(paths, offer.flags, uninstallFirst);
    });
}

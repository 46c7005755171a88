#include "window/devicestatus.h"

#include "device/devicequeue.h"
#include "outcomes/statusdetail.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

DeviceStatus::DeviceStatus(Ui::MainWindow &ui, QObject *parent)
    : QObject(parent)
    , installStatus(ui.installStatus)
    , statusDetail(ui.statusDetail)
    , progressIndicator(ui.progressIndicator)
    , busyText(ui.busyText)
    , cancelBtn(ui.cancelBtn)
    , deviceChooser(ui.deviceChooser)
    , rootBtn(ui.rootBtn)
    , offerBtn(ui.offerBtn)
    , deviceQueue(new DeviceQueue(this))
{
    connect(cancelBtn, &QPushButton::clicked, this, &DeviceStatus::cancel);
    connect(offerBtn, &QPushButton::clicked, this, &DeviceStatus::offerTaken);
}

// The queue goes first, while everything its jobs may still deliver to is whole.
DeviceStatus::~DeviceStatus()
{
    delete deviceQueue;
}

QString DeviceStatus::tool() const
{
    return toolPath();
}

bool DeviceStatus::checkNow()
{
    return show(checkDevices(tool(), chosenSerial, RunLimit{QDeadlineTimer(limits.checkMs), {}}));
}

DeviceCheck DeviceStatus::Checker::operator()(const QueueJob &job) const
{
    return checkDevices(tool, chosen, job.limit(limitMs));
}

DeviceStatus::Checker DeviceStatus::checker() const
{
    return Checker{tool(), chosenSerial, limits.checkMs};
}

void DeviceStatus::checkThen(const QString &text, std::function<void(bool found)> next)
{
    beginAction(text);
    deviceQueue->post([this, check = checker(), next = std::move(next)](const QueueJob &job) {
        job.deliver([this, found = check(job), next] {
            const bool cancelled = cancelRequested;
            endAction();
            if (cancelled) {
                setStatus(tr("Device check cancelled"));
                return;
            }
            next(show(found));
        });
    });
}

bool DeviceStatus::show(const DeviceCheck &check)
{
    deviceSerial = check.serial.value_or(QString());
    // Wide enough for the names it lists (see mainwindow.ui for why it starts otherwise).
    deviceChooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    deviceChooser->clear();
    deviceChooser->addItems(check.usable);
    deviceChooser->setCurrentIndex(static_cast<int>(check.usable.indexOf(deviceSerial)));
    emit devicesShown();
    deviceNote = check.run.timedOut ? notAnswered(check.run, limits.checkMs)
                                    : detailFor(Step::DeviceCheck, check.run, deviceSerial);
    explain({});
    rootBtn->hide();
    offerBtn->hide();
    if (!check.serial) {
        installStatus->setText(tr("Device not available."));
        return false;
    }
    installStatus->setText(tr("Device connected: ") + *check.serial);
    return true;
}

void DeviceStatus::choose(int index)
{
    chosenSerial = deviceChooser->itemText(index);
}

void DeviceStatus::setStatus(const QString &text)
{
    installStatus->setText(text);
}

QString DeviceStatus::status() const
{
    return installStatus->text();
}

void DeviceStatus::explain(const QString &note)
{
    QStringList parts{deviceNote, note};
    parts.removeAll(QString());
    statusDetail->setText(parts.join(QLatin1Char(' ')));
    // Takes no room when there is nothing to say.
    statusDetail->setVisible(!parts.isEmpty());
}

void DeviceStatus::offerRoot(bool offered)
{
    rootBtn->setVisible(offered);
}

void DeviceStatus::offer(const QString &text)
{
    offerBtn->setText(text);
    offerBtn->setAccessibleName(text);
    offerBtn->setVisible(!text.isEmpty());
    // One way forward at a time: the offer answers the latest action, the root shell an earlier
    // listing, and the two side by side leave the detail no room.
    if (!text.isEmpty())
        rootBtn->hide();
}

void DeviceStatus::showBusy(bool busy)
{
    progressIndicator->setVisible(busy);
}

void DeviceStatus::beginAction(const QString &text, bool cancellable)
{
    actionUnderWay = true;
    cancelRequested = false;
    offerBtn->hide();
    showBusy(true);
    setProgress(0, 0);
    setBusyText(text);
    busyText->show();
    setCancellable(true);
    cancelBtn->setVisible(cancellable);
    emit busyChanged(true);
}

void DeviceStatus::setBusyText(const QString &text)
{
    busyText->setText(text);
    // In a narrow window the label gives way first; the whole text stays at hand.
    busyText->setToolTip(text);
    progressIndicator->setAccessibleDescription(text);
}

void DeviceStatus::setProgress(int value, int maximum)
{
    progressIndicator->setRange(0, std::max(0, maximum));
    progressIndicator->setValue(std::clamp(value, 0, std::max(0, maximum)));
}

void DeviceStatus::setCancellable(bool cancellable, const QString &why)
{
    cancelBtn->setEnabled(cancellable && !cancelRequested);
    cancelBtn->setToolTip(cancellable ? tr("Stop the device work under way (Escape)") : why);
}

void DeviceStatus::endAction()
{
    actionUnderWay = false;
    showBusy(false);
    busyText->hide();
    cancelBtn->hide();
    emit busyChanged(false);
}

void DeviceStatus::cancel()
{
    if (!actionUnderWay || cancelRequested || cancelBtn->isHidden() || !cancelBtn->isEnabled())
        return;
    cancelRequested = true;
    cancelBtn->setEnabled(false);
    setBusyText(tr("Cancelling\u2026"));
    deviceQueue->cancel();
    emit cancelling();
}

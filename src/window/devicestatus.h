#pragma once

#include "device/devicecheck.h"
#include "device/devicelimits.h"

#include <QObject>
#include <QString>
#include <functional>

class DeviceQueue;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace Ui {
class MainWindow;
}

// The device the window works on and what it says about it: the device check and the chooser,
// the status line and the detail under it, the busy bar with its text and Cancel, and the queue
// that device work goes through off the UI thread. Shared by the views' controllers; lives on the
// UI thread.
class DeviceStatus : public QObject
{
    Q_OBJECT

public:
    DeviceStatus(Ui::MainWindow &ui, QObject *parent = nullptr);
    ~DeviceStatus() override;

    // Looks for an attached device on the UI thread, within the check's limit, and shows what it
    // found (see show()). True when one was found; the tool runs that follow go to that device.
    bool checkNow();
    // Shows what a device check found: "Device connected: <serial>" or "Device not available." in
    // the status line, the usable devices in the chooser, and under it what the check found worth
    // saying. Every action starts with a check, so this is also where an earlier action's detail
    // and the root offer go. True when a device was found.
    bool show(const DeviceCheck &check);
    // The device check as the first step of a job of the queue: what it needs, copied on the UI
    // thread, to run "adb devices" on the queue's thread within the job's limits.
    struct Checker
    {
        QString tool;
        QString chosen;
        int limitMs;
        DeviceCheck operator()(const class QueueJob &job) const;
    };
    Checker checker() const;
    // Runs the device check as an action of its own through the queue, with `text` in the busy
    // bar, shows what it found, ends the action, then calls `next` with whether a device was found.
    void checkThen(const QString &text, std::function<void(bool found)> next);

    // The serial of the latest check's device; empty when none was found.
    const QString &serial() const { return deviceSerial; }
    // The user picked the device at `index` of the chooser: it is used while it is attached.
    void choose(int index);

    void setStatus(const QString &text);
    QString status() const;
    // Shows what the latest device check found, then `note`, under the status line.
    void explain(const QString &note);

    // Shows or hides the offer of a root shell beside the detail; every device check hides it.
    void offerRoot(bool offered);
    // Shows the way forward after a failed action as a button beside the detail, named `text`
    // (also its accessible name), or hides it when `text` is empty. Every device check, and every
    // action that begins, hides it; offerTaken() tells that it was pressed.
    void offer(const QString &text);
    // Shows or hides the busy bar, for the runs of the package files view on the UI thread.
    void showBusy(bool busy);
    // An action runs through the queue: the bar shows `text`, Cancel shows when it can stop it,
    // and busyChanged() tells the window to hold its other actions until endAction().
    void beginAction(const QString &text, bool cancellable = true);
    // Names the work of the action under way anew.
    void setBusyText(const QString &text);
    // Shows how far the action under way has come: `value` of `maximum`; a `maximum` of 0 makes
    // the bar a busy bar again, for work whose progress is not known.
    void setProgress(int value, int maximum);
    // Lets Cancel stop the action under way, or not (with `why` as its tooltip), while it shows.
    void setCancellable(bool cancellable, const QString &why = {});
    void endAction();
    // Whether an action runs through the queue.
    bool acting() const { return actionUnderWay; }
    // Whether Cancel was pressed during the action under way.
    bool cancelPressed() const { return cancelRequested; }
    // Cancel: stops the run under way in the queue; harmless when nothing runs or it was pressed.
    void cancel();

    DeviceQueue &queue() { return *deviceQueue; }
    // The tool in the application's resource folder; found on the UI thread, the only one sure to
    // have the application.
    QString tool() const;
    DeviceLimits limits;

signals:
    void busyChanged(bool acting);
    // The chooser's list changed: whether it offers a choice is the window's to decide.
    void devicesShown();
    // Cancel was pressed for the action under way (after the queue was told).
    void cancelling();
    // The offer beside the detail was pressed.
    void offerTaken();

private:
    QLineEdit *installStatus;
    QLabel *statusDetail;
    QProgressBar *progressIndicator;
    QLabel *busyText;
    QPushButton *cancelBtn;
    QComboBox *deviceChooser;
    QPushButton *rootBtn;
    QPushButton *offerBtn;
    DeviceQueue *deviceQueue;

    QString deviceSerial; // of the latest device check; empty when none was found
    QString deviceNote;   // what the latest device check had to say; often nothing
    QString chosenSerial; // the device the user picked; empty before any choice
    bool actionUnderWay = false;
    bool cancelRequested = false;
};

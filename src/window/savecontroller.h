#pragma once

#include "window/savedialog.h"
#include "window/savework.h"

#include <QObject>
#include <QStringList>
#include <functional>

class DeviceStatus;
class QTimer;
struct DeviceCheck;

// Save: copies apps from the device to the computer, each as the single APK it is or as an .apks
// of its base and splits that Install takes back, through the device queue with progress and
// Cancel. One app is saved where the user says; several go into a folder the user picks, each
// under its proposed name, never over a file that is there.
class SaveController : public QObject
{
    Q_OBJECT

public:
    // Asks the user where to save; for tests, which cannot answer a native dialog.
    using Chooser = std::function<SaveChoice(QWidget *parent, const SaveOffer &offer)>;

    SaveController(DeviceStatus &device, QWidget *dialogParent, QObject *parent = nullptr);

    void setChooser(Chooser chooser) { choose = std::move(chooser); }
    // Where the apps' labels come from: a package's label, or nothing when none has been read.
    void setLabels(std::function<QString(const QString &package)> labelOf)
    {
        label = std::move(labelOf);
    }
    // Checks for a device, reads what it holds of `packages`, asks where, then saves them.
    void save(const QStringList &packages);

private:
    // One app's save as the window reports it.
    struct Outcome
    {
        QString name;
        SaveEnd end;
    };

    void sourcesRead(const DeviceCheck &check, const QList<SaveSource> &sources);
    // Asks where, and gives what to save; the apps that cannot be saved go to `outcomes`.
    QList<SavePlan> plan(const QList<SaveSource> &sources, QList<Outcome> &outcomes);
    void startSaving(const QList<SavePlan> &plans, const QList<Outcome> &outcomes);
    void progressed(const QString &name, const QString &target, const SaveProgress &progress);
    void showProgress();
    void savesEnded(const QList<Outcome> &outcomes);
    // What the user calls the app: its package name until app names are read.
    QString labelFor(const QString &package) const;

    DeviceStatus &device;
    QWidget *dialogParent;
    Chooser choose = askWhereToSave;
    std::function<QString(const QString &package)> label;
    QTimer *poll;
    QString savingName;   // the app being saved
    QString savingTarget; // where it goes
    SaveProgress latest;  // how far its copy had come when last told
};

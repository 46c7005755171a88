#pragma once

#include "install/installoffers.h"

#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class DeviceStatus;
class QWidget;
struct InstallReport;
struct ProgressView;

// Install: asks for a package file (or takes one dropped on the window) and installs it through
// the device queue, with the window's other device actions held meanwhile. The bar follows the
// install; Cancel stops it while adb still sends; after a refusal, the way forward is offered.
class InstallController : public QObject
{
    Q_OBJECT

public:
    // Asks the user for a package file; gives the chosen paths, or none when cancelled.
    using FileChooser = std::function<QStringList(QWidget *parent)>;
    // Refreshes the view in use (after a device check of its own when `checkFirst`), then calls
    // `then` with whether a device was found; a view whose runs are on the UI thread calls it
    // before it returns.
    using Refresher = std::function<void(bool checkFirst, std::function<void(bool found)> then)>;

    InstallController(DeviceStatus &device, Refresher refresh, FileChooser chooser,
                      QWidget *dialogParent, QObject *parent = nullptr);

    // Install: refreshes the view in use, asks for a package file and installs it.
    void openApk();
    // Installs `path` just as if it had been chosen in Install's file dialog.
    void installFile(const QString &path);
    // Whether an install is under way.
    bool installing() const { return underWay; }

private:
    // Installs through the queue; with `uninstallFirst`, uninstalls that package first.
    void startInstall(const QStringList &chosenPaths, InstallFlags flags = {},
                      const QString &uninstallFirst = {});
    void showProgress(const ProgressView &view, bool deviceInstalling);
    void installEnded(const InstallReport &report);
    void reportFailure(const InstallReport &report);
    // The offer beside the detail was pressed: runs it, once confirmed where it asks.
    void takeOffer();

    DeviceStatus &device;
    Refresher refreshView;
    FileChooser chooseApk;
    QWidget *dialogParent;
    bool underWay = false;
    std::shared_ptr<std::atomic<bool>> cancelFlag; // of the install under way
    // The refusal's way forward on show: what it runs, on which file, for which app.
    RefusalOffer offered;
    QStringList offeredPaths;
    QString offeredPackage;
};

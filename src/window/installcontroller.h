#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class DeviceStatus;
class QWidget;

// Install: asks for a package file (or takes one dropped on the window) and installs it through
// the device queue, with the window's other device actions held meanwhile.
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
    void startInstall(const QStringList &chosenPaths);
    void toolsEnded();
    void reportInstall(bool installed, const QString &detail);

    DeviceStatus &device;
    Refresher refreshView;
    FileChooser chooseApk;
    QWidget *dialogParent;
    bool underWay = false;
};

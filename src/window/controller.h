#pragma once

#include "device/rootworker.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class AppList;
enum class Step;
class InstalledApps;
class TextRows;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTableView;
class QWidget;

namespace Ui {
class MainWindow;
}

// Answers the window's three actions and its table's selection, and reports every outcome in the
// status line. The table shows one of two views of the device: its package files (the folder
// data/app/, where the window starts) or its apps (through the package manager, which needs no
// root); Refresh and Remove act on the view in use. All of it runs on the UI thread; only the
// install's tool run leaves it.
class Controller : public QObject
{
    Q_OBJECT

public:
    // Asks the user for a package file; gives the chosen paths, or none when cancelled.
    using FileChooser = std::function<QStringList(QWidget *parent)>;

    Controller(Ui::MainWindow &ui, FileChooser chooser, QObject *parent = nullptr);
    // Ends the device work under way off the UI thread that can be ended (a restart as root);
    // an install runs to its end.
    ~Controller() override;

    // Looks for an attached device and shows "Device connected: <serial>" or
    // "Device not available." in the status line, and under it what the check found worth saying
    // (why no device is usable, how many are attached). True when one was found; the tool runs
    // that follow go to that device.
    bool checkDevice();
    // Enables or disables Refresh, Install and Remove together.
    void changeBtnStatus(bool flag);

    // Refresh: reloads the view in use from the device: the package files listed in data/app/, or
    // the third-party apps that the package manager lists.
    void getApps();
    // Install: asks for a package file and installs it on a worker thread.
    void openApk();
    // Installs `path` just as if it had been chosen in Install's file dialog: the device check and
    // the refresh come first, then the worker runs with the buttons disabled.
    void installFile(const QString &path);
    // Remove: deletes the selected entry's file from data/app/ on the device; in the Apps view,
    // uninstalls the selected app once the user has confirmed it.
    void uninstallApk();
    // Follows the table's selection into the selected-app field.
    void tableViewSelectionDidChange();
    // The user picked the device at `index` of the chooser: it is used from now on, while it is
    // attached, and the list is refreshed from it.
    void deviceChosen(int index);
    // The user chose the view at `index` of the tabs (0: package files, 1: apps): the table shows
    // it, Remove acts on it, and it is refreshed from the device.
    void viewChosen(int index);
    // The offer under a listing refused for want of root: restarts the device's adb daemon as
    // root off the UI thread, then refreshes the package files.
    void restartAsRoot();
    // How long the restart as root may take; for tests, which cannot wait a minute.
    void setRootLimits(RootWorker::Limits limits) { rootLimits = limits; }

    bool isLoaded() const { return appsLoaded; }
    int currentRow() const { return selectedRow; }

private:
    enum class View { PackageFiles, Apps };

    // Fill the view's emptied list from the device a refresh has found, and explain the listing.
    void listPackageFiles();
    void listApps();
    // Runs the package manager's listing: each app becomes a row of `found`, each line that names
    // none is added to `others`.
    ToolRun runAppListing(TextRows &found, QStringList &others) const;
    void removePackageFile();
    void uninstallApp();
    // After a removal or an uninstall that the tool did not call failed: refreshes the view, then
    // shows `done` when `name` has left it, or `failed` and why (from `run`, read as `step`).
    void reportByFreshList(const QString &name, const QString &failed, Step step,
                           const ToolRun &run, const QString &done);
    // Puts the view in use in the table and names Remove after what it does there.
    void showView();
    // The text at `row` of the view in use: a package file's name, or an app's.
    std::optional<QString> arrangedName(int row) const;
    // Fills the chooser with the `usable` devices of the latest check, showing the one in use.
    void showDevices(const QStringList &usable);
    // The device chooser can be used when there is a choice and the device is not busy; the view
    // tabs and the offer of a root shell, when it is not busy.
    void updateChooser();
    void startBusy();
    void stopBusy();
    void startInstall(const QStringList &chosenPaths);
    void installToolFinished();
    void installReported(bool installed, const QString &detail);
    void rootRestarted(bool asRoot, const QString &detail, const QString &deviceText);
    // An install or a restart as root is under way off the UI thread.
    bool deviceBusy() const { return installing || restartingRoot; }
    // Shows what the latest device check found, then `note`, under the status line.
    void explain(const QString &note);
    // Logs how many entries of a listing did not fit in its list, if any did not.
    static void logLeftOut(const TextRows &rows);
    int tableSelectedRow() const;

    QLineEdit *installStatus;
    QLabel *statusDetail;
    AppList *arrayController;
    QTableView *tableView;
    QProgressBar *progressIndicator;
    QLineEdit *selectedApp;
    QPushButton *refreshBtn;
    QPushButton *installBtn;
    QPushButton *removeBtn;
    QComboBox *deviceChooser;
    QPushButton *rootBtn;
    QTabBar *viewTabs;
    InstalledApps *apps;
    View view = View::PackageFiles;
    QMetaObject::Connection selectionFollower; // of the table's current selection model
    bool appsLoaded = false;
    int selectedRow = 0;

    QString deviceSerial; // of the latest device check; empty when none was found
    QString deviceNote;   // what the latest device check had to say; often nothing
    QString chosenSerial; // the device the user picked; empty before any choice
    bool installing = false;
    bool restartingRoot = false;
    RootWorker::Limits rootLimits;
    // Raised when the window goes, to end a restart as root that is under way.
    std::shared_ptr<std::atomic<bool>> stopWork = std::make_shared<std::atomic<bool>>(false);
    FileChooser chooseApk;
};

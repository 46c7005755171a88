#pragma once

#include "device/devicelimits.h"
#include "window/installcontroller.h"
#include "window/liststate.h"
#include "window/savecontroller.h"

#include <QObject>
#include <optional>

class AppBatch;
class AppsController;
class DeviceStatus;
class PackageFilesController;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabBar;
class QTableView;

namespace Ui {
class MainWindow;
}

// Answers the window: its buttons, the view tabs, the device chooser and the table's selection.
// The table shows one of two views of the device, each with a controller of its own: its package
// files (the folder data/app/, where the window starts) or its apps (through the package manager,
// which needs no root); Refresh and Remove act on the view in use. What the views share, the
// device, the status line, the busy bar and Cancel, is DeviceStatus's.
class Controller : public QObject
{
    Q_OBJECT

public:
    using FileChooser = InstallController::FileChooser;

    Controller(Ui::MainWindow &ui, FileChooser chooser, QObject *parent = nullptr);
    // Ends the device work under way that can be ended; an install runs to its end first.
    ~Controller() override;

    // Looks for an attached device on the UI thread and shows what it found. True when one was
    // found; the tool runs that follow go to that device.
    bool checkDevice();
    // Enables or disables Refresh, Install and Remove together.
    void changeBtnStatus(bool flag);

    // Refresh: reloads the view in use from the device.
    void getApps();
    // Install: asks for a package file and installs it through the device queue.
    void openApk();
    // Installs `path` just as if it had been chosen in Install's file dialog.
    void installFile(const QString &path);
    // Remove: deletes the selected package file from data/app/; in the Apps view, uninstalls the
    // selected app once the user has confirmed it.
    void uninstallApk();
    // Save: copies the selected apps to the computer (Apps view).
    void saveApps();
    // Asks where to save instead of a file dialog; for tests.
    void setSaveChooser(SaveController::Chooser chooser);
    // Follows the table's selection into the selected-app field.
    void tableViewSelectionDidChange();
    // The user picked the device at `index` of the chooser: it is used from now on, while it is
    // attached, and the view in use is refreshed from it.
    void deviceChosen(int index);
    // The user chose the view at `index` of the tabs (0: package files, 1: apps): the table shows
    // it, Remove acts on it, and it is refreshed from the device.
    void viewChosen(int index);
    // The offer under a listing refused for want of root.
    void restartAsRoot();
    // How long device work may take; for tests, which cannot wait a minute.
    void setLimits(const DeviceLimits &limits);
    void setRootLimits(const RootLimits &limits);

    bool isLoaded() const { return list.appsLoaded; }
    int currentRow() const { return list.selectedRow; }

private:
    enum class View { PackageFiles, Apps };

    // Puts the view in use in the table and names Remove after what it does there.
    void showView();
    // Refreshes the view in use for Install (see InstallController::Refresher).
    void refreshForInstall(bool checkFirst, const std::function<void(bool found)> &then);
    // Sets every action's enabled state from whether the device is busy.
    void updateActions();
    // The text at `row` of the view in use: a package file's name, or an app's.
    std::optional<QString> arrangedName(int row) const;
    int tableSelectedRow() const;
    // The package names of the apps selected in the Apps view, in the view's order.
    QStringList selectedPackages() const;
    // The Apps view's buttons for the selected apps (in controllerbatch.cpp).
    void wireAppActions();
    void updateAppActions(bool busy);
    void showAppsMenu(const QPoint &at);
    QList<int> selectedRows() const;
    // Ends the reading of app details under way, so that the work the user asked for can start.
    void stopDetails();

    QTableView *tableView;
    QLineEdit *selectedApp;
    QPushButton *refreshBtn;
    QPushButton *installBtn;
    QPushButton *removeBtn;
    QPushButton *saveBtn;
    QPushButton *disableBtn;
    QPushButton *restoreBtn;
    QCheckBox *systemAppsBox;
    QComboBox *deviceChooser;
    QPushButton *rootBtn;
    QTabBar *viewTabs;
    QLineEdit *filter;
    ListState list;
    DeviceStatus *device;
    PackageFilesController *files;
    AppsController *apps;
    InstallController *install;
    SaveController *saver;
    AppBatch *batch;
    View view = View::PackageFiles;
};

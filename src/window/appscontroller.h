#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class AppDetailsReader;
class DeviceStatus;
class InstalledApps;
class QTableView;
struct AppListing;
struct ListState;
struct ToolRun;

// The Apps view: the device's third-party apps as its package manager lists them, which needs no
// root. Its device work goes through the device queue, so the window stays alive meanwhile and
// Cancel can end it.
class AppsController : public QObject
{
    Q_OBJECT

public:
    AppsController(DeviceStatus &device, ListState &list, QTableView *table,
                   QObject *parent = nullptr);

    InstalledApps *model() const { return apps; }
    // Reads each listed app's details after a listing; stop() it before other device work.
    AppDetailsReader *details() const { return detailsReader; }
    // Refresh: empties the list, then checks for a device and lists its apps through the queue;
    // `then` is called at the end with whether a device was found (and not cancelled).
    void refresh(std::function<void(bool found)> then = {});
    // Uninstall: checks for a device, asks the user about the selected app, uninstalls it, then
    // judges by a fresh list.
    void uninstall();

private:
    void confirmUninstall();
    void uninstallEnded(const QString &name, const ToolRun &run,
                        const std::shared_ptr<AppListing> &fresh, bool cancelled);
    void uninstallCancelled(const QString &name, const std::shared_ptr<AppListing> &fresh);
    // Shows a listing read by the queue: the device check, then the apps or why there are none.
    // True when the list was read. With `keepDetails`, the apps still listed keep the details
    // read for them (a list read again after an uninstall).
    bool showListing(AppListing &listing, bool keepDetails = false);
    // Reads the listed apps' details, unless another action has begun meanwhile.
    void readDetails();

    DeviceStatus &device;
    ListState &list;
    QTableView *tableView;
    InstalledApps *apps;
    AppDetailsReader *detailsReader;
};

#pragma once

#include "apps/criticalapps.h"
#include "apps/systemapps.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class AppDetailsReader;
class AppMarks;
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
    // The rows with their warning marks, for the table to show (joined to the rows on first use).
    AppMarks *shownModel();
    // The same model, not joined yet before the view is first shown: for its signals, which it
    // sends once it has followed the rows' changes itself.
    const AppMarks *marked() const { return marks; }
    // Whether refreshes list every app of user 0 and those removed for it, or the third-party
    // ones.
    void showSystemApps(bool shown) { systemApps = shown; }
    bool showsSystemApps() const { return systemApps; }
    // The apps at the arranged `rows`, as the latest listing gave them.
    QList<AppRow> appsAt(const QList<int> &rows) const;
    // The app `name` as the latest listing shows it; nothing when it does not.
    std::optional<AppRow> row(const QString &name) const;
    // Whether the latest listing shows `name` installed for the user.
    bool installed(const QString &name) const;
    // The labels read so far, by package name; an app without one is not in it.
    QHash<QString, QString> labels() const;
    // The SDK level and roles the latest listing's device gave.
    int sdk() const { return deviceSdk; }
    const DeviceRoles &roles() const { return deviceRoles; }
    // Shows a listing read by the queue: the device check, then the apps or why there are none.
    // True when the list was read. With `keepDetails`, the apps still listed keep the details
    // read for them (a list read again after an uninstall).
    bool showListing(AppListing &listing, bool keepDetails = false);
    // Reads each listed app's details after a listing; stop() it before other device work.
    AppDetailsReader *details() const { return detailsReader; }
    // Refresh: empties the list, then checks for a device and lists its apps through the queue;
    // `then` is called at the end with whether a device was found (and not cancelled).
    void refresh(const std::function<void(bool found)> &then = {});
    // Uninstall: checks for a device, asks the user about the selected app, uninstalls it, then
    // judges by a fresh list.
    void uninstall();

private:
    // Reads the listed apps' details, unless another action has begun meanwhile.
    void readDetails();
    void confirmUninstall();
    void uninstallEnded(const QString &name, const ToolRun &run,
                        const std::shared_ptr<AppListing> &fresh, bool cancelled);
    void uninstallCancelled(const QString &name, const std::shared_ptr<AppListing> &fresh);
    // Puts the merged rows in the table and remembers them with the device's roles.
    void showRows(const AppListing &listing);

    DeviceStatus &device;
    ListState &list;
    QTableView *tableView;
    InstalledApps *apps;
    AppMarks *marks;
    AppDetailsReader *detailsReader;
    bool systemApps = false;
    QHash<QString, AppRow> shown; // the latest listing's apps, by name
    int deviceSdk = 0;
    DeviceRoles deviceRoles;
};

#pragma once

#include <QObject>
#include <QString>

class AppList;
class DeviceStatus;
class QTableView;
struct ListState;
struct ToolRun;

// The view of the device folder data/app/, where the window starts. Its device check, refresh and
// removal run on the UI thread, one after another as the user asked for them, each within its
// limit; only the restart as root that it offers goes through the device queue.
class PackageFilesController : public QObject
{
    Q_OBJECT

public:
    PackageFilesController(DeviceStatus &device, ListState &list, QTableView *table,
                           QObject *parent = nullptr);

    AppList *model() const { return files; }
    // Refresh: empties the list, checks for a device and lists data/app/ into the list.
    void refresh();
    // Remove: deletes the selected entry's file from data/app/, then judges by a fresh list.
    void remove();
    // The offer under a listing refused for want of root: restarts the device's adb daemon as
    // root through the queue, then refreshes the package files.
    void restartAsRoot();

private:
    void listPackageFiles();
    void rootRestarted(const QString &detail, const QString &deviceText);
    // Explains `run`, which was given `limitMs`: why it ended at its limit, or `detail`.
    void explainRun(const ToolRun &run, int limitMs, const QString &detail);

    DeviceStatus &device;
    ListState &list;
    QTableView *tableView;
    AppList *files;
};

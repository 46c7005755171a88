#pragma once

#include "apps/apptable.h"

#include <QObject>
#include <QStringList>

class DeviceStatus;
class InstalledApps;
class QueueJob;

// What a details job needs, copied on the UI thread before it is posted.
struct DetailsRequest
{
    QString tool;
    QString serial;
    QString cacheFolder;
    QStringList packages; // by stored row of the listing
    QStringList paths;    // each one's base package file
    int limitMs = 0;      // for each run
};

// What a details job hands to the UI thread, a batch at a time.
struct DetailsBatch
{
    QList<std::pair<qsizetype, AppDetails>> rows; // whole details of the rows that changed
    int namesRead = 0;                            // of namesToRead, so far
    int namesToRead = 0;                          // 0 while no name is read from the device
    bool finished = false;
    bool cancelled = false;
    QString note; // for the detail under the status line, when the job has something to say
};

// Reads the details of the apps listed (versions, dates, sizes, names), on the queue's thread:
// getprop, one dump of the package manager, the sizes, then for each app whose name is not cached
// a few ranges of its base APK. Hands batches to `send` as it goes, the last one `finished`.
void readAppDetails(const QueueJob &job, const DetailsRequest &request,
                    const std::function<void(DetailsBatch)> &send);

// Fills in the Apps view's details after each listing, as an action of the device queue that
// Cancel ends. Refresh, a tab or a device change stop it at once (what was read is kept in the
// cache) so that their own work can start.
class AppDetailsReader : public QObject
{
    Q_OBJECT

public:
    AppDetailsReader(DeviceStatus &device, InstalledApps &apps, QObject *parent = nullptr);

    // Starts reading the details of the apps listed now; nothing when none are listed.
    void start();
    // Cancels the reading under way, ends its action and drops what it still had to deliver.
    void stop();
    // Whether details are being read: the action under way is this one.
    bool reading() const { return underWay; }

private:
    void apply(int generation, const DetailsBatch &batch);
    DetailsRequest request() const;

    DeviceStatus &device;
    InstalledApps &apps;
    int current = 0; // the generation of the latest job; older deliveries are dropped
    bool underWay = false;
};

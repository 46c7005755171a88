#include "window/applisting.h"

#include "apps/installedapps.h"
#include "apps/packagemanager.h"
#include "device/devicequeue.h"

AppListing listApps(const QueueJob &job, const DeviceStatus::Checker &checker, int limitMs,
                    bool afterCancel)
{
    AppListing listing{{}, TextRows(AppTable::ListedColumns), {}, {}, limitMs, false};
    DeviceStatus::Checker check = checker;
    listing.check =
        afterCancel ? checkDevices(check.tool, check.chosen, job.limitAfterCancel(check.limitMs))
                    : check(job);
    if (!listing.check.serial)
        return listing;
    listing.run = runToolInBatches(
        checker.tool,
        {QStringLiteral("shell"), QStringLiteral("pm"), QStringLiteral("list"),
         QStringLiteral("packages"), QStringLiteral("-f"), QStringLiteral("-3")},
        *listing.check.serial,
        [&listing](const QList<QByteArrayView> &lines) {
            readPackageLines(lines, listing.found, listing.others);
        },
        afterCancel ? job.limitAfterCancel(limitMs) : job.limit(limitMs));
    listing.listed = !listing.run.timedOut;
    return listing;
}

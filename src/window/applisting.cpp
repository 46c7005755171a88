#include "window/applisting.h"

#include "apps/packagemanager.h"
#include "device/devicequeue.h"

#include <QMap>

namespace {

// More packages than any phone has; a tool that prints more is not listing packages.
constexpr qsizetype listedAtMost = 100000;

// Runs one listing, keeping the lines that name a package (at most listedAtMost) and the first
// few others, which explain a listing that names none: a flood costs no more than that.
ToolRun runListing(const QString &tool, const QStringList &arguments, const QString &serial,
                   const RunLimit &limit)
{
    QStringList kept;
    qsizetype others = 0;
    ToolRun run = runToolInBatches(
        tool, arguments, serial,
        [&kept, &others](const QList<QByteArrayView> &lines) {
            for (const QByteArrayView line : lines) {
                const QString text = QString::fromUtf8(line);
                const bool names = findPackage(text).has_value();
                if (names ? kept.size() < listedAtMost : others++ < keptOutputLines)
                    kept.append(text);
            }
        },
        limit);
    run.output = kept;
    return run;
}

// The SDK level from "getprop ro.build.version.sdk"; 0 when it printed no number.
int sdkFrom(const ToolRun &run)
{
    for (const QString &line : run.output) {
        bool ok = false;
        const int sdk = line.trimmed().toInt(&ok);
        if (ok && sdk > 0 && sdk < 1000)
            return sdk;
    }
    return 0;
}

DeviceRoles rolesOf(const std::function<ToolRun(const QStringList &)> &run, int sdk)
{
    DeviceRoles roles;
    if (const QStringList query = launcherQuery(sdk); !query.isEmpty())
        roles.launcher = launcherFrom(run(query).output).value_or(QString());
    roles.keyboard = keyboardFrom(run(keyboardQuery()).output).value_or(QString());
    return roles;
}

} // namespace

AppListing listApps(const QueueJob &job, const DeviceStatus::Checker &checker, int limitMs,
                    bool systemApps, bool afterCancel)
{
    AppListing listing;
    listing.limitMs = limitMs;
    DeviceStatus::Checker check = checker;
    listing.check =
        afterCancel ? checkDevices(check.tool, check.chosen, job.limitAfterCancel(check.limitMs))
                    : check(job);
    if (!listing.check.serial)
        return listing;
    const QString serial = *listing.check.serial;
    const auto limit = [&] {
        return afterCancel ? job.limitAfterCancel(limitMs) : job.limit(limitMs);
    };
    bool cut = false;
    const auto run = [&](const QStringList &arguments) {
        ToolRun done = runTool(checker.tool, arguments, serial, limit());
        cut = cut || done.timedOut;
        return done;
    };
    listing.sdk = sdkFrom(run({QStringLiteral("shell"), QStringLiteral("getprop"),
                               QStringLiteral("ro.build.version.sdk")}));
    QMap<Listing, ToolRun> runs;
    for (const ListingCommand &command : listingCommands(listing.sdk, systemApps)) {
        runs.insert(command.listing, runListing(checker.tool, command.arguments, serial, limit()));
        cut = cut || runs.value(command.listing).timedOut;
        // Without the base listing the others show nothing.
        if (command.listing == Listing::Installed && runs.value(Listing::Installed).timedOut)
            break;
    }
    listing.run = runs.value(Listing::Installed);
    listing.listed = !listing.run.timedOut;
    if (!listing.listed)
        return listing;
    listing.merged = mergeListings(runs);
    listing.roles = rolesOf(run, listing.sdk);
    listing.whole = !cut;
    return listing;
}

#include "window/appscontroller.h"

#include "apps/installedapps.h"
#include "apps/uninstallprompt.h"
#include "device/devicequeue.h"
#include "device/packagename.h"
#include "outcomes/outcomes.h"
#include "outcomes/statusdetail.h"
#include "text/shellquote.h"
#include "window/appdetailsreader.h"
#include "window/applisting.h"
#include "window/appmarks.h"
#include "window/liststate.h"

#include <QDebug>
#include <QTableView>

AppsController::AppsController(DeviceStatus &device, ListState &list, QTableView *table,
                               QObject *parent)
    : QObject(parent)
    , device(device)
    , list(list)
    , tableView(table)
    , apps(new InstalledApps(this))
    , marks(new AppMarks(this))
    , detailsReader(new AppDetailsReader(device, *apps, this))
{}

AppMarks *AppsController::shownModel()
{
    // Joined when the Apps view is first shown: the proxy's setup costs close to a million
    // instructions, which a start in the package files view need not pay.
    if (!marks->sourceModel())
        marks->setSourceModel(apps->arranged());
    return marks;
}

void AppsController::refresh(const std::function<void(bool found)> &then)
{
    list.appsLoaded = false;
    list.selectedRow = -1;
    apps->clear();
    device.beginAction(tr("Listing apps\u2026"));
    const int limitMs = device.limits.appListingMs;
    device.queue().post([this, checker = device.checker(), limitMs, then,
                         systemApps = systemApps](const QueueJob &job) {
        auto listing = std::make_shared<AppListing>(listApps(job, checker, limitMs, systemApps));
        // A Cancel that came after the runs had ended changes nothing: the list is whole.
        const bool cancelled =
            job.cancelled() && (listing->check.run.timedOut || listing->run.timedOut);
        // Cut after the apps were listed: their states, kinds or roles may be missing.
        const bool cut = job.cancelled() && !cancelled && listing->listed && !listing->whole;
        job.deliver([this, listing, then, cancelled, cut] {
            device.endAction();
            if (cancelled) {
                device.setStatus(tr("Refresh cancelled"));
                device.explain(tr("The list of apps was not read to its end. Press Refresh to "
                                  "read it again."));
            } else if (showListing(*listing) && cut) {
                device.setStatus(tr("Refresh cancelled"));
                device.explain(tr("The apps are listed, but not all that was asked about them "
                                  "was read: states, kinds or the apps the phone needs may be "
                                  "missing. Press Refresh to read it again."));
            }
            if (then)
                then(!cancelled && listing->check.serial.has_value());
            readDetails();
        });
    });
}

void AppsController::readDetails()
{
    if (list.appsLoaded && !device.acting())
        detailsReader->start();
}

bool AppsController::showListing(AppListing &listing, bool keepDetails)
{
    const QHash<QString, AppDetails> kept =
        keepDetails ? apps->arranged()->detailsByPackage() : QHash<QString, AppDetails>();
    list.appsLoaded = false;
    list.selectedRow = -1;
    apps->clear();
    shown.clear();
    marks->setMarks({});
    if (!device.show(listing.check)) {
        qInfo("array: %lld", static_cast<long long>(apps->count()));
        return false;
    }
    if (!listing.listed) {
        device.explain(notAnswered(listing.run, listing.limitMs));
        return false;
    }
    const MergedListing &merged = listing.merged;
    for (const QString &line : merged.others)
        qInfo("not a package line: %s", qUtf8Printable(line));
    showRows(listing);
    apps->arranged()->restoreDetails(kept);
    // A list with an app in it needs no explaining; without one, every line is one of `others`,
    // which the explanation reads as the whole output.
    if (merged.listed)
        listing.run.output = merged.others;
    QStringList notes;
    if (merged.rows.isEmpty())
        notes << detailFor(Step::AppListing, listing.run);
    if (!merged.detail.isEmpty())
        notes << merged.detail;
    device.explain(notes.join(QLatin1Char(' ')));
    // Names are short and paths long: names whole, the paths in what room is left.
    tableView->resizeColumnToContents(0);
    // A listing that printed an error lists nothing, and judges nothing by it.
    list.appsLoaded = merged.listed;
    return merged.listed;
}

void AppsController::showRows(const AppListing &listing)
{
    deviceSdk = listing.sdk;
    deviceRoles = listing.roles;
    TextRows rows(AppTable::ListedColumns);
    QHash<QString, QString> critical;
    for (const AppRow &app : listing.merged.rows) {
        const QByteArray name = app.name.toUtf8();
        const QByteArray state = stateText(app.state).toUtf8();
        const QByteArray kind = kindText(app.kind).toUtf8();
        const QByteArray path = app.path.toUtf8();
        rows.appendRow({name, state, kind, path});
        shown.insert(app.name, app);
        if (const QString reason = criticalReason(app.name, deviceRoles); !reason.isEmpty())
            critical.insert(app.name, reason);
    }
    apps->append(std::move(rows));
    marks->setMarks(std::move(critical));
}

QHash<QString, QString> AppsController::labels() const
{
    QHash<QString, QString> found;
    const QHash<QString, AppDetails> details = apps->arranged()->detailsByPackage();
    for (auto detail = details.cbegin(); detail != details.cend(); ++detail) {
        if (!detail->label.isEmpty())
            found.insert(detail.key(), detail->label);
    }
    return found;
}

std::optional<AppRow> AppsController::row(const QString &name) const
{
    const auto app = shown.constFind(name);
    return app == shown.cend() ? std::nullopt : std::optional<AppRow>(*app);
}

bool AppsController::installed(const QString &name) const
{
    const auto app = shown.constFind(name);
    // An app uninstalled with its data kept stays listed with -u, as removed.
    return app != shown.cend() && app->state != AppState::Removed;
}

QList<AppRow> AppsController::appsAt(const QList<int> &rows) const
{
    QList<AppRow> found;
    for (const int row : rows) {
        if (const std::optional<InstalledApp> app = apps->arrangedAt(row))
            found.append(shown.value(app->name, AppRow{app->name, app->path}));
    }
    return found;
}

void AppsController::uninstall()
{
    device.checkThen(tr("Checking the device\u2026"), [this](bool found) {
        if (found)
            confirmUninstall();
    });
}

void AppsController::confirmUninstall()
{
    const std::optional<InstalledApp> app = apps->arrangedAt(list.selectedRow);
    if (!app)
        return;
    const QString name = app->name;
    // Listed names are package names; this keeps any other word away from the device's shell.
    if (!isPackageName(name)) {
        device.explain(tr("\u201c%1\u201d is not a valid package name, so nothing was uninstalled.")
                           .arg(name));
        return;
    }
    const UninstallChoice choice = askToUninstall(tableView->window(), name, device.serial());
    if (!choice.confirmed)
        return;

    QStringList arguments{QStringLiteral("shell"), QStringLiteral("pm"),
                          QStringLiteral("uninstall")};
    if (choice.keepData)
        arguments.append(QStringLiteral("-k"));
    arguments.append(shellQuoted(name));
    device.beginAction(tr("Uninstalling %1\u2026").arg(name));
    const int pmMs = device.limits.packageManagerMs;
    const int listMs = device.limits.appListingMs;
    device.queue().post([this, name, arguments, checker = device.checker(),
                         serial = device.serial(), pmMs, listMs,
                         systemApps = systemApps](const QueueJob &job) {
        const ToolRun run = runTool(checker.tool, arguments, serial, job.limit(pmMs));
        const bool cancelled = run.timedOut && job.cancelled();
        std::shared_ptr<AppListing> fresh;
        // A cancelled uninstall may have happened all the same: only a fresh list tells. That
        // list is read to its own deadline even when Cancel comes during it: cut off, it would
        // leave a done uninstall unconfirmed and report a device that is not lost as lost.
        if (cancelled || reportsUninstalled(run))
            fresh = std::make_shared<AppListing>(listApps(job, checker, listMs, systemApps, true));
        job.deliver([=] { uninstallEnded(name, run, fresh, cancelled); });
    });
}

void AppsController::uninstallEnded(const QString &name, const ToolRun &run,
                                    const std::shared_ptr<AppListing> &fresh, bool cancelled)
{
    device.endAction();
    if (cancelled) {
        uninstallCancelled(name, fresh);
        return;
    }
    if (!fresh) {
        device.setStatus(tr("uninstall failed"));
        device.explain(run.timedOut ? notAnswered(run, device.limits.packageManagerMs)
                                    : detailFor(Step::Uninstall, run));
        return;
    }
    // Without a fresh listing there is nothing to judge by: the device text stays.
    if (!showListing(*fresh, true))
        return;
    if (installed(name)) {
        device.setStatus(tr("uninstall failed"));
        device.explain(detailFor(Step::Uninstall, run));
    } else {
        device.setStatus(tr("%1 uninstalled").arg(name));
    }
}

void AppsController::uninstallCancelled(const QString &name,
                                        const std::shared_ptr<AppListing> &fresh)
{
    const bool listed = showListing(*fresh, true);
    device.setStatus(tr("Uninstall cancelled"));
    if (!listed)
        device.explain(tr("Whether %1 was uninstalled is not known: the list of apps could not be "
                          "read. Press Refresh to see.")
                           .arg(name));
    else if (installed(name))
        device.explain(tr("%1 is still installed.").arg(name));
    else
        device.explain(tr("%1 was uninstalled all the same: the device had done it before the "
                          "cancel reached it.")
                           .arg(name));
}

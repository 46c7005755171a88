#include "window/appbatch.h"

#include "apps/criticalapps.h"
#include "device/devicequeue.h"
#include "outcomes/appoutcomes.h"
#include "window/applisting.h"
#include "window/appscontroller.h"
#include "window/devicestatus.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace {

// Each app by its package name and, where it has been read, its label.
QList<BatchApp> batchApps(const QList<AppRow> &apps, const QHash<QString, QString> &labels)
{
    QList<BatchApp> named;
    for (const AppRow &app : apps)
        named.append({app.name, labels.value(app.name)});
    return named;
}

// A question whose yes button names what it does, with Cancel the default.
bool ask(QWidget *parent, const QString &title, const QString &text, const QString &yes)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    box.button(QMessageBox::Ok)->setText(yes);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

// What a batch's questions say of `action`: their title, and their yes button.
struct Asking
{
    QString title;
    QString yes;
};

Asking askingFor(AppAction action)
{
    switch (action) {
    case AppAction::Uninstall:
        return {AppBatch::tr("Uninstall apps"), AppBatch::tr("&Uninstall")};
    case AppAction::Disable:
        return {AppBatch::tr("Disable apps"), AppBatch::tr("Disa&ble")};
    case AppAction::Enable:
        return {AppBatch::tr("Enable apps"), AppBatch::tr("&Enable")};
    case AppAction::Restore:
        return {AppBatch::tr("Restore apps"), AppBatch::tr("Res&tore")};
    }
    return {};
}

// One app's run on the queue's thread; false when the batch must stop after it.
bool runOne(const QueueJob &job, const QString &tool, const QString &serial, int limitMs,
            AppAction action, const AppRow &app, int sdk, AppResult &result, ToolRun &run)
{
    const std::optional<QStringList> arguments = actionArguments(action, app, sdk);
    if (!arguments) {
        result.end = AppEnd::Refused;
        result.why = AppBatch::tr("It cannot be passed to the device safely, or the action does "
                                  "not apply to it.");
        return true;
    }
    // Cancel stops the batch after this run, not in its middle: a package manager command cut off
    // leaves the app in a state nobody can read back with certainty.
    run = runTool(tool, *arguments, serial, job.limitAfterCancel(limitMs));
    if (lostTheDevice(run)) {
        result.why = whyNotDone(action, app, run);
        return false;
    }
    const bool done = action != AppAction::Restore && reportsDone(action, run);
    result.end = done ? AppEnd::Changed : AppEnd::Refused;
    if (!done && action != AppAction::Restore)
        result.why = whyNotDone(action, app, run);
    return true;
}

} // namespace

bool showsDone(AppAction action, const std::optional<AppRow> &after)
{
    switch (action) {
    case AppAction::Uninstall:
        return !after || after->state == AppState::Removed;
    case AppAction::Disable:
        return after && after->state == AppState::Disabled;
    case AppAction::Enable:
        return after && after->state == AppState::Enabled;
    case AppAction::Restore:
        return after && after->state != AppState::Removed;
    }
    return false;
}

AppBatch::AppBatch(DeviceStatus &device, AppsController &apps, QWidget *dialogParent,
                   QObject *parent)
    : QObject(parent)
    , device(device)
    , apps(apps)
    , dialogParent(dialogParent)
{}

bool AppBatch::confirm(AppAction action, const QList<AppRow> &selected) const
{
    const bool anySystem = std::any_of(selected.cbegin(), selected.cend(),
                                       [](const AppRow &app) { return app.kind != AppKind::User; });
    const Asking asking = askingFor(action);
    if (!ask(dialogParent, asking.title,
             confirmationText(action, batchApps(selected, apps.labels()), anySystem), asking.yes))
        return false;
    if (action != AppAction::Uninstall && action != AppAction::Disable)
        return true;
    QList<std::pair<BatchApp, QString>> critical;
    const QHash<QString, QString> labels = apps.labels();
    for (const AppRow &app : selected) {
        if (const QString why = criticalReason(app.name, apps.roles()); !why.isEmpty())
            critical.append({BatchApp{app.name, labels.value(app.name)}, why});
    }
    return critical.isEmpty() || ask(dialogParent, tr("Critical apps"),
                                     criticalConfirmation(action, critical), asking.yes);
}

void AppBatch::run(AppAction action, const QList<AppRow> &selected)
{
    if (selected.isEmpty() || !confirm(action, selected))
        return;
    // Copied here: the job runs on the queue's thread.
    const QList<BatchApp> named = batchApps(selected, apps.labels());
    device.beginAction(busyText(action, 1, int(selected.size()), named.first()));
    device.setProgress(0, int(selected.size()));
    const int pmMs = device.limits.packageManagerMs;
    const int listMs = device.limits.appListingMs;
    device.queue().post([this, action, selected, named, checker = device.checker(),
                         serial = device.serial(), sdk = apps.sdk(), pmMs, listMs,
                         systemApps = apps.showsSystemApps()](const QueueJob &job) {
        Ran ran;
        const int total = int(selected.size());
        for (const AppRow &app : selected)
            ran.results.append({{app.name, {}}, AppEnd::NotDone, {}});
        ran.runs.resize(selected.size());
        for (int i = 0; i < total; ++i) {
            job.deliver([this, action, i, total, app = named.at(i)] {
                device.setBusyText(busyText(action, i + 1, total, app));
                device.setProgress(i, total);
            });
            const bool goOn = runOne(job, checker.tool, serial, pmMs, action, selected.at(i), sdk,
                                     ran.results[i], ran.runs[i]);
            if (!goOn || job.cancelled()) {
                markRestNotDone(ran.results, i + 1,
                                job.cancelled() ? tr("the batch was cancelled.")
                                                : tr("the device was lost."));
                break;
            }
        }
        ran.fresh = std::make_shared<AppListing>(
            listApps(job, checker, listMs, systemApps, job.cancelled()));
        job.deliver([this, action, selected, ran] { ended(action, selected, ran); });
    });
}

void AppBatch::ended(AppAction action, const QList<AppRow> &selected, Ran ran)
{
    device.endAction();
    const bool listed = apps.showListing(*ran.fresh, true);
    for (qsizetype i = 0; i < selected.size(); ++i) {
        AppResult &result = ran.results[i];
        if (!listed) {
            // Nothing to judge by: what the device reported stands, except for Restore.
            if (action == AppAction::Restore && result.end == AppEnd::Refused)
                result = {result.app, AppEnd::NotDone,
                          tr("Whether it was restored is not known: the list of apps could not "
                             "be read.")};
            continue;
        }
        // A device that does not list its disabled apps shows every app enabled: its report
        // stands.
        const bool stateUnknown = (action == AppAction::Disable || action == AppAction::Enable) &&
                                  ran.fresh->merged.unusable.contains(Listing::Disabled);
        if (stateUnknown)
            continue;
        if (showsDone(action, apps.row(selected.at(i).name))) {
            result.end = AppEnd::Changed;
        } else if (result.end == AppEnd::Changed || action == AppAction::Restore) {
            const ToolRun &run = ran.runs.at(i);
            const bool reported =
                result.end == AppEnd::Changed ||
                run.output.join(QLatin1Char('\n')).contains(QLatin1String("installed for user"));
            if (result.why.isEmpty())
                result.why = whyNotDone(action, selected.at(i), run, reported);
            result.end = AppEnd::NotDone;
        }
    }
    device.setStatus(endStatus(action, ran.results));
    const QString detail = batchDetail(ran.results);
    if (!detail.isEmpty())
        device.explain(detail);
}

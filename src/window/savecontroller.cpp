#include "window/savecontroller.h"

#include "apps/savename.h"
#include "apps/savetexts.h"
#include "device/devicequeue.h"
#include "device/packagename.h"
#include "window/devicestatus.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace {

// How often the size of the file adb writes is looked at.
constexpr int pollMs = 250;

// The bar counts KiB: an int of bytes ends at 2 GiB.
int kib(qint64 bytes)
{
    return int(std::clamp<qint64>(bytes / 1024, 0, std::numeric_limits<int>::max()));
}

} // namespace

SaveController::SaveController(DeviceStatus &device, QWidget *dialogParent, QObject *parent)
    : QObject(parent)
    , device(device)
    , dialogParent(dialogParent)
    , poll(new QTimer(this))
{
    poll->setInterval(pollMs);
    connect(poll, &QTimer::timeout, this, &SaveController::showProgress);
}

QString SaveController::labelFor(const QString &package) const
{
    const QString read = label ? label(package) : QString();
    return read.isEmpty() ? package : read;
}

void SaveController::save(const QStringList &packages)
{
    if (packages.isEmpty())
        return;
    // Listed names are package names; this keeps any other word away from the device's shell.
    for (const QString &package : packages) {
        if (!isPackageName(package)) {
            device.explain(tr("\u201c%1\u201d is not a valid package name, so nothing was saved.")
                               .arg(package));
            return;
        }
    }
    device.beginAction(packages.size() == 1 ? tr("Reading %1\u2026").arg(labelFor(packages[0]))
                                            : tr("Reading %n apps\u2026", "", packages.size()));
    const int limitMs = device.limits.packageManagerMs;
    device.queue().post([this, packages, checker = device.checker(), limitMs](const QueueJob &job) {
        const DeviceCheck check = checker(job);
        QList<SaveSource> sources;
        for (const QString &package : packages) {
            if (!check.serial || job.cancelled())
                break;
            sources.append(readSaveSource(job, checker.tool, *check.serial, package, limitMs));
        }
        if (job.cancelled())
            sources.clear();
        job.deliver([this, check, sources] { sourcesRead(check, sources); });
    });
}

void SaveController::sourcesRead(const DeviceCheck &check, const QList<SaveSource> &sources)
{
    const bool cancelled = device.cancelPressed();
    device.endAction();
    if (!device.show(check))
        return;
    if (cancelled) {
        device.setStatus(tr("Save cancelled"));
        device.explain(tr("Nothing was saved."));
        return;
    }
    QList<Outcome> outcomes;
    const QList<SavePlan> plans = plan(sources, outcomes);
    if (plans.isEmpty() && outcomes.isEmpty())
        return; // the user cancelled the dialog
    startSaving(plans, outcomes);
}

QList<SavePlan> SaveController::plan(const QList<SaveSource> &sources, QList<Outcome> &outcomes)
{
    QList<SavePlan> plans;
    SaveOffer offer{QDir::homePath(), sources.size() > 1, 0};
    for (const SaveSource &source : sources) {
        if (!source.problem.isEmpty()) {
            outcomes.append({labelFor(source.package), {SaveEnd::Failed, source.problem, {}}});
            continue;
        }
        offer.expansionBytes += source.expansionBytes();
        SavePlan each;
        each.source = source;
        each.name = labelFor(source.package);
        // An app with expansion files may take them along, which only an archive can hold.
        each.target = proposedFileName(each.name, source.package, source.versionName,
                                       source.files.size() > 1 || !source.expansions.isEmpty());
        // The user confirms replacing one file in the dialog; a batch never replaces.
        each.replace = !offer.folder;
        plans.append(each);
    }
    if (plans.isEmpty())
        return plans;
    if (!offer.folder)
        offer.proposed = QDir(offer.proposed).filePath(plans[0].target);
    const SaveChoice choice = choose(dialogParent, offer);
    if (choice.path.isEmpty()) {
        outcomes.clear();
        return {};
    }
    for (SavePlan &each : plans) {
        each.target = offer.folder ? QDir(choice.path).filePath(each.target) : choice.path;
        each.withExpansions = choice.withExpansions;
    }
    return plans;
}

void SaveController::startSaving(const QList<SavePlan> &plans, const QList<Outcome> &outcomes)
{
    device.beginAction(plans.isEmpty()
                           ? tr("Saving\u2026")
                           : savingText(plans[0].name, 0, plans[0].source.packageBytes()));
    latest = {};
    poll->start();
    device.queue().post([this, plans, outcomes, tool = device.tool(),
                         serial = device.serial()](const QueueJob &job) {
        QList<Outcome> ends = outcomes;
        for (const SavePlan &plan : plans) {
            // A batch goes on after an app that failed, not after a cancel.
            if (job.cancelled()) {
                ends.append({plan.name, {SaveEnd::Cancelled, {}, {}}});
                continue;
            }
            const SaveReport report = [&job, this, name = plan.name,
                                       target = plan.target](const SaveProgress &progress) {
                job.deliver([=] { progressed(name, target, progress); });
            };
            ends.append({plan.name, saveApp(job, tool, serial, plan, report)});
        }
        job.deliver([this, ends] { savesEnded(ends); });
    });
}

void SaveController::progressed(const QString &name, const QString &target,
                                const SaveProgress &progress)
{
    savingName = name;
    savingTarget = target;
    latest = progress;
    showProgress();
}

// While adb copies, the size of the file it writes is how far it has come.
void SaveController::showProgress()
{
    if (savingName.isEmpty())
        return;
    const qint64 done =
        latest.done + (latest.pulling.isEmpty() ? 0 : QFileInfo(latest.pulling).size());
    device.setBusyText(latest.archiving
                           ? archivingText(QFileInfo(savingTarget).fileName(), done, latest.total)
                           : savingText(savingName, done, latest.total));
    device.setProgress(latest.total > 0 ? kib(qMin(done, latest.total)) : 0, kib(latest.total));
}

void SaveController::savesEnded(const QList<Outcome> &outcomes)
{
    poll->stop();
    savingName.clear();
    device.endAction();
    QStringList lines;
    int saved = 0;
    bool cancelled = false;
    for (const Outcome &outcome : outcomes) {
        saved += outcome.end.result == SaveEnd::Saved;
        cancelled = cancelled || outcome.end.result == SaveEnd::Cancelled;
        if (outcome.end.result == SaveEnd::Saved)
            lines.append(tr("%1 saved to %2.").arg(outcome.name, outcome.end.path));
        else if (outcome.end.result == SaveEnd::Failed)
            lines.append(tr("%1 not saved: %2").arg(outcome.name, outcome.end.why));
        else
            lines.append(
                tr("%1 not saved: cancelled; nothing of its copy was kept.").arg(outcome.name));
    }
    if (cancelled)
        device.setStatus(tr("Save cancelled"));
    else if (saved < outcomes.size())
        device.setStatus(tr("Save failed"));
    else if (outcomes.size() == 1)
        device.setStatus(tr("%1 saved").arg(outcomes[0].name));
    else
        device.setStatus(tr("%n apps saved", "", saved));
    device.explain(lines.join(QLatin1Char('\n')));
}

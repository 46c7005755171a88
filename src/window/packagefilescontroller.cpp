#include "window/packagefilescontroller.h"

#include "device/devicequeue.h"
#include "device/rootrestart.h"
#include "outcomes/statusdetail.h"
#include "packagefiles/applist.h"
#include "table/textrows.h"
#include "text/shellquote.h"
#include "window/devicestatus.h"
#include "window/liststate.h"

#include <QDebug>
#include <QTableView>

namespace {

const QString appFolder = QStringLiteral("data/app/");

void logLeftOut(const TextRows &rows)
{
    if (rows.leftOut() > 0)
        qInfo("left out the last %lld listed entries: a list holds about 4 GiB of text at most",
              static_cast<long long>(rows.leftOut()));
}

} // namespace

PackageFilesController::PackageFilesController(DeviceStatus &device, ListState &list,
                                               QTableView *table, QObject *parent)
    : QObject(parent)
    , device(device)
    , list(list)
    , tableView(table)
    , files(new AppList(this))
{}

void PackageFilesController::refresh()
{
    list.appsLoaded = false;
    list.selectedRow = -1;
    device.showBusy(true);
    files->clear();
    if (!device.checkNow()) {
        device.showBusy(false);
        qInfo("array: %lld", static_cast<long long>(files->count()));
        return;
    }
    listPackageFiles();
    list.appsLoaded = true;
    device.showBusy(false);
}

void PackageFilesController::listPackageFiles()
{
    // The lines go straight into the list's compact rows, a batch a read.
    TextRows entries(1);
    const ToolRun run = runToolInBatches(
        device.tool(), {QStringLiteral("shell"), QStringLiteral("ls"), appFolder}, device.serial(),
        [&entries](const QList<QByteArrayView> &lines) {
            for (const QByteArrayView line : lines)
                entries.appendRow({line});
        },
        RunLimit{QDeadlineTimer(device.limits.filesListingMs), {}});
    logLeftOut(entries);
    files->append(std::move(entries));
    explainRun(run, device.limits.filesListingMs, detailFor(Step::Listing, run));
    device.offerRoot(!run.timedOut && refusedForWantOfRoot(run));
}

void PackageFilesController::explainRun(const ToolRun &run, int limitMs, const QString &detail)
{
    device.explain(run.timedOut ? notAnswered(run, limitMs) : detail);
}

void PackageFilesController::remove()
{
    if (!device.checkNow())
        return;
    const std::optional<QString> name = files->arrangedAt(list.selectedRow);
    if (!name)
        return;

    const ToolRun run =
        runTool(device.tool(),
                {QStringLiteral("shell"), QStringLiteral("rm"), appFolder + shellQuoted(*name)},
                device.serial(), RunLimit{QDeadlineTimer(device.limits.removalMs), {}});
    const auto failed = [](const QString &line) { return line.contains(QLatin1String("failed")); };
    if (run.timedOut || std::any_of(run.output.cbegin(), run.output.cend(), failed)) {
        device.setStatus(tr("remove failed"));
        explainRun(run, device.limits.removalMs, detailFor(Step::Removal, run));
        return;
    }

    // adb may say nothing on standard output about a removal that did not happen.
    refresh();
    // Without a fresh listing there is nothing to judge by: the device text stays.
    if (!list.appsLoaded)
        return;
    if (files->contains(*name)) {
        device.setStatus(tr("remove failed"));
        device.explain(detailFor(Step::Removal, run));
    } else {
        device.setStatus(*name + tr(" removed"));
    }
}

void PackageFilesController::restartAsRoot()
{
    if (!device.checkNow())
        return;
    const QString deviceText = device.status();
    device.setStatus(tr("Restarting adb as root..."));
    device.beginAction(tr("Restarting adb as root\u2026"));
    const QString tool = device.tool();
    const QString serial = device.serial();
    const RootLimits limits = device.limits.root;
    device.queue().post([=](const QueueJob &job) {
        const QString detail = ::restartAsRoot(tool, serial, limits, job.limit(-1).stop);
        job.deliver([=] { rootRestarted(detail, deviceText); });
    });
}

void PackageFilesController::rootRestarted(const QString &detail, const QString &deviceText)
{
    const bool cancelled = device.cancelPressed();
    device.endAction();
    if (cancelled) {
        // adb was ended, but the device may have taken the request already: look.
        refresh();
        device.setStatus(tr("Restart as root cancelled"));
        device.explain(tr("adb was stopped. The device may still restart its adb daemon as root; "
                          "the list above shows what it allows now."));
        return;
    }
    if (detail.isEmpty()) {
        refresh();
        return;
    }
    device.setStatus(deviceText);
    device.explain(detail);
}

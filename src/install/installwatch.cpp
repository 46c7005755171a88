#include "install/installwatch.h"

#include "install/installcleanup.h"
#include "install/packagecheck.h"
#include "install/readprogress.h"

#include <QDebug>

namespace {

bool samePicture(const ProgressView &a, const ProgressView &b)
{
    return a.value == b.value && a.busy == b.busy && a.text == b.text;
}

bool tookPushPath(const ToolRun &run)
{
    return run.output.contains(QLatin1String("Performing Push Install"));
}

} // namespace

InstallWatch::InstallWatch(QString tool, QString serial, InstallHooks hooks)
    : tool(std::move(tool))
    , serial(std::move(serial))
    , hooks(std::move(hooks))
{
    clock.start();
}

void InstallWatch::begin(InstallProgress started)
{
    progress = std::move(started);
    publish();
}

void InstallWatch::staged(int count)
{
    if (!progress)
        return;
    progress->staged(count);
    publish();
}

ToolRun InstallWatch::send(const QStringList &arguments, const QStringList &files)
{
    return watched(arguments, [this, files](qint64 pid) {
        if (progress)
            progress->sample(readPositions(pid, files), clock.elapsed());
    });
}

ToolRun InstallWatch::copy(const QStringList &arguments, const QString &file, int index)
{
    if (progress)
        progress->copying(index, std::nullopt);
    publish();
    return watched(arguments, [this, file, index](qint64 pid) {
        if (progress)
            progress->copying(index, readPositions(pid, {file}).value(0));
    });
}

ToolRun InstallWatch::watched(const QStringList &arguments,
                              const std::function<void(qint64 pid)> &sample)
{
    // A run of our own, ended by this flag only: a Cancel raised once the device installs is
    // not passed on.
    auto kill = std::make_shared<std::atomic<bool>>(cancelPressed());
    stopped = stopped || kill->load();
    const RunWatch watch = [&](qint64 pid) {
        sample(pid);
        publish();
        if (cancelPressed() && !(progress && progress->deviceInstalling())) {
            kill->store(true);
            stopped = true;
        }
    };
    return runToolWatched(tool, arguments, serial,
                          RunLimit{QDeadlineTimer(QDeadlineTimer::Forever), kill}, watch);
}

void InstallWatch::publish()
{
    if (!progress || !hooks.progressed)
        return;
    const ProgressView view = progress->view();
    const bool device = progress->deviceInstalling();
    if (lastShown && samePicture(*lastShown, view) && lastDevice == device)
        return;
    lastShown = view;
    lastDevice = device;
    hooks.progressed(view, device);
}

RunLimit InstallWatch::cleanupLimit() const
{
    return RunLimit{QDeadlineTimer(hooks.cleanupMs), {}};
}

void InstallWatch::abandonOpenSessions()
{
    OpenSessions sessions;
    runToolInBatches(
        tool, sessionDumpArguments(), serial,
        [&sessions](const QList<QByteArrayView> &lines) {
            for (const QByteArrayView line : lines)
                sessions.feed(line);
        },
        cleanupLimit());
    for (const int id : sessions.ids()) {
        qInfo("abandoning the install session %d that the cancelled install left open", id);
        runTool(tool, abandonArguments(id), serial, cleanupLimit());
    }
}

void InstallWatch::cleanUp(const ToolRun &sent, const QString &given, const QStringList &expansions)
{
    if (!given.isEmpty() && tookPushPath(sent))
        runTool(tool, pushCopyRemovalArguments(given), serial, cleanupLimit());
    // Only a send leaves sessions; the copies after a finished install leave none.
    if (!sent.program.isEmpty())
        abandonOpenSessions();
    if (!expansions.isEmpty())
        runTool(tool, expansionRemovalArguments(expansions), serial, cleanupLimit());
}

void InstallWatch::noteInstalled(const QString &name)
{
    packageName = name;
    filesBefore.reset();
    if (!packageName.isEmpty())
        filesBefore = installedFiles(
            runTool(tool, packagePathArguments(packageName), serial, questionLimit()));
}

bool InstallWatch::finishedDespiteCancel()
{
    if (packageName.isEmpty() || !filesBefore)
        return false;
    // Cancel is raised by now, so this run cannot be ended by it.
    const std::optional<QStringList> after =
        installedFiles(runTool(tool, packagePathArguments(packageName), serial, cleanupLimit()));
    const bool finished = installedDespiteCancel(filesBefore, after);
    if (finished)
        qInfo("the device had installed %s before the Cancel reached it",
              qUtf8Printable(packageName));
    return finished;
}

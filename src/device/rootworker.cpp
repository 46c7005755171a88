#include "device/rootworker.h"

#include "device/adbroot.h"

#include <QThreadPool>
#include <optional>

RootWorker::RootWorker(QString serial, Limits limits, std::shared_ptr<const std::atomic<bool>> stop)
    : serial(std::move(serial))
    , limits(limits)
    , stop(std::move(stop))
    , tool(toolPath())
{}

void RootWorker::start()
{
    QThreadPool::globalInstance()->start([this] {
        restart();
        deleteLater();
    });
}

ToolRun RootWorker::run(const QStringList &arguments, int limitMs)
{
    return runTool(tool, arguments, serial, RunLimit{QDeadlineTimer(limitMs), stop});
}

void RootWorker::restart()
{
    const ToolRun root = run({QStringLiteral("root")}, limits.rootMs);
    std::optional<ToolRun> wait;
    // adb may give up waiting for the device on its own after a few seconds: that is no failure.
    if (!root.timedOut && readRootAnswer(root) == RootAnswer::Restarting && !(stop && stop->load()))
        wait = run({QStringLiteral("wait-for-device")}, limits.backMs);
    const QString detail = rootDetail(root, wait ? &*wait : nullptr, limits.rootMs, limits.backMs);
    emit finished(detail.isEmpty(), detail);
}

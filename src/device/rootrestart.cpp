#include "device/rootrestart.h"

#include "device/adbroot.h"
#include "device/toolrunner.h"

#include <optional>

QString restartAsRoot(const QString &tool, const QString &serial, const RootLimits &limits,
                      const std::shared_ptr<const std::atomic<bool>> &stop)
{
    const auto run = [&](const QString &argument, int limitMs) {
        return runTool(tool, {argument}, serial, RunLimit{QDeadlineTimer(limitMs), stop});
    };
    const ToolRun root = run(QStringLiteral("root"), limits.rootMs);
    std::optional<ToolRun> wait;
    // adb may give up waiting for the device on its own after a few seconds: that is no failure.
    if (!root.timedOut && readRootAnswer(root) == RootAnswer::Restarting && !(stop && stop->load()))
        wait = run(QStringLiteral("wait-for-device"), limits.backMs);
    return rootDetail(root, wait ? &*wait : nullptr, limits.rootMs, limits.backMs);
}

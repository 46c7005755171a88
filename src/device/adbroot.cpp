#include "device/adbroot.h"

#include "device/toolrunner.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("AdbRoot", source);
}

bool anyHolds(const QStringList &lines, QLatin1String words)
{
    return std::any_of(lines.cbegin(), lines.cend(),
                       [words](const QString &line) { return line.contains(words); });
}

QString seconds(int ms)
{
    return QString::number(ms / 1000.0);
}

QString firstLine(const QStringList &lines)
{
    return lines.isEmpty() ? QString() : lines.first().trimmed();
}

QString noAdbRootHere()
{
    return text(" The Apps view lists and uninstalls this device's apps without root.");
}

QString refusal(const ToolRun &root)
{
    if (anyHolds(root.output, QLatin1String("disabled by system setting")))
        return text("Root access for adb is turned off on this device: turn on \u201cRooted "
                    "debugging\u201d in its Settings, under System, Developer options, then press "
                    "Refresh.") +
               noAdbRootHere();
    if (anyHolds(root.output, QLatin1String("production builds")))
        return text("This device's build does not allow a root shell (adb says: %1).")
                   .arg(firstLine(root.output)) +
               noAdbRootHere();
    return text("The device did not restart adb as root. It said: %1").arg(firstLine(root.output)) +
           noAdbRootHere();
}

QString notBack(int limitMs)
{
    return text("The device did not come back within %1 s. Replug it, or run \u201cadb "
                "kill-server\u201d in a terminal, then press Refresh.")
        .arg(seconds(limitMs));
}

} // namespace

RootAnswer readRootAnswer(const ToolRun &root)
{
    if (anyHolds(root.output, QLatin1String("restarting")))
        return RootAnswer::Restarting;
    if (anyHolds(root.output, QLatin1String("already running as root")))
        return RootAnswer::AlreadyRoot;
    return root.output.isEmpty() ? RootAnswer::NoAnswer : RootAnswer::Refused;
}

QString rootDetail(const ToolRun &root, const ToolRun *wait, int rootLimitMs, int waitLimitMs)
{
    if (!root.failure.isEmpty())
        return text("adb could not be run from %1 (%2).").arg(root.program, root.failure);
    // adb itself waits for the device to go and come back after a restart, without a limit.
    if (root.timedOut)
        return notBack(rootLimitMs);
    switch (readRootAnswer(root)) {
    case RootAnswer::Restarting:
        return wait && wait->timedOut ? notBack(waitLimitMs) : QString();
    case RootAnswer::AlreadyRoot:
        return {};
    case RootAnswer::Refused:
        return refusal(root);
    case RootAnswer::NoAnswer:
        break;
    }
    if (!root.errors.isEmpty())
        return text("adb could not ask the device for a root shell: %1")
            .arg(firstLine(root.errors));
    return text("The device gave no answer, so adb was not restarted as root.");
}

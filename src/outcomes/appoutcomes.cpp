#include "outcomes/appoutcomes.h"

#include "device/toolrunner.h"
#include "outcomes/outcomes.h"
#include "outcomes/statusdetail.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <optional>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("AppOutcomes", source);
}

QString quoted(const QString &line)
{
    return quotedLine(line);
}

// The first line of either stream, standard error first, that contains `needle`.
std::optional<QString> lineWith(const ToolRun &run, QLatin1String needle)
{
    for (const QStringList *lines : {&run.errors, &run.output}) {
        for (const QString &line : *lines) {
            if (line.contains(needle))
                return line;
        }
    }
    return std::nullopt;
}

bool saysAny(const ToolRun &run, std::initializer_list<const char *> needles)
{
    for (const char *needle : needles) {
        if (lineWith(run, QLatin1String(needle)))
            return true;
    }
    return false;
}

QString said(const ToolRun &run)
{
    for (const QStringList *lines : {&run.errors, &run.output}) {
        for (const QString &line : *lines) {
            if (!line.trimmed().isEmpty())
                return text("The device said: %1").arg(quoted(line));
        }
    }
    return text("adb printed nothing, so the app was not changed.");
}

// Refusals that any of the actions may meet, told apart by their text.
std::optional<QString> commonRefusal(const ToolRun &run)
{
    if (!run.failure.isEmpty())
        return text("The app could not be passed to adb: %1.").arg(run.failure);
    if (lostTheDevice(run))
        return text("The device was disconnected.");
    if (run.timedOut)
        return text("The device did not answer in time.");
    if (saysAny(run, {"Could not access the Package Manager", "Can't find service: package"}))
        return text("The device's package manager is not running yet: the device is still "
                    "starting. Try again in a moment.");
    if (saysAny(run, {"Unknown package:", "doesn't exist", "not installed for 0",
                      "not installed for user 0"}))
        return text("The device does not know this app for user 0: it may be gone already, or "
                    "belong to another user or a work profile.");
    return std::nullopt;
}

QString stateRefusal(AppAction action, const ToolRun &run)
{
    if (lineWith(run, QLatin1String("Cannot disable a protected package")))
        return text("The device protects this app (its maker, a device owner or a work profile "
                    "policy) and does not let it be disabled.");
    if (lineWith(run, QLatin1String("SecurityException")))
        return action == AppAction::Disable
                   ? text("The device does not let adb disable this app (it refused with a "
                          "SecurityException): its maker or a policy protects it.")
                   : text("The device does not let adb enable this app (it refused with a "
                          "SecurityException): its maker or a policy keeps it disabled.");
    return said(run);
}

QString uninstallRefusal(const AppRow &app, const ToolRun &run)
{
    if (lineWith(run, QLatin1String("only root can delete system app")))
        return text("This device lets only root remove system apps for a user. Disable the app "
                    "instead.");
    if (app.kind != AppKind::User && lineWith(run, QLatin1String("DELETE_FAILED_INTERNAL_ERROR")))
        return text("The package manager refused without giving a reason; it refuses this way "
                    "for apps the device protects, such as its launcher or a maker's app. "
                    "Disable the app instead.");
    return detailFor(Step::Uninstall, run);
}

QString restoreRefusal(const ToolRun &run, bool stillAsBefore)
{
    if (saysAny(run, {"Unknown command: install-existing", "unknown command 'install-existing'",
                      "cmd: not found"}))
        return text("This Android version cannot restore a removed app with install-existing.");
    if (lineWith(run, QLatin1String("Failure [")))
        return detailFor(Step::Install, run);
    if (stillAsBefore)
        return text("The device reported the app restored, yet it is still removed for this user.");
    return said(run);
}

} // namespace

bool reportsDone(AppAction action, const ToolRun &run)
{
    static const QRegularExpression newState(QStringLiteral("new state: ([a-z-]+)\\s*$"));
    const auto hasState = [&](const QStringList &states) {
        for (const QStringList *lines : {&run.output, &run.errors}) {
            for (const QString &line : *lines) {
                const QRegularExpressionMatch match = newState.match(line);
                if (match.hasMatch() && states.contains(match.captured(1)))
                    return true;
            }
        }
        return false;
    };
    switch (action) {
    case AppAction::Uninstall:
        return reportsUninstalled(run);
    case AppAction::Disable:
        return hasState({QStringLiteral("disabled-user"), QStringLiteral("disabled")});
    case AppAction::Enable:
        return hasState({QStringLiteral("enabled"), QStringLiteral("default")});
    case AppAction::Restore:
        return false;
    }
    return false;
}

bool lostTheDevice(const ToolRun &run)
{
    // adb's own words, on its standard error, when the device is gone or not usable.
    static const QRegularExpression gone(QStringLiteral(
        "^(?:adb: )?error: (?:device '[^']*' not found|device offline|no devices/emulators found"
        "|device not found|closed)"));
    for (const QString &line : run.errors) {
        if (gone.match(line.trimmed()).hasMatch())
            return true;
    }
    return false;
}

QString whyNotDone(AppAction action, const AppRow &app, const ToolRun &run, bool stillAsBefore)
{
    if (const std::optional<QString> refusal = commonRefusal(run))
        return *refusal;
    switch (action) {
    case AppAction::Uninstall:
        return uninstallRefusal(app, run);
    case AppAction::Disable:
    case AppAction::Enable:
        if (stillAsBefore && reportsDone(action, run))
            return text("The device reported the change, yet the app's state is as before.");
        return stateRefusal(action, run);
    case AppAction::Restore:
        return restoreRefusal(run, stillAsBefore);
    }
    return said(run);
}

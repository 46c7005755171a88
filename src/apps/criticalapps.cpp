#include "apps/criticalapps.h"

#include "device/packagename.h"

#include <QCoreApplication>

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("CriticalApps", source);
}

// The package of a component "<package>/<class>", when `line` is one.
std::optional<QString> componentPackage(const QString &line)
{
    const QString trimmed = line.trimmed();
    const qsizetype slash = trimmed.indexOf(QLatin1Char('/'));
    if (slash <= 0 || slash == trimmed.size() - 1 || trimmed.contains(QLatin1Char(' ')))
        return std::nullopt;
    const QString package = trimmed.first(slash);
    if (!isPackageName(package))
        return std::nullopt;
    return package;
}

struct Critical
{
    const char *package;
    const char *reason;
};

// Kept short on purpose: each is an app without which the phone does not start, cannot be
// operated, or cannot be reached over adb again to undo the change.
const Critical builtIn[] = {
    {"android", "The Android system itself: without it the phone does not start."},
    {"com.android.systemui",
     "The status bar, navigation and lock screen: without them the phone cannot be used."},
    {"com.android.settings",
     "The Settings app: without it USB debugging cannot be turned on again to undo this."},
    {"com.android.providers.settings",
     "Stores every system setting: without it the phone does not start."},
    {"com.android.phone", "The phone service: without it calls fail and the SIM card may no longer "
                          "be seen, and Settings may crash."},
    {"com.android.server.telecom", "Routes calls: without it the phone cannot make or take calls."},
    {"com.android.providers.telephony",
     "Holds the SIM's settings and messages: without it calls and mobile data may fail."},
    {"com.android.packageinstaller",
     "Installs and removes apps: without it phones have failed to start."},
    {"com.google.android.packageinstaller",
     "Installs and removes apps: without it phones have failed to start."},
    {"com.android.shell",
     "The shell that adb runs in: without it this computer cannot reach the phone to undo this."},
};

} // namespace

QStringList launcherQuery(int sdk)
{
    constexpr int cmdSdk = 24;
    if (sdk < cmdSdk)
        return {};
    return {QStringLiteral("shell"),
            QStringLiteral("cmd"),
            QStringLiteral("package"),
            QStringLiteral("resolve-activity"),
            QStringLiteral("--brief"),
            QStringLiteral("-a"),
            QStringLiteral("android.intent.action.MAIN"),
            QStringLiteral("-c"),
            QStringLiteral("android.intent.category.HOME")};
}

QStringList keyboardQuery()
{
    return {QStringLiteral("shell"), QStringLiteral("settings"), QStringLiteral("get"),
            QStringLiteral("secure"), QStringLiteral("default_input_method")};
}

std::optional<QString> launcherFrom(const QStringList &lines)
{
    // "--brief" prints a line of priorities, then the component.
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (line->trimmed().isEmpty())
            continue;
        const std::optional<QString> package = componentPackage(*line);
        if (!package || *package == QLatin1String("android"))
            return std::nullopt;
        return package;
    }
    return std::nullopt;
}

std::optional<QString> keyboardFrom(const QStringList &lines)
{
    for (const QString &line : lines) {
        if (!line.trimmed().isEmpty())
            return componentPackage(line);
    }
    return std::nullopt;
}

QString criticalReason(const QString &package, const DeviceRoles &roles)
{
    for (const Critical &critical : builtIn) {
        if (package == QLatin1String(critical.package))
            return text(critical.reason);
    }
    if (!roles.launcher.isEmpty() && package == roles.launcher)
        return text("The phone's current home screen: without it the phone shows no home screen.");
    if (!roles.keyboard.isEmpty() && package == roles.keyboard)
        return text("The phone's current keyboard: without it no PIN or password can be typed to "
                    "unlock the phone.");
    return {};
}

#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The packages without which a phone does not start or cannot be reached again: a short built-in
// list, plus the launcher and the keyboard the device uses now. Disabling or removing one takes a
// second confirmation. There is deliberately no list of apps that are safe to remove.

// The packages the device names for the roles that matter; empty when it named none.
struct DeviceRoles
{
    QString launcher;
    QString keyboard;
};

// The arguments for adb that ask which activity answers the home screen; empty before Android 7
// (SDK 24), which has no "cmd".
QStringList launcherQuery(int sdk);
// The arguments for adb that ask for the current keyboard (an input method component).
QStringList keyboardQuery();

// The launcher's package from what `launcherQuery` printed: the last line that is a component
// "<package>/<class>". Nothing for "No activity found", for the system's chooser (package
// "android", shown when no launcher is the default), or for anything else.
std::optional<QString> launcherFrom(const QStringList &lines);
// The keyboard's package from what "settings get secure default_input_method" printed, a
// component such as "com.example.keys/.Ime"; nothing for "null", an empty answer or an error.
std::optional<QString> keyboardFrom(const QStringList &lines);

// Why `package` is critical, as a tooltip; empty when it is not.
QString criticalReason(const QString &package, const DeviceRoles &roles);

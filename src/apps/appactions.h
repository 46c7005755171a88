#pragma once

#include "apps/systemapps.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// What each action on an app runs, by Android version and kind of app, and when it applies.
// Every text that reaches the device's shell is a checked package name or a quoted path.

enum class AppAction { Uninstall, Disable, Enable, Restore };

// Whether `action` can be done to an app of `kind` in `state` on a device of SDK level `sdk`.
// Uninstall: an installed user app on any version; a system app (of any system kind, or Unknown)
// from Android 7, where it is removed for user 0 and stays on the phone. Disable: an enabled app.
// Enable: a disabled one. Restore: a removed app, from Android 7 (see actionArguments).
bool actionApplies(AppAction action, AppKind kind, AppState state, int sdk);

// Whether `action` applies to every one of `apps`, and there is at least one: the window enables
// a button only then.
bool appliesToAll(AppAction action, const QList<AppRow> &apps, int sdk);

// The action that the one Disable/Enable button stands for: Enable when every one of `apps` is
// disabled, Disable otherwise.
AppAction disableOrEnable(const QList<AppRow> &apps);

// The arguments for adb that do `action` to `app` on a device of SDK level `sdk`:
//   Uninstall, user app:   shell pm uninstall [-k] <pkg>           (-k with `keepData`)
//   Uninstall, system app: shell pm uninstall -k --user 0 <pkg>     (Android 7 and later)
//   Disable:               shell pm disable-user [--user 0] <pkg>
//   Enable:                shell pm enable [--user 0] <pkg>
//   Restore:               shell cmd package install-existing --user 0 <pkg>   (Android 8+)
//                          shell pm install -r --user 0 <package file>        (Android 7)
// "--user 0" for Disable and Enable from Android 4.2 (SDK 17), which brought users. On Android 7
// the package file is the row's path, which "pm list packages -f -u" gives for a removed app.
// Nothing when the action does not apply, the name is not a package name, or a path that is
// needed is not an absolute path to an .apk file.
std::optional<QStringList> actionArguments(AppAction action, const AppRow &app, int sdk,
                                           bool keepData = false);

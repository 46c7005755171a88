#pragma once

#include "apps/appactions.h"

#include <QString>

struct ToolRun;

// How an action on one app ended, read from what the device printed on either stream (devices
// before Android 7 merge both; 4.4 prints the new state on standard error). Exit statuses are not
// looked at: old package managers report 0 on failure.

// Whether the device reported that `action` was done: for Disable a "new state: disabled-user"
// (or "disabled") line, for Enable "new state: enabled" (or "default"), for Uninstall a line
// starting "Success". Restore is never decided here: the device prints its line even when nothing
// changed, so the list read after it decides.
bool reportsDone(AppAction action, const ToolRun &run);

// Whether `run` failed because the device went away (unplugged, offline, adb's server gone): a
// batch stops then, and the apps not yet handled are reported as not done.
bool lostTheDevice(const ToolRun &run);

// One or two plain sentences on why `action` did not change `app` (as listed before it), from
// what the device printed; never empty. `stillAsBefore` is for an action that reported success
// yet the list read after it shows the app unchanged.
QString whyNotDone(AppAction action, const AppRow &app, const ToolRun &run,
                   bool stillAsBefore = false);

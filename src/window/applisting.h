#pragma once

#include "apps/criticalapps.h"
#include "apps/systemapps.h"
#include "device/devicecheck.h"
#include "window/devicestatus.h"

#include <QStringList>

class QueueJob;

// What one refresh of the Apps view read on the queue's thread: the device check, then the
// package manager's listings of apps when a device was found.
struct AppListing
{
    DeviceCheck check;
    MergedListing merged; // the apps with their state and kind
    DeviceRoles roles;    // the launcher and keyboard the device uses now
    int sdk = 0;          // the device's SDK level; 0 when it did not say
    ToolRun run;          // the base listing's run; not run when no device was found
    int limitMs = 0;      // each listing's limit
    bool listed = false;  // the base listing ran to its end
    bool whole = false;   // every run it made ran to its end (the other listings, the roles too)
};

// Checks for a device and lists its apps (with `systemApps`, every app of user 0 and those
// removed for it; else the third-party ones), each listing within `limitMs`, each run ended early
// by `job`'s Cancel, or (`afterCancel`) only when the queue goes. For the queue's thread.
AppListing listApps(const QueueJob &job, const DeviceStatus::Checker &checker, int limitMs,
                    bool systemApps, bool afterCancel = false);

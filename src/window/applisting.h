#pragma once

#include "device/devicecheck.h"
#include "table/textrows.h"
#include "window/devicestatus.h"

#include <QStringList>

class QueueJob;

// What one refresh of the Apps view read on the queue's thread: the device check, then the
// package manager's list of apps when a device was found.
struct AppListing
{
    DeviceCheck check;
    TextRows found;      // an app a row: name, package file
    QStringList others;  // the lines that named no app
    ToolRun run;         // the listing's run; not run when no device was found
    int limitMs = 0;     // the listing's limit
    bool listed = false; // the listing ran to its end
};

// Checks for a device and lists its third-party apps, within `limitMs` for the listing, each run
// ended early by `job`'s Cancel, or (`afterCancel`) only when the queue goes. For the queue's
// thread.
AppListing listApps(const QueueJob &job, const DeviceStatus::Checker &checker, int limitMs,
                    bool afterCancel = false);

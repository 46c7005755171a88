#pragma once

#include "device/rootrestart.h"

// How long each kind of device work may take before its tool is ended. No run of the window may
// hold it, or its queue, forever: an adb server that takes a connection and never answers would.
struct DeviceLimits
{
    int checkMs = 10'000;          // "adb devices"
    int filesListingMs = 30'000;   // the listing of data/app/, on the UI thread
    int removalMs = 30'000;        // a removal from data/app/, on the UI thread
    int appListingMs = 60'000;     // the package manager's list of apps
    int packageManagerMs = 60'000; // an uninstall and the package manager's other commands
    RootLimits root;
};

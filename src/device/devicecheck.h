#pragma once

#include "device/toolrunner.h"

#include <QStringList>
#include <optional>

// What one "adb devices" found.
struct DeviceCheck
{
    ToolRun run;
    QStringList usable;            // the usable devices, in adb's order
    std::optional<QString> serial; // the one to work on; nothing when none is usable
};

// Runs "adb devices" with `tool` within `limit` and settles on the device to work on: `chosen`
// while it is usable, otherwise the first usable one. Blocks; safe on any thread.
DeviceCheck checkDevices(const QString &tool, const QString &chosen, const RunLimit &limit);

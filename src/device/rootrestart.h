#pragma once

#include <QString>
#include <atomic>
#include <memory>

// How long a restart of the device's adb daemon as root may take.
struct RootLimits
{
    int rootMs = 20'000; // for "adb root", which may wait for the device without end
    int backMs = 60'000; // for the device to come back after the restart
};

// Restarts the device's adb daemon as root: "adb root", then, when the daemon restarts,
// "adb wait-for-device", each within its limit, both to `serial`. Raising `stop` ends the run under
// way and skips the rest. Gives nothing when the device is now reached as root, otherwise why not.
// Blocks; meant for the device queue's thread.
QString restartAsRoot(const QString &tool, const QString &serial, const RootLimits &limits,
                      const std::shared_ptr<const std::atomic<bool>> &stop);

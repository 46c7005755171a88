#pragma once

#include <QString>

struct ToolRun;

// Reads what "adb root" and the wait for the device after it printed, and says what came of it.
//
// adb prints the device's answer on standard output and returns at once unless the answer says
// the device is restarting its adb daemon; then it waits for the device to go and come back, and
// may give up after a few seconds with "timeout expired while waiting for device" on standard
// error, although the restart goes on. Refusals exit with status 0, so only the text tells.

enum class RootAnswer {
    Restarting,  // the daemon restarts as root: wait for the device to come back
    AlreadyRoot, // nothing to do
    Refused,     // this device's build, or a setting on it, does not allow it
    NoAnswer,    // the device said nothing: adb could not ask it, or it gave no reply
};

// What the device answered to "adb root", from the run's standard output.
RootAnswer readRootAnswer(const ToolRun &root);

// Why a root shell was not had, for the line under the status line: from the run of "adb root"
// (which `rootLimitMs` limited) and, after a restart, the run of "adb wait-for-device" (limited by
// `waitLimitMs`; null when it did not run). Empty when the device came back as root, or was root.
QString rootDetail(const ToolRun &root, const ToolRun *wait, int rootLimitMs, int waitLimitMs);

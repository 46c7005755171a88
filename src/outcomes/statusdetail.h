#pragma once

#include "device/toolrunner.h"

#include <QString>

// The steps of an action that can explain how they ended.
enum class Step { DeviceCheck, Listing, Removal, Install, AppListing, Uninstall };

// One or two plain sentences under the status line: why `step` ended as it did and what the user
// can do, read from what the tool printed on either stream; empty when there is nothing to add.
// `device` is the serial the device check settled on (DeviceCheck only). A removal, an install or
// an uninstall is asked only when it failed; a device check and a listing say something only when
// there is something to say (several devices, a refused listing, a list of apps with no app in
// it). Never decides an outcome.
QString detailFor(Step step, const ToolRun &run, const QString &device = {});

// Whether a listing of data/app/ was refused because the device's shell is not root.
bool refusedForWantOfRoot(const ToolRun &listing);

// Why a run that reached its limit of `limitMs` gave no outcome: "adb did not answer within N
// seconds", and the last line it printed before it was ended, if any.
QString notAnswered(const ToolRun &run, int limitMs);

// A line of adb's as it stands in a sentence: trimmed, and cut when it is too long to read.
QString quotedLine(const QString &line);
